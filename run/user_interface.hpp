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

    // Replaces the status line and repaints it at once.
    virtual void setStatusLine(const std::string& text) = 0;

    // True once the user asked the run to stop (a close box, a signal): the
    // run ends after the files being worked on. Asked from the run's thread.
    virtual bool stopRequested() const { return false; }
};

}  // namespace kestrune
