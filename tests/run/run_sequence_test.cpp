#include "run/run_sequence.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kestrune {
namespace {

// Steps that only record that they ran, and may fail as told.
struct FakeSteps {
    std::vector<std::string> calls;
    std::string failing;   // this step clears RunOk after a message of its own
    std::string throwing;  // this step throws
    RunSteps steps() {
        auto step = [this](const std::string& name) {
            return [this, name](RunContext& run) {
                calls.push_back(name);
                run.setStatusLine("Running : " + name);
                if (name == throwing) throw std::runtime_error(name + " broke");
                if (name == failing) {
                    run.showMessage(name + " failed", "Program was interrupted");
                    run.RunOk = false;
                }
            };
        };
        return {step("XYZ2ASCII"), step("ASCII2GRID"), step("GetRasterLayersFromFolder")};
    }
};

struct Folders {
    test::TempDir dir;
    RunSettings settings;
    Folders() {
        settings.xyzFolder = dir.folder("xyz");
        settings.asciiFolder = dir.folder("ascii");
        settings.gridFolder = dir.folder("grid");
        settings.contourFolder = dir.folder("contour");
        settings.slopeFolder = dir.folder("slope");
    }
};

TEST(RunSequence, StepsFollowTheInputKindAndTheOutputBoxes) {
    struct Case {
        InputKind kind;
        bool contour, slope;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {InputKind::XyzFiles, false, false, {"XYZ2ASCII", "ASCII2GRID"}},
        {InputKind::XyzFiles, true, false, {"XYZ2ASCII", "ASCII2GRID", "GetRasterLayersFromFolder"}},
        {InputKind::AsciiRasterFiles, false, false, {"ASCII2GRID"}},
        {InputKind::AsciiRasterFiles, false, true, {"ASCII2GRID", "GetRasterLayersFromFolder"}},
        {InputKind::EsriGrids, false, false, {}},
        {InputKind::EsriGrids, true, true, {"GetRasterLayersFromFolder"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("input kind " + std::to_string(static_cast<int>(c.kind)) + (c.contour ? ", contours" : "") +
                     (c.slope ? ", slopes" : ""));
        Folders folders;
        folders.settings.inputKind = c.kind;
        folders.settings.contourOutput = c.contour;
        folders.settings.slopeOutput = c.slope;
        FakeSteps fake;
        test::RecordingUi ui;
        EXPECT_TRUE(runSequence(folders.settings, ui, fake.steps()));
        EXPECT_EQ(fake.calls, c.expected);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].prompt, "All files in the folders were finished");
        EXPECT_EQ(ui.messages[0].title, "Program is Finished");
    }
}

TEST(RunSequence, AFailedStepStopsTheLaterSteps) {
    Folders folders;
    folders.settings.inputKind = InputKind::XyzFiles;
    folders.settings.slopeOutput = true;
    FakeSteps fake;
    fake.failing = "XYZ2ASCII";
    test::RecordingUi ui;
    EXPECT_FALSE(runSequence(folders.settings, ui, fake.steps()));
    EXPECT_EQ(fake.calls, std::vector<std::string>{"XYZ2ASCII"});
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].prompt, "There are some errors happened during processing");
    EXPECT_EQ(ui.messages[1].title, "Program is Stopped");
}

TEST(RunSequence, AValidationFailureRunsNothingAndShowsTwoBoxes) {
    Folders folders;
    folders.settings.gridFolder = "";
    FakeSteps fake;
    test::RecordingUi ui;
    EXPECT_FALSE(runSequence(folders.settings, ui, fake.steps()));
    EXPECT_TRUE(fake.calls.empty());
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].prompt, "The folder of Grid does not exist.");
    EXPECT_EQ(ui.messages[1].title, "Program is Stopped");
    EXPECT_EQ(ui.statusTexts, std::vector<std::string>{""});
}

TEST(RunSequence, AnUnhandledFailureIsShownAndStopsTheRun) {
    Folders folders;
    folders.settings.inputKind = InputKind::AsciiRasterFiles;
    folders.settings.contourOutput = true;
    FakeSteps fake;
    fake.throwing = "ASCII2GRID";
    test::RecordingUi ui;
    EXPECT_FALSE(runSequence(folders.settings, ui, fake.steps()));
    EXPECT_EQ(fake.calls, std::vector<std::string>{"ASCII2GRID"});
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].prompt, "ASCII2GRID broke");
    EXPECT_EQ(ui.messages[1].prompt, "There are some errors happened during processing");
}

TEST(RunSequence, TheStatusLineIsEmptiedAfterTheClosingMessage) {
    Folders folders;
    folders.settings.inputKind = InputKind::AsciiRasterFiles;
    FakeSteps fake;
    test::RecordingUi ui;
    runSequence(folders.settings, ui, fake.steps());
    EXPECT_EQ(ui.events, (std::vector<std::string>{
                             "status: Running : ASCII2GRID",
                             "message: Program is Finished: All files in the folders were finished",
                             "status: ",
                         }));
}

}  // namespace
}  // namespace kestrune
