#pragma once

#include "gis/raster/float_raster.hpp"

#include <optional>
#include <string>

namespace kestrune {

// Our own reading of the GRIDs that ArcGIS and this program write for float
// rasters: one tile of uncompressed float blocks. The rows are read a block
// at a time with pread as they are asked for, so several threads may read
// at once and nothing stays in memory. None for a GRID of another kind
// (integer, compressed, several tiles), which GDAL reads. Throws
// std::runtime_error for a damaged one: bounds that make no extent, a tile
// index shorter than the extent, a block whose size is not what the index says.
std::optional<RasterRows> openFloatGridTile(const std::string& gridFolder);

}  // namespace kestrune
