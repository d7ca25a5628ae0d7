#include "gis/surface/tile_surface.hpp"

#include <algorithm>
#include <cmath>

namespace kestrune {
namespace {

bool sameSurface(const SurfaceTile& a, const SurfaceTile& b) {
    return a.coordinateSystem == b.coordinateSystem && a.geometry.sameLattice(b.geometry);
}

// The extent that covers every geometry of `members`, on the lattice of the first.
RasterGeometry coveringExtent(const std::vector<SurfaceTile>& tiles, const std::vector<std::size_t>& members) {
    const RasterGeometry& first = tiles[members.front()].geometry;
    double west = first.xllcorner, south = first.yllcorner, east = first.xurcorner(), north = first.yurcorner();
    for (std::size_t member : members) {
        const RasterGeometry& g = tiles[member].geometry;
        west = std::min(west, g.xllcorner), south = std::min(south, g.yllcorner);
        east = std::max(east, g.xurcorner()), north = std::max(north, g.yurcorner());
    }
    RasterGeometry surface;
    surface.cellsize = first.cellsize;
    surface.xllcorner = west;
    surface.ncols = static_cast<std::int64_t>(std::llround((east - west) / first.cellsize));
    surface.nrows = static_cast<std::int64_t>(std::llround((north - south) / first.cellsize));
    // The northern edge is where rows are counted from: keep it exact.
    surface.yllcorner = north - static_cast<double>(surface.nrows) * first.cellsize;
    return surface;
}

// Cells [begin, end) of a span, cut to [0, size).
struct Span {
    std::int64_t begin, end;
    bool empty() const { return end <= begin; }
};
Span intersect(Span a, Span b) { return {std::max(a.begin, b.begin), std::min(a.end, b.end)}; }

}  // namespace

TileSurface::TileSurface(std::vector<SurfaceTile> tiles) : tiles_(std::move(tiles)), groups_(tiles_.size()) {
    std::vector<std::vector<std::size_t>> members;
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        auto group = std::find_if(members.begin(), members.end(),
                                  [&](const auto& m) { return sameSurface(tiles_[m.front()], tiles_[i]); });
        if (group == members.end()) group = members.insert(members.end(), std::vector<std::size_t>{});
        group->push_back(i);
        groups_[i] = static_cast<std::size_t>(group - members.begin());
    }
    for (const auto& m : members) surfaces_.push_back(coveringExtent(tiles_, m));
}

// The other tiles of its surface whose cells reach the ring around tile
// `index`, in the order given.
std::vector<std::size_t> TileSurface::neighbours(std::size_t index) const {
    const RasterGeometry& surface = surfaceOf(index);
    const RasterGeometry& own = tiles_[index].geometry;
    const CellIndex at = surface.offsetOf(own);
    std::vector<std::size_t> found;
    for (std::size_t j = 0; j < tiles_.size(); ++j) {
        if (j == index || groups_[j] != groups_[index]) continue;
        const RasterGeometry& other = tiles_[j].geometry;
        const CellIndex o = surface.offsetOf(other);
        const Span rows = intersect({at.row - 1, at.row + own.nrows + 1}, {o.row, o.row + other.nrows});
        const Span columns = intersect({at.column - 1, at.column + own.ncols + 1}, {o.column, o.column + other.ncols});
        if (!rows.empty() && !columns.empty()) found.push_back(j);
    }
    return found;
}

std::vector<std::size_t> TileSurface::overlapping(std::size_t index) const {
    std::vector<std::size_t> found;
    for (std::size_t j = 0; j < tiles_.size(); ++j)
        if (j != index && groups_[j] == groups_[index] &&
            tiles_[index].geometry.relationTo(tiles_[j].geometry) == ExtentRelation::Overlapping)
            found.push_back(j);
    return found;
}

std::vector<std::size_t> TileSurface::unjoined(std::size_t index) const {
    std::vector<std::size_t> found;
    for (std::size_t j = 0; j < tiles_.size(); ++j)
        if (groups_[j] != groups_[index] &&
            tiles_[index].geometry.relationTo(tiles_[j].geometry) != ExtentRelation::Apart)
            found.push_back(j);
    return found;
}

FramedRaster TileSurface::frame(std::size_t index, RasterRows rows) const {
    const std::vector<std::size_t> around = neighbours(index);
    if (around.empty()) return frameAlone(std::move(rows));
    const RasterGeometry& surface = surfaceOf(index);
    const RasterGeometry own = rows.geometry;
    const CellIndex at = surface.offsetOf(own);
    FramedRaster framed(std::move(rows), surface, at);
    // The ring's four sides, in the tile's own rows and columns.
    struct Side {
        Span rows, columns;
    };
    const Side sides[4] = {{{-1, 0}, {-1, own.ncols + 1}},
                           {{own.nrows, own.nrows + 1}, {-1, own.ncols + 1}},
                           {{0, own.nrows}, {-1, 0}},
                           {{0, own.nrows}, {own.ncols, own.ncols + 1}}};
    for (std::size_t j : around) {
        const SurfaceTile& neighbour = tiles_[j];
        const CellIndex o = surface.offsetOf(neighbour.geometry);
        // The neighbour's cells in the tile's rows and columns.
        const Span theirRows{o.row - at.row, o.row - at.row + neighbour.geometry.nrows};
        const Span theirColumns{o.column - at.column, o.column - at.column + neighbour.geometry.ncols};
        RasterRows source;
        try {
            source = neighbour.open();
        } catch (const std::exception& failure) {
            throw NeighbourUnreadable("its neighbour " + neighbour.name + " cannot be read: " + failure.what());
        }
        if (source.geometry.ncols != neighbour.geometry.ncols || source.geometry.nrows != neighbour.geometry.nrows)
            throw NeighbourUnreadable("its neighbour " + neighbour.name + " changed while the run read it");
        for (const Side& side : sides) {
            const Span r = intersect(side.rows, theirRows), c = intersect(side.columns, theirColumns);
            if (r.empty() || c.empty()) continue;
            std::vector<float> cells(static_cast<std::size_t>((r.end - r.begin) * (c.end - c.begin)));
            try {
                source.readWindow(r.begin - theirRows.begin, r.end - r.begin, c.begin - theirColumns.begin,
                                  c.end - c.begin, cells.data());
            } catch (const std::exception& failure) {
                throw NeighbourUnreadable("its neighbour " + neighbour.name + " cannot be read: " + failure.what());
            }
            const float* cell = cells.data();
            for (std::int64_t row = r.begin; row < r.end; ++row)
                for (std::int64_t column = c.begin; column < c.end; ++column, ++cell)
                    if (!framed.ringHeld(row, column)) framed.setRingCell(row, column, *cell);
        }
    }
    return framed;
}

}  // namespace kestrune
