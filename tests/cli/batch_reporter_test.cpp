// What kestrune-batch writes on its standard error: lines on a pipe, GDAL's
// progress marks, a line redrawn on a terminal, nothing but failures when
// quiet, and a stop when nobody reads any more.
#include "cli/batch_reporter.hpp"
#include "cli/progress_dots.hpp"
#include "common/stop_request.hpp"
#include "tests/test_support.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>

namespace kestrune {
namespace {

// A reporter writing into a file, and what it wrote.
struct Written {
    test::TempDir dir;
    std::string path = dir.file("stderr.txt");
    int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ~Written() { ::close(descriptor); }
    std::string text() const { return test::readFile(path); }
};

TEST(ProgressDots, MarksAsGdalPrintsThem) {
    ProgressDots dots;
    std::string all = dots.advanceTo(0);
    EXPECT_EQ(all, "0");
    all += dots.advanceTo(0.26);  // 10 of 40 marks
    EXPECT_EQ(all, "0...10...20..");
    all += dots.advanceTo(0.2);  // never back
    all += dots.advanceTo(1);
    EXPECT_EQ(all, "0...10...20...30...40...50...60...70...80...90...100 - done.\n");
    EXPECT_TRUE(dots.done());
    EXPECT_EQ(dots.advanceTo(1), "");
}

TEST(BatchReporter, OnAPipeOneLinePerMessageAndStatus) {
    Written out;
    BatchReporter reporter(out.descriptor, ReportStyle{}, nullptr);
    reporter.showMessage("first\r\nsecond", "Title");
    reporter.showMessage("untitled", "");
    reporter.setStatusLine("");
    reporter.setStatusLine("Running : x");
    reporter.setProgress(0.5);  // no marks without --progress
    reporter.showRefusal("The folder of Grid does not exist.", "Please Re-Select Folder", "/no/such");
    EXPECT_EQ(out.text(),
              "Title: first  second\nKestrune: untitled\nRunning : x\n"
              "Please Re-Select Folder: The folder of Grid does not exist. (\"/no/such\")\n");
}

TEST(BatchReporter, ProgressMarksOnAPipe) {
    Written out;
    BatchReporter reporter(out.descriptor, ReportStyle{false, true, false}, nullptr);
    reporter.setStatusLine("Running : a");
    for (double fraction : {0.0, 0.3, 0.7, 1.0}) reporter.setProgress(fraction);
    reporter.setStatusLine("Running : b");
    reporter.setProgress(0.1);
    reporter.showMessage("stopped", "Program is Stopped");  // after a line of marks cut short
    EXPECT_EQ(out.text(),
              "Running : a\n0...10...20...30...40...50...60...70...80...90...100 - done.\n"
              "Running : b\n0...10\nProgram is Stopped: stopped\n");
}

TEST(BatchReporter, ATerminalRedrawsTheStatusLine) {
    Written out;
    BatchReporter reporter(out.descriptor, ReportStyle{true, false, false}, nullptr);
    reporter.setStatusLine("Running : a");
    reporter.setProgress(0.42);
    reporter.showMessage("a note", "Kestrune");
    reporter.setProgress(1);
    reporter.setStatusLine("Running : b");
    EXPECT_EQ(out.text(),
              "Running : a\rRunning : a  42%\x1b[K\rRunning : a  42%\x1b[K\nKestrune: a note\n"
              "Running : a  100%\x1b[K\rRunning : a  100%\x1b[K\nRunning : b");
}

TEST(BatchReporter, QuietShowsOnlyFailuresAndTheLogHasEverything) {
    Written out;
    const std::string logPath = out.dir.file("run.log");
    {
        RunLog log(logPath);
        BatchReporter reporter(out.descriptor, ReportStyle{false, true, true}, &log);
        reporter.setStatusLine("Running : a");
        reporter.setProgress(1);
        reporter.showMessage("bad file", "Program was interrupted");
        reporter.showMessage("All files in the folders were finished", "Program is Finished");
        reporter.summary("kestrune-batch: 1 done");
    }
    EXPECT_EQ(out.text(), "Program was interrupted: bad file\n");
    const std::string log = test::readFile(logPath);
    for (const char* line :
         {"Running : a\n", "Program was interrupted: bad file\n",
          "Program is Finished: All files in the folders were finished\n", "kestrune-batch: 1 done\n"})
        EXPECT_NE(log.find(std::string("Z ") + line), std::string::npos) << line << " in\n" << log;
    EXPECT_EQ(log.substr(0, 2), "20");  // the year of a UTC time stamp
}

// A reader that went away (kestrune-batch ... 2>&1 | head -1) stops the run.
TEST(BatchReporter, AStandardErrorThatIsGoneStopsTheRun) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    auto* previous = std::signal(SIGPIPE, SIG_IGN);
    {
        BatchReporter reporter(ends[1], ReportStyle{}, nullptr);
        reporter.setStatusLine("Running : a");
    }
    std::signal(SIGPIPE, previous);
    ::close(ends[1]);
    EXPECT_TRUE(stopRequested());
    withdrawStopRequest();
}

}  // namespace
}  // namespace kestrune
