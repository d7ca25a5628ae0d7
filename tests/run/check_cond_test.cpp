#include "run/check_cond.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

// Settings in which every check passes, for every input kind and output.
struct ValidSettings {
    test::TempDir dir;
    RunSettings settings;
    ValidSettings() {
        settings.inputKind = InputKind::XyzFiles;
        settings.xyzFolder = dir.folder("xyz");
        settings.asciiFolder = dir.folder("ascii");
        settings.gridFolder = dir.folder("grid");
        settings.cellSizeMode = CellSizeMode::Given;
        settings.cellSize = "10";
        settings.contourOutput = true;
        settings.contourFolder = dir.folder("contour");
        settings.slopeOutput = true;
        settings.slopeFolder = dir.folder("slope");
    }
};

struct Outcome {
    bool runOk;
    std::vector<test::RecordingUi::Message> messages;
};

Outcome check(const RunSettings& settings) {
    test::RecordingUi ui;
    RunContext run(settings, ui);
    CheckCond(run);
    return {run.RunOk, ui.messages};
}

TEST(CheckCond, PassingChecksSetRunOkWithoutAMessage) {
    ValidSettings valid;
    Outcome outcome = check(valid.settings);
    EXPECT_TRUE(outcome.runOk);
    EXPECT_TRUE(outcome.messages.empty());
}

// Each row breaks one setting; every earlier check still passes.
TEST(CheckCond, EachCheckShowsItsOwnMessage) {
    struct Case {
        void (*breakIt)(RunSettings&);
        const char* prompt;
        const char* title;
    };
    const Case cases[] = {
        {[](RunSettings& s) { s.xyzFolder = "/no/such"; }, "The folder of XYZ files does not exist.",
         "Please Re-Select Folder"},
        {[](RunSettings& s) { s.cellSize = "five"; }, "Pixcel Size is not a number", "Please Re-Input data"},
        {[](RunSettings& s) { s.asciiFolder = ""; }, "The folder of ASCII files does not exist.",
         "Please Re-Select Folder"},
        {[](RunSettings& s) { s.gridFolder = ""; }, "The folder of Grid does not exist.", "Please Re-Select Folder"},
        {[](RunSettings& s) { s.contourFolder = "/no/such"; }, "The folder of Contour files does not exist.",
         "Please Re-Select Folder"},
        {[](RunSettings& s) { s.contourStart = ""; }, "The start value of Contour is not a number.",
         "Please Re-Input data"},
        {[](RunSettings& s) { s.contourInterval = "5m"; }, "The interval of Contour lines is not a number",
         "Please Re-Input data"},
        {[](RunSettings& s) { s.slopeFolder = "/no/such"; }, "The folder of slope GRIDS does not exist.",
         "Please Re-Select Folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prompt);
        ValidSettings valid;
        c.breakIt(valid.settings);
        Outcome outcome = check(valid.settings);
        EXPECT_FALSE(outcome.runOk);
        ASSERT_EQ(outcome.messages.size(), 1u);
        EXPECT_EQ(outcome.messages[0].prompt, c.prompt);
        EXPECT_EQ(outcome.messages[0].title, c.title);
    }
}

TEST(CheckCond, OnlyTheFirstFailingCheckIsShown) {
    ValidSettings valid;
    valid.settings.xyzFolder = "/no/such";
    valid.settings.contourStart = "x";
    valid.settings.gridFolder = "";
    Outcome outcome = check(valid.settings);
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].prompt, "The folder of XYZ files does not exist.");
}

TEST(CheckCond, GridInputWithoutOutputsTestsOnlyTheGridFolder) {
    ValidSettings valid;
    RunSettings s = valid.settings;
    s.inputKind = InputKind::EsriGrids;
    s.xyzFolder = s.asciiFolder = s.contourFolder = s.slopeFolder = "";
    s.cellSize = "letters";
    s.contourOutput = s.slopeOutput = false;
    s.contourStart = s.contourInterval = "x";
    EXPECT_TRUE(check(s).runOk);
}

TEST(CheckCond, CellSizeIsTestedForXyzInputInTheGivenModeOnly) {
    ValidSettings valid;
    RunSettings s = valid.settings;
    s.cellSize = "letters";
    s.inputKind = InputKind::AsciiRasterFiles;
    EXPECT_TRUE(check(s).runOk);
    s.inputKind = InputKind::XyzFiles;
    s.cellSizeMode = CellSizeMode::Inferred;
    EXPECT_TRUE(check(s).runOk);
}

TEST(CheckCond, OnlyTheFormOfNumbersIsTested) {
    ValidSettings valid;
    RunSettings s = valid.settings;
    s.cellSize = "-5";
    s.contourStart = "-100";
    s.contourInterval = "0";
    EXPECT_TRUE(check(s).runOk);
}

TEST(CheckCond, AFileIsNoFolder) {
    ValidSettings valid;
    RunSettings s = valid.settings;
    s.gridFolder = valid.dir.file("file");
    test::writeFile(s.gridFolder, "x");
    Outcome outcome = check(s);
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0].prompt, "The folder of Grid does not exist.");
}

}  // namespace
}  // namespace kestrune
