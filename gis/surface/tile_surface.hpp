#pragma once

#include "gis/raster/float_raster.hpp"
#include "gis/raster/framed_raster.hpp"
#include "gis/raster/raster_geometry.hpp"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrune {

// A raster of a folder as a possible tile of a surface.
struct SurfaceTile {
    std::string name;                  // the raster's path, for messages
    RasterGeometry geometry;           // where it lies
    std::string coordinateSystem;      // its coordinate system as text; tiles of one surface have the same
    std::function<RasterRows()> open;  // its rows; throws std::runtime_error
};

// A neighbour a tile needs could not be read: the tile stands alone.
class NeighbourUnreadable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The rasters of a folder as tiles of surfaces: those that lie on one
// lattice (the same cell size, corners a whole number of cells apart) in
// one coordinate system are tiles of one surface, whose extent covers them
// all. Where tiles overlap, each keeps its own cells, and a cell of the
// ring around a tile comes from the first tile, in the order given, that
// has it.
class TileSurface {
public:
    explicit TileSurface(std::vector<SurfaceTile> tiles);

    std::size_t size() const { return tiles_.size(); }
    const SurfaceTile& tile(std::size_t index) const { return tiles_[index]; }

    // Tile `index` (whose rows are `rows`) with the ring of cells its
    // neighbours hold, read from their edges only (the GRID blocks or the
    // window that hold them). A tile that no other tile touches is framed
    // alone, as if it were no tile. Throws NeighbourUnreadable, naming the
    // neighbour and why, when a neighbour cannot be read.
    FramedRaster frame(std::size_t index, RasterRows rows) const;

    // The surface tile `index` lies on.
    const RasterGeometry& surfaceOf(std::size_t index) const { return surfaces_[groups_[index]]; }

    // The tiles of its surface that overlap tile `index`, in the order given.
    std::vector<std::size_t> overlapping(std::size_t index) const;
    // The tiles of other surfaces that touch or overlap tile `index`.
    std::vector<std::size_t> unjoined(std::size_t index) const;

    // The tiles of its surface whose cells lie in the ring of one cell
    // around tile `index`, or inside it: those its frame reads.
    std::vector<std::size_t> neighbours(std::size_t index) const;

private:
    std::vector<SurfaceTile> tiles_;
    std::vector<std::size_t> groups_;       // the surface of each tile
    std::vector<RasterGeometry> surfaces_;  // the extent of each surface
};

}  // namespace kestrune
