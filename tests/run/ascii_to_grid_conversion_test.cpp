#include "run/ascii_to_grid_conversion.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

const char* const kRaster =
    "ncols 3\r\nnrows 2\r\nxllcorner 10\r\nyllcorner 20\r\ncellsize 5\r\nNODATA_value -9999\r\n1 2 3\r\n4 -9999 6\r\n";

struct Conversion : test::StepRun {
    Conversion() : StepRun(InputKind::AsciiRasterFiles) {}
    bool run() { return StepRun::run(ASCII2GRID); }
};

TEST(ASCII2GRID, ConvertsEveryRasterAndCarriesItsProjection) {
    Conversion c;
    test::writeFile(c.ascii("north.asc"), kRaster);
    test::writeFile(c.ascii("South.asc"), kRaster);
    const std::string wkt = test::readFile(std::string(KESTRUNE_SAMPLES_DIR) + "/xyz/dem_west.prj");
    test::writeFile(c.ascii("north.prj"), wkt);
    test::writeFile(c.ascii("north.asc.aux.xml"), "<PAMDataset/>");
    EXPECT_TRUE(c.run());
    EXPECT_TRUE(c.ui.messages.empty());
    EXPECT_EQ(c.ui.statusTexts, (std::vector<std::string>{"Running : ASCII-->ESRI GRID ( 1/ 2)   South.asc",
                                                          "Running : ASCII-->ESRI GRID ( 2/ 2)   north.asc"}));
    EXPECT_EQ(test::folderNames(c.settings.gridFolder), (std::vector<std::string>{"info", "north", "south"}));
    test::GdalRaster north = test::readWithGdal(c.grid("north"));
    EXPECT_EQ(north.values[0], 1);
    EXPECT_EQ(north.values[4], north.noData);
    EXPECT_EQ(north.geoTransform[3], 30);
    EXPECT_EQ(test::utmZone(north.projectionWkt), 33);
    EXPECT_TRUE(test::readWithGdal(c.grid("south")).projectionWkt.empty());
}

// A .prj as gdalsrsinfo -o wkt_esri writes it (a blank line first), with a
// byte order mark: read for what it holds, kept in the keyword form. One that
// holds no coordinate system fails its raster, naming the .prj.
TEST(ASCII2GRID, AProjectionIsReadWhateverSurroundsItAndAnUnreadableOneFails) {
    Conversion c;
    const std::string wkt = test::readFile(std::string(KESTRUNE_SAMPLES_DIR) + "/xyz/dem_west.prj");
    test::writeFile(c.ascii("padded.asc"), kRaster);
    test::writeFile(c.ascii("padded.prj"), "\xEF\xBB\xBF\n  " + wkt + "\r\n\n");
    EXPECT_TRUE(c.run()) << (c.ui.messages.empty() ? "" : c.ui.messages[0].prompt);
    EXPECT_EQ(test::readFile(c.grid("padded/prj.adf")).rfind("Projection    UTM\r\n", 0), 0u);
    EXPECT_EQ(test::utmZone(test::readWithGdal(c.grid("padded")).projectionWkt), 33);

    test::writeFile(c.ascii("broken.asc"), kRaster);
    test::writeFile(c.ascii("broken.prj"), "\nnot a coordinate system\n");
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].prompt, c.ascii("broken.asc") + " Error-the projection file " + c.ascii("broken.prj") +
                                           " holds no coordinate system GDAL can read");
    EXPECT_FALSE(test::exists(c.grid("broken")));
}

TEST(ASCII2GRID, AReRunReplacesTheGrids) {
    Conversion c;
    test::writeFile(c.ascii("dem.asc"), kRaster);
    EXPECT_TRUE(c.run());
    std::string changed = kRaster;
    changed.replace(changed.find("1 2 3"), 5, "7 8 9");
    test::writeFile(c.ascii("dem.asc"), changed);
    EXPECT_TRUE(c.run());
    EXPECT_EQ(test::readWithGdal(c.grid("dem")).values[0], 7);
    EXPECT_EQ(test::readFile(c.grid("info/arc.dir")).size(), 2u * 380);
}

TEST(ASCII2GRID, ARefusedImportStopsTheConversion) {
    Conversion c;
    test::writeFile(c.ascii("a.asc"), kRaster);
    test::writeFile(c.ascii("b.asc"), "this is no raster\r\n");
    test::writeFile(c.ascii("c.asc"), kRaster);
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].prompt,
              c.ascii("b.asc") + " Error-" + c.ascii("b.asc") + ": line 1: unknown header key \"this\"");
    EXPECT_EQ(c.ui.messages[0].title, "Program was interrupted");
    EXPECT_EQ(c.ui.statusTexts.back(), "");
    EXPECT_EQ(test::folderNames(c.settings.gridFolder), (std::vector<std::string>{"a", "info"}));
}

TEST(ASCII2GRID, NamesThatBreakTheGridRulesAreRefused) {
    Conversion c;
    test::writeFile(c.ascii("1st_tile.asc"), kRaster);
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].prompt,
              c.ascii("1st_tile.asc") + " Error-the GRID name \"1st_tile\" does not begin with a letter");
}

TEST(ASCII2GRID, TwoFilesForOneGridReportTheLater) {
    Conversion c;
    test::writeFile(c.ascii("a.asc"), kRaster);
    test::writeFile(c.ascii("a.txt"), kRaster);
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].prompt, c.ascii("a.txt") + " Error-the GRID a is already made from a.asc in this run");
    EXPECT_TRUE(test::exists(c.grid("a/hdr.adf")));
}

TEST(ASCII2GRID, AnUnreadableEarlierGridStopsTheConversion) {
    Conversion c;
    test::writeFile(c.ascii("dem.asc"), kRaster);
    std::filesystem::create_directories(c.grid("dem"));
    test::writeFile(c.grid("dem/hdr.adf"), "broken");
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].prompt.rfind(c.ascii("dem.asc") + " Error-cannot open the GRID ", 0), 0u);
    EXPECT_EQ(test::readFile(c.grid("dem/hdr.adf")), "broken");
}

TEST(ASCII2GRID, AnEmptyFolderChangesNothing) {
    Conversion c;
    EXPECT_TRUE(c.run());
    EXPECT_TRUE(c.ui.events.empty());
}

TEST(ASCII2GRID, AMissingGridFolderIsReportedWithoutAPath) {
    Conversion c;
    c.settings.gridFolder = c.dir.file("gone");
    EXPECT_FALSE(c.run());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].prompt,
              " Error-cannot open " + c.settings.gridFolder + " as a raster workspace: no such folder");
}

}  // namespace
}  // namespace kestrune
