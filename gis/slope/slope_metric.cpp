#include "gis/slope/slope_metric.hpp"

#include "common/number_text.hpp"

#include <cmath>

namespace kestrune {

SlopeMetric SlopeMetric::of(const GroundUnits& units, double zFactor) {
    SlopeMetric metric;
    metric.systemName_ = units.name;
    metric.geographic_ = units.geographic && units.radiansPerUnit > 0 && units.semiMajor > 0;
    if (metric.geographic_) {
        metric.radiansPerUnit_ = units.radiansPerUnit;
        metric.semiMajor_ = units.semiMajor;
        const double flattening = units.inverseFlattening > 0 ? 1 / units.inverseFlattening : 0;
        metric.eccentricitySquared_ = flattening * (2 - flattening);
    }
    if (zFactor > 0) {
        metric.zFactor_ = zFactor;
        metric.zNote_ = "z-factor " + formatDouble(zFactor);
        return metric;
    }
    // Heights in a unit of their own: in ground units, or metres on an ellipsoid.
    const double groundMetres = metric.geographic_ ? 1 : units.metresPerUnit;
    if (units.metresPerZUnit > 0 && groundMetres > 0 &&
        std::fabs(units.metresPerZUnit / groundMetres - 1) > 1e-9) {  // one unit, however many digits it is given to
        metric.zFactor_ = units.metresPerZUnit / groundMetres;
        metric.zNote_ = "z in " + units.zUnitName;
    }
    return metric;
}

bool SlopeMetric::cellSize(const RasterGeometry& raster, std::int64_t row, double& eastWest, double& northSouth) const {
    if (!geographic_) {
        eastWest = northSouth = raster.cellsize;
        return true;
    }
    const double latitudeUnits = raster.yurcorner() - (static_cast<double>(row) + 0.5) * raster.cellsize;
    const double quarterTurn = (3.14159265358979323846 / 2) / radiansPerUnit_;  // 90 degrees in the unit
    if (!(quarterTurn - std::fabs(latitudeUnits) >= raster.cellsize)) return false;
    const double phi = latitudeUnits * radiansPerUnit_;
    const double sine = std::sin(phi);
    const double w = 1 - eccentricitySquared_ * sine * sine;
    const double primeVertical = semiMajor_ / std::sqrt(w);
    const double meridian = semiMajor_ * (1 - eccentricitySquared_) / (w * std::sqrt(w));
    const double angle = raster.cellsize * radiansPerUnit_;
    eastWest = primeVertical * std::cos(phi) * angle;
    northSouth = meridian * angle;
    return true;
}

std::string SlopeMetric::note() const {
    std::string note;
    if (geographic_) note = "geographic " + systemName_ + ", ground distances per row";
    if (!zNote_.empty()) note += (note.empty() ? "" : "; ") + zNote_;
    return note;
}

}  // namespace kestrune
