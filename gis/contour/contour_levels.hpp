#pragma once

#include <cmath>
#include <cstdint>
#include <utility>

namespace kestrune {

// A value within 1e-6 of a contour level counts as 1e-6 above it, so that a
// line never runs exactly through a cell centre and a value equal to a level
// lies on its high side. GDAL's contour generator treats values the same way;
// our lines keep its geometry.
inline double nudgedValue(double level, double value) { return std::fabs(level - value) < 1e-6 ? value + 1e-6 : value; }

// The levels base + k * interval, k any whole number (interval > 0).
struct ContourLevels {
    double base = 0;
    double interval = 1;

    double level(std::int64_t index) const { return static_cast<double>(index) * interval + base; }

    // The indexes [first, last) of the levels that may cross a square whose
    // corner values lie in [minimum, maximum]: those above the minimum and at
    // or below the maximum, after the nudge above. Empty when both are equal.
    std::pair<std::int64_t, std::int64_t> range(double minimum, double maximum) const {
        auto first = static_cast<std::int64_t>(std::ceil((minimum - base) / interval));
        const double nudgedMinimum = nudgedValue(level(first), minimum);
        if (nudgedMinimum > minimum) first = static_cast<std::int64_t>(std::ceil((nudgedMinimum - base) / interval));
        if (minimum == maximum) return {first, first};
        auto last = static_cast<std::int64_t>(std::floor((maximum - base) / interval) + 1);
        const double nudgedMaximum = nudgedValue(level(last), maximum);
        if (nudgedMaximum > maximum)
            last = static_cast<std::int64_t>(std::floor((nudgedMaximum - base) / interval) + 1);
        return {first, last};
    }
};

}  // namespace kestrune
