#pragma once

#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/workspace/raster_workspace.hpp"
#include "run/raster_framing.hpp"

#include "run/run_context.hpp"

#include <exception>
#include <optional>
#include <string>

namespace kestrune {

// The slope GRID <strExportFolder>/<base name> (degrees) of a raster
// dataset in two steps, so that several GRIDs can be worked on at once: the
// slope is made on any thread under a hidden name, then put in place of an
// earlier GRID of the name (when it may be deleted), reported or passed on
// in turn on the run's thread. A base name that breaks the GRID naming rules
// is refused, and so is a slope folder that is the dataset's own folder, so
// no source is replaced. A failure in deleting, computing or saving is
// reported ("File Error-") and clears RunOk; one in opening the slope folder
// or the earlier GRID passes on.
struct SlopeWork {
    std::optional<StagedGrid> grid;
    std::exception_ptr reported;  // a failure CreateSlopes reports
    std::exception_ptr passesOn;  // one it passes on to the walk
    std::string note;             // why a tile was made alone after all
    std::string metricNote;       // what the slope used, when not the plain planar case
};
// The slope takes the ground size of the cells and the unit of heights
// from the dataset's coordinate system (see SlopeMetric); a positive
// `zFactor` replaces what it says of heights.
SlopeWork prepareSlope(const RasterDataset& pRasterDs, const std::string& strExportFolder,
                       const RasterFraming& framing = {}, double zFactor = 0);
// True when the slope GRID went in place.
bool CreateSlopes(RunContext& run, SlopeWork&& prepared);

}  // namespace kestrune
