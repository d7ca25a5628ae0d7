// How kestrune-batch shows progress: GDAL's marks on a pipe with --progress,
// the status line redrawn with its percentage on a terminal (a pty made by
// script(1)).
#include "tests/cli/batch_run.hpp"
#include "tests/test_support.hpp"

#include "gis/esri_grid/esri_grid_writer.hpp"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

// Two GRIDs to make contours of: one rough and large, one small.
struct TwoGrids {
    test::TempDir dir;
    std::string grid = dir.folder("grid"), contours = dir.folder("contours");
    TwoGrids() {
        writeEsriGrid(grid, "a", test::roughSurface(900, 700), "");
        writeEsriGrid(grid, "b", test::roughSurface(300, 200), "");
    }
    std::vector<std::string> arguments() const {
        return {"--grid-folder", grid, "--contour-folder", contours, "--contour-interval", "2"};
    }
};

TEST(KestruneBatch, ProgressMarksOnAPipe) {
    TwoGrids g;
    std::vector<std::string> arguments = g.arguments();
    arguments.push_back("--progress");
    test::BatchResult result = test::runBatch(arguments, g.dir);
    ASSERT_EQ(result.exitStatus, 0) << result.errorOutput;
    const std::string marks = "0...10...20...30...40...50...60...70...80...90...100 - done.\n";
    EXPECT_EQ(result.errorOutput, "Running : ESRI GRID--> Get Contour " + g.grid + "/a\n" + marks +
                                      "Running : ESRI GRID--> Get Contour " + g.grid + "/b\n" + marks +
                                      "Program is Finished: All files in the folders were finished\n");
    // Without --progress, a pipe gets the status lines alone.
    result = test::runBatch(g.arguments(), g.dir);
    EXPECT_EQ(result.errorOutput.find("..."), std::string::npos) << result.errorOutput;
}

TEST(KestruneBatch, ATerminalSeesTheStatusLineRedrawnWithItsPercentage) {
    KESTRUNE_REQUIRE_PROGRAM("script");
    TwoGrids g;
    std::string command = KESTRUNE_BATCH_BINARY;
    for (const std::string& argument : g.arguments()) command += " " + test::shellQuoted(argument);
    // script runs the command on a pty of its own and copies what it wrote.
    const std::string typescript = g.dir.file("typescript");
    const std::string shell = "TERM=xterm script -qfec " + test::shellQuoted("stty cols 250; " + command + " 2>&1") +
                              " " + typescript + " > /dev/null 2>&1";
    ASSERT_EQ(std::system(shell.c_str()), 0);
    const std::string shown = test::readFile(typescript);
    const std::string a = "Running : ESRI GRID--> Get Contour " + g.grid + "/a";
    // Drawn before any progress, then again with it; its last drawing stays.
    EXPECT_NE(shown.find(a + "\r" + a + "  0%\x1b[K"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r" + a + "  100%\x1b[K\r\n"), std::string::npos) << shown;
    // The closing message comes after the last status line, and nothing after it.
    const std::string closing = "Program is Finished: All files in the folders were finished\r\n";
    const auto at = shown.find(closing);
    ASSERT_NE(at, std::string::npos) << shown;
    EXPECT_EQ(shown.find("Running : ", at), std::string::npos) << shown;
}

}  // namespace
}  // namespace kestrune
