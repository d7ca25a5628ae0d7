#pragma once

#include "run/run_context.hpp"
#include "xyz/xyz_gridding.hpp"

#include <exception>
#include <string>

namespace kestrune {

// How the gridding engine grids one XYZ file as the settings ask
// (separator, cell size).
GriddingOptions griddingOptions(const RunSettings& settings);

// The engine's failure reports for one XYZ file: a line without the
// separator gets "<path> does not fit the format you setting!" (title
// "Please Check xyz file"), every other failure "<path> Error-<description>"
// (title "Program was interrupted"). Either clears RunOk and empties the
// status line.
void XyzGridEngine(RunContext& run, const std::string& xyzPath, const std::exception& failure);

}  // namespace kestrune
