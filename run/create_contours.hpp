#pragma once

#include "gis/contour_shapefile.hpp"
#include "gis/raster_workspace.hpp"

#include "run/run_context.hpp"

#include <exception>
#include <optional>
#include <string>

namespace kestrune {

// Makes way for a shapefile of base path `aFileName`: its earlier files
// (.shp, .shx, .dbf, .sbn, .sbx, in this order) may go once the new ones are
// complete. The first that may not (a read-only file, a folder that may not
// be written) is reported with "Del_fail " and its reason, the later ones
// are not looked at, and its path is returned; empty when all may go.
// RunOk is untouched.
std::string DelPreShpFile(RunContext& run, const std::string& aFileName);

// Makes the contour shapefile <strExportFolder>/<base name>.shp of a raster dataset
// under a hidden name, then puts it in place of an earlier one of that
// name, the whole set at once (replaceFileSet). Failures pass on to the caller as exceptions;
// nothing half-written stays behind, and the earlier shapefile stays when
// the new one could not be made.
void CreateContours(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder,
                    double dInterval, double dbase);

// The same in two steps, for GRIDs done several at once: the contours made
// on any thread, then put in place (or their failure passed on) in turn.
struct ContourWork {
    std::optional<StagedShapefile> shapefile;
    std::exception_ptr failure;
};
ContourWork prepareContours(const RasterDataset& dataset, const std::string& folder, double interval, double base);
void CreateContours(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder,
                    ContourWork&& prepared);

}  // namespace kestrune
