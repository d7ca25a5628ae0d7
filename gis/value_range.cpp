#include "gis/value_range.hpp"

#include "common/both_cores.hpp"

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
            if (cell != kGridNoData) {
                minimum = std::min(minimum, cell);
                maximum = std::max(maximum, cell);
            }
    }
    return {minimum, maximum};
}

}  // namespace

std::pair<float, float> valueRange(const RasterRows& raster) {
    const std::int64_t middle = raster.geometry.nrows / 2;
    std::pair<float, float> north, south;
    onBothCores([&] { north = rangeOfRows(raster, 0, middle); },
                [&] { south = rangeOfRows(raster, middle, raster.geometry.nrows); });
    return {std::min(north.first, south.first), std::max(north.second, south.second)};
}

}  // namespace kestrune
