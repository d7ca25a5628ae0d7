#pragma once

#include "run/run_context.hpp"

namespace kestrune {

// Turns every ESRI ASCII raster of the ASCII folder into a float GRID of the
// same base name in the GRID folder, in order of name, replacing an earlier
// GRID of that name when it may be deleted. A .prj (or .aux.xml) beside a
// raster travels with it instead of being converted. The first failure is
// reported, clears RunOk and ends the conversion.
void ASCII2GRID(RunContext& run);

}  // namespace kestrune
