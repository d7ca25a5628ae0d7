#include "xyz/raster_grid_builder.hpp"

#include "common/memory_budget.hpp"
#include "common/number_text.hpp"
#include "common/worker_pool.hpp"

#include <algorithm>

#include <cfloat>
#include <cmath>
#include <stdexcept>

namespace kestrune {
namespace {

float checkedCellSize(double value, const std::string& origin) {
    if (!std::isfinite(value) || std::fabs(value) > FLT_MAX)
        throw std::runtime_error(origin + " " + formatDouble(value) + " is outside the 32-bit range");
    float cellsize = static_cast<float>(value);
    if (value > 0 && cellsize == 0)
        throw std::runtime_error(origin + " " + formatDouble(value) + " rounds to 0 as a 32-bit number");
    if (!(cellsize > 0)) throw std::runtime_error(origin + " " + formatDouble(value) + " is not positive");
    return cellsize;
}

// Cells from the first centre to the one nearest `distance` away, plus one.
double cellsAcross(double distance, double cellsize) { return std::floor(distance / cellsize + 0.5) + 1; }

// Sizes the cells and sets them all to NoData, in parallel: the first touch
// of fresh memory is most of the cost.
void fillWithNoData(LargeArray<double>& cells, std::size_t count) {
    cells.resize(count);
    static constexpr std::size_t kPiece = std::size_t{1} << 20;
    parallelFor((count + kPiece - 1) / kPiece, [&cells, count](std::size_t piece) {
        auto first = cells.begin() + static_cast<std::ptrdiff_t>(piece * kPiece);
        std::fill(first, first + static_cast<std::ptrdiff_t>(std::min(kPiece, count - piece * kPiece)), kAsciiNoData);
    });
}

}  // namespace

float cellSizeFor(const XyzPointSet& points, const CellSizeRequest& request) {
    if (request.givenText) {
        auto value = parseNumber(*request.givenText);
        if (!value) throw std::runtime_error("the cell size \"" + *request.givenText + "\" is not a number");
        return checkedCellSize(*value, "the cell size");
    }
    std::size_t columns = points.distinctX.size();
    if (columns < 2) throw std::runtime_error("the cell size cannot be inferred: every point has the same X value");
    return checkedCellSize((points.maxX - points.minX) / static_cast<double>(columns - 1), "the inferred cell size");
}

AsciiRasterGrid BuildRasterGrid(const XyzPointSet& points, const CellSizeRequest& request, std::uint64_t memoryBytes) {
    if (points.pointCount() == 0) throw std::runtime_error("the file holds no point");
    AsciiRasterGrid grid;
    grid.cellsize = cellSizeFor(points, request);
    const double cellsize = grid.cellsize;
    const double columns = cellsAcross(points.maxX - points.minX, cellsize);
    const double rows = cellsAcross(points.maxY - points.minY, cellsize);
    const std::uint64_t budget = memoryBudget(memoryBytes);
    if (!(columns * rows * sizeof(double) <= static_cast<double>(budget)))
        throw std::runtime_error("grid of " + formatDouble(columns) + " x " + formatDouble(rows) +
                                 " cells is too large");
    grid.ncols = static_cast<std::int64_t>(columns);
    grid.nrows = static_cast<std::int64_t>(rows);
    grid.xllcorner = points.minX - cellsize / 2;
    grid.yllcorner = points.minY - cellsize / 2;
    fillWithNoData(grid.cells, static_cast<std::size_t>(grid.ncols * grid.nrows));
    for (const auto& block : points.blocks) {
        for (std::size_t i = 0; i < block.size(); i += 3) {
            // Every point lies within the extent, so both indexes are in range.
            auto column = static_cast<std::int64_t>(std::floor((block[i] - points.minX) / cellsize + 0.5));
            auto row = static_cast<std::int64_t>(std::floor((points.maxY - block[i + 1]) / cellsize + 0.5));
            grid.at(row, column) = block[i + 2];
        }
    }
    return grid;
}

}  // namespace kestrune
