#include "gis/raster/framed_raster.hpp"

#include "gis/raster/no_data.hpp"

#include <algorithm>
#include <memory>
#include <utility>

namespace kestrune {

FramedRaster::FramedRaster(RasterRows tile, const RasterGeometry& surface, CellIndex offset)
    : tile_(std::move(tile)), surface_(surface), offset_(offset) {
    const RasterGeometry& g = tile_.geometry;
    const auto size = static_cast<std::size_t>(2 * (g.ncols + 2) + 2 * g.nrows);
    ring_.assign(size, kGridNoData);
    held_.assign(size, 0);
}

bool FramedRaster::onRing(std::int64_t row, std::int64_t column) const {
    const RasterGeometry& g = tile_.geometry;
    if (row < -1 || row > g.nrows || column < -1 || column > g.ncols) return false;
    return row == -1 || row == g.nrows || column == -1 || column == g.ncols;
}

// North row, south row, west column, east column.
std::size_t FramedRaster::ringIndex(std::int64_t row, std::int64_t column) const {
    const RasterGeometry& g = tile_.geometry;
    const std::int64_t rowLength = g.ncols + 2;
    if (row == -1) return static_cast<std::size_t>(column + 1);
    if (row == g.nrows) return static_cast<std::size_t>(rowLength + column + 1);
    if (column == -1) return static_cast<std::size_t>(2 * rowLength + row);
    return static_cast<std::size_t>(2 * rowLength + g.nrows + row);
}

void FramedRaster::setRingCell(std::int64_t row, std::int64_t column, float value) {
    const std::size_t at = ringIndex(row, column);
    ring_[at] = isNoData(value) ? kGridNoData : value;
    held_[at] = 1;
}

const float* FramedRaster::ringRow(std::int64_t row) const { return ring_.data() + ringIndex(row, -1); }

bool FramedRaster::alone() const { return std::find(held_.begin(), held_.end(), 1) == held_.end(); }

bool FramedRaster::holds(std::int64_t row, std::int64_t column) const {
    const RasterGeometry& g = tile_.geometry;
    if (row >= 0 && row < g.nrows && column >= 0 && column < g.ncols) return true;
    return onRing(row, column) && ringHeld(row, column);
}

bool FramedRaster::ownsSquare(std::int64_t squareRow, std::int64_t squareColumn) const {
    const RasterGeometry& g = tile_.geometry;
    const CellIndex corners[4] = {{squareRow - 1, squareColumn},
                                  {squareRow - 1, squareColumn + 1},
                                  {squareRow, squareColumn},
                                  {squareRow, squareColumn + 1}};
    for (const CellIndex& corner : corners) {
        const bool inside = corner.row >= 0 && corner.row < g.nrows && corner.column >= 0 && corner.column < g.ncols;
        if (inside) return true;
        if (holds(corner.row, corner.column)) return false;
    }
    return false;
}

RasterRows FramedRaster::framedRows() const {
    RasterGeometry framed = tile_.geometry;
    framed.ncols += 2;
    framed.nrows += 2;
    framed.xllcorner -= framed.cellsize;
    framed.yllcorner -= framed.cellsize;
    auto self = std::make_shared<const FramedRaster>(*this);
    return {framed, [self](std::int64_t first, std::int64_t count, float* out) {
                const RasterGeometry& g = self->geometry();
                const std::int64_t width = g.ncols + 2;
                // Framed row f is the tile's row f - 1.
                const std::int64_t innerFirst = std::max<std::int64_t>(first - 1, 0);
                const std::int64_t innerEnd = std::min(first + count - 1, g.nrows);
                std::vector<float> inner(
                    static_cast<std::size_t>(std::max<std::int64_t>(0, innerEnd - innerFirst) * g.ncols));
                if (innerEnd > innerFirst) self->tile().rows(innerFirst, innerEnd - innerFirst, inner.data());
                for (std::int64_t f = first; f < first + count; ++f) {
                    const std::int64_t row = f - 1;
                    float* cells = out + (f - first) * width;
                    if (row == -1 || row == g.nrows) {
                        std::copy_n(self->ringRow(row), width, cells);
                        continue;
                    }
                    cells[0] = self->ringValue(row, -1);
                    std::copy_n(inner.data() + (row - innerFirst) * g.ncols, g.ncols, cells + 1);
                    cells[width - 1] = self->ringValue(row, g.ncols);
                }
            }};
}

FramedRaster frameAlone(RasterRows raster) {
    const RasterGeometry geometry = raster.geometry;
    return FramedRaster(std::move(raster), geometry, CellIndex{0, 0});
}

RasterRows cropFrame(RasterRows framed, const RasterGeometry& inner) {
    return {inner,
            [framed = std::move(framed), ncols = inner.ncols](std::int64_t first, std::int64_t count, float* out) {
                const std::int64_t width = ncols + 2;
                std::vector<float> rows(static_cast<std::size_t>(count * width));
                framed.rows(first + 1, count, rows.data());
                for (std::int64_t row = 0; row < count; ++row)
                    std::copy_n(rows.data() + row * width + 1, ncols, out + row * ncols);
            }};
}

}  // namespace kestrune
