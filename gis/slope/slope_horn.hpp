#pragma once

#include <cmath>

namespace kestrune {

// The slope in degrees at the centre of a 3 x 3 window by Horn's method
// (Horn 1981: weights 1-2-1, the "average maximum technique" of ArcGIS):
//   a b c
//   d e f     north row first, x growing east
//   g h i
// east-west rate   p = ((c + 2f + i) - (a + 2d + g)) / (8 * cellsize)
// north-south rate q = ((g + 2h + i) - (a + 2b + c)) / (8 * cellsize)
// slope = atan(sqrt(p^2 + q^2)), z-factor 1.
// With cells of eastWest by northSouth ground units and heights in z units
// of zFactor ground units, the cell sizes divide p and q and the z-factor
// multiplies the root (the same bits as above when 1).
inline double slopeHorn(const double w[9], double eastWest, double northSouth, double zFactor) {
    const double p = ((w[2] + 2 * w[5] + w[8]) - (w[0] + 2 * w[3] + w[6])) / (8 * eastWest);
    const double q = ((w[6] + 2 * w[7] + w[8]) - (w[0] + 2 * w[1] + w[2])) / (8 * northSouth);
    return std::atan(zFactor * std::sqrt(p * p + q * q)) * (180.0 / 3.14159265358979323846);
}

inline double slopeHorn(const double w[9], double cellsize) { return slopeHorn(w, cellsize, cellsize, 1); }

}  // namespace kestrune
