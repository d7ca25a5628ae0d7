#pragma once

#include "gis/raster_workspace.hpp"

#include "run/run_context.hpp"

#include <string>

namespace kestrune {

// Removes an earlier shapefile of base path `aFileName` (.shp, .shx, .dbf,
// .sbn, .sbx, in this order). The first file that cannot be deleted (also a
// read-only one) is reported with "Del_fail " and its reason, and the later
// ones are not tried; RunOk is untouched.
void DelPreShpFile(RunContext& run, const std::string& aFileName);

// Makes the contour shapefile <strExportFolder>/<GRID name>.shp of a GRID
// under a hidden name, then removes an earlier one of that name and puts
// the new one in its place. Failures pass on to the caller as exceptions;
// nothing half-written stays behind, and the earlier shapefile stays when
// the new one could not be made.
void CreateContours(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder,
                    double dInterval, double dbase);

}  // namespace kestrune
