#pragma once

#include "gis/raster/no_data.hpp"
#include "gis/raster/raster_geometry.hpp"

#include "common/large_array.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kestrune {

// A single-band float raster in memory. Row 0 is the northern edge, column 0
// the western edge; NoData cells hold kGridNoData.
struct FloatRaster : RasterGeometry {
    LargeArray<float> cells;  // nrows x ncols, row after row

    float at(std::int64_t row, std::int64_t column) const { return cells[row * ncols + column]; }
};

// Fills `out` with rows [first, first + count) of a raster, ncols cells a
// row. Called from several threads at once, for different rows.
using RowProducer = std::function<void(std::int64_t first, std::int64_t count, float* out)>;

// Takes the next `count` cells of a raster, in row order.
using CellSink = std::function<void(const float* values, std::size_t count)>;

// Hands every cell of a raster to the sink in row order, a piece at a time:
// a source read from start to end, such as a text file.
using CellFeed = std::function<void(const CellSink& sink)>;

// Fills `out` with rows [firstRow, firstRow + rowCount) of a raster, only
// their cells from column firstColumn on, `columns` of them a row.
using WindowProducer = std::function<void(std::int64_t firstRow, std::int64_t rowCount, std::int64_t firstColumn,
                                          std::int64_t columns, float* out)>;

// A raster given row by row: computed or read as its rows are asked for.
struct RasterRows {
    RasterGeometry geometry;
    RowProducer rows;
    // The same for a part of the rows, where the source reads less for it
    // (a GRID's blocks, GDAL's windows); readWindow falls back on whole rows.
    WindowProducer window = {};

    void readWindow(std::int64_t firstRow, std::int64_t rowCount, std::int64_t firstColumn, std::int64_t columns,
                    float* out) const;
};

// All rows of `raster` in memory, read in bands on the worker pool.
FloatRaster readAllRows(const RasterRows& raster);

// The rows of a raster in memory, which must outlive them.
inline RasterRows rowsOf(const FloatRaster& raster) {
    return {raster, [&raster](std::int64_t first, std::int64_t count, float* out) {
                const float* begin = raster.cells.data() + first * raster.ncols;
                std::copy(begin, begin + count * raster.ncols, out);
            }};
}

}  // namespace kestrune
