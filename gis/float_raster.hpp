#pragma once

#include "common/large_array.hpp"

#include <cfloat>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// The NoData value of a float GRID cell.
inline constexpr float kGridNoData = -FLT_MAX;

// Where a raster lies: square cells, rows from the northern edge.
struct RasterGeometry {
    std::int64_t ncols = 0;
    std::int64_t nrows = 0;
    double xllcorner = 0;  // the outer lower-left corner, not a cell centre
    double yllcorner = 0;
    double cellsize = 0;

    double xurcorner() const { return xllcorner + static_cast<double>(ncols) * cellsize; }
    double yurcorner() const { return yllcorner + static_cast<double>(nrows) * cellsize; }
};

// Why a raster cannot lie where `raster` says, or empty when it can: a
// corner or cell size that is not a finite number, a cell size that is not
// positive, or an extent whose far edge passes the largest number.
std::string extentProblem(const RasterGeometry& raster);

// Throws std::runtime_error ("<what> is damaged: <problem>") when `raster`
// has an extentProblem.
void checkExtent(const RasterGeometry& raster, const std::string& what);

// A single-band float raster in memory. Row 0 is the northern edge, column 0
// the western edge; NoData cells hold kGridNoData.
struct FloatRaster : RasterGeometry {
    LargeArray<float> cells;  // nrows x ncols, row after row

    float at(std::int64_t row, std::int64_t column) const { return cells[row * ncols + column]; }
};

// Fills `out` with rows [first, first + count) of a raster, ncols cells a
// row. Called from several threads at once, for different rows.
using RowProducer = std::function<void(std::int64_t first, std::int64_t count, float* out)>;

// A raster given row by row: computed or read as its rows are asked for.
struct RasterRows {
    RasterGeometry geometry;
    RowProducer rows;
};

// All rows of `raster` in memory, read in bands on the worker pool.
FloatRaster readAllRows(const RasterRows& raster);

// The rows of a raster in memory.
inline RowProducer rowsOf(const FloatRaster& raster) {
    return [&raster](std::int64_t first, std::int64_t count, float* out) {
        const float* begin = raster.cells.data() + first * raster.ncols;
        std::copy(begin, begin + count * raster.ncols, out);
    };
}

}  // namespace kestrune
