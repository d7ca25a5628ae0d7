#include "gis/float_raster.hpp"

#include "common/number_text.hpp"
#include "common/worker_pool.hpp"

#include <algorithm>

#include <cmath>
#include <stdexcept>

namespace kestrune {

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
    return {};
}

void checkExtent(const RasterGeometry& raster, const std::string& what) {
    if (std::string problem = extentProblem(raster); !problem.empty())
        throw std::runtime_error(what + " is damaged: " + problem);
}

FloatRaster readAllRows(const RasterRows& raster) {
    constexpr std::int64_t kBandRows = 64;
    FloatRaster all;
    static_cast<RasterGeometry&>(all) = raster.geometry;
    all.cells.resize(static_cast<std::size_t>(all.ncols * all.nrows));
    const auto bands = static_cast<std::size_t>((all.nrows + kBandRows - 1) / kBandRows);
    parallelFor(bands, [&](std::size_t band) {
        const std::int64_t first = static_cast<std::int64_t>(band) * kBandRows;
        raster.rows(first, std::min(kBandRows, all.nrows - first), all.cells.data() + first * all.ncols);
    });
    return all;
}

}  // namespace kestrune
