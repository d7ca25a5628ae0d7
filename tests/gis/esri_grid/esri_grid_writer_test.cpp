#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/esri_grid/binary_record.hpp"
#include "gis/esri_grid/esri_grid_reader.hpp"
#include "gis/esri_grid/esri_grid_tile.hpp"
#include "gis/esri_grid/grid_name.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

namespace kestrune {
namespace {

FloatRaster randomRaster(std::int64_t ncols, std::int64_t nrows, unsigned seed, double noDataShare = 0.1) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> height(-430.5f, 8848.9f);
    std::bernoulli_distribution hole(noDataShare);
    FloatRaster raster;
    raster.ncols = ncols;
    raster.nrows = nrows;
    raster.xllcorner = 512345.5;
    raster.yllcorner = 5102000.25;
    raster.cellsize = 0.5;
    raster.cells.resize(static_cast<std::size_t>(ncols * nrows));
    for (float& cell : raster.cells) cell = hole(random) ? kGridNoData : height(random);
    return raster;
}

// GDAL's AIG driver is the oracle: size, geotransform, NoData and every cell.
void expectGdalReads(const std::string& gridFolder, const FloatRaster& raster) {
    test::GdalRaster read = test::readWithGdal(gridFolder);
    EXPECT_EQ(read.driver, "AIG");
    ASSERT_EQ(read.width, raster.ncols);
    ASSERT_EQ(read.height, raster.nrows);
    EXPECT_EQ(read.geoTransform[0], raster.xllcorner);
    EXPECT_EQ(read.geoTransform[1], raster.cellsize);
    EXPECT_EQ(read.geoTransform[3], raster.yurcorner());
    EXPECT_EQ(read.geoTransform[5], -raster.cellsize);
    EXPECT_TRUE(read.hasNoData);
    EXPECT_EQ(read.noData, -3.4028234663852886e38);
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < raster.cells.size(); ++i)
        mismatches += static_cast<float>(read.values[i]) != raster.cells[i];
    EXPECT_EQ(mismatches, 0u);
}

TEST(EsriGridWriter, GdalReadsEverySizeAroundTheBlockEdges) {
    const std::pair<int, int> sizes[] = {{1, 1},    {3, 1},    {1, 3},    {255, 15}, {256, 16}, {257, 17},
                                         {255, 17}, {257, 15}, {600, 40}, {2049, 3}, {3, 2049}, {700, 300}};
    unsigned seed = 1;
    for (auto [ncols, nrows] : sizes) {
        SCOPED_TRACE(std::to_string(ncols) + " x " + std::to_string(nrows) + ", seed " + std::to_string(seed));
        test::TempDir dir;
        FloatRaster raster = randomRaster(ncols, nrows, seed++);
        writeEsriGrid(dir.path().string(), "dem", raster, "");
        expectGdalReads(dir.file("dem"), raster);
    }
}

TEST(EsriGridWriter, NoDataBlocksInsideTheExtentReadAsNoData) {
    test::TempDir dir;
    FloatRaster raster = randomRaster(600, 50, 7, 0);
    for (std::int64_t row = 16; row < 32; ++row)  // the whole second block row
        for (std::int64_t column = 0; column < raster.ncols; ++column)
            raster.cells[row * raster.ncols + column] = kGridNoData;
    writeEsriGrid(dir.path().string(), "holes", raster, "");
    expectGdalReads(dir.file("holes"), raster);

    FloatRaster empty = randomRaster(20, 20, 8, 1.0);
    writeEsriGrid(dir.path().string(), "empty", empty, "");
    expectGdalReads(dir.file("empty"), empty);
}

// NaN is NoData too: written as the GRID's NoData, and read as it where a
// file holds one (here the last cell of a row, past the cells taken four at
// a time, and one inside them).
TEST(EsriGridWriter, NanCellsAreNoDataBothWays) {
    test::TempDir dir;
    FloatRaster raster = randomRaster(259, 17, 11, 0.05);
    for (std::size_t i = 0; i < raster.cells.size(); i += 7) raster.cells[i] = std::nanf("");
    writeEsriGrid(dir.path().string(), "nan", raster, "");
    FloatRaster expected = raster;
    for (float& cell : expected.cells)
        if (std::isnan(cell)) cell = kGridNoData;
    expectGdalReads(dir.file("nan"), expected);

    // Cells (0, 5) and (0, 258): the latter is the third cell of the second block.
    std::string tile = test::readFile(dir.file("nan/w001001.adf"));
    const std::size_t firstBlock = 100 + 2, secondBlock = firstBlock + 4 * 256 * 16 + 2;
    for (std::size_t at : {firstBlock + 4 * 5, secondBlock + 4 * 2}) storeBigEndian(std::nanf(""), &tile[at]);
    test::writeFile(dir.file("nan/w001001.adf"), tile);
    expected.cells[5] = expected.cells[258] = kGridNoData;
    FloatRaster ours = test::readGrid(dir.file("nan"));
    EXPECT_TRUE(std::equal(ours.cells.begin(), ours.cells.end(), expected.cells.begin()));
}

TEST(EsriGridWriter, StatisticsAreThoseOfTheValidCells) {
    test::TempDir dir;
    FloatRaster raster = randomRaster(300, 20, 9, 0.2);
    writeEsriGrid(dir.path().string(), "stats", raster, "");
    double sum = 0, n = 0, minimum = 1e300, maximum = -1e300;
    for (float cell : raster.cells)
        if (cell != kGridNoData) {
            sum += cell;
            ++n;
            minimum = std::min<double>(minimum, cell);
            maximum = std::max<double>(maximum, cell);
        }
    double mean = sum / n, squares = 0;
    for (float cell : raster.cells)
        if (cell != kGridNoData) squares += (cell - mean) * (cell - mean);
    std::string sta = test::readFile(dir.file("stats/sta.adf"));
    ASSERT_EQ(sta.size(), 32u);
    EXPECT_EQ(loadBigEndian<double>(&sta[0]), minimum);
    EXPECT_EQ(loadBigEndian<double>(&sta[8]), maximum);
    EXPECT_NEAR(loadBigEndian<double>(&sta[16]), mean, 1e-9 * std::fabs(mean));
    EXPECT_NEAR(loadBigEndian<double>(&sta[24]), std::sqrt(squares / (n - 1)), 1e-9 * std::sqrt(squares / (n - 1)));
}

// Cells that come in pieces of any size (a text file's) make the very
// files of the same raster written from its rows, over several batches of
// chunks and a short last one.
TEST(EsriGridWriter, CellsFedInPiecesMakeTheFilesOfTheRows) {
    for (auto [ncols, nrows] : {std::pair<int, int>{1, 1}, {700, 1300}, {3, 2049}, {8000, 40}}) {
        SCOPED_TRACE(std::to_string(ncols) + " x " + std::to_string(nrows));
        test::TempDir dir;
        const FloatRaster raster = randomRaster(ncols, nrows, static_cast<unsigned>(ncols + nrows), 0.05);
        stageEsriGrid(dir.path().string(), "rows", rowsOf(raster), "").commit();
        const CellFeed pieces = [&raster](const CellSink& sink) {
            std::size_t at = 0, piece = 1;
            while (at < raster.cells.size()) {
                const std::size_t count = std::min(piece, raster.cells.size() - at);
                sink(raster.cells.data() + at, count);
                at += count;
                piece = piece * 7 + 3;
            }
        };
        stageEsriGrid(dir.path().string(), "fed", raster, pieces, "").commit();
        for (const char* file : {"w001001.adf", "w001001x.adf", "hdr.adf", "dblbnd.adf", "sta.adf"})
            EXPECT_EQ(test::readFile(dir.file("fed/") + file), test::readFile(dir.file("rows/") + file)) << file;
        expectGdalReads(dir.file("fed"), raster);
    }
}

// Structure GDAL tolerates but ArcGIS may not: header fields, index length
// and truncation, prefixes matching the index, contiguous offsets.
TEST(EsriGridWriter, TileFilesFollowTheLayout) {
    test::TempDir dir;
    FloatRaster raster = randomRaster(300, 40, 10);  // 2 x 3 blocks, tile 8 x 128
    writeEsriGrid(dir.path().string(), "layout", raster, "");
    std::string header = test::readFile(dir.file("layout/hdr.adf"));
    ASSERT_EQ(header.size(), 308u);
    EXPECT_EQ(header.substr(0, 8), std::string("GRID1.2\0", 8));
    EXPECT_EQ(loadBigEndian<std::int32_t>(&header[16]), 2);
    EXPECT_EQ(loadBigEndian<double>(&header[256]), 0.5);
    EXPECT_EQ(loadBigEndian<double>(&header[272]), raster.xllcorner - 8 * 256 * 0.5 / 2);
    EXPECT_EQ(loadBigEndian<double>(&header[280]), raster.yurcorner() - 3 * 128 * 16 * 0.5 / 2);
    EXPECT_EQ(loadBigEndian<std::int32_t>(&header[288]), 8);
    EXPECT_EQ(loadBigEndian<std::int32_t>(&header[292]), 128);
    EXPECT_EQ(loadBigEndian<std::int32_t>(&header[296]), 256);
    EXPECT_EQ(loadBigEndian<std::int32_t>(&header[304]), 16);

    std::string index = test::readFile(dir.file("layout/w001001x.adf"));
    std::string data = test::readFile(dir.file("layout/w001001.adf"));
    EXPECT_EQ(loadBigEndian<std::int32_t>(&index[0]), 9994);
    EXPECT_EQ(static_cast<std::size_t>(loadBigEndian<std::int32_t>(&index[24])) * 2, index.size());
    EXPECT_EQ(static_cast<std::size_t>(loadBigEndian<std::int32_t>(&data[24])) * 2, data.size());
    const int entries = (3 - 1) * 8 + 2;
    ASSERT_EQ(index.size(), 100u + 8 * entries);
    std::int32_t expectedOffset = 50;
    for (int entry = 0; entry < entries; ++entry) {
        std::int32_t offset = loadBigEndian<std::int32_t>(&index[100 + 8 * entry]);
        std::int32_t size = loadBigEndian<std::int32_t>(&index[104 + 8 * entry]);
        EXPECT_EQ(offset, expectedOffset) << entry;
        EXPECT_EQ(size, entry % 8 < 2 ? 8192 : 0) << entry;
        EXPECT_EQ(static_cast<std::uint16_t>(loadBigEndian<std::int16_t>(&data[2 * offset])), size) << entry;
        expectedOffset += 1 + size;
    }
    EXPECT_EQ(static_cast<std::size_t>(expectedOffset) * 2, data.size());

    std::string bounds = test::readFile(dir.file("layout/dblbnd.adf"));
    EXPECT_EQ(loadBigEndian<double>(&bounds[16]), raster.xllcorner + 300 * 0.5);
    EXPECT_EQ(loadBigEndian<double>(&bounds[24]), raster.yllcorner + 40 * 0.5);
}

TEST(EsriGridWriter, FailuresLeaveNothingBehind) {
    test::TempDir dir;
    EXPECT_THROW(writeEsriGrid(dir.path().string(), "1dem", randomRaster(2, 2, 12), ""), std::runtime_error);
    dir.folder("taken");
    test::writeFile(dir.file("taken/readme.txt"), "not a GRID");
    EXPECT_THROW(writeEsriGrid(dir.path().string(), "taken", randomRaster(2, 2, 12), ""), std::runtime_error);
    EXPECT_EQ(test::folderNames(dir.path().string()), std::vector<std::string>{"taken"});
    EXPECT_THROW(writeEsriGrid(dir.file("missing"), "dem", randomRaster(2, 2, 12), ""), std::runtime_error);
}

TEST(GridName, FollowsTheNamingRules) {
    for (const char* good : {"a", "dem_2024", "DEM_North", "abcdefghijklm", "a_"})
        EXPECT_EQ(gridNameProblem(good), "") << good;
    const std::pair<const char*, const char*> bad[] = {
        {"abcdefghijklmn", "is longer than 13 characters"},
        {"2dem", "does not begin with a letter"},
        {"_dem", "does not begin with a letter"},
        {"my dem", "may hold only letters, digits and underscores"},
        {"dem-1", "may hold only letters, digits and underscores"},
        {"con", "is reserved"},
        {"INFO", "is reserved"},
        {"d\xc3\xa9m", "may hold only letters, digits and underscores"},
    };
    for (const auto& [name, reason] : bad)
        EXPECT_EQ(gridNameProblem(name), std::string("the GRID name \"") + name + "\" " + reason);
    EXPECT_EQ(gridNameProblem(""), "the GRID name is empty");
    EXPECT_EQ(gridFolderName("DEM_North"), "dem_north");
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// Our own reading of one-tile float GRIDs against GDAL's, and the fall back
// to GDAL for a GRID our reader does not take (here: upper-case file names).
TEST(EsriGridReader, ReadsWhatGdalReads) {
    for (auto [ncols, nrows] : {std::pair<int, int>{1, 1}, {257, 17}, {700, 300}, {3, 2049}}) {
        SCOPED_TRACE(std::to_string(ncols) + " x " + std::to_string(nrows));
        test::TempDir dir;
        FloatRaster raster = randomRaster(ncols, nrows, static_cast<unsigned>(ncols * nrows));
        writeEsriGrid(dir.path().string(), "dem", raster, "");
        FloatRaster ours = test::readGrid(dir.file("dem"));
        EXPECT_EQ(ours.ncols, ncols);
        EXPECT_EQ(ours.nrows, nrows);
        EXPECT_EQ(ours.xllcorner, raster.xllcorner);
        EXPECT_DOUBLE_EQ(ours.yllcorner, raster.yllcorner);
        EXPECT_TRUE(std::equal(ours.cells.begin(), ours.cells.end(), raster.cells.begin()));

        for (const char* name : {"hdr.adf", "w001001.adf", "w001001x.adf", "dblbnd.adf", "sta.adf"}) {
            std::string upper = name;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            std::filesystem::rename(dir.file("dem/") + name, dir.file("dem/") + upper);
        }
        FloatRaster throughGdal = test::readGrid(dir.file("dem"));
        EXPECT_TRUE(std::equal(throughGdal.cells.begin(), throughGdal.cells.end(), raster.cells.begin()));
    }
}

// Headers that claim more than their files hold, and bounds that are no
// numbers, are refused before anything is read or allocated.
TEST(EsriGridReader, CraftedHeadersAreRefused) {
    auto patchBounds = [](const std::string& grid, double west, double south, double east, double north) {
        std::string bounds;
        for (double value : {west, south, east, north}) {
            std::uint64_t bits;
            std::memcpy(&bits, &value, 8);
            for (int i = 7; i >= 0; --i) bounds.push_back(static_cast<char>(bits >> (8 * i)));
        }
        test::writeFile(grid + "/dblbnd.adf", bounds);
    };
    auto failureOf = [](const std::string& grid) -> std::string {
        try {
            openEsriGrid(grid);
        } catch (const std::runtime_error& failure) {
            return failure.what();
        }
        return "no failure";
    };
    test::TempDir dir;
    const std::string grid = dir.file("dem");
    writeEsriGrid(dir.path().string(), "dem", randomRaster(1, 1, 3), "");
    patchBounds(grid, 0, 0, 0.5, 5e8);  // 1 x 1e9 cells of 0.5
    EXPECT_EQ(
        failureOf(grid),
        "the GRID " + grid + " is damaged: its header claims 1 x 1000000000 cells, more than its tile files hold");
    patchBounds(grid, 0, 0, 0.5, 1000);  // 1 x 2000 cells: within the tile of 2048 rows, its index of one block
    EXPECT_EQ(
        failureOf(grid),
        "the GRID " + grid + " is damaged: its tile index holds 1 blocks where its extent of 1 x 2000 cells needs 993");
    patchBounds(grid, 0, 0, std::nan(""), 10);
    EXPECT_EQ(failureOf(grid).rfind("the GRID " + grid + " is damaged: its bounds (dblbnd.adf) 0, 0, ", 0), 0u);
    // Through GDAL (upper-case names, which our reader leaves to it): a small
    // header claiming 40000 x 40000 cells.
    patchBounds(grid, 0, 0, 20000, 20000);
    for (const char* name : {"hdr.adf", "w001001.adf", "w001001x.adf", "dblbnd.adf", "sta.adf"}) {
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::filesystem::rename(grid + "/" + name, grid + "/" + upper);
    }
    EXPECT_EQ(failureOf(grid),
              "the GRID " + grid + " is damaged: its header claims 40000 x 40000 cells, more than its tile files hold");
}

}  // namespace
}  // namespace kestrune
