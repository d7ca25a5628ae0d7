#pragma once

#include "gis/raster/float_raster.hpp"
#include "gis/raster/raster_geometry.hpp"

#include <cstdint>
#include <vector>

namespace kestrune {

// A raster with the ring of cells around it that its neighbours hold when
// it is a tile of a larger surface: rows -1 and nrows from column -1 to
// ncols, and columns -1 and ncols from row 0 to nrows - 1. A ring cell no
// tile holds is NoData, like any cell outside a raster. A raster alone (see
// frameAlone) has a ring of NoData that no tile holds.
class FramedRaster {
public:
    FramedRaster(RasterRows tile, const RasterGeometry& surface, CellIndex offset);

    const RasterRows& tile() const { return tile_; }
    const RasterGeometry& geometry() const { return tile_.geometry; }
    // The whole surface, on whose lattice the tile lies: coordinates on
    // it are the same bits whichever tile reckons them.
    const RasterGeometry& surface() const { return surface_; }
    // The tile's north-western cell on the surface.
    CellIndex offset() const { return offset_; }

    // True when (row, column) lies on the ring.
    bool onRing(std::int64_t row, std::int64_t column) const;
    // A ring cell's value (kGridNoData where no tile holds it or the tile's
    // cell is NoData), and whether a tile holds it.
    float ringValue(std::int64_t row, std::int64_t column) const { return ring_[ringIndex(row, column)]; }
    bool ringHeld(std::int64_t row, std::int64_t column) const { return held_[ringIndex(row, column)] != 0; }
    void setRingCell(std::int64_t row, std::int64_t column, float value);
    // The ring rows -1 and nrows, from column -1 to ncols.
    const float* ringRow(std::int64_t row) const;
    // True when no tile holds a cell of the ring.
    bool alone() const;

    // Whether the tile draws the lines of the cell square whose north-west
    // corner is cell (squareRow - 1, squareColumn): of the tiles holding its
    // corners, the one holding its north-western corner does, or else the
    // one holding its north-eastern, its south-western, its south-eastern
    // corner, in that order. So the tiles of a surface share its squares,
    // each drawn once. The tile's own cells count as its own.
    bool ownsSquare(std::int64_t squareRow, std::int64_t squareColumn) const;

    // The tile's rows with the ring around them: nrows + 2 rows of ncols + 2
    // cells, from the ring's north-western corner.
    RasterRows framedRows() const;

private:
    std::size_t ringIndex(std::int64_t row, std::int64_t column) const;
    bool holds(std::int64_t row, std::int64_t column) const;

    RasterRows tile_;
    RasterGeometry surface_;
    CellIndex offset_;
    std::vector<float> ring_;
    std::vector<std::uint8_t> held_;
};

// A raster that is a surface of its own.
FramedRaster frameAlone(RasterRows raster);

// Rows computed for a framed raster's framedRows() (its slopes, say) cut
// back to the raster's own cells, `inner` its geometry.
RasterRows cropFrame(RasterRows framed, const RasterGeometry& inner);

}  // namespace kestrune
