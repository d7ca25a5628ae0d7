#pragma once

#include "gis/contour/contour_geopackage.hpp"
#include "gis/contour/contour_shapefile.hpp"
#include "gis/shapefile/staged_shapefile.hpp"
#include "gis/workspace/raster_workspace.hpp"
#include "run/raster_framing.hpp"

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

// The contour shapefile <strExportFolder>/<base name>.shp of a raster dataset
// in two steps, so that several GRIDs can be worked on at once: the
// contours are made on any thread under a hidden name (a failure is kept
// to be passed on in its turn), then put in place of an earlier shapefile of
// that name, the whole set at once, on the run's thread. Nothing
// half-written stays behind, and the earlier shapefile stays when the new
// one could not be made.
// As a GeoPackage (<base name>.gpkg) the same, for an earlier GeoPackage.
struct ContourWork {
    std::optional<StagedFileSet> output;  // the shapefile's files, or the GeoPackage
    ContourFormat format = ContourFormat::Shapefile;
    std::exception_ptr failure;
    std::string note;  // why a tile was made alone after all
};
ContourWork prepareContours(const RasterDataset& pRasterDs, const std::string& strExportFolder,
                            const ContourOptions& options, const RasterFraming& framing = {},
                            ContourFormat format = ContourFormat::Shapefile);
// Failures pass on to the caller as exceptions.
void CreateContours(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder,
                    ContourWork&& prepared);

}  // namespace kestrune
