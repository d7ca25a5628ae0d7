// Inputs that would make a run read for ever, write what the disk cannot
// hold, or lose precision: each is refused at once, naming the file.
#include "tests/cli/batch_run.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

namespace kestrune {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A valid start, then 10 GB of bytes without a line end or white space (a
// sparse file: nothing is written).
void endlessAfter(const std::string& path, const std::string& start) {
    test::writeFile(path, start);
    fs::resize_file(path, std::uintmax_t{10} << 30);
}

TEST(HostileInput, AnEndlessLineIsToldAtOnce) {
    test::TempDir dir;
    const std::string xyz = dir.folder("xyz"), ascii = dir.folder("ascii"), grid = dir.folder("grid");
    endlessAfter(xyz + "/endless.xyz", "1 2 3\n");
    endlessAfter(ascii + "/endless.asc", "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2\n");
    for (const std::string input : {"xyz", "ascii"}) {
        SCOPED_TRACE(input);
        const auto start = Clock::now();
        const test::BatchResult result = test::runBatch(
            {"--input", input, "--xyz-folder", xyz, "--ascii-folder", ascii, "--grid-folder", grid}, dir);
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), KESTRUNE_SANITIZED ? 5.0 : 1.0);
        EXPECT_EQ(result.exitStatus, 1);
        const std::string reason = input == "xyz"
                                       ? xyz + "/endless.xyz Error-line 2 is longer than 65536 bytes"
                                       : ascii + "/endless.asc line 7: a value is longer than 1024 characters";
        EXPECT_NE(result.errorOutput.find(reason), std::string::npos) << result.errorOutput;
    }
}

// Corners so far out that a double cannot tell the cells apart.
TEST(HostileInput, CellsTooSmallForTheirCoordinatesAreRefused) {
    test::TempDir dir;
    const std::string ascii = dir.folder("ascii"), grid = dir.folder("grid");
    for (const char* corner : {"1e20", "1e16"}) {
        SCOPED_TRACE(corner);
        test::writeFile(ascii + "/far.asc", std::string("ncols 3\nnrows 2\nxllcorner ") + corner +
                                                "\nyllcorner 0\ncellsize 1\n1 2 3\n4 5 6\n");
        const test::BatchResult result =
            test::runBatch({"--input", "ascii", "--ascii-folder", ascii, "--grid-folder", grid}, dir);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_NE(result.errorOutput.find("/far.asc: cells of 1 cannot be told apart at coordinates as large as "),
                  std::string::npos)
            << result.errorOutput;
        EXPECT_FALSE(test::exists(grid + "/far"));
    }
}

// A 2 MB raster of one column makes a GRID of half a gigabyte (blocks are
// 256 cells wide): refused before anything is written, in a folder of 30 MB
// (a tmpfs mounted in a mount namespace of its own).
TEST(HostileInput, AGridLargerThanTheFreeSpaceIsRefusedBeforeItIsWritten) {
    test::TempDir dir;
    if (std::system("unshare -rm true 2>/dev/null") != 0) GTEST_SKIP() << "no mount namespaces here";
    const std::string ascii = dir.folder("ascii"), grid = dir.folder("grid");
    std::string raster = "ncols 1\nnrows 1000000\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
    for (int i = 0; i < 1000000; ++i) raster += "7\n";
    test::writeFile(ascii + "/column.asc", raster);
    const std::string command = "mount -t tmpfs -o size=30m none " + grid + " && " + KESTRUNE_BATCH_BINARY +
                                " --input ascii --ascii-folder " + ascii + " --grid-folder " + grid + " && ls -a " +
                                grid;
    const std::string errors = dir.file("errors.txt");
    const int status = std::system(("unshare -rm sh -c " + test::shellQuoted(command) + " 2> " + errors).c_str());
    EXPECT_NE(status, 0);
    const std::string output = test::readFile(errors);
    EXPECT_NE(output.find(ascii + "/column.asc Error-the GRID column needs "), std::string::npos) << output;
    EXPECT_NE(output.find(", more than the 30 MB free in " + grid), std::string::npos) << output;
}

}  // namespace
}  // namespace kestrune
