// Nothing the user had is lost, whatever fails: the real kestrune-batch on
// truncated inputs, a full disk, and runs killed midway.
#include "common/temporary_name.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "tests/cli/batch_run.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// An .asc of n x n cells whose values start at `base`.
std::string asciiRaster(int n, double base) {
    std::string text = "ncols " + std::to_string(n) + "\nnrows " + std::to_string(n) +
                       "\nxllcorner 500000\nyllcorner 5100000\ncellsize 10\nNODATA_value -9999\n";
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c) text += std::to_string(base + r * 0.75 + c * 0.5 + (r * c % 7)) + " ";
        text += "\n";
    }
    return text;
}

// The hidden names (temporary or moved aside) left in a folder.
std::vector<std::string> hiddenNames(const std::string& folder) {
    std::vector<std::string> hidden;
    for (const auto& name : test::folderNames(folder))
        if (name.front() == '.') hidden.push_back(name);
    return hidden;
}

struct Folders {
    test::TempDir dir;
    std::string ascii = dir.folder("ascii"), grid = dir.folder("grid"), slope = dir.folder("slope"),
                contour = dir.folder("contour");
    test::BatchResult run(const std::string& shellPrefix = "") {
        return test::runBatch({"--input", "ascii", "--ascii-folder", ascii, "--grid-folder", grid, "--slope-folder",
                               slope, "--contour-folder", contour, "--contour-interval", "20"},
                              dir, shellPrefix);
    }
    // Every output file's bytes, by path.
    // Every output file's bytes; in arc.dir without the time and process
    // that wrote each entry, which a rerun renews.
    std::map<std::string, std::string> outputs() const {
        std::map<std::string, std::string> files;
        for (const auto& folder : {grid, slope, contour})
            for (const auto& entry : fs::recursive_directory_iterator(folder)) {
                if (!entry.is_regular_file() || test::isRunBookkeeping(entry.path().filename().string())) continue;
                std::string bytes = test::readFile(entry.path().string());
                if (entry.path().filename() == "arc.dir")
                    for (std::size_t at = 0; at + 380 <= bytes.size(); at += 380) bytes.replace(at + 328, 20, 20, '*');
                files[entry.path().string()] = bytes;
            }
        return files;
    }
};

TEST(NothingLost, ATruncatedInputKeepsTheEarlierOutputs) {
    Folders f;
    test::writeFile(f.ascii + "/dem.asc", asciiRaster(60, 100));
    ASSERT_EQ(f.run().exitStatus, 0);
    const auto earlier = f.outputs();
    std::string truncated = asciiRaster(60, 200);
    truncated.resize(truncated.size() - 500);
    test::writeFile(f.ascii + "/dem.asc", truncated);
    const test::BatchResult result = f.run();
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.errorOutput.find(f.ascii + "/dem.asc Error-" + f.ascii + "/dem.asc: too few values"),
              std::string::npos)
        << result.errorOutput;
    EXPECT_EQ(f.outputs(), earlier);
    EXPECT_EQ(test::readWithGdal(f.grid + "/dem").width, 60);
}

// A file-size limit makes every output fail as a full disk would: each
// failure names its target, never a hidden name, and every earlier output
// stays as it was.
TEST(NothingLost, AFullDiskKeepsTheEarlierOutputs) {
    Folders f;
    test::writeFile(f.ascii + "/dem.asc", asciiRaster(300, 100));
    ASSERT_EQ(f.run().exitStatus, 0);
    const auto earlier = f.outputs();
    test::writeFile(f.ascii + "/dem.asc", asciiRaster(300, 150));
    const test::BatchResult result = f.run("ulimit -f 200;");  // 100 kB a file (blocks of 512 bytes)
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.errorOutput.find("File too large"), std::string::npos) << result.errorOutput;
    EXPECT_EQ(result.errorOutput.find(".kestrune~"), std::string::npos) << result.errorOutput;
    EXPECT_EQ(f.outputs(), earlier);
    for (const auto& folder : {f.grid, f.grid + "/info", f.slope, f.contour})
        EXPECT_EQ(hiddenNames(folder), std::vector<std::string>{}) << folder;
}

// The states a run killed midway leaves, made by hand: the next run puts
// back what was moved aside, clears the rest, and leaves alone the names of
// runs that still live.
TEST(NothingLost, TheNextRunMendsWhatAKilledRunLeft) {
    Folders f;
    test::writeFile(f.ascii + "/dem.asc", asciiRaster(40, 100));
    ASSERT_EQ(f.run().exitStatus, 0);
    const auto earlier = f.outputs();
    const long dead = test::endedProcess(), alive = getpid();
    // Killed between moving the earlier GRID aside and putting the new one in.
    fs::rename(f.grid + "/dem", f.grid + "/" + test::hiddenName("dem", dead, 0, ".old"));
    fs::create_directory(f.grid + "/" + test::hiddenName("dem", dead, 1));  // the new one, unfinished
    test::writeFile(f.grid + "/info/" + test::hiddenName("arc0000.nit", dead, 2), "half a table");
    // Killed halfway through putting a new shapefile in.
    for (const char* extension : {".shp", ".shx", ".dbf"})
        fs::rename(f.contour + "/dem" + extension,
                   f.contour + "/" + test::hiddenName("dem", dead, 3, std::string(".old") + extension));
    test::writeFile(f.contour + "/dem.shp", "the new one, alone");
    // Names of a run that lives, and of another machine.
    const std::string living = test::hiddenName("dem.asc", alive, 4), foreign = ".dem.asc.kestrune~elsewhere~1~5";
    test::writeFile(f.slope + "/" + living, "in the making");
    test::writeFile(f.slope + "/" + foreign, "not ours");

    // A run that only walks the GRIDs finds them as they were.
    const test::BatchResult result = test::runBatch(
        {"--grid-folder", f.grid, "--slope-folder", f.slope, "--contour-folder", f.contour, "--contour-interval", "20"},
        f.dir);
    EXPECT_EQ(result.exitStatus, 0) << result.errorOutput;
    EXPECT_EQ(hiddenNames(f.grid), std::vector<std::string>{});
    EXPECT_EQ(hiddenNames(f.grid + "/info"), std::vector<std::string>{});
    EXPECT_EQ(hiddenNames(f.contour), std::vector<std::string>{});
    EXPECT_EQ(hiddenNames(f.slope), (std::vector<std::string>{foreign, living}));
    fs::remove(f.slope + "/" + living);
    fs::remove(f.slope + "/" + foreign);
    EXPECT_EQ(f.outputs(), earlier);
}

// Runs killed at any moment: each leaves the earlier GRID or the new one,
// whole, and the next run leaves no hidden name behind.
TEST(NothingLost, ARunKilledAtAnyMomentLeavesOneWholeVersion) {
    Folders f;
    const int n = 700;
    test::writeFile(f.ascii + "/dem.asc", asciiRaster(n, 100));
    ASSERT_EQ(f.run().exitStatus, 0);
    const std::string first = test::readFile(f.grid + "/dem/w001001.adf");
    test::writeFile(f.ascii + "/dem.asc", asciiRaster(n, 300));
    std::string second;
    for (int delayMs : {5, 40, 90, 150, 220, 300}) {
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        const pid_t child = fork();
        if (child == 0) {
            execl(KESTRUNE_BATCH_BINARY, KESTRUNE_BATCH_BINARY, "--input", "ascii", "--ascii-folder", f.ascii.c_str(),
                  "--grid-folder", f.grid.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string now = test::readFile(f.grid + "/dem/w001001.adf");
        if (now != first) {
            if (second.empty()) second = now;
            EXPECT_EQ(now, second) << "neither the earlier GRID nor the new one";
        }
        EXPECT_EQ(test::readWithGdal(f.grid + "/dem").width, n);
    }
    ASSERT_EQ(
        test::runBatch({"--input", "ascii", "--ascii-folder", f.ascii, "--grid-folder", f.grid}, f.dir).exitStatus, 0);
    EXPECT_EQ(hiddenNames(f.grid), std::vector<std::string>{});
    EXPECT_EQ(hiddenNames(f.grid + "/info"), std::vector<std::string>{});
}

// Killed while it writes a GeoPackage over an earlier one: the name holds
// the earlier file or the new one, whole, and the next run clears what the
// killed one left.
TEST(NothingLost, AGeoPackageReplacementKilledMidWriteKeepsTheEarlierFile) {
    Folders f;
    test::writeFile(f.ascii + "/dem.asc", asciiRaster(1000, 100));
    ASSERT_EQ(
        test::runBatch({"--input", "ascii", "--ascii-folder", f.ascii, "--grid-folder", f.grid}, f.dir).exitStatus, 0);
    const auto contours = [&](const std::string& interval) {
        return test::runBatch({"--input", "grid", "--grid-folder", f.grid, "--contour-folder", f.contour,
                               "--contour-interval", interval, "--contour-format", "gpkg"},
                              f.dir);
    };
    ASSERT_EQ(contours("200").exitStatus, 0);
    const std::string path = f.contour + "/dem.gpkg";
    const std::string earlier = test::readFile(path);
    const long long earlierLines = test::featureCountWithGdal(path);
    for (int delayMs : {20, 80, 160, 250, 350, 500, 700}) {
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        const pid_t child = fork();
        if (child == 0) {
            execl(KESTRUNE_BATCH_BINARY, KESTRUNE_BATCH_BINARY, "--input", "grid", "--grid-folder", f.grid.c_str(),
                  "--contour-folder", f.contour.c_str(), "--contour-interval", "1", "--contour-format", "gpkg",
                  "--quiet", static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        if (test::readFile(path) == earlier) continue;
        EXPECT_GT(test::featureCountWithGdal(path), earlierLines) << "neither the earlier file nor the new one";
        break;  // later kills would find nothing left to replace
    }
    ASSERT_EQ(contours("200").exitStatus, 0);
    EXPECT_EQ(test::featureCountWithGdal(path), earlierLines);
    EXPECT_EQ(hiddenNames(f.contour), std::vector<std::string>{});
}

TEST(NothingLost, ACraftedHeaderIsRefusedAtOnce) {
    if (KESTRUNE_SANITIZED) GTEST_SKIP() << "a sanitizer reserves more address space than the limit this test sets";
    Folders f;
    test::writeFile(f.ascii + "/dem.asc", "ncols 40000\nnrows 40000\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3\n");
    const test::BatchResult result =
        test::runBatch({"--input", "ascii", "--ascii-folder", f.ascii, "--grid-folder", f.grid}, f.dir,
                       "ulimit -v 2000000;");  // 2 GB of address space: the 6.4 GB a naive reader takes would fail
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.errorOutput.find(f.ascii + "/dem.asc: ncols x nrows = 1600000000 values need at least"),
              std::string::npos)
        << result.errorOutput;
}

}  // namespace
}  // namespace kestrune
