#pragma once

#include "run/run_settings.hpp"
#include "run/user_interface.hpp"

#include "common/stop_request.hpp"

#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// What the steps of one run share: the settings (read only), the user, the
// flag that lets the run go on and the status line.
struct RunContext {
    RunContext(const RunSettings& runSettings, UserInterface& userInterface)
        : settings(runSettings), ui(userInterface) {}

    const RunSettings& settings;
    UserInterface& ui;
    // Cleared at the start of a run, set by validation, cleared by a failing step.
    bool RunOk = false;
    std::string StatusLine;

    void setStatusLine(std::string text) {
        StatusLine = std::move(text);
        ui.setStatusLine(StatusLine);
    }
    void showMessage(const std::string& prompt, const std::string& title = kApplicationTitle) {
        ui.showMessage(prompt, title);
    }
    void setProgress(double fraction) { ui.setProgress(fraction); }
    // True once the user asked the run to stop (see requestStop).
    bool stopRequested() const { return kestrune::stopRequested(); }

    // What became of the items the steps worked on (files, GRIDs), for the
    // closing summary.
    struct Tally {
        std::size_t done = 0, failed = 0, notBegun = 0, upToDate = 0;
    } tally;

    // With a shard, what the last step made: the names of its outputs in
    // their folder, for the next step to take instead of its listing.
    std::optional<std::vector<std::string>> madeInThisShard;
};

}  // namespace kestrune
