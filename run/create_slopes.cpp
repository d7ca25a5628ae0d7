#include "run/create_slopes.hpp"

#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/esri_grid/grid_name.hpp"
#include "gis/gdal/gdal_services.hpp"
#include "gis/slope/slope_raster.hpp"

#include "common/failure_description.hpp"
#include "common/file_naming.hpp"
#include "common/folder_listing.hpp"

#include <exception>
#include <filesystem>
#include <stdexcept>

namespace kestrune {
namespace {

bool sameFolder(const std::string& first, const std::string& second) {
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}

void reportSlopeFailure(RunContext& run, const std::string& description) {
    run.showMessage("File Error-" + description, "Program was interrupted");
    run.RunOk = false;
}

}  // namespace

SlopeWork prepareSlope(const RasterDataset& dataset, const std::string& folder, const RasterFraming& framing,
                       double zFactor) {
    SlopeWork work;
    const std::string gridName = dataset.baseName();
    const std::string slopePath = joinPath(folder, gridName);
    auto refuse = [&](const std::string& why) { work.reported = std::make_exception_ptr(std::runtime_error(why)); };
    if (sameFolder(folder, dataset.folder())) {
        refuse(dataset.kind() == RasterDataset::Kind::Grid
                   ? "the slope GRID " + slopePath + " would replace its own source GRID"
                   : "the slope GRID " + slopePath + " would go into the folder of its source " + dataset.path());
        return work;
    }
    if (std::string problem = gridNameProblem(gridName); !problem.empty()) {
        refuse("the slope GRID of " + dataset.path() + ": " + problem);
        return work;
    }
    // An earlier slope GRID that cannot be read stops the walk; one that may
    // be replaced is, when the new one is complete; one that may not stays,
    // and saving is refused.
    try {
        if (FldExist(slopePath)) RasterWorkspace::open(folder).findGrid(gridName);
    } catch (const std::exception&) {  // passed on in its turn, on the run's thread
        work.passesOn = std::current_exception();
        return work;
    }
    try {
        RasterFraming::Framed framed = framing.frame(dataset);
        work.note = std::move(framed.note);
        const std::string projection = dataset.projection();
        const SlopeMetric metric =
            SlopeMetric::of(projection.empty() ? GroundUnits{} : gdal().groundUnits(projection), zFactor);
        if (std::string note = metric.note(); !note.empty()) work.metricNote = dataset.name() + ": " + note;
        work.grid.emplace(stageEsriGrid(folder, gridName, slopeRows(framed.raster, metric), projection));
    } catch (const std::exception&) {  // reported in its turn, on the run's thread
        work.reported = std::current_exception();
    }
    return work;
}

bool CreateSlopes(RunContext& run, SlopeWork&& prepared) {
    if (prepared.passesOn) std::rethrow_exception(prepared.passesOn);
    try {
        if (prepared.reported) std::rethrow_exception(prepared.reported);
        if (!prepared.metricNote.empty()) run.setStatusLine(prepared.metricNote);
        prepared.grid->commit();
        return true;
    } catch (const std::exception& failure) {
        reportSlopeFailure(run, describeFailure(failure));
        return false;
    }
}

}  // namespace kestrune
