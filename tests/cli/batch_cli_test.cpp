// Runs the real kestrune-batch binary on temporary folders.
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "tests/cli/batch_run.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace kestrune {
namespace {

TEST(KestruneBatch, GridsAFolderWithGoodAndBadFiles) {
    test::TempDir dir;
    std::string xyz = dir.folder("xyz"), ascii = dir.folder("ascii"), grid = dir.folder("grid");
    std::filesystem::copy(std::string(KESTRUNE_SAMPLES_DIR) + "/xyz/dem_west.xyz", xyz + "/dem_west.xyz");
    test::writeFile(xyz + "/bad.xyz", "1;2;3\r\n");
    test::writeFile(xyz + "/small.xyz", "0 0 1.5\r\n2 0 2.5\r\n");
    test::BatchResult result =
        test::runBatch({"--input", "xyz", "--xyz-folder", xyz, "--ascii-folder", ascii, "--grid-folder", grid}, dir);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.errorOutput,
              "Running : XYZ-->ASCII( 1/ 3)   bad.xyz\n"
              "Please Check xyz file: " +
                  xyz +
                  "/bad.xyz does not fit the format you setting!\n"
                  "Running : XYZ-->ASCII( 2/ 3)   dem_west.xyz\n"
                  "Running : XYZ-->ASCII( 3/ 3)   small.xyz\n"
                  "Program is Stopped: There are some errors happened during processing\n");
    EXPECT_EQ(result.summary.rfind("kestrune-batch: 2 done, 1 failed, 0 not begun in ", 0), 0u) << result.summary;
    test::GdalRaster west = test::readWithGdal(ascii + "/dem_west.asc");
    EXPECT_EQ(west.width, 160);
    EXPECT_EQ(west.height, 180);
    EXPECT_DOUBLE_EQ(west.geoTransform[0], 511995);
    EXPECT_DOUBLE_EQ(west.geoTransform[3], 5102000 + 179 * 10 + 5);
    EXPECT_EQ(test::readFile(ascii + "/small.asc"),
              "ncols         2\r\nnrows         1\r\nxllcorner     -1\r\nyllcorner     -1\r\ncellsize      2\r\n"
              "NODATA_value  -9999\r\n1.5 2.5\r\n");
}

TEST(KestruneBatch, TurnsXyzFilesIntoGridsAndReplacesThemOnARerun) {
    test::TempDir dir;
    std::string ascii = dir.folder("ascii"), grid = dir.folder("grid");
    const std::vector<std::string> arguments = {
        "--input",        "xyz", "--xyz-folder",  std::string(KESTRUNE_SAMPLES_DIR) + "/xyz",
        "--ascii-folder", ascii, "--grid-folder", grid};
    for (int run = 0; run < 2; ++run) {
        test::BatchResult result = test::runBatch(arguments, dir);
        EXPECT_EQ(result.exitStatus, 0) << result.errorOutput;
        EXPECT_NE(result.errorOutput.find("Running : ASCII-->ESRI GRID ( 3/ 3)   dem_west.asc\n"), std::string::npos);
    }
    EXPECT_EQ(test::folderNames(grid), (std::vector<std::string>{"dem_east", "dem_north", "dem_west", "info"}));
    EXPECT_EQ(test::readFile(grid + "/info/arc.dir").size(), 6u * 380);
    // The GRID holds the .asc's cells as 32-bit floats, with its projection.
    test::GdalRaster asc = test::readWithGdal(ascii + "/dem_west.asc");
    test::GdalRaster aig = test::readWithGdal(grid + "/dem_west");
    ASSERT_EQ(aig.values.size(), asc.values.size());
    for (int i = 0; i < 6; ++i) EXPECT_EQ(aig.geoTransform[i], asc.geoTransform[i]);
    for (std::size_t i = 0; i < asc.values.size(); ++i)
        ASSERT_EQ(aig.values[i], static_cast<float>(asc.values[i])) << i;
    EXPECT_EQ(test::utmZone(aig.projectionWkt), 33);
}

TEST(KestruneBatch, AsciiInputStopsAtTheFirstBadRaster) {
    test::TempDir dir;
    std::string ascii = dir.folder("ascii"), grid = dir.folder("grid");
    test::writeFile(ascii + "/a.asc", "ncols 1\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n5\n");
    test::writeFile(ascii + "/b.asc", "ncols 1\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n");
    test::writeFile(ascii + "/c.asc", "ncols 1\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n5\n");
    test::BatchResult result =
        test::runBatch({"--input", "ascii", "--ascii-folder", ascii, "--grid-folder", grid}, dir);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.errorOutput,
              "Running : ASCII-->ESRI GRID ( 1/ 3)   a.asc\n"
              "Running : ASCII-->ESRI GRID ( 2/ 3)   b.asc\n"
              "Program was interrupted: " +
                  ascii + "/b.asc Error-" + ascii +
                  "/b.asc: too few values: 0 of 1 (ncols x nrows)\n"
                  "Program is Stopped: There are some errors happened during processing\n");
    EXPECT_EQ(test::folderNames(grid), (std::vector<std::string>{"a", "info"}));
}

TEST(KestruneBatch, RunsTheWholePipelineToSlopesAndContours) {
    test::TempDir dir;
    std::string ascii = dir.folder("ascii"), grid = dir.folder("grid"), slope = dir.folder("slope"),
                contour = dir.folder("contour");
    const std::vector<std::string> arguments = {"--input",
                                                "xyz",
                                                "--xyz-folder",
                                                std::string(KESTRUNE_SAMPLES_DIR) + "/xyz",
                                                "--ascii-folder",
                                                ascii,
                                                "--grid-folder",
                                                grid,
                                                "--slope-folder",
                                                slope,
                                                "--contour-folder",
                                                contour,
                                                "--contour-interval",
                                                "10"};
    for (int run = 0; run < 2; ++run) {  // the second run replaces every output
        test::BatchResult result = test::runBatch(arguments, dir);
        EXPECT_EQ(result.exitStatus, 0) << result.errorOutput;
        EXPECT_NE(result.errorOutput.find("Running : ESRI GRID--> Get Slope " + grid +
                                          "/dem_east\n"
                                          "Running : ESRI GRID--> Get Contour " +
                                          grid + "/dem_east\n"),
                  std::string::npos)
            << result.errorOutput;
    }
    EXPECT_EQ(test::folderNames(slope), (std::vector<std::string>{"dem_east", "dem_north", "dem_west", "info"}));
    EXPECT_EQ(
        test::folderNames(contour),
        (std::vector<std::string>{"dem_east.dbf", "dem_east.shp", "dem_east.shx", "dem_north.dbf", "dem_north.shp",
                                  "dem_north.shx", "dem_west.dbf", "dem_west.prj", "dem_west.shp", "dem_west.shx"}));
    test::GdalRaster west = test::readWithGdal(slope + "/dem_west");
    EXPECT_EQ(west.width, 160);
    EXPECT_EQ(test::utmZone(west.projectionWkt), 33);
}

// Settings that validation refuses run nothing and end as wrong options do;
// the message names the folder.
TEST(KestruneBatch, AValidationFailureShowsTwoMessages) {
    test::TempDir dir;
    test::BatchResult result = test::runBatch({"--grid-folder", dir.file("missing")}, dir);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(result.errorOutput, "Please Re-Select Folder: The folder of Grid does not exist. (\"" +
                                      dir.file("missing") +
                                      "\")\n"
                                      "Program is Stopped: There are some errors happened during processing\n");
    EXPECT_EQ(result.summary, "");
}

TEST(KestruneBatch, NothingToDoFinishes) {
    test::TempDir dir;
    test::BatchResult result = test::runBatch({"--grid-folder", dir.folder("grid")}, dir);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.errorOutput, "Program is Finished: All files in the folders were finished\n");
    EXPECT_EQ(result.summary.rfind("kestrune-batch: 0 done, 0 failed, 0 not begun in ", 0), 0u) << result.summary;
}

// A rough surface: many lines, many of them cut into
// pieces by the bands, whatever their size.
TEST(KestruneBatch, ContoursAreTheSameWhateverTheNumberOfThreads) {
    test::TempDir dir;
    const std::string grid = dir.folder("grid");
    writeEsriGrid(grid, "rough", test::roughSurface(310, 270), "");
    std::vector<std::string> outputs;
    for (int threads : {1, 2, 5}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        const std::string contours = dir.folder("contours" + std::to_string(threads));
        test::BatchResult result =
            test::runBatch({"--grid-folder", grid, "--contour-folder", contours, "--contour-interval", "2"}, dir,
                           "KESTRUNE_NUM_THREADS=" + std::to_string(threads));
        ASSERT_EQ(result.exitStatus, 0) << result.errorOutput;
        std::string files;
        for (const char* extension : {".shp", ".shx", ".dbf"}) files += test::readFile(contours + "/rough" + extension);
        outputs.push_back(files);
    }
    EXPECT_GT(outputs[0].size(), 1000000u);
    EXPECT_EQ(outputs[1], outputs[0]);
    EXPECT_EQ(outputs[2], outputs[0]);
}

// GDAL is a module loaded when a run first needs it: our own GRIDs never
// do, a raster of another kind does, and without the module that raster's
// failure says what is missing.
TEST(KestruneBatch, LoadsGdalOnlyForRastersOfOtherKinds) {
    test::TempDir dir;
    const std::string grid = dir.folder("grid"), contours = dir.folder("contours");
    writeEsriGrid(grid, "rough", test::roughSurface(310, 270), "");
    const std::string noModule = "KESTRUNE_GDAL_MODULE=" + dir.file("missing.so");
    const std::vector<std::string> arguments = {"--grid-folder",      grid, "--contour-folder", contours,
                                                "--contour-interval", "20"};
    test::BatchResult ours = test::runBatch(arguments, dir, noModule);
    EXPECT_EQ(ours.exitStatus, 0) << ours.errorOutput;
    EXPECT_TRUE(test::exists(contours + "/rough.shp"));

    test::writeFile(grid + "/other.asc", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n3 4\n");
    test::BatchResult other = test::runBatch(arguments, dir, noModule);
    EXPECT_EQ(other.exitStatus, 1);
    EXPECT_NE(other.errorOutput.find("cannot tell whether " + grid +
                                     "/other.asc is a raster: cannot load GDAL: "
                                     "no libkestrune_gdal.so (looked for " +
                                     dir.file("missing.so") + ")"),
              std::string::npos)
        << other.errorOutput;
    test::BatchResult withModule = test::runBatch(arguments, dir);
    EXPECT_EQ(withModule.exitStatus, 0) << withModule.errorOutput;
    EXPECT_TRUE(test::exists(contours + "/other.shp"));
}

TEST(KestruneBatch, UsageErrorsRunNothing) {
    test::TempDir dir;
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{}, {"--bogus"}, {"--grid-folder"}, {"--input", "tif"}}) {
        SCOPED_TRACE(arguments.empty() ? "no arguments" : arguments[0]);
        test::BatchResult result = test::runBatch(arguments, dir);
        EXPECT_EQ(result.exitStatus, 2);
        EXPECT_EQ(result.errorOutput.find("Program is"), std::string::npos);
        EXPECT_NE(result.errorOutput.find("Usage: kestrune-batch "), std::string::npos) << result.errorOutput;
    }
}

TEST(KestruneBatch, HelpAndVersionRunNothing) {
    test::TempDir dir;
    test::BatchResult help = test::runBatch({"--help"}, dir);
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.output.rfind("Usage: kestrune-batch [options]\n", 0), 0u);
    test::BatchResult version = test::runBatch({"--version"}, dir);
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.output, "kestrune-batch " KESTRUNE_VERSION "\n");
    EXPECT_EQ(test::folderNames(dir.path().string()), std::vector<std::string>{});
}

}  // namespace
}  // namespace kestrune
