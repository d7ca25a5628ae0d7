#include "create_contours.hpp"

#include "surface_operations.hpp"

#include "app/file_naming.hpp"

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
        for (const char* extension : {".shp", ".shx", ".dbf", ".sbn", ".sbx"}) deleteShapefilePart(aFileName + extension);
    } catch (const std::exception& failure) {
        run.showMessage(std::string("Del_fail ") + failure.what());
    }
}

void CreateContours(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder,
                    double dInterval, double dbase) {
    const std::string gridName = datasetName(pRasterDs.completeName());
    DelPreShpFile(run, joinPath(strExportFolder, gridName));
    ShapefileDataset contours = Contour(pRasterDs, strExportFolder, dInterval, dbase);
    try {
        contours.Rename(gridName);
    } catch (...) {
        contours.discard();
        throw;
    }
}

}  // namespace kestrune
