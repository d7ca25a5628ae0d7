#pragma once

#include "run/run_context.hpp"

namespace kestrune {

// Visits every GRID of the GRID folder in ascending order of name and makes
// its slope GRID, then its contour shapefile, as the settings ask. A slope
// failure that CreateSlopes reports lets the walk go on (and RunOk stays
// cleared); every other failure ends the walk and passes on.
void GetRasterLayersFromFolder(RunContext& run);

}  // namespace kestrune
