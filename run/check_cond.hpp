#pragma once

#include "run/run_context.hpp"

namespace kestrune {

// Checks the settings in a fixed order; the first failing check shows its
// own message and ends the checking. Sets RunOk when every check that
// applies has passed; never clears it.
void CheckCond(RunContext& run);

}  // namespace kestrune
