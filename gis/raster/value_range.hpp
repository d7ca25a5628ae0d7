#pragma once

#include "gis/raster/float_raster.hpp"

#include <utility>

namespace kestrune {

// The smallest and largest valid cell of a raster, read in bands on both
// cores; (FLT_MAX, -FLT_MAX) when it has no valid cell.
std::pair<float, float> valueRange(const RasterRows& raster);

}  // namespace kestrune
