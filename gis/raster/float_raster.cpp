#include "gis/raster/float_raster.hpp"

#include "common/worker_pool.hpp"

#include <algorithm>

namespace kestrune {

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
