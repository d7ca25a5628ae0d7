#pragma once

#include "gis/raster/ground_units.hpp"
#include "gis/raster/raster_geometry.hpp"

#include <cstdint>
#include <string>

namespace kestrune {

// How far apart a raster's cells lie on the ground, and how its heights
// compare with that, for its slope. Planar: cells of `cellsize` ground
// units, heights in z units worth zFactor ground units each. Geographic:
// the cells of a row span N(phi) cos(phi) dLambda east to west and
// M(phi) dPhi north to south on the ellipsoid at the row's latitude phi (N
// the prime-vertical and M the meridian radius of curvature), in metres,
// and zFactor is metres in one z unit.
class SlopeMetric {
public:
    // The plain case: planar, heights in the ground unit.
    SlopeMetric() = default;

    // What the coordinate system says; `zFactor`, when positive, replaces
    // what it says of heights (ground units, or for a geographic raster
    // metres, in one z unit, as ArcGIS's z-factor and gdaldem's -s).
    static SlopeMetric of(const GroundUnits& units, double zFactor = 0);

    bool geographic() const { return geographic_; }
    double zFactor() const { return zFactor_; }

    // The ground size of a cell of raster row `row` of `raster`, east-west
    // and north-south, in the unit the z-factor is reckoned in; false for a
    // row nearer than a cell to a pole (or past it), whose cells have no slope.
    bool cellSize(const RasterGeometry& raster, std::int64_t row, double& eastWest, double& northSouth) const;

    // What the slope uses when it is not the plain case ("geographic WGS 84,
    // ground distances per row", "z in US survey feet", "z-factor 0.3048"),
    // else empty.
    std::string note() const;

private:
    bool geographic_ = false;
    double zFactor_ = 1;
    double radiansPerUnit_ = 0, semiMajor_ = 0, eccentricitySquared_ = 0;
    std::string systemName_, zNote_;
};

}  // namespace kestrune
