// Files worked on several at once must look to the user exactly like a run
// that does them one after another: status lines, messages and outputs in
// file order, the failure rules of each step, nothing of a discarded file
// left behind. This binary runs on a pool of more threads than the machine
// has cores, so files finish out of order.
#include "common/number_text.hpp"
#include "common/stop_request.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "run/ascii_to_grid_conversion.hpp"
#include "run/grid_folder_walk.hpp"
#include "run/run_sequence.hpp"
#include "run/xyz_folder_conversion.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrune {
namespace {

constexpr int kFiles = 30;

std::string numbered(const std::string& stem, int i, const std::string& extension) {
    return stem + (i < 10 ? "0" : "") + std::to_string(i) + extension;
}

// A square of points, one metre apart, all of height `z`; earlier files are
// larger, so they tend to finish after later ones.
std::string xyzSquare(int i, int z) {
    const int side = 12 + (kFiles - i) * 2;
    std::string text;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            text += std::to_string(1000 + x) + " " + std::to_string(2000 + y) + " " + std::to_string(z) + "\r\n";
    return text;
}

std::string statusOf(const std::string& prefix, int i, int count, const std::string& name) {
    return "status: " + prefix + statusNumber(i + 1) + "/" + statusNumber(count) + ")   " + name;
}

// Names in `folder` that start with a dot: outputs under hidden names.
std::vector<std::string> hiddenEntries(const std::string& folder) {
    std::vector<std::string> hidden;
    if (!std::filesystem::exists(folder)) return hidden;
    for (const auto& name : test::folderNames(folder))
        if (name[0] == '.') hidden.push_back(name);
    return hidden;
}

// Asks the run to stop once it has shown `statusLines` status texts.
struct StoppingUi : test::RecordingUi {
    std::size_t statusLines = 0;
    void setStatusLine(const std::string& text) override {
        RecordingUi::setStatusLine(text);
        if (statusTexts.size() == statusLines) requestStop();
    }
    ~StoppingUi() override { withdrawStopRequest(); }
};

TEST(OrderedOutput, XyzFilesFailingInTheMiddleAreToldInTurnAndTheOthersWritten) {
    test::StepRun c(InputKind::XyzFiles);
    const std::vector<int> bad = {7, 8, 19};
    for (int i = 0; i < kFiles; ++i) {
        const bool isBad = std::find(bad.begin(), bad.end(), i) != bad.end();
        test::writeFile(c.xyz(numbered("t", i, ".xyz")), isBad ? "1;2;3\r\n" : xyzSquare(i, i));
    }
    EXPECT_FALSE(c.run(XYZ2ASCII));

    std::vector<std::string> expected;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = numbered("t", i, ".xyz");
        expected.push_back(statusOf("Running : XYZ-->ASCII(", i, kFiles, name));
        if (std::find(bad.begin(), bad.end(), i) == bad.end()) continue;
        expected.push_back("message: Please Check xyz file: " + c.xyz(name) + " does not fit the format you setting!");
        expected.push_back("status: ");
    }
    EXPECT_EQ(c.ui.events, expected);
    for (int i = 0; i < kFiles; ++i) {
        SCOPED_TRACE(i);
        const std::string asc = c.ascii(numbered("t", i, ".asc"));
        if (std::find(bad.begin(), bad.end(), i) != bad.end()) {
            EXPECT_FALSE(test::exists(asc));
            continue;
        }
        test::GdalRaster raster = test::readWithGdal(asc);  // each file's own values, not a neighbour's
        EXPECT_EQ(raster.width, 12 + (kFiles - i) * 2);
        EXPECT_EQ(raster.values.front(), i);
        EXPECT_EQ(raster.values.back(), i);
    }
    EXPECT_TRUE(hiddenEntries(c.settings.asciiFolder).empty());
}

std::string ascRaster(int i) {
    const int side = 10 + i % 7;
    std::string text = "ncols " + std::to_string(side) + "\nnrows " + std::to_string(side) +
                       "\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
    for (int cell = 0; cell < side * side; ++cell) text += std::to_string(i) + (cell % side == side - 1 ? "\n" : " ");
    return text;
}

TEST(OrderedOutput, TheGridConversionStopsAtItsFirstFailureAndKeepsNoLaterGrid) {
    test::StepRun c(InputKind::AsciiRasterFiles);
    constexpr int kFailing = 9;
    for (int i = 0; i < kFiles; ++i)
        test::writeFile(c.ascii(numbered("r", i, ".asc")), i == kFailing ? "ncols x\n" : ascRaster(i));
    EXPECT_FALSE(c.run(ASCII2GRID));

    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_EQ(c.ui.messages[0].prompt.rfind(c.ascii(numbered("r", kFailing, ".asc")) + " Error-", 0), 0u);
    ASSERT_EQ(c.ui.statusTexts.size(), kFailing + 2u);  // the files up to the failing one, then an empty line
    for (int i = 0; i <= kFailing; ++i)
        EXPECT_EQ("status: " + c.ui.statusTexts[i],
                  statusOf("Running : ASCII-->ESRI GRID (", i, kFiles, numbered("r", i, ".asc")));
    std::vector<std::string> grids = {"info"};
    for (int i = 0; i < kFailing; ++i) grids.push_back(numbered("r", i, ""));
    EXPECT_EQ(test::folderNames(c.settings.gridFolder), grids);
    EXPECT_TRUE(hiddenEntries(c.settings.gridFolder + "/info").empty());
    EXPECT_EQ(test::readFile(c.grid("info/arc.dir")).size(), kFailing * 2u * 380);
    for (int i = 0; i < kFailing; ++i) EXPECT_EQ(test::readWithGdal(c.grid(numbered("r", i, ""))).values[0], i);
}

FloatRaster ramp(int i) {
    FloatRaster raster;
    raster.ncols = 30 + i;
    raster.nrows = 20;
    raster.cellsize = 10;
    for (int row = 0; row < raster.nrows; ++row)
        for (int column = 0; column < raster.ncols; ++column)
            raster.cells.push_back(static_cast<float>(column * 10 + row * i));
    return raster;
}

// In the walk a slope failure is told and the walk goes on; a contour
// failure ends it, and no later GRID gets a slope or contours.
TEST(OrderedOutput, TheWalkGoesOnPastASlopeFailureAndEndsAtAContourFailure) {
    test::StepRun w;
    w.settings.slopeOutput = w.settings.contourOutput = true;
    w.settings.contourInterval = "25";
    constexpr int kGrids = 16, kSlopeFails = 5, kContourFails = 10;
    for (int i = 0; i < kGrids; ++i) writeEsriGrid(w.settings.gridFolder, numbered("g", i, ""), ramp(i), "");
    std::filesystem::create_directories(w.slope(numbered("g", kSlopeFails, "/hdr.adf")));  // in the way
    const std::string protectedShp = w.contour(numbered("g", kContourFails, ".shp"));
    test::writeFile(protectedShp, "earlier");
    std::filesystem::permissions(protectedShp, std::filesystem::perms::owner_read);

    EXPECT_THROW(w.run(GetRasterLayersFromFolder), std::runtime_error);

    std::vector<std::string> statuses;
    for (int i = 0; i <= kContourFails; ++i) {
        statuses.push_back("Running : ESRI GRID--> Get Slope " + w.grid(numbered("g", i, "")));
        statuses.push_back("Running : ESRI GRID--> Get Contour " + w.grid(numbered("g", i, "")));
    }
    EXPECT_EQ(w.ui.statusTexts, statuses);
    ASSERT_EQ(w.ui.messages.size(), 2u);
    EXPECT_EQ(w.ui.messages[0].prompt.rfind("File Error-", 0), 0u);
    EXPECT_EQ(w.ui.messages[1].prompt.rfind("Del_fail ", 0), 0u);
    for (int i = 0; i < kGrids; ++i) {
        SCOPED_TRACE(i);
        const bool slopeMade = i <= kContourFails && i != kSlopeFails;
        EXPECT_EQ(test::exists(w.slope(numbered("g", i, "/w001001.adf"))), slopeMade);
        EXPECT_EQ(test::exists(w.contour(numbered("g", i, ".shp"))), i <= kContourFails);
        EXPECT_EQ(test::exists(w.contour(numbered("g", i, ".dbf"))), i < kContourFails);
    }
    EXPECT_EQ(test::readFile(protectedShp), "earlier");
    for (const std::string& folder :
         {w.settings.slopeFolder, w.settings.slopeFolder + "/info", w.settings.contourFolder})
        EXPECT_TRUE(hiddenEntries(folder).empty()) << folder;
    const std::size_t slopesMade = kContourFails;  // up to the contour failure, but for the slope failure
    EXPECT_EQ(test::readFile(w.slope("info/arc.dir")).size(), slopesMade * 2 * 380);
}

// A stop request ends the run: the files finished before it are complete,
// the file at work when it came may be cut short, and no later one is
// there at all, hidden or not; the later steps do not run.
TEST(OrderedOutput, AStoppedRunKeepsWhatItFinishedAndLeavesNothingElse) {
    test::StepRun c(InputKind::XyzFiles);
    const RunSettings& settings = c.settings;
    for (int i = 0; i < kFiles; ++i)
        test::writeFile(settings.xyzFolder + "/" + numbered("t", i, ".xyz"), xyzSquare(i, i));
    StoppingUi ui;
    ui.statusLines = 4;
    EXPECT_FALSE(runSequence(settings, ui));

    ASSERT_GE(ui.statusTexts.size(), 5u);
    EXPECT_LT(ui.statusTexts.size(), static_cast<std::size_t>(kFiles));
    const std::size_t shown = ui.statusTexts.size() - 1;  // the last one empties the line
    EXPECT_EQ(ui.statusTexts.back(), "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].title, "Program is Stopped");
    // Every file made is one whose work had begun, and complete; files at
    // work when the stop came are not there (a later one, finished by then,
    // may be).
    const std::vector<std::string> made = test::folderNames(settings.asciiFolder);
    EXPECT_LE(made.size(), shown);
    EXPECT_GE(made.size(), 3u);
    for (const std::string& asc : made) {
        const int i = std::stoi(asc.substr(1, 2));
        const auto side = static_cast<std::size_t>(12 + (kFiles - i) * 2);
        EXPECT_LT(i, static_cast<int>(shown)) << asc;
        EXPECT_EQ(test::readWithGdal(settings.asciiFolder + "/" + asc).values.size(), side * side) << asc;
    }
    EXPECT_TRUE(hiddenEntries(settings.asciiFolder).empty());
    EXPECT_TRUE(test::folderNames(settings.gridFolder).empty());
}

// A killed run of an earlier process with this process's number left hidden
// names that look like ours; they never make a run fail.
TEST(OrderedOutput, LeftoversUnderThisProcessNumberAreSteppedAround) {
    test::StepRun c(InputKind::XyzFiles);
    RunSettings& settings = c.settings;
    settings.slopeOutput = settings.contourOutput = true;
    test::writeFile(settings.xyzFolder + "/dem.xyz", xyzSquare(0, 7));
    std::vector<std::string> leftovers;
    for (int counter = 0; counter < 300; ++counter) {
        const auto leave = [&](const std::string& folder, const std::string& target, const std::string& tail) {
            leftovers.push_back(folder + "/" + test::hiddenName(target, getpid(), counter, tail));
            test::writeFile(leftovers.back(), "left by a killed run");
        };
        leave(settings.asciiFolder, "dem.asc", "");
        leave(settings.gridFolder, "dem", ".old");
        leave(settings.slopeFolder, "dem", "");
        leave(settings.contourFolder, "dem", ".cpg");
    }
    test::RecordingUi ui;
    EXPECT_TRUE(runSequence(settings, ui)) << (ui.messages.empty() ? "" : ui.messages[0].prompt);
    EXPECT_NO_THROW(test::readWithGdal(settings.slopeFolder + "/dem"));
    EXPECT_FALSE(test::exists(settings.contourFolder + "/dem.cpg"));  // not a leftover taken along
    EXPECT_TRUE(test::exists(settings.contourFolder + "/dem.shp"));
    for (const std::string& leftover : leftovers) ASSERT_EQ(test::readFile(leftover), "left by a killed run");
}

}  // namespace
}  // namespace kestrune
