#include "run/create_slopes.hpp"

#include "gis/esri_grid_reader.hpp"
#include "gis/surface_operations.hpp"

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

void CreateSlopes(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder) {
    const std::string gridName = datasetName(pRasterDs.path());
    const std::string slopePath = joinPath(strExportFolder, gridName);
    if (sameFolder(strExportFolder, pRasterDs.folder())) {
        reportSlopeFailure(run, "the slope GRID " + slopePath + " would replace its own source GRID");
        return;
    }
    // An earlier slope GRID that cannot be read stops the walk; one that may
    // be replaced is, when the new one is complete; one that may not stays,
    // and saving is refused.
    if (FldExist(slopePath)) RasterWorkspace::open(strExportFolder).findGrid(gridName);
    try {
        saveAsGrid(slopeOfGrid(pRasterDs), slopePath, readGridProjection(pRasterDs.path()));
    } catch (const std::exception& failure) {
        reportSlopeFailure(run, describeFailure(failure));
    }
}

}  // namespace kestrune
