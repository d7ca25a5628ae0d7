#pragma once

#include "app/run_context.hpp"

#include <string>

namespace kestrune {

// Grids one XYZ file into one .asc: reads the points, lays them on the grid
// the settings ask for and writes the raster. A failure is reported to the
// user here (format or general failure report), clears RunOk and empties the
// status line; it never reaches the caller. Returns true when the .asc was written.
bool XyzGridEngine(RunContext& run, const std::string& xyzPath, const std::string& ascPath);

// The general failure report for an XYZ file: "<path> Error-<description>".
void reportXyzFailure(RunContext& run, const std::string& xyzPath, const std::string& description);

}  // namespace kestrune
