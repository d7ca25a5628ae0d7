#pragma once

#include "float_raster.hpp"

#include <string>

namespace kestrune {

// Reads a GRID through GDAL's AIG driver, which reads float and integer
// GRIDs of every compression ArcGIS writes. NoData cells become
// kGridNoData. Throws std::runtime_error naming the GRID.
FloatRaster readEsriGrid(const std::string& gridFolder);

// Opens a GRID through GDAL and closes it again: throws when it cannot be read.
void checkEsriGridOpens(const std::string& gridFolder);

// The text of the GRID's prj.adf, or empty when it has none.
std::string readGridProjection(const std::string& gridFolder);

}  // namespace kestrune
