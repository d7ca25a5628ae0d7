#pragma once

#include <cmath>
#include <cstdint>

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
};

}  // namespace kestrune
