#pragma once

#include "gis/contour/contour_shapefile.hpp"
#include "gis/raster/framed_raster.hpp"

#include "common/staged_file_set.hpp"

#include <string>
#include <vector>

namespace kestrune {

// The files of a GeoPackage of base name B: B.gpkg, and the journals SQLite
// may leave beside it (an earlier one of a stale journal must go with it).
const std::vector<std::string>& geoPackageExtensions();

// Writes the contour lines of `raster` (see stageContourShapefile: the same
// lines, fields ID and CONTOUR, the same failures but the size limit, which
// a GeoPackage has not) as a GeoPackage under a hidden base name beside
// `targetBase`: one table named after the target's base name, its
// coordinate system (catalogued by GDAL when `projection` is not empty)
// and an R-tree spatial index.
StagedFileSet stageContourGeoPackage(const FramedRaster& raster, const std::string& projection,
                                     const std::string& targetBase, const ContourOptions& options);

}  // namespace kestrune
