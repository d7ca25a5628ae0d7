#pragma once

#include "gis/raster/raster_geometry.hpp"

#include "common/large_array.hpp"

#include <cstdint>

namespace kestrune {

// The value of a cell that no point filled.
inline constexpr double kAsciiNoData = -9999;

// A raster as the .asc holds it. Row 0 is the northern edge and rows go
// south; column 0 is the western edge and columns go east. The cell size is
// a 32-bit number (the engine rounds it so) held in the geometry's double.
struct AsciiRasterGrid : RasterGeometry {
    LargeArray<double> cells;  // nrows x ncols, row after row

    double& at(std::int64_t row, std::int64_t column) { return cells[row * ncols + column]; }
    double at(std::int64_t row, std::int64_t column) const { return cells[row * ncols + column]; }
};

}  // namespace kestrune
