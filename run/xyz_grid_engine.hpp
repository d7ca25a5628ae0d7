#pragma once

#include "run/run_context.hpp"

#include <string>

namespace kestrune {

// Grids one XYZ file into one .asc as the settings ask (separator, cell
// size). A failure is reported to the user here (the format report or the
// general one), clears RunOk and empties the status line; it never reaches
// the caller. Returns true when the .asc was written.
bool XyzGridEngine(RunContext& run, const std::string& xyzPath, const std::string& ascPath);

// The general failure report for an XYZ file: "<path> Error-<description>".
void reportXyzFailure(RunContext& run, const std::string& xyzPath, const std::string& description);

}  // namespace kestrune
