#include "create_slopes.hpp"

#include "esri_grid_reader.hpp"
#include "surface_operations.hpp"

#include "app/file_naming.hpp"
#include "app/folder_listing.hpp"

#include <exception>
#include <filesystem>
#include <new>
#include <optional>
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
    const std::string gridName = datasetName(pRasterDs.completeName());
    const std::string slopePath = joinPath(strExportFolder, gridName);
    if (sameFolder(strExportFolder, pRasterDs.workspace())) {
        reportSlopeFailure(run, "the slope GRID " + slopePath + " would replace its own source GRID");
        return;
    }
    std::optional<RasterDataset> earlier;
    if (FldExist(slopePath)) earlier = RasterWorkspace::OpenFromFile(strExportFolder).OpenRasterDataset(gridName);
    try {
        if (earlier && earlier->CanDelete()) earlier->Delete();
        SaveAs(Slope(pRasterDs), slopePath, readGridProjection(pRasterDs.completeName()));
    } catch (const std::bad_alloc&) {
        reportSlopeFailure(run, "not enough memory");
    } catch (const std::exception& failure) {
        reportSlopeFailure(run, failure.what());
    }
}

}  // namespace kestrune
