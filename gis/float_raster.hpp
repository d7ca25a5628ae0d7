#pragma once

#include "app/huge_page_allocator.hpp"

#include <cfloat>
#include <cstdint>

namespace kestrune {

// The NoData value of a float GRID cell.
inline constexpr float kGridNoData = -FLT_MAX;

// A single-band float raster with square cells. Row 0 is the northern edge,
// column 0 the western edge; NoData cells hold kGridNoData.
struct FloatRaster {
    std::int64_t ncols = 0;
    std::int64_t nrows = 0;
    double xllcorner = 0;  // the outer lower-left corner, not a cell centre
    double yllcorner = 0;
    double cellsize = 0;
    LargeArray<float> cells;  // nrows x ncols, row after row

    float at(std::int64_t row, std::int64_t column) const { return cells[row * ncols + column]; }
    double xurcorner() const { return xllcorner + static_cast<double>(ncols) * cellsize; }
    double yurcorner() const { return yllcorner + static_cast<double>(nrows) * cellsize; }
};

}  // namespace kestrune
