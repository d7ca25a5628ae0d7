#pragma once

#include "common/version.hpp"

#include <string>

namespace kestrune {

// The title a message box shows when the run logic gives it none.
inline constexpr const char* kApplicationTitle = kApplicationName;

// How the run logic reaches the user. The window answers with modal boxes and
// its status label, kestrune-batch with lines on standard error, tests with a
// recorder. The run waits in showMessage until the user has closed the box.
class UserInterface {
public:
    virtual ~UserInterface() = default;

    // A modal box with an OK button only and no icon; an empty title stands
    // for the application title.
    virtual void showMessage(const std::string& prompt, const std::string& title) = 0;

    // The message of a setting that validation refused; `value` is the
    // setting as given (a folder path, a number's text). The window shows
    // the message alone, as every box; a front end may name the value too.
    virtual void showRefusal(const std::string& prompt, const std::string& title, const std::string& value) {
        (void)value;
        showMessage(prompt, title);
    }

    // Replaces the status line and repaints it at once.
    virtual void setStatusLine(const std::string& text) = 0;

    // How far the work of the file the status line names has come, from 0
    // to 1: at most ten times a second, never going back while the status
    // line stays, 1 when the file is done. A front end shows it beside the
    // status line, never in its text.
    virtual void setProgress(double fraction) { (void)fraction; }
};

}  // namespace kestrune
