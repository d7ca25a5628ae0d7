#pragma once

#include "run/run_context.hpp"

#include <functional>

namespace kestrune {

// The conversion steps a run may call, in the order it calls them. Each
// reports its own failures and clears RunOk; a failure it does not handle
// leaves it as an exception.
struct RunSteps {
    std::function<void(RunContext&)> XYZ2ASCII;
    std::function<void(RunContext&)> ASCII2GRID;
    std::function<void(RunContext&)> GetRasterLayersFromFolder;
};

// The program's own steps.
RunSteps standardRunSteps();

// How a run ended: RunOk as it ended (true: "All files in the folders were
// finished"), whether validation refused the settings (then nothing ran),
// and what became of the items of its steps.
struct RunOutcome {
    bool finished = false;
    bool settingsRefused = false;
    RunContext::Tally tally;
    explicit operator bool() const { return finished; }
};

// One whole run, as "Go" starts it: validation, the steps the input kind and
// the output boxes ask for, one closing message, an emptied status line.
RunOutcome runSequence(const RunSettings& settings, UserInterface& ui, const RunSteps& steps = standardRunSteps());

}  // namespace kestrune
