#pragma once

#include "cli/progress_dots.hpp"
#include "cli/run_log.hpp"
#include "run/user_interface.hpp"

#include <chrono>
#include <string>
#include <string_view>

namespace kestrune {

// How kestrune-batch shows a run on its standard error.
struct ReportStyle {
    // A terminal: the status line is redrawn in place with the file's
    // percentage and the time left; a finished file's line stays.
    // Otherwise each status text is a line of its own.
    bool terminal = false;
    // On a pipe, each file's progress in GDAL's marks (--progress).
    bool progressMarks = false;
    // Nothing but failures (--quiet).
    bool quiet = false;
};

// Shows the run to a terminal or a pipe: each message box as "title:
// prompt" on one line, each status text and its progress as the style
// says, and everything also in the log when there is one. A standard error
// that can no longer be written (its reader went away) stops the run.
class BatchReporter : public UserInterface {
public:
    BatchReporter(int descriptor, ReportStyle style, RunLog* log);
    void showMessage(const std::string& prompt, const std::string& title) override;
    void showRefusal(const std::string& prompt, const std::string& title, const std::string& value) override;
    void setStatusLine(const std::string& text) override;
    void setProgress(double fraction) override;
    // The closing line: what the run did, in how long.
    void summary(const std::string& text);

private:
    void write(std::string_view bytes);
    void endOpenLine();
    std::string redrawnStatus() const;

    int descriptor_;
    ReportStyle style_;
    RunLog* log_;
    bool gone_ = false;      // the reader went away
    bool lineOpen_ = false;  // the last line written has no line end yet
    std::string status_;     // the status text on show
    double fraction_ = -1;   // its progress, or none
    std::chrono::steady_clock::time_point statusSince_;
    ProgressDots marks_;
};

}  // namespace kestrune
