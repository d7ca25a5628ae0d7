#include "run/grid_folder_walk.hpp"
#include "gis/esri_grid/esri_grid_reader.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/esri_grid/grid_name.hpp"
#include "tests/test_support.hpp"

#include <gdal_priv.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>

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
    EXPECT_NEAR(test::readGrid(w.settings.slopeFolder + "/west").at(5, 10), 45, 1e-4);
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

// Hills with a NoData cell, for rasters of every kind to hold alike.
FloatRaster hills() {
    FloatRaster raster;
    raster.ncols = 40;
    raster.nrows = 30;
    raster.cellsize = 10;
    raster.xllcorner = 511000;
    raster.yllcorner = 5102000;
    for (int row = 0; row < raster.nrows; ++row)
        for (int column = 0; column < raster.ncols; ++column)
            raster.cells.push_back(row == 12 && column == 20
                                       ? kGridNoData
                                       : static_cast<float>(300 + 40 * std::sin(column / 5.0) * std::cos(row / 7.0)));
    return raster;
}

// A copy of a raster in another format, through GDAL.
void copyWithGdal(const std::string& from, const std::string& to, const char* driver,
                  std::vector<const char*> options = {}) {
    options.push_back(nullptr);
    GDALAllRegister();
    std::unique_ptr<GDALDataset> source(GDALDataset::Open(from.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
    ASSERT_TRUE(source);
    GDALDriver* format = GetGDALDriverManager()->GetDriverByName(driver);
    std::unique_ptr<GDALDataset> copy(
        format->CreateCopy(to.c_str(), source.get(), FALSE, const_cast<char**>(options.data()), nullptr, nullptr));
    ASSERT_TRUE(copy) << driver;
}

// The same data as a GRID, a GeoTIFF (with its world file), an ERDAS
// IMAGINE file and an ESRI ASCII raster (with its .prj): four datasets, four
// equal slope GRIDs and four equal shapefiles; the world file, the .prj and
// a text file are no datasets.
TEST(GetRasterLayersFromFolder, EveryRasterDatasetOfTheFolderIsVisited) {
    test::StepRun w;
    w.settings.slopeOutput = w.settings.contourOutput = true;
    w.settings.contourInterval = "10";
    const std::string prj = test::readFile(std::string(KESTRUNE_SAMPLES_DIR) + "/xyz/dem_west.prj");
    writeEsriGrid(w.settings.gridFolder, "a", hills(), prj);
    copyWithGdal(w.grid("a"), w.grid("b.tif"), "GTiff", {"TFW=YES"});
    copyWithGdal(w.grid("a"), w.grid("c.img"), "HFA");
    copyWithGdal(w.grid("a"), w.grid("d.asc"), "AAIGrid", {"FORCE_CELLSIZE=YES", "SIGNIFICANT_DIGITS=9"});
    test::writeFile(w.grid("notes.txt"), "not a raster");
    ASSERT_TRUE(test::exists(w.grid("b.tfw")));
    ASSERT_TRUE(test::exists(w.grid("d.prj")));

    EXPECT_TRUE(w.run(GetRasterLayersFromFolder)) << (w.ui.messages.empty() ? "" : w.ui.messages[0].prompt);
    std::vector<std::string> statuses;
    for (const char* name : {"a", "b.tif", "c.img", "d.asc"})
        for (const char* product : {"Slope ", "Contour "})
            statuses.push_back(std::string("Running : ESRI GRID--> Get ") + product + w.grid(name));
    EXPECT_EQ(w.ui.statusTexts, statuses);
    EXPECT_EQ(test::folderNames(w.settings.slopeFolder), (std::vector<std::string>{"a", "b", "c", "d", "info"}));
    const test::GdalRaster slope = test::readWithGdal(w.slope("a"));
    for (const char* name : {"b", "c", "d"}) {
        SCOPED_TRACE(name);
        const test::GdalRaster other = test::readWithGdal(w.slope(name));
        EXPECT_EQ(other.values, slope.values);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(other.geoTransform[i], slope.geoTransform[i]);
        EXPECT_EQ(test::utmZone(other.projectionWkt), 33);
        for (const char* extension : {".shp", ".shx", ".dbf"})
            EXPECT_EQ(test::readFile(w.contour(std::string(name) + extension)),
                      test::readFile(w.contour(std::string("a") + extension)))
                << extension;
        EXPECT_TRUE(test::exists(w.contour(std::string(name) + ".prj")));
    }
}

// Outputs are named after the dataset's base name: a second dataset of that
// name would replace the first one's, and is refused; a name that is no
// GRID name gets contours, but no slope GRID.
TEST(GetRasterLayersFromFolder, BaseNamesThatCannotNameAnOutputAreRefused) {
    test::StepRun w;
    w.settings.slopeOutput = w.settings.contourOutput = true;
    w.settings.contourInterval = "10";
    writeEsriGrid(w.settings.gridFolder, "dem", hills(), "");
    copyWithGdal(w.grid("dem"), w.grid("bad-name.tif"), "GTiff");
    copyWithGdal(w.grid("dem"), w.grid("dem.tif"), "GTiff");
    EXPECT_THROW(w.run(GetRasterLayersFromFolder), std::runtime_error);  // the clash of dem.tif's contours
    ASSERT_EQ(w.ui.messages.size(), 2u);
    EXPECT_EQ(w.ui.messages[0].prompt,
              "File Error-the slope GRID of " + w.grid("bad-name.tif") + ": " + gridNameProblem("bad-name"));
    EXPECT_EQ(w.ui.messages[1].prompt,
              "File Error-" + w.grid("dem.tif") + ": its outputs, named dem, are already made from " + w.grid("dem"));
    EXPECT_TRUE(test::exists(w.contour("bad-name.shp")));
    EXPECT_EQ(test::folderNames(w.settings.slopeFolder), (std::vector<std::string>{"dem", "info"}));
    EXPECT_EQ(test::readWithGdal(w.slope("dem")).values.size(), 40u * 30);
}

// Each item's progress reaches the status line while it works: never going
// back, and 1 when it is done.
TEST(GetRasterLayersFromFolder, ProgressOfEachGridRisesToTheEnd) {
    test::StepRun c;
    writeEsriGrid(c.settings.gridFolder, "rough", test::roughSurface(700, 600), "");
    writeEsriGrid(c.settings.gridFolder, "small", ramp(1), "");
    c.settings.slopeOutput = c.settings.contourOutput = true;
    c.settings.contourInterval = "1";
    EXPECT_TRUE(c.run(GetRasterLayersFromFolder));
    std::map<std::string, std::vector<double>> byStatus;
    for (const auto& [status, fraction] : c.ui.progress) byStatus[status].push_back(fraction);
    ASSERT_EQ(byStatus.size(), 4u);  // a slope and contours of each GRID
    for (const auto& [status, fractions] : byStatus) {
        SCOPED_TRACE(status);
        EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
        EXPECT_EQ(fractions.back(), 1.0);
        EXPECT_GE(fractions.front(), 0.0);
    }
}

}  // namespace
}  // namespace kestrune
