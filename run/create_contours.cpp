#include "run/create_contours.hpp"

#include "gis/contour_shapefile.hpp"

#include "common/failure_description.hpp"
#include "common/file_naming.hpp"

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// Deletes one file; a read-only file counts as protected, as on every
// desktop system the program's users come from.
void deleteShapefilePart(const fs::path& path) {
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::is_regular_file(status)) return;  // only ordinary files are looked for
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none)
        throw std::runtime_error("Permission denied: " + path.string() + " is read-only");
    fs::remove(path, error);
    if (error) throw std::runtime_error(error.message() + ": " + path.string());
}

}  // namespace

void DelPreShpFile(RunContext& run, const std::string& aFileName) {
    try {
        for (const char* extension : {".shp", ".shx", ".dbf", ".sbn", ".sbx"})
            deleteShapefilePart(aFileName + extension);
    } catch (const std::exception& failure) {
        run.showMessage("Del_fail " + describeFailure(failure));
    }
}

void CreateContours(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder,
                    double dInterval, double dbase) {
    const std::string gridName = datasetName(pRasterDs.path());
    // The new contours are complete before the earlier ones go, so a failure
    // (too large a shapefile, a full disk) leaves the earlier shapefile.
    ShapefileDataset contours = contourShapefile(pRasterDs, strExportFolder, ContourOptions{dInterval, dbase});
    DelPreShpFile(run, joinPath(strExportFolder, gridName));
    try {
        contours.renameTo(gridName);
    } catch (...) {
        contours.discard();
        throw;
    }
}

}  // namespace kestrune
