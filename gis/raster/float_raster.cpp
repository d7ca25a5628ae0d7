#include "gis/raster/float_raster.hpp"

#include "common/worker_pool.hpp"

#include <algorithm>
#include <vector>

namespace kestrune {

void RasterRows::readWindow(std::int64_t firstRow, std::int64_t rowCount, std::int64_t firstColumn,
                            std::int64_t columns, float* out) const {
    if (window) return window(firstRow, rowCount, firstColumn, columns, out);
    std::vector<float> whole(static_cast<std::size_t>(rowCount * geometry.ncols));
    rows(firstRow, rowCount, whole.data());
    for (std::int64_t row = 0; row < rowCount; ++row)
        std::copy_n(whole.data() + row * geometry.ncols + firstColumn, columns, out + row * columns);
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
