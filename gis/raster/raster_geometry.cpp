#include "gis/raster/raster_geometry.hpp"

#include "common/number_text.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kestrune {
namespace {

// The distance `cells` as a whole number of cells, or NaN when it is none.
double wholeCells(double cells) {
    const double whole = std::round(cells);
    return std::fabs(cells - whole) <= RasterGeometry::kLatticeTolerance ? whole : std::nan("");
}

// A cell spans at least this many of the steps a double takes at its
// coordinates, so that its edges and centre are told apart.
constexpr double kCellsOfSteps = 1024;

// How the spans [a0, a1] and [b0, b1] meet, with `slack` of rounding.
ExtentRelation spanRelation(double a0, double a1, double b0, double b1, double slack) {
    const double shared = std::min(a1, b1) - std::max(a0, b0);
    if (shared > slack) return ExtentRelation::Overlapping;
    return shared >= -slack ? ExtentRelation::Touching : ExtentRelation::Apart;
}

}  // namespace

CellIndex RasterGeometry::cellOf(double x, double y) const {
    return {static_cast<std::int64_t>(std::floor((yurcorner() - y) / cellsize)),
            static_cast<std::int64_t>(std::floor((x - xllcorner) / cellsize))};
}

bool RasterGeometry::sameLattice(const RasterGeometry& other) const {
    if (!(std::fabs(other.cellsize - cellsize) <= kLatticeTolerance * cellsize)) return false;
    return !std::isnan(wholeCells((other.xllcorner - xllcorner) / cellsize)) &&
           !std::isnan(wholeCells((other.yurcorner() - yurcorner()) / cellsize));
}

CellIndex RasterGeometry::offsetOf(const RasterGeometry& other) const {
    return {static_cast<std::int64_t>(std::round((yurcorner() - other.yurcorner()) / cellsize)),
            static_cast<std::int64_t>(std::round((other.xllcorner - xllcorner) / cellsize))};
}

ExtentRelation RasterGeometry::relationTo(const RasterGeometry& other) const {
    const double slack = kLatticeTolerance * std::max(cellsize, other.cellsize);
    const ExtentRelation across = spanRelation(xllcorner, xurcorner(), other.xllcorner, other.xurcorner(), slack);
    const ExtentRelation down = spanRelation(yllcorner, yurcorner(), other.yllcorner, other.yurcorner(), slack);
    if (across == ExtentRelation::Apart || down == ExtentRelation::Apart) return ExtentRelation::Apart;
    if (across == ExtentRelation::Overlapping && down == ExtentRelation::Overlapping)
        return ExtentRelation::Overlapping;
    return ExtentRelation::Touching;
}

std::string extentProblem(const RasterGeometry& raster) {
    if (!std::isfinite(raster.xllcorner) || !std::isfinite(raster.yllcorner))
        return "the lower-left corner (" + formatDouble(raster.xllcorner) + ", " + formatDouble(raster.yllcorner) +
               ") is not a finite number";
    if (!std::isfinite(raster.cellsize) || !(raster.cellsize > 0))
        return "the cell size " + formatDouble(raster.cellsize) + " is not a positive number";
    if (!std::isfinite(raster.xurcorner()) || !std::isfinite(raster.yurcorner()))
        return "the extent of " + std::to_string(raster.ncols) + " x " + std::to_string(raster.nrows) + " cells of " +
               formatDouble(raster.cellsize) + " from (" + formatDouble(raster.xllcorner) + ", " +
               formatDouble(raster.yllcorner) + ") passes the largest number";
    // Far from the origin a double holds coordinates to steps larger than a
    // small cell: its edges could not be told apart, and readers would
    // count a different number of cells.
    const double farthest = std::max({std::fabs(raster.xllcorner), std::fabs(raster.yllcorner),
                                      std::fabs(raster.xurcorner()), std::fabs(raster.yurcorner())});
    const double step = std::nextafter(farthest, HUGE_VAL) - farthest;
    if (raster.cellsize < kCellsOfSteps * step)
        return "cells of " + formatDouble(raster.cellsize) + " cannot be told apart at coordinates as large as " +
               formatDouble(farthest) + ", which a double holds only to steps of " + formatDouble(step);
    return {};
}

void checkExtent(const RasterGeometry& raster, const std::string& what) {
    if (std::string problem = extentProblem(raster); !problem.empty())
        throw std::runtime_error(what + " is damaged: " + problem);
}

}  // namespace kestrune
