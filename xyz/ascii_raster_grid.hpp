#pragma once

#include "common/large_array.hpp"

#include <cstdint>

namespace kestrune {

// The value of a cell that no point filled.
inline constexpr double kAsciiNoData = -9999;

// A raster as the .asc holds it. Row 0 is the northern edge and rows go
// south; column 0 is the western edge and columns go east.
struct AsciiRasterGrid {
    std::int64_t ncols = 0;
    std::int64_t nrows = 0;
    float cellsize = 0;
    double xllcorner = 0;
    double yllcorner = 0;
    LargeArray<double> cells;  // nrows x ncols, row after row

    double& at(std::int64_t row, std::int64_t column) { return cells[row * ncols + column]; }
    double at(std::int64_t row, std::int64_t column) const { return cells[row * ncols + column]; }
};

}  // namespace kestrune
