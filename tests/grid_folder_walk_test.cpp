#include "run/grid_folder_walk.hpp"
#include "gis/esri_grid_reader.hpp"
#include "gis/esri_grid_writer.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

FloatRaster ramp(float rise) {
    FloatRaster raster;
    raster.ncols = 20;
    raster.nrows = 10;
    raster.cellsize = 10;
    for (int row = 0; row < 10; ++row)
        for (int column = 0; column < 20; ++column) raster.cells.push_back(rise * static_cast<float>(column) * 10);
    return raster;
}

// Two GRIDs, "west" and "east", and contours every 25 m when asked for.
struct Walk : test::StepRun {
    Walk() {
        settings.contourInterval = "25";
        writeEsriGrid(settings.gridFolder, "west", ramp(1), "");
        writeEsriGrid(settings.gridFolder, "east", ramp(2), "");
    }
    bool run() { return StepRun::run(GetRasterLayersFromFolder); }
};

TEST(GetRasterLayersFromFolder, SlopeThenContourForEachGridInOrderOfName) {
    Walk w;
    w.settings.slopeOutput = w.settings.contourOutput = true;
    EXPECT_TRUE(w.run());
    EXPECT_TRUE(w.ui.messages.empty());
    EXPECT_EQ(w.ui.statusTexts, (std::vector<std::string>{
                                    "Running : ESRI GRID--> Get Slope " + w.grid("east"),
                                    "Running : ESRI GRID--> Get Contour " + w.grid("east"),
                                    "Running : ESRI GRID--> Get Slope " + w.grid("west"),
                                    "Running : ESRI GRID--> Get Contour " + w.grid("west"),
                                }));
    EXPECT_EQ(test::folderNames(w.settings.slopeFolder), (std::vector<std::string>{"east", "info", "west"}));
    // A 45 degree ramp in the west GRID, away from its flattened edges.
    EXPECT_NEAR(readEsriGrid(w.settings.slopeFolder + "/west").at(5, 10), 45, 1e-4);
    EXPECT_TRUE(test::exists(w.settings.contourFolder + "/east.shp"));
    EXPECT_TRUE(test::exists(w.settings.contourFolder + "/west.shp"));
}

TEST(GetRasterLayersFromFolder, EachProductFollowsItsOwnBox) {
    Walk w;
    w.settings.contourOutput = true;
    EXPECT_TRUE(w.run());
    EXPECT_EQ(w.ui.statusTexts.size(), 2u);
    EXPECT_EQ(w.ui.statusTexts[0].rfind("Running : ESRI GRID--> Get Contour ", 0), 0u);
    EXPECT_TRUE(test::folderNames(w.settings.slopeFolder).empty());
}

TEST(GetRasterLayersFromFolder, AFolderWithoutGridsMakesNothing) {
    Walk w;
    w.settings.gridFolder = w.dir.folder("empty");
    w.settings.slopeOutput = true;
    EXPECT_TRUE(w.run());
    EXPECT_TRUE(w.ui.events.empty());
}

// A slope failure reported on the way does not turn into a finished run.
TEST(GetRasterLayersFromFolder, ASlopeFailureLetsTheWalkGoOnButStopsTheRun) {
    Walk w;
    w.settings.slopeOutput = w.settings.contourOutput = true;
    std::filesystem::create_directories(w.settings.slopeFolder + "/east/hdr.adf");  // no GRID, and in the way
    EXPECT_FALSE(w.run());
    ASSERT_EQ(w.ui.messages.size(), 1u);
    EXPECT_EQ(w.ui.messages[0].title, "Program was interrupted");
    EXPECT_EQ(w.ui.messages[0].prompt.rfind("File Error-", 0), 0u);
    EXPECT_EQ(w.ui.statusTexts.size(), 4u);
    EXPECT_TRUE(test::exists(w.settings.contourFolder + "/east.shp"));
    EXPECT_TRUE(test::exists(w.settings.slopeFolder + "/west/hdr.adf"));
}

TEST(GetRasterLayersFromFolder, ASlopeFolderThatIsTheGridFolderIsRefused) {
    Walk w;
    w.settings.slopeOutput = true;
    w.settings.slopeFolder = w.settings.gridFolder + "/.";
    const std::string before = test::readFile(w.grid("east") + "/w001001.adf");
    EXPECT_FALSE(w.run());
    ASSERT_EQ(w.ui.messages.size(), 2u);
    EXPECT_EQ(w.ui.messages[0].prompt,
              "File Error-the slope GRID " + w.settings.slopeFolder + "/east would replace its own source GRID");
    EXPECT_EQ(test::readFile(w.grid("east") + "/w001001.adf"), before);
}

TEST(GetRasterLayersFromFolder, AContourFailurePassesOn) {
    Walk w;
    w.settings.contourOutput = true;
    w.settings.contourInterval = "0";
    EXPECT_THROW(w.run(), std::runtime_error);
    EXPECT_EQ(w.ui.statusTexts.size(), 1u);
}

}  // namespace
}  // namespace kestrune
