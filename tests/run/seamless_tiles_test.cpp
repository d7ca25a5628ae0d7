// Tiles cut from one raster, walked with --seamless, against the mosaic of
// the same tiles (gdalbuildvrt) walked as one raster, against gdaldem slope
// and gdal_contour on that mosaic: slopes equal cell for cell, the tiles'
// lines joined at their shared ends equal the mosaic's lines.
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/slope/slope_raster.hpp"
#include "run/grid_folder_walk.hpp"
#include "tests/test_support.hpp"

#include <ogrsf_frmts.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

namespace kestrune {
namespace {

// A part of the mosaic, in its rows and columns.
struct TileCut {
    std::string name;
    std::int64_t row, column, nrows, ncols;
    double shift = 0;  // cells its corner moves east, off the lattice
};

FloatRaster cut(const FloatRaster& mosaic, const TileCut& tile) {
    FloatRaster part;
    part.ncols = tile.ncols;
    part.nrows = tile.nrows;
    part.cellsize = mosaic.cellsize;
    part.xllcorner = mosaic.xllcorner + (static_cast<double>(tile.column) + tile.shift) * mosaic.cellsize;
    part.yllcorner = mosaic.yurcorner() - static_cast<double>(tile.row + tile.nrows) * mosaic.cellsize;
    for (std::int64_t r = tile.row; r < tile.row + tile.nrows; ++r)
        for (std::int64_t c = tile.column; c < tile.column + tile.ncols; ++c) part.cells.push_back(mosaic.at(r, c));
    return part;
}

// The same cells written as an ESRI ASCII raster, which GDAL reads for us.
void writeAscii(const std::string& path, const FloatRaster& raster) {
    std::string text = "ncols " + std::to_string(raster.ncols) + "\nnrows " + std::to_string(raster.nrows) +
                       "\nxllcorner " + std::to_string(raster.xllcorner) + "\nyllcorner " +
                       std::to_string(raster.yllcorner) + "\ncellsize " + std::to_string(raster.cellsize) +
                       "\nNODATA_value -9999\n";
    char number[32];
    for (std::int64_t r = 0; r < raster.nrows; ++r) {
        for (std::int64_t c = 0; c < raster.ncols; ++c) {
            const float v = raster.at(r, c);
            std::snprintf(number, sizeof number, "%.9g ", isNoData(v) ? -9999.0 : static_cast<double>(v));
            text += number;
        }
        text += "\n";
    }
    test::writeFile(path, text);
}

struct Line {
    double level = 0;
    std::vector<std::pair<double, double>> points;
};

std::vector<Line> readLines(const std::string& path, const char* levelField) {
    GDALAllRegister();
    std::unique_ptr<GDALDataset> dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
    if (!dataset) throw std::runtime_error("OGR cannot open " + path);
    std::vector<Line> lines;
    for (auto& feature : *dataset->GetLayer(0)) {
        Line line;
        line.level = feature->GetFieldAsDouble(levelField);
        const OGRLineString* points = feature->GetGeometryRef()->toLineString();
        for (int i = 0; i < points->getNumPoints(); ++i) line.points.emplace_back(points->getX(i), points->getY(i));
        lines.push_back(std::move(line));
    }
    return lines;
}

// Rings start at their northernmost point (the westernmost of those).
void startRingNorth(Line& line) {
    auto& p = line.points;
    if (p.size() < 3 || p.front() != p.back()) return;
    p.pop_back();
    auto north = std::min_element(p.begin(), p.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    std::rotate(p.begin(), north, p.end());
    p.push_back(p.front());
}

// The lines of several files joined where one ends at the bits another of
// its level starts at; `joins` counts the shared ends drawn once.
std::vector<Line> joinAtSharedEnds(const std::vector<Line>& lines, std::size_t& joins) {
    std::map<std::tuple<double, double, double>, std::size_t> startingAt;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& start = lines[i].points.front();
        EXPECT_TRUE(startingAt.emplace(std::tuple(lines[i].level, start.first, start.second), i).second)
            << "two lines of level " << lines[i].level << " start at one point";
    }
    std::vector<std::size_t> next(lines.size(), lines.size());
    std::vector<bool> hasPrevious(lines.size(), false);
    joins = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& end = lines[i].points.back();
        auto found = startingAt.find(std::tuple(lines[i].level, end.first, end.second));
        if (found == startingAt.end() || (found->second == i && lines[i].points.front() == end)) continue;
        next[i] = found->second;
        hasPrevious[found->second] = true;
    }
    std::vector<Line> joined;
    std::vector<bool> used(lines.size(), false);
    auto follow = [&](std::size_t first) {
        Line line{lines[first].level, {}};
        for (std::size_t i = first; i < lines.size() && !used[i]; i = next[i]) {
            used[i] = true;
            const auto& p = lines[i].points;
            joins += line.points.empty() ? 0 : 1;
            line.points.insert(line.points.end(), p.begin() + (line.points.empty() ? 0 : 1), p.end());
        }
        startRingNorth(line);
        joined.push_back(std::move(line));
    };
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!hasPrevious[i]) follow(i);
    for (std::size_t i = 0; i < lines.size(); ++i)  // what is left closes into rings
        if (!used[i]) follow(i);
    return joined;
}

// The line drawn the other way; a ring still starts at its northernmost point.
Line reversed(Line line) {
    std::reverse(line.points.begin(), line.points.end());
    startRingNorth(line);
    return line;
}

// Lines in an order that does not hang on their direction.
void sortLines(std::vector<Line>& lines) {
    auto key = [](const Line& line) {
        return std::tuple(line.level, std::min(line.points.front(), line.points.back()),
                          std::max(line.points.front(), line.points.back()), line.points.size());
    };
    std::sort(lines.begin(), lines.end(), [&](const Line& a, const Line& b) { return key(a) < key(b); });
}

bool sameVertices(const Line& a, const Line& b, double tolerance) {
    if (a.level != b.level || a.points.size() != b.points.size()) return false;
    for (std::size_t k = 0; k < a.points.size(); ++k)
        if (std::fabs(a.points[k].first - b.points[k].first) > tolerance ||
            std::fabs(a.points[k].second - b.points[k].second) > tolerance)
            return false;
    return true;
}

// Same levels, same vertices to 1e-9 of a cell, in the same order (or, for
// a peer that draws its lines the other way, in the reverse order).
void expectSameLines(std::vector<Line> ours, std::vector<Line> theirs, double cell, bool eitherWay = false) {
    sortLines(ours);
    sortLines(theirs);
    ASSERT_EQ(ours.size(), theirs.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < ours.size(); ++i)
        differing += !sameVertices(ours[i], theirs[i], 1e-9 * cell) &&
                     !(eitherWay && sameVertices(reversed(ours[i]), theirs[i], 1e-9 * cell));
    EXPECT_EQ(differing, 0u) << "of " << ours.size() << " lines";
}

std::size_t vertexCount(const std::vector<Line>& lines) {
    std::size_t count = 0;
    for (const Line& line : lines) count += line.points.size();
    return count;
}

// A mosaic cut into tiles in a GRID folder, walked with --seamless; the
// tiles that lie on the mosaic's lattice also make the mosaic (a VRT),
// walked as one raster.
struct TiledSurface : test::StepRun {
    FloatRaster mosaic;
    std::vector<TileCut> tiles;
    std::string mosaicFolder = dir.folder("mosaic"), mosaicSlope = mosaicFolder + "_slope",
                mosaicContour = mosaicFolder + "_contour";

    TiledSurface(FloatRaster surface, std::vector<TileCut> cuts, bool asAscii = false)
        : mosaic(std::move(surface)), tiles(std::move(cuts)) {
        settings.slopeOutput = settings.contourOutput = true;
        settings.contourInterval = "10";
        settings.contourStart = "3";
        settings.seamless = true;
        std::string sources;
        for (const TileCut& tile : tiles) {
            if (asAscii)
                writeAscii(grid(tile.name + ".asc"), cut(mosaic, tile));
            else
                writeEsriGrid(settings.gridFolder, tile.name, cut(mosaic, tile), "");
            if (tile.shift == 0) sources += " " + grid(asAscii ? tile.name + ".asc" : tile.name + "/hdr.adf");
        }
        const std::string vrt = "gdalbuildvrt -q " + mosaicFolder + "/mosaic.vrt" + sources;
        if (std::system(vrt.c_str()) != 0) throw std::runtime_error("gdalbuildvrt failed: " + vrt);
    }

    bool walkTiles() { return run(GetRasterLayersFromFolder); }
    // The walk without the option of folder `name`, into `name`_slope and `name`_contour.
    bool walkAlone(const std::string& name) {
        RunSettings separate = settings;
        separate.seamless = false;
        separate.gridFolder = dir.folder(name);
        separate.slopeFolder = dir.folder(name + "_slope");
        separate.contourFolder = dir.folder(name + "_contour");
        test::RecordingUi quiet;
        RunContext separateRun(separate, quiet);
        separateRun.RunOk = true;
        GetRasterLayersFromFolder(separateRun);
        return separateRun.RunOk;
    }
    void walkMosaic() { ASSERT_TRUE(walkAlone("mosaic")); }

    // Each tile's slopes against the mosaic's cut to it, bit for bit.
    void expectSlopesOfTheMosaic() {
        const FloatRaster whole = test::readGrid(mosaicSlope + "/mosaic");
        for (const TileCut& tile : tiles) {
            if (tile.shift != 0) continue;
            SCOPED_TRACE(tile.name);
            const FloatRaster ours = test::readGrid(slope(tile.name));
            const FloatRaster expected = cut(whole, tile);
            ASSERT_EQ(ours.cells.size(), expected.cells.size());
            std::size_t differing = 0;
            for (std::size_t i = 0; i < ours.cells.size(); ++i)
                differing += std::memcmp(&ours.cells[i], &expected.cells[i], sizeof(float)) != 0;
            EXPECT_EQ(differing, 0u) << "of " << ours.cells.size() << " cells";
        }
    }

    std::vector<Line> tileLines() const {
        std::vector<Line> all;
        for (const TileCut& tile : tiles) {
            if (tile.shift != 0) continue;
            std::vector<Line> lines = readLines(contour(tile.name + ".shp"), "CONTOUR");
            all.insert(all.end(), lines.begin(), lines.end());
        }
        return all;
    }

    // The tiles' lines joined at shared ends against the mosaic's; no vertex
    // is drawn twice but the shared ends.
    void expectLinesOfTheMosaic() {
        const std::vector<Line> pieces = tileLines();
        std::size_t joins = 0;
        const std::vector<Line> joined = joinAtSharedEnds(pieces, joins);
        const std::vector<Line> whole = readLines(mosaicContour + "/mosaic.shp", "CONTOUR");
        expectSameLines(joined, whole, mosaic.cellsize);
        EXPECT_EQ(vertexCount(pieces) - joins, vertexCount(whole));
        EXPECT_GT(joins, 0u);
    }
};

// 240 x 180 cells of rough ground with a NoData hole in the south-east.
FloatRaster ground() { return test::roughSurface(240, 180); }

std::vector<TileCut> tilesOf(std::int64_t across, std::int64_t down, std::int64_t ncols, std::int64_t nrows) {
    std::vector<TileCut> cuts;
    for (std::int64_t r = 0; r < down; ++r)
        for (std::int64_t c = 0; c < across; ++c)
            cuts.push_back({"t" + std::to_string(r) + std::to_string(c), r * nrows, c * ncols, nrows, ncols});
    return cuts;
}

TEST(SeamlessTiles, TwoByTwoTilesMakeTheMosaicsSlopesAndLines) {
    KESTRUNE_REQUIRE_PROGRAM("gdalbuildvrt");
    TiledSurface s(ground(), tilesOf(2, 2, 120, 90));
    ASSERT_TRUE(s.walkTiles());
    EXPECT_TRUE(s.ui.messages.empty());
    s.walkMosaic();
    s.expectSlopesOfTheMosaic();
    s.expectLinesOfTheMosaic();
}

TEST(SeamlessTiles, ThreeByThreeTilesJoinAtTheirCorners) {
    KESTRUNE_REQUIRE_PROGRAM("gdalbuildvrt");
    TiledSurface s(ground(), tilesOf(3, 3, 80, 60));
    ASSERT_TRUE(s.walkTiles());
    s.walkMosaic();
    s.expectSlopesOfTheMosaic();
    s.expectLinesOfTheMosaic();
}

// Tiles of unequal sizes whose borders meet in T-junctions, read through
// GDAL as ESRI ASCII rasters; a NoData band crosses two borders.
TEST(SeamlessTiles, UnequalTilesWithANoDataBandAcrossTheirBorders) {
    KESTRUNE_REQUIRE_PROGRAM("gdalbuildvrt");
    FloatRaster surface = ground();
    for (std::int64_t r = 20; r < 70; ++r)
        for (std::int64_t c = 55; c < 58 + r / 10; ++c) surface.cells[r * surface.ncols + c] = kGridNoData;
    TiledSurface s(surface,
                   {{"a", 0, 0, 50, 60}, {"b", 0, 60, 30, 180}, {"c", 30, 60, 150, 180}, {"d", 50, 0, 130, 60}}, true);
    ASSERT_TRUE(s.walkTiles());
    s.walkMosaic();
    s.expectSlopesOfTheMosaic();
    s.expectLinesOfTheMosaic();
}

// Without the middle tile, its neighbours end at NoData there, as the
// mosaic with a hole does.
TEST(SeamlessTiles, AMissingTileInTheMiddleIsNoData) {
    KESTRUNE_REQUIRE_PROGRAM("gdalbuildvrt");
    std::vector<TileCut> cuts = tilesOf(3, 3, 80, 60);
    cuts.erase(cuts.begin() + 4);
    TiledSurface s(ground(), cuts);
    ASSERT_TRUE(s.walkTiles());
    s.walkMosaic();
    s.expectSlopesOfTheMosaic();
    s.expectLinesOfTheMosaic();
}

// A tile half a cell off the others' lattice joins none of them: its
// outputs are those of a walk without the option, and the run says so.
TEST(SeamlessTiles, ATileOnAnotherLatticeStandsAloneAndIsNamed) {
    KESTRUNE_REQUIRE_PROGRAM("gdalbuildvrt");
    std::vector<TileCut> cuts = tilesOf(2, 2, 120, 90);
    cuts[3].shift = 0.5;
    TiledSurface s(ground(), cuts);
    ASSERT_TRUE(s.walkTiles());
    s.walkMosaic();
    s.expectSlopesOfTheMosaic();
    s.expectLinesOfTheMosaic();
    const auto named = std::count_if(s.ui.messages.begin(), s.ui.messages.end(), [&](const auto& message) {
        return message.title == "Seamless tiles" && message.prompt.rfind(s.grid("t11") + " does not join ", 0) == 0;
    });
    EXPECT_EQ(named, 1) << "t11 lies beside t01, half a cell away from t10";
    writeEsriGrid(s.dir.folder("alone"), "t11", cut(s.mosaic, cuts[3]), "");
    ASSERT_TRUE(s.walkAlone("alone"));
    EXPECT_EQ(test::readFile(s.contour("t11.shp")), test::readFile(s.dir.file("alone_contour/t11.shp")));
    EXPECT_EQ(test::readFile(s.slope("t11/w001001.adf")), test::readFile(s.dir.file("alone_slope/t11/w001001.adf")));
}

// A neighbour whose cells cannot be read fails in its own turn; the tiles
// beside it are made as rasters alone, and the run says so once for each.
TEST(SeamlessTiles, ATileBesideAnUnreadableOneIsMadeAloneAndTheRunSaysWhy) {
    KESTRUNE_REQUIRE_PROGRAM("gdalbuildvrt");
    TiledSurface s(ground(), tilesOf(2, 1, 120, 180));
    s.settings.contourOutput = false;
    std::filesystem::resize_file(s.grid("t01/w001001.adf"), 5000);
    EXPECT_FALSE(s.walkTiles());
    std::vector<std::string> prompts;
    for (const auto& message : s.ui.messages) prompts.push_back(message.title + ": " + message.prompt);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_EQ(prompts[0].rfind("Seamless tiles: " + s.grid("t00") +
                                   " is made as a raster alone, not as a tile: its neighbour " + s.grid("t01") +
                                   " cannot be read: ",
                               0),
              0u)
        << prompts[0];
    EXPECT_EQ(prompts[1].rfind("Program was interrupted: File Error-", 0), 0u) << prompts[1];
    const FloatRaster tile = cut(s.mosaic, s.tiles[0]);
    EXPECT_EQ(test::readGrid(s.slope("t00")).cells, readAllRows(slopeRows(rowsOf(tile))).cells);
}

// Against GDAL's own programs on the mosaic: gdaldem's slope where its
// edge rule is ours (away from the surface's edge and from NoData), and
// gdal_contour's lines.
TEST(SeamlessTiles, TilesAgreeWithGdaldemAndGdalContourOnTheMosaic) {
    KESTRUNE_REQUIRE_PROGRAM("gdalbuildvrt");
    KESTRUNE_REQUIRE_PROGRAM("gdaldem");
    KESTRUNE_REQUIRE_PROGRAM("gdal_contour");
    SCOPED_TRACE(test::gdalOracleNote());
    TiledSurface s(ground(), tilesOf(2, 2, 120, 90));
    ASSERT_TRUE(s.walkTiles());
    const std::string vrt = s.mosaicFolder + "/mosaic.vrt";
    const std::string slopeTif = s.dir.file("gdaldem_slope.tif"), linesShp = s.dir.file("gdal_contour.shp");
    ASSERT_EQ(std::system(("gdaldem slope -q " + vrt + " " + slopeTif).c_str()), 0);
    ASSERT_EQ(std::system(("gdal_contour -q -i 10 -off 3 -a ELEV " + vrt + " " + linesShp).c_str()), 0);

    const test::GdalRaster theirs = test::readWithGdal(slopeTif);
    std::size_t compared = 0, differing = 0;
    for (const TileCut& tile : s.tiles) {
        const FloatRaster ours = test::readGrid(s.slope(tile.name));
        for (std::int64_t r = 0; r < tile.nrows; ++r)
            for (std::int64_t c = 0; c < tile.ncols; ++c) {
                const std::int64_t R = tile.row + r, C = tile.column + c;
                if (R == 0 || C == 0 || R + 1 == s.mosaic.nrows || C + 1 == s.mosaic.ncols) continue;
                bool besideNoData = false;
                for (int dr = -1; dr <= 1; ++dr)
                    for (int dc = -1; dc <= 1; ++dc) besideNoData |= isNoData(s.mosaic.at(R + dr, C + dc));
                if (besideNoData) continue;
                ++compared;
                differing += std::fabs(ours.at(r, c) - theirs.values[R * theirs.width + C]) > 1e-3;
            }
    }
    EXPECT_GT(compared, 40000u);
    EXPECT_EQ(differing, 0u);

    std::size_t joins = 0;
    const std::vector<Line> joined = joinAtSharedEnds(s.tileLines(), joins);
    std::vector<Line> gdalLines = readLines(linesShp, "ELEV");
    for (Line& line : gdalLines) startRingNorth(line);
    expectSameLines(joined, gdalLines, s.mosaic.cellsize, true);  // GDAL 3.6 draws them the other way
}

}  // namespace
}  // namespace kestrune
