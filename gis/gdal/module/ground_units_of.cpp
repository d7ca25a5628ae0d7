#include "gis/gdal/module/ground_units_of.hpp"

#include "gis/gdal/module/arcinfo_projection.hpp"

#include <cpl_conv.h>
#include <ogr_spatialref.h>

#include <cctype>
#include <sstream>

namespace kestrune {
namespace {

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The Zunits line of the ArcInfo keyword form, if the text is in that form.
void readZunits(const std::string& projection, GroundUnits& units) {
    std::istringstream lines(projection);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string keyword, value;
        words >> keyword >> value;
        if (upper(keyword) != "ZUNITS") continue;
        value = upper(value);
        if (value == "METERS" || value == "METRES" || value == "METER")
            units.metresPerZUnit = 1, units.zUnitName = "metres";
        if (value == "FEET" || value == "FOOT")
            units.metresPerZUnit = CPLAtof(SRS_UL_US_FOOT_CONV), units.zUnitName = "US survey feet";
        return;
    }
}

// The unit of a vertical coordinate system of the WKT (a compound system's or its own).
void readVerticalUnit(const OGRSpatialReference& srs, GroundUnits& units) {
    if (!srs.IsCompound() && !srs.IsVertical()) return;
    const char* name = nullptr;
    const double metres = srs.GetTargetLinearUnits("VERT_CS", &name);
    if (!(metres > 0)) return;
    units.metresPerZUnit = metres;
    units.zUnitName = name ? name : "";
}

}  // namespace

GroundUnits groundUnitsOf(const std::string& projection) {
    GroundUnits units;
    OGRSpatialReference srs;
    if (projection.empty() || !readProjection(projection, srs)) return units;
    units.name = srs.GetName() ? srs.GetName() : "";
    units.geographic = srs.IsGeographic() != 0;
    if (units.geographic) {
        units.radiansPerUnit = srs.GetAngularUnits();
    } else if (srs.IsProjected() || srs.IsLocal()) {
        units.metresPerUnit = srs.GetLinearUnits();
    }
    OGRErr error = OGRERR_NONE;
    const double semiMajor = srs.GetSemiMajor(&error);
    if (error == OGRERR_NONE) {
        units.semiMajor = semiMajor;
        units.inverseFlattening = srs.GetInvFlattening(&error);
        const OGR_SRSNode* spheroid = srs.GetAttrNode("SPHEROID");
        if (spheroid && spheroid->GetChildCount() > 0) units.ellipsoidName = spheroid->GetChild(0)->GetValue();
    }
    readVerticalUnit(srs, units);
    if (units.metresPerZUnit == 0) readZunits(projection, units);
    return units;
}

}  // namespace kestrune
