#include "run/create_contours.hpp"

#include "common/failure_description.hpp"
#include "common/file_naming.hpp"

#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// Throws when a file of an earlier output may not go: a read-only file
// counts as protected, as on every desktop system the program's users come
// from, and so does one in a folder that may not be written.
void checkEarlierFileMayGo(const fs::path& path) {
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (error || !fs::is_regular_file(status)) return;  // only ordinary files are looked for
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none)
        throw std::runtime_error("Permission denied: " + path.string() + " is read-only");
    if (::access(path.parent_path().c_str(), W_OK) != 0)
        throw std::runtime_error(std::string(std::strerror(errno)) + ": " + path.string());
}

// The first file of base path `base` and one of these extensions that may
// not go, told with "Del_fail "; empty when all may.
std::string firstFileThatMayNotGo(RunContext& run, const std::string& base,
                                  std::initializer_list<const char*> extensions) {
    for (const char* extension : extensions) {
        try {
            checkEarlierFileMayGo(base + extension);
        } catch (const std::exception& failure) {
            run.showMessage("Del_fail " + describeFailure(failure));
            return base + extension;
        }
    }
    return {};
}

}  // namespace

std::string DelPreShpFile(RunContext& run, const std::string& aFileName) {
    return firstFileThatMayNotGo(run, aFileName, {".shp", ".shx", ".dbf", ".sbn", ".sbx"});
}

ContourWork prepareContours(const RasterDataset& pRasterDs, const std::string& strExportFolder,
                            const ContourOptions& options, const RasterFraming& framing, ContourFormat format) {
    ContourWork work;
    work.format = format;
    try {
        const std::string target = (fs::path(strExportFolder) / pRasterDs.baseName()).string();
        RasterFraming::Framed framed = framing.frame(pRasterDs);
        work.note = std::move(framed.note);
        if (format == ContourFormat::GeoPackage)
            work.output.emplace(stageContourGeoPackage(framed.raster, pRasterDs.projection(), target, options));
        else
            work.output.emplace(
                stageContourShapefile(framed.raster, pRasterDs.projection(), target, pRasterDs.name(), options));
    } catch (const std::exception&) {  // passed on in its turn, on the run's thread
        work.failure = std::current_exception();
    }
    return work;
}

void CreateContours(RunContext& run, const RasterDataset& pRasterDs, const std::string& strExportFolder,
                    ContourWork&& prepared) {
    if (prepared.failure) std::rethrow_exception(prepared.failure);
    const std::string target = joinPath(strExportFolder, pRasterDs.baseName());
    // The new contours are complete before the earlier ones go, so a failure
    // (too large a shapefile, a full disk) leaves the earlier shapefile.
    const std::string protectedFile = prepared.format == ContourFormat::GeoPackage
                                          ? firstFileThatMayNotGo(run, target, {".gpkg"})
                                          : DelPreShpFile(run, target);
    if (!protectedFile.empty())
        throw std::runtime_error("cannot rename the contours to " + protectedFile + ": the file is still there");
    prepared.output->putInPlace(target);
}

}  // namespace kestrune
