#pragma once

#include <string>

namespace kestrune {

// What a raster's coordinate system says of its distances and heights.
// Without a coordinate system, coordinates and heights are in one unit.
struct GroundUnits {
    std::string name;  // the coordinate system's name, for messages; empty for none
    // Coordinates are longitude and latitude on an ellipsoid, in an angle
    // unit of radiansPerUnit; else they are in a linear unit of
    // metresPerUnit (0 when the system names none).
    bool geographic = false;
    double radiansPerUnit = 0;
    double metresPerUnit = 0;
    // The ellipsoid: its semi-major axis in metres and inverse flattening
    // (0 for a sphere).
    std::string ellipsoidName;
    double semiMajor = 0;
    double inverseFlattening = 0;
    // The unit of the heights where the system names one (a vertical
    // coordinate system, the Zunits of an ArcInfo projection): metres in
    // one, and its name; 0 when it names none.
    double metresPerZUnit = 0;
    std::string zUnitName;
};

}  // namespace kestrune
