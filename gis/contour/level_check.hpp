#pragma once

#include "gis/contour/contour_levels.hpp"
#include "gis/raster/float_raster.hpp"

namespace kestrune {

// Refuses (std::runtime_error) an interval that is not positive, one that
// would make more than 100000 levels over the raster's values, and a start
// value so far from them that the levels cannot be counted.
void checkLevels(const RasterRows& raster, const ContourLevels& levels);

}  // namespace kestrune
