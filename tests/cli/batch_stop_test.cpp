// kestrune-batch stopped by a signal in the middle of a run.
#include "tests/cli/batch_run.hpp"
#include "tests/test_support.hpp"

#include "gis/esri_grid/esri_grid_writer.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace kestrune {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFiles = 60;

std::string tileName(int i) { return "tile" + std::to_string(100 + i); }

// A square of points, each file of its own height.
std::string xyzTile(int i) {
    std::string text;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 150; ++x)
            text += std::to_string(5000 + x) + " " + std::to_string(8000 + y) + " " + std::to_string(i) + "\n";
    return text;
}

bool waitForText(const std::string& path, const std::string& text) {
    for (int attempt = 0; attempt < 4000; ++attempt) {
        if (test::readFile(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Names in a folder that begin with a dot: what a run left half-made.
std::vector<std::string> hiddenNames(const std::string& folder) {
    std::vector<std::string> hidden;
    for (const std::string& name : test::folderNames(folder))
        if (name.front() == '.') hidden.push_back(name);
    return hidden;
}

// The closing lines: the stopped run's message, then the summary.
void expectStoppedEnding(const std::string& output) {
    const std::string closing = "Program is Stopped: There are some errors happened during processing\n";
    const auto at = output.rfind(closing);
    ASSERT_NE(at, std::string::npos) << output;
    EXPECT_EQ(output.substr(at + closing.size()).rfind("kestrune-batch: ", 0), 0u) << output;
    EXPECT_NE(output.find("kestrune-batch: stopping (send the signal again to stop at once)"), std::string::npos);
}

TEST(KestruneBatch, ASignalStopsTheRunAndKeepsTheFilesFinished) {
    test::TempDir dir;
    const std::string xyz = dir.folder("xyz");
    for (int i = 0; i < kFiles; ++i) test::writeFile(xyz + "/" + tileName(i) + ".xyz", xyzTile(i));
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const std::string ascii = dir.folder("ascii" + std::to_string(signal));
        const std::string grid = dir.folder("grid" + std::to_string(signal));
        const std::string errors = dir.file("stderr.txt");
        test::writeFile(errors, "");  // there before the child opens it
        const pid_t batch = test::startBatch(
            {"--input", "xyz", "--xyz-folder", xyz, "--ascii-folder", ascii, "--grid-folder", grid, "--threads", "1"},
            errors);
        ASSERT_TRUE(waitForText(errors, "Running : XYZ-->ASCII( 3/"));
        kill(batch, signal);
        int status = 0;
        ASSERT_EQ(waitpid(batch, &status, 0), batch);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        expectStoppedEnding(test::readFile(errors));
        // The files it finished are complete, in order; the one at work
        // when the signal came is not there, no later one was begun, and
        // the GRID step never ran.
        const std::vector<std::string> made = test::folderNames(ascii);
        EXPECT_GE(made.size(), 2u);
        EXPECT_LT(made.size(), static_cast<std::size_t>(kFiles));
        for (std::size_t i = 0; i < made.size(); ++i) {
            ASSERT_EQ(made[i], tileName(static_cast<int>(i)) + ".asc");
            test::GdalRaster raster = test::readWithGdal(ascii + "/" + made[i]);
            EXPECT_EQ(raster.values.size(), 150u * 150);
            EXPECT_EQ(raster.values.back(), static_cast<double>(i));
        }
        EXPECT_TRUE(test::folderNames(grid).empty());
    }
}

// A stop in the middle of a long file ends it within a second: the
// shapefile it was replacing stays as it was, to the byte.
TEST(KestruneBatch, AStopEndsALongContourRunWithinASecond) {
    test::TempDir dir;
    const std::string grid = dir.folder("grid"), contours = dir.folder("contours");
    writeEsriGrid(grid, "dem", test::roughSurface(1500, 1500), "");
    ASSERT_EQ(test::runBatch({"--grid-folder", grid, "--contour-folder", contours, "--contour-interval", "50"}, dir)
                  .exitStatus,
              0);
    const std::string earlier = test::readFile(contours + "/dem.shp");
    const std::string errors = dir.file("stderr.txt");
    test::writeFile(errors, "");
    const pid_t batch = test::startBatch(
        {"--grid-folder", grid, "--contour-folder", contours, "--contour-interval", "0.5", "--progress"}, errors);
    ASSERT_TRUE(waitForText(errors, "Running : ESRI GRID--> Get Contour "));
    ASSERT_TRUE(waitForText(errors, "...10"));  // well into the file's work
    const auto stop = Clock::now();
    kill(batch, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(batch, &status, 0), batch);
    const double seconds = std::chrono::duration<double>(Clock::now() - stop).count();
    EXPECT_LT(seconds, KESTRUNE_SANITIZED ? 3.0 : 1.0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string output = test::readFile(errors);
    EXPECT_EQ(output.find("100 - done."), std::string::npos) << output;
    expectStoppedEnding(output);
    EXPECT_EQ(test::readFile(contours + "/dem.shp"), earlier);
    EXPECT_EQ(test::folderNames(contours), (std::vector<std::string>{"dem.dbf", "dem.shp", "dem.shx"}));
    EXPECT_TRUE(hiddenNames(grid).empty());
}

// A reader of standard error that goes away stops the run, which says so in
// its exit status instead of dying of SIGPIPE, and leaves nothing half-made.
TEST(KestruneBatch, AStandardErrorThatGoesAwayStopsTheRun) {
    test::TempDir dir;
    const std::string xyz = dir.folder("xyz"), ascii = dir.folder("ascii"), grid = dir.folder("grid");
    for (int i = 0; i < 20; ++i) test::writeFile(xyz + "/" + tileName(i) + ".xyz", xyzTile(i));
    std::string command = KESTRUNE_BATCH_BINARY;
    for (const std::string& argument : std::vector<std::string>{"--input", "xyz", "--xyz-folder", xyz, "--ascii-folder",
                                                                ascii, "--grid-folder", grid, "--threads", "1"})
        command += " " + test::shellQuoted(argument);
    const std::string status = dir.file("status");
    const std::string shell =
        "bash -c " + test::shellQuoted(command + " 2>&1 | head -c 1 > /dev/null; echo ${PIPESTATUS[0]} > " +
                                       test::shellQuoted(status));
    ASSERT_EQ(std::system(shell.c_str()), 0);
    EXPECT_EQ(test::readFile(status), "1\n");  // not 141, a death by SIGPIPE
    EXPECT_LT(test::folderNames(ascii).size(), 20u);
    EXPECT_TRUE(hiddenNames(ascii).empty());
}

}  // namespace
}  // namespace kestrune
