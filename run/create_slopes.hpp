#pragma once

#include "gis/raster_workspace.hpp"

#include "run/run_context.hpp"

#include <string>

namespace kestrune {

// Makes the slope GRID <strExportFolder>/<GRID name> (degrees) of a GRID,
// replacing an earlier one when it may be deleted. A failure in deleting,
// computing or saving is reported here ("File Error-") and clears RunOk;
// one in opening the slope folder or the earlier GRID passes on. A slope
// folder that is the GRID's own folder is refused, so no source is replaced.
void CreateSlopes(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder);

}  // namespace kestrune
