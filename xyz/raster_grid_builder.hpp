#pragma once

#include "xyz/ascii_raster_grid.hpp"
#include "xyz/xyz_point_set.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrune {

// The cell size the user gave, as typed, or none to infer it from the data.
struct CellSizeRequest {
    std::optional<std::string> givenText;
};

// Lays the points on a grid. The cell size is the given one or
// (maxX - minX) / (distinct X values - 1), rounded to 32 bits; the size comes
// from the extent, round((max - min) / cellsize) + 1 cells each way; a point
// goes to the cell whose centre is nearest and the last point of a cell wins;
// cells no point fills hold -9999. Throws std::runtime_error for no points, a
// cell size that is not a positive finite 32-bit number, or a grid too large
// for `memoryBytes` (0: this machine's memory).
AsciiRasterGrid BuildRasterGrid(const XyzPointSet& points, const CellSizeRequest& request,
                                std::uint64_t memoryBytes = 0);

// The 32-bit cell size a request leads to for these points (same failures).
float cellSizeFor(const XyzPointSet& points, const CellSizeRequest& request);

}  // namespace kestrune
