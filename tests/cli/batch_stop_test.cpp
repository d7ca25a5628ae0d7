// kestrune-batch stopped by a signal in the middle of a run.
#include "tests/cli/batch_run.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace kestrune {
namespace {

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
    for (int attempt = 0; attempt < 2000; ++attempt) {
        if (test::readFile(path).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

TEST(KestruneBatch, ASignalStopsTheRunAfterTheFilesBeingWorkedOn) {
    test::TempDir dir;
    const std::string xyz = dir.folder("xyz");
    for (int i = 0; i < kFiles; ++i) test::writeFile(xyz + "/" + tileName(i) + ".xyz", xyzTile(i));
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        const std::string ascii = dir.folder("ascii" + std::to_string(signal));
        const std::string grid = dir.folder("grid" + std::to_string(signal));
        const std::string errors = dir.file("stderr.txt");
        test::writeFile(errors, "");  // there before the child opens it
        const pid_t batch = test::startBatch(
            {"--input", "xyz", "--xyz-folder", xyz, "--ascii-folder", ascii, "--grid-folder", grid, "--threads", "1"},
            errors);
        ASSERT_TRUE(waitForText(errors, "Running : XYZ-->ASCII( 2/"));
        kill(batch, signal);
        int status = 0;
        ASSERT_EQ(waitpid(batch, &status, 0), batch);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);

        const std::string output = test::readFile(errors);
        EXPECT_NE(output.find("kestrune-batch: stopping after the files being worked on"), std::string::npos);
        const std::string closing = "Program is Stopped: There are some errors happened during processing\n";
        ASSERT_GE(output.size(), closing.size());
        EXPECT_EQ(output.substr(output.size() - closing.size()), closing);
        // The files it finished are complete; no later one was begun in
        // the open, and the GRID step never ran.
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

}  // namespace
}  // namespace kestrune
