#include "gis/raster/value_range.hpp"

#include "common/worker_pool.hpp"

#include <algorithm>
#include <vector>

namespace kestrune {
namespace {

constexpr std::int64_t kBandRows = 64;

std::pair<float, float> rangeOfRows(const RasterRows& raster, std::int64_t first, std::int64_t last) {
    float minimum = FLT_MAX, maximum = -FLT_MAX;
    std::vector<float> band;
    for (std::int64_t row = first; row < last; row += kBandRows) {
        const std::int64_t count = std::min(kBandRows, last - row);
        band.resize(static_cast<std::size_t>(count * raster.geometry.ncols));
        raster.rows(row, count, band.data());
        for (float cell : band)
            if (!isNoData(cell)) {
                minimum = std::min(minimum, cell);
                maximum = std::max(maximum, cell);
            }
    }
    return {minimum, maximum};
}

}  // namespace

std::pair<float, float> valueRange(const RasterRows& raster) {
    const std::int64_t nrows = raster.geometry.nrows;
    const auto bands = static_cast<std::size_t>((nrows + kBandRows - 1) / kBandRows);
    std::vector<std::pair<float, float>> ranges(bands);
    parallelFor(bands, [&](std::size_t band) {
        const std::int64_t first = static_cast<std::int64_t>(band) * kBandRows;
        ranges[band] = rangeOfRows(raster, first, std::min(nrows, first + kBandRows));
    });
    std::pair<float, float> range{FLT_MAX, -FLT_MAX};
    for (const auto& [minimum, maximum] : ranges)
        range = {std::min(range.first, minimum), std::max(range.second, maximum)};
    return range;
}

}  // namespace kestrune
