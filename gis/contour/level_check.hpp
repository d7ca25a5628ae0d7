#pragma once

#include "gis/contour/contour_levels.hpp"
#include "gis/raster/framed_raster.hpp"

namespace kestrune {

// Refuses (std::runtime_error) an interval that is not positive, one that
// would make more than 100000 levels over the values of the raster and its
// ring, and a start value so far from them that the levels cannot be counted.
void checkLevels(const FramedRaster& raster, const ContourLevels& levels);

}  // namespace kestrune
