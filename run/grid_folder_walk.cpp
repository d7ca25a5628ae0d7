#include "run/grid_folder_walk.hpp"

#include "gis/raster_workspace.hpp"
#include "run/create_contours.hpp"
#include "run/create_slopes.hpp"

#include "common/folder_listing.hpp"
#include "common/number_text.hpp"
#include "common/replacement.hpp"

#include <stdexcept>

namespace kestrune {
namespace {

double contourNumber(const std::string& text, const char* what) {
    auto value = parseNumber(text);
    if (!value) throw std::runtime_error(std::string("the contour ") + what + " \"" + text + "\" is not a number");
    return *value;
}

}  // namespace

void GetRasterLayersFromFolder(RunContext& run) {
    const RunSettings& settings = run.settings;
    const RasterWorkspace workspace = RasterWorkspace::open(settings.gridFolder);
    clearWorkspaceLeftovers(settings.gridFolder);
    if (settings.slopeOutput && FldExist(settings.slopeFolder)) clearWorkspaceLeftovers(settings.slopeFolder);
    if (settings.contourOutput && FldExist(settings.contourFolder)) clearLeftovers(settings.contourFolder);
    for (const RasterDataset& dataset : workspace.grids()) {
        if (settings.slopeOutput) {
            run.setStatusLine("Running : ESRI GRID--> Get Slope " + dataset.path());
            CreateSlopes(run, dataset, settings.slopeFolder);
        }
        if (settings.contourOutput) {
            run.setStatusLine("Running : ESRI GRID--> Get Contour " + dataset.path());
            const double interval = contourNumber(settings.contourInterval, "interval");
            const double base = contourNumber(settings.contourStart, "start value");
            CreateContours(run, dataset, settings.contourFolder, interval, base);
        }
    }
    // RunOk stays as the walk leaves it: a slope failure reported on the way
    // still ends the run as stopped.
}

}  // namespace kestrune
