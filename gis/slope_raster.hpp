#pragma once

#include "float_raster.hpp"

namespace kestrune {

// The slope in degrees of every cell by Horn's method, computed in double
// and stored as float, with the neighbourhood rule of ArcGIS 10.0 to 10.4:
// a NoData centre gives NoData; a NoData neighbour, and a neighbour outside
// the raster, takes the centre's value, so edge cells are computed. The
// result has the input's extent and cell size. Runs on both cores.
FloatRaster slopeRaster(const FloatRaster& dem);

}  // namespace kestrune
