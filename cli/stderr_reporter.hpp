#pragma once

#include "run/user_interface.hpp"

#include <ostream>

namespace kestrune {

// Shows the run to a terminal: each message box as "title: prompt" on one
// line, each non-empty status text on a line of its own. The run stops on
// request once a stop signal came (see stopOnSignals).
class StderrReporter : public UserInterface {
public:
    explicit StderrReporter(std::ostream& out) : out_(out) {}
    void showMessage(const std::string& prompt, const std::string& title) override;
    void setStatusLine(const std::string& text) override;
    bool stopRequested() const override;

private:
    std::ostream& out_;
};

}  // namespace kestrune
