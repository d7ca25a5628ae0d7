#pragma once

#include "gis/raster/ground_units.hpp"

#include <string>

namespace kestrune {

// What `projection` (WKT, ESRI's WKT or the ArcInfo keyword form) says of
// distances and heights; the default GroundUnits when GDAL reads no
// coordinate system in it. Heights take their unit from a vertical
// coordinate system of the WKT or the keyword form's Zunits (METERS, or
// FEET, which ArcInfo means as US survey feet, as it does for Units).
GroundUnits groundUnitsOf(const std::string& projection);

}  // namespace kestrune
