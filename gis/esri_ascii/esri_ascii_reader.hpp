#pragma once

#include "gis/raster/float_raster.hpp"

#include <cstdint>
#include <string>

namespace kestrune {

// Reads a whole ESRI ASCII raster: values separated by any white space,
// wrapped over any number of lines, row after row from the northern edge.
// Cells equal to NODATA_value become kGridNoData. Throws std::runtime_error
// naming the file, the problem and, where it has one, the line: a missing or
// repeated key, too few or too many values, a value that is not a number or
// is longer than 1024 characters, a
// cell size that is not positive, a raster too large for `memoryBytes`
// (0: this machine's memory).
FloatRaster readEsriAscii(const std::string& path, std::uint64_t memoryBytes = 0);

}  // namespace kestrune
