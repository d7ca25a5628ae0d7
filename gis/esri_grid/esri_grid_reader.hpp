#pragma once

#include "gis/raster/float_raster.hpp"

#include <string>

namespace kestrune {

// Opens a GRID for reading row by row. The float GRIDs of one tile that
// ArcGIS and this program write are read by our own code, a block at a
// time; every other GRID (integer, compressed, several tiles) is read whole
// through GDAL's AIG driver, which reads every kind ArcGIS writes. NoData
// cells come out as kGridNoData. Throws std::runtime_error naming the GRID.
RasterRows openEsriGrid(const std::string& gridFolder);

// Opens a GRID through GDAL and closes it again: throws when it cannot be read.
void checkEsriGridOpens(const std::string& gridFolder);

// The text of the GRID's prj.adf, or empty when it has none.
std::string readGridProjection(const std::string& gridFolder);

}  // namespace kestrune
