#pragma once

#include <cstdint>
#include <string>

namespace kestrune {

// A cell of a raster, or of the lattice it lies on: rows count south from
// the northern edge, columns east from the western edge; either may lie
// outside the raster (negative, or past its size).
struct CellIndex {
    std::int64_t row = 0;
    std::int64_t column = 0;
    bool operator==(const CellIndex&) const = default;
};

// How two extents meet.
enum class ExtentRelation { Apart, Touching, Overlapping };

// Where a raster lies: square cells of `cellsize` map units, `nrows` rows
// from the northern edge and `ncols` columns from the western edge. The
// corner is the outer lower-left corner of the lower-left cell, not its
// centre. The XYZ engine, the ASCII and GRID readers and the GRID writer
// all describe their rasters so.
//
// Lattice answers allow for the rounding of coordinates written as decimal
// text: two cell sizes are equal, and a distance is a whole number of
// cells, within kLatticeTolerance of a cell.
struct RasterGeometry {
    static constexpr double kLatticeTolerance = 1e-6;

    std::int64_t ncols = 0;
    std::int64_t nrows = 0;
    double xllcorner = 0;
    double yllcorner = 0;
    double cellsize = 0;

    double xurcorner() const { return xllcorner + static_cast<double>(ncols) * cellsize; }
    double yurcorner() const { return yllcorner + static_cast<double>(nrows) * cellsize; }

    // The cell holding the point (x, y); a point on the side between two
    // cells belongs to the one east or south of it.
    CellIndex cellOf(double x, double y) const;

    // True when `other` has this cell size and its corner lies a whole
    // number of cells away: the cells of both are cells of one lattice.
    bool sameLattice(const RasterGeometry& other) const;

    // The cell of this raster's lattice that is `other`'s north-western
    // cell (for geometries on one lattice; otherwise the nearest).
    CellIndex offsetOf(const RasterGeometry& other) const;

    // Whether the two extents share no point, only sides or corners, or an
    // area of more than the tolerance.
    ExtentRelation relationTo(const RasterGeometry& other) const;
};

// Why a raster cannot lie where `raster` says, or empty when it can: a
// corner or cell size that is not a finite number, a cell size that is not
// positive, an extent whose far edge passes the largest number, or cells
// too small for a double to tell apart at the extent's coordinates (a cell
// of 1 at 1e16, where a double steps by 2).
std::string extentProblem(const RasterGeometry& raster);

// Throws std::runtime_error ("<what> is damaged: <problem>") when `raster`
// has an extentProblem.
void checkExtent(const RasterGeometry& raster, const std::string& what);

}  // namespace kestrune
