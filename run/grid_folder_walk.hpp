#pragma once

#include "run/run_context.hpp"

namespace kestrune {

// Visits every raster dataset of the GRID folder (its GRIDs and the raster
// files GDAL reads) in ascending order of name and makes its slope GRID,
// then its contour shapefile, as the settings ask, both named after the
// dataset's base name; a later dataset of an earlier one's base name is
// refused. A slope failure that CreateSlopes reports lets the walk go on
// (and RunOk stays cleared); every other failure ends the walk and passes on.
void GetRasterLayersFromFolder(RunContext& run);

}  // namespace kestrune
