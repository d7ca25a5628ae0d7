#pragma once

#include "gis/esri_grid_writer.hpp"
#include "gis/raster_workspace.hpp"

#include "run/run_context.hpp"

#include <exception>
#include <optional>
#include <string>

namespace kestrune {

// Makes the slope GRID <strExportFolder>/<base name> (degrees) of a raster
// dataset, replacing an earlier one when it may be deleted; a base name
// that breaks the GRID naming rules is refused. A failure in deleting,
// computing or saving is reported here ("File Error-") and clears RunOk;
// one in opening the slope folder or the earlier GRID passes on. A slope
// folder that is the dataset's own folder is refused, so no source is replaced.
void CreateSlopes(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder);

// The same in two steps, for GRIDs done several at once: the slope made on
// any thread, then put in place, reported or passed on in turn.
struct SlopeWork {
    std::optional<StagedGrid> grid;
    std::exception_ptr reported;  // a failure CreateSlopes reports
    std::exception_ptr passesOn;  // one it passes on to the walk
};
SlopeWork prepareSlope(const RasterDataset& dataset, const std::string& folder);
void CreateSlopes(RunContext& run, SlopeWork&& prepared);

}  // namespace kestrune
