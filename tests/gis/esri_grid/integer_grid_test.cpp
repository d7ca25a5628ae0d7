// Integer GRIDs as ArcGIS writes them (raw 32-bit blocks here), with and
// without their statistics, and GRID folders that cannot be read.
#include "gis/esri_grid/binary_record.hpp"
#include "gis/esri_grid/esri_grid_reader.hpp"
#include "gis/workspace/raster_workspace.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>

namespace kestrune {
namespace {

constexpr std::int32_t kIntegerNoData = -2147483647;

std::string fileHeader(std::size_t totalBytes) {
    BinaryRecord header;
    header.int32(9994);
    header.int32(-1016);
    header.zeros(16);
    header.int32(static_cast<std::int32_t>(totalBytes / 2));
    header.zeros(72);
    return header.bytes();
}

// An uncompressed integer GRID of one 256 x 16 block, cells of 10 m, its
// lower-left corner at (1000, 2000); `statistics` writes sta.adf.
void writeIntegerGrid(const std::string& folder, int ncols, int nrows, const std::vector<std::int32_t>& cells,
                      bool statistics) {
    std::filesystem::create_directories(folder);
    BinaryRecord hdr;
    hdr.raw(std::string("GRID1.2\0", 8));
    hdr.int32(0);
    hdr.int32(-1);
    hdr.int32(1);  // integer cells
    hdr.int32(1);  // raw blocks
    hdr.int32(0);
    hdr.float32(1.0f);
    hdr.zeros(224);
    hdr.float64(10);
    hdr.float64(10);
    hdr.float64(1000 - 8 * 256 * 5.0);
    hdr.float64(2000 + nrows * 10 - 3 * 128 * 16 * 5.0);
    for (std::int32_t value : {8, 128, 256, 1, 16}) hdr.int32(value);
    test::writeFile(folder + "/hdr.adf", hdr.bytes());
    BinaryRecord bounds;
    for (double value : {1000.0, 2000.0, 1000.0 + ncols * 10, 2000.0 + nrows * 10}) bounds.float64(value);
    test::writeFile(folder + "/dblbnd.adf", bounds.bytes());
    BinaryRecord block;
    block.unsigned16(8192);
    for (int row = 0; row < 16; ++row)
        for (int column = 0; column < 256; ++column)
            block.int32(row < nrows && column < ncols ? cells[row * ncols + column] : kIntegerNoData);
    test::writeFile(folder + "/w001001.adf", fileHeader(100 + block.size()) + block.bytes());
    BinaryRecord index;
    index.int32(50);
    index.int32(8192);
    test::writeFile(folder + "/w001001x.adf", fileHeader(108) + index.bytes());
    if (!statistics) return;
    BinaryRecord sta;
    for (double value : {-5.0, 100000.0, 0.0, 0.0}) sta.float64(value);
    test::writeFile(folder + "/sta.adf", sta.bytes());
}

const std::vector<std::int32_t> kCells = {-5, 0, 7, kIntegerNoData, 100000, 65536};

TEST(IntegerGrid, IsReadWithItsStatisticsAndWithout) {
    test::TempDir dir;
    writeIntegerGrid(dir.file("with"), 3, 2, kCells, true);
    writeIntegerGrid(dir.file("without"), 3, 2, kCells, false);
    const test::GdalRaster gdal = test::readWithGdal(dir.file("with"));  // the hand-made GRID, as GDAL sees it
    ASSERT_EQ(gdal.values, (std::vector<double>{-5, 0, 7, gdal.noData, 100000, 65536}));
    EXPECT_THROW(test::readWithGdal(dir.file("without")), std::runtime_error);  // GDAL alone refuses it

    for (const char* name : {"with", "without"}) {
        SCOPED_TRACE(name);
        const FloatRaster raster = test::readGrid(dir.file(name));
        ASSERT_EQ(raster.ncols, 3);
        ASSERT_EQ(raster.nrows, 2);
        EXPECT_EQ(raster.xllcorner, 1000);
        EXPECT_EQ(raster.yllcorner, 2000);
        EXPECT_EQ(std::vector<float>(raster.cells.begin(), raster.cells.end()),
                  (std::vector<float>{-5, 0, 7, kGridNoData, 100000, 65536}));
    }
    // The stand-in GDAL read went with the reading.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        EXPECT_NE(entry.path().filename().string().rfind("kestrune-grid-" + std::to_string(getpid()) + "-", 0), 0u)
            << entry.path();
    EXPECT_TRUE(RasterWorkspace::open(dir.path().string()).findGrid("without").has_value());
}

TEST(IntegerGrid, AGridThatCannotBeReadSaysWhy) {
    struct Case {
        const char* file;
        std::string bytes;  // empty: removed
        std::string why;
    };
    const Case cases[] = {
        {"hdr.adf", "GRID1.2", "its hdr.adf (its header) holds 7 bytes, fewer than the 308 it needs"},
        {"dblbnd.adf", "", "it has no dblbnd.adf (its bounds)"},
        {"w001001x.adf", "", "it has no w001001x.adf (its tile index)"},
        {"w001001.adf", "", "it has no w001001.adf (its cells)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        test::TempDir dir;
        const std::string grid = dir.file("dem");
        writeIntegerGrid(grid, 3, 2, kCells, true);
        if (c.bytes.empty())
            std::filesystem::remove(grid + "/" + c.file);
        else
            test::writeFile(grid + "/" + c.file, c.bytes);
        try {
            test::readGrid(grid);
            ADD_FAILURE() << "read";
        } catch (const std::runtime_error& failure) {
            EXPECT_EQ(std::string(failure.what()), "cannot open the GRID " + grid + ": " + c.why);
        }
    }
}

}  // namespace
}  // namespace kestrune
