#include "gis/contour/level_check.hpp"

#include "gis/raster/value_range.hpp"

#include "common/number_text.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kestrune {
namespace {

constexpr double kMostLevels = 100000;
// Level numbers beyond this cannot be counted exactly in doubles.
constexpr double kFarthestLevel = 1e15;

}  // namespace

void checkLevels(const FramedRaster& raster, const ContourLevels& levels) {
    if (!(levels.interval > 0))
        throw std::runtime_error("the contour interval " + formatDouble(levels.interval) + " is not positive");
    auto [minimum, maximum] = valueRange(raster.tile());
    // The ring counts too: the squares a tile shares with its neighbours
    // span the values on both sides.
    const RasterGeometry& g = raster.geometry();
    auto widen = [&](float value) {
        if (isNoData(value)) return;
        minimum = std::min(minimum, value);
        maximum = std::max(maximum, value);
    };
    for (const std::int64_t row : {std::int64_t{-1}, g.nrows})
        for (std::int64_t column = 0; column < g.ncols + 2; ++column) widen(raster.ringRow(row)[column]);
    for (std::int64_t row = 0; row < g.nrows; ++row) {
        widen(raster.ringValue(row, -1));
        widen(raster.ringValue(row, g.ncols));
    }
    if (minimum > maximum) return;  // no valid cell: no level
    const double lowest = (minimum - levels.base) / levels.interval;
    const double highest = (maximum - levels.base) / levels.interval;
    if (!(std::fabs(lowest) < kFarthestLevel && std::fabs(highest) < kFarthestLevel))
        throw std::runtime_error("the contour start value " + formatDouble(levels.base) +
                                 " is too far from the values " + formatDouble(minimum) + " to " +
                                 formatDouble(maximum) + " for the interval " + formatDouble(levels.interval));
    const double count = std::floor(highest) - std::ceil(lowest) + 1;
    if (count > kMostLevels)
        throw std::runtime_error("the contour interval " + formatDouble(levels.interval) + " makes " +
                                 formatDouble(count) + " levels between " + formatDouble(minimum) + " and " +
                                 formatDouble(maximum) + "; at most 100000 are made");
}

}  // namespace kestrune
