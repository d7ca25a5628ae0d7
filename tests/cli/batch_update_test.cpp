// kestrune-batch --update: what is there as the present inputs and settings
// would make it stays, the rest is made again.
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "tests/cli/batch_run.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// The whole pipeline from three XYZ tiles (one with its .prj) to slopes
// and contours: 12 outputs.
struct Pipeline {
    test::TempDir dir;
    std::string xyz = dir.folder("xyz"), ascii = dir.folder("ascii"), grid = dir.folder("grid"),
                slope = dir.folder("slope"), contour = dir.folder("contour");
    Pipeline() {
        for (const char* name : {"dem_east.xyz", "dem_north.xyz", "dem_west.xyz", "dem_west.prj"})
            fs::copy_file(std::string(KESTRUNE_SAMPLES_DIR) + "/xyz/" + name, xyz + "/" + name);
    }
    test::BatchResult run(const std::vector<std::string>& extra = {"--update"}, const std::string& interval = "10") {
        std::vector<std::string> arguments = {
            "--input",        "xyz", "--xyz-folder",     xyz,     "--ascii-folder",     ascii,   "--grid-folder", grid,
            "--slope-folder", slope, "--contour-folder", contour, "--contour-interval", interval};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        test::BatchResult result = test::runBatch(arguments, dir);
        EXPECT_EQ(result.exitStatus, 0) << result.errorOutput;
        return result;
    }
    // The time of last change of every output file, by path.
    std::map<std::string, fs::file_time_type> times() const {
        std::map<std::string, fs::file_time_type> found;
        for (const std::string& folder : {ascii, grid, slope, contour})
            for (const auto& entry : fs::recursive_directory_iterator(folder))
                if (entry.is_regular_file() && !test::isRunBookkeeping(entry.path().filename().string()))
                    found[entry.path().string()] = entry.last_write_time();
        return found;
    }
    // The output files whose time changed since `before`, or that are new,
    // by path in the folders ("slope/dem_east/hdr.adf"); the INFO tables,
    // which a GRID replaced anywhere in its folder renews, aside.
    std::vector<std::string> changedSince(const std::map<std::string, fs::file_time_type>& before) const {
        std::vector<std::string> changed;
        for (const auto& [path, time] : times()) {
            auto earlier = before.find(path);
            const std::string relative = fs::relative(path, dir.path()).string();
            if (relative.find("/info/") != std::string::npos) continue;
            if (earlier == before.end() || earlier->second != time) changed.push_back(relative);
        }
        return changed;
    }
};

std::string counts(const test::BatchResult& result) { return result.summary.substr(0, result.summary.rfind(" in ")); }

TEST(BatchUpdate, AFinishedJobIsKeptWholeAndToldUpToDate) {
    Pipeline p;
    EXPECT_EQ(counts(p.run({})), "kestrune-batch: 12 done, 0 failed, 0 not begun");
    const auto before = p.times();
    const test::BatchResult again = p.run();
    EXPECT_EQ(counts(again), "kestrune-batch: 0 done, 0 failed, 0 not begun, 12 up to date");
    EXPECT_EQ(p.changedSince(before), std::vector<std::string>{});
    EXPECT_NE(again.errorOutput.find("Up to date : XYZ-->ASCII( 1/ 3)   dem_east.xyz\n"), std::string::npos)
        << again.errorOutput;
    EXPECT_NE(again.errorOutput.find("Up to date : ESRI GRID--> Get Contour " + p.grid + "/dem_west\n"),
              std::string::npos)
        << again.errorOutput;
    // Without --update everything is made again, as always.
    EXPECT_EQ(counts(p.run({})), "kestrune-batch: 12 done, 0 failed, 0 not begun");
}

TEST(BatchUpdate, AChangedIntervalRemakesTheContoursOnly) {
    Pipeline p;
    p.run({});
    const auto before = p.times();
    EXPECT_EQ(counts(p.run({"--update"}, "20")), "kestrune-batch: 3 done, 0 failed, 0 not begun, 9 up to date");
    std::vector<std::string> changed = p.changedSince(before);
    for (const std::string& name : changed)
        EXPECT_TRUE(name.ends_with(".shp") || name.ends_with(".shx") || name.ends_with(".dbf") ||
                    name.ends_with(".prj"))
            << name;
    EXPECT_EQ(changed.size(), 10u);  // three shapefiles of three files, one .prj
    // And the GeoPackage is another output again.
    EXPECT_EQ(counts(p.run({"--update", "--contour-format", "gpkg"}, "20")),
              "kestrune-batch: 3 done, 0 failed, 0 not begun, 9 up to date");
}

TEST(BatchUpdate, AChangedInputRemakesItsChainAndNothingElse) {
    Pipeline p;
    p.run({});
    const auto before = p.times();
    // New heights in one tile: its .asc, GRID, slope and contours follow.
    std::string points = test::readFile(p.xyz + "/dem_north.xyz");
    points.insert(points.find(' ', points.find(' ') + 1) + 1, "1");
    test::writeFile(p.xyz + "/dem_north.xyz", points);
    EXPECT_EQ(counts(p.run()), "kestrune-batch: 4 done, 0 failed, 0 not begun, 8 up to date");
    for (const std::string& name : p.changedSince(before)) EXPECT_NE(name.find("north"), std::string::npos) << name;
    EXPECT_FALSE(p.changedSince(before).empty());
}

TEST(BatchUpdate, AnOutputMissingOrEditedIsMadeAgain) {
    Pipeline p;
    p.run({});
    fs::remove_all(p.slope + "/dem_east");
    test::writeFile(p.ascii + "/dem_west.asc", test::readFile(p.ascii + "/dem_west.asc") + "\n");
    // The edited .asc is made again, and the GRID of it then follows with
    // its slope and contours; the missing slope GRID is made.
    EXPECT_EQ(counts(p.run()), "kestrune-batch: 5 done, 0 failed, 0 not begun, 7 up to date");
    EXPECT_EQ(test::readWithGdal(p.slope + "/dem_east").width, test::readWithGdal(p.grid + "/dem_east").width);
}

// A seamless tile's slope reads its neighbours: a changed neighbour makes
// it again, a raster that is not its neighbour does not.
TEST(BatchUpdate, ASeamlessTileFollowsItsNeighbours) {
    test::TempDir dir;
    const std::string grid = dir.folder("grid"), slope = dir.folder("slope");
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < 2; ++column) {
            FloatRaster tile;
            tile.ncols = tile.nrows = 20;
            tile.cellsize = 10;
            tile.xllcorner = 500000 + column * 200;
            tile.yllcorner = 5100000 - row * 200;
            for (int i = 0; i < 400; ++i) tile.cells.push_back(static_cast<float>(100 + i % 20 + row * 7 + column));
            writeEsriGrid(grid, "t" + std::to_string(row) + std::to_string(column), tile, "");
        }
    const std::vector<std::string> arguments = {"--input",        "grid", "--grid-folder", grid,
                                                "--slope-folder", slope,  "--seamless",    "--update"};
    EXPECT_EQ(counts(test::runBatch(arguments, dir)), "kestrune-batch: 4 done, 0 failed, 0 not begun");
    EXPECT_EQ(counts(test::runBatch(arguments, dir)), "kestrune-batch: 0 done, 0 failed, 0 not begun, 4 up to date");
    FloatRaster lone;
    lone.ncols = lone.nrows = 5;
    lone.cellsize = 10;
    lone.xllcorner = 900000;
    lone.yllcorner = 5100000;
    lone.cells.assign(25, 7);
    writeEsriGrid(grid, "t00", lone, "");  // t00 now lies far away: it and its three former neighbours change
    EXPECT_EQ(counts(test::runBatch(arguments, dir)), "kestrune-batch: 4 done, 0 failed, 0 not begun");
    lone.xllcorner = 960000;
    writeEsriGrid(grid, "far", lone, "");
    EXPECT_EQ(counts(test::runBatch(arguments, dir)), "kestrune-batch: 1 done, 0 failed, 0 not begun, 4 up to date");
}

}  // namespace
}  // namespace kestrune
