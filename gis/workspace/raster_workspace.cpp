#include "gis/workspace/raster_workspace.hpp"

#include "gis/esri_grid/esri_grid_reader.hpp"
#include "gis/esri_grid/grid_name.hpp"
#include "gis/esri_grid/info_tables.hpp"
#include "gis/gdal/gdal_services.hpp"

#include "common/file_naming.hpp"
#include "common/folder_listing.hpp"
#include "common/replacement.hpp"
#include "common/small_file.hpp"

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <set>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
RasterDataset::RasterDataset(std::string workspace, std::string entryName, Kind kind)
    : folder_(std::move(workspace)),
      entryName_(std::move(entryName)),
      kind_(kind),
      path_((fs::absolute(fs::path(folder_)) / entryName_).lexically_normal().string()) {}

std::string RasterDataset::baseName() const {
    return kind_ == Kind::Grid ? entryName_ : entryName_.substr(0, entryName_.find('.'));
}

RasterRows RasterDataset::open() const {
    if (kind_ == Kind::Grid) return openEsriGrid(path_);
    RasterRows rows = gdal().rasterRows(path_);
    checkExtent(rows.geometry, "the raster " + path_);
    return rows;
}

std::string RasterDataset::projection() const {
    return kind_ == Kind::Grid ? readGridProjection(path_) : gdal().rasterProjection(path_);
}

bool RasterDataset::canDelete() const {
    return ::access(path_.c_str(), W_OK) == 0 && ::access(folder_.c_str(), W_OK) == 0;
}

void RasterDataset::remove() const {
    removeGridTables(folder_, entryName_);
    std::error_code error;
    fs::remove_all(path_, error);
    if (error) throw std::runtime_error("cannot delete the GRID " + path_ + ": " + error.message());
}

RasterWorkspace RasterWorkspace::open(const std::string& folder) {
    if (!FldExist(folder)) throw std::runtime_error("cannot open " + folder + " as a raster workspace: no such folder");
    return RasterWorkspace(folder);
}

std::optional<RasterDataset> RasterWorkspace::findGrid(const std::string& name) const {
    const std::string folderName = gridFolderName(name);
    if (!isGridFolder((fs::path(folder_) / folderName).string())) return std::nullopt;
    RasterDataset dataset(folder_, folderName);
    checkEsriGridOpens(dataset.path());
    return dataset;
}

std::vector<RasterDataset> RasterWorkspace::grids() const {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(folder_, error), end; !error && entry != end; entry.increment(error))
        if (isGridFolder(entry->path().string())) names.push_back(entry->path().filename().string());
    if (error) throw std::runtime_error("cannot list the GRIDs of " + folder_ + ": " + error.message());
    std::sort(names.begin(), names.end());
    std::vector<RasterDataset> datasets;
    for (const auto& name : names) datasets.emplace_back(folder_, name);
    return datasets;
}

namespace {

// Files that go with a raster rather than being one.
bool isSidecar(const std::string& name) {
    for (const char* extension : {".aux.xml", ".aux", ".ovr", ".rrd", ".tfw", ".tifw", ".tfwx", ".wld", ".jgw", ".pgw",
                                  ".prj",     ".hdr", ".xml", ".msk", ".stx", ".clr",  ".dbf",  ".shp", ".shx", ".cpg"})
        if (hasExtension(name, extension)) return true;
    return false;
}

// The files of the raster at `path`, as GDAL counts them; empty for a file
// that is no raster.
std::vector<std::string> rasterParts(const fs::path& path) {
    try {
        return gdal().rasterFiles(path.string());
    } catch (const std::runtime_error& failure) {  // GDAL could not be loaded: say for which file
        throw std::runtime_error("cannot tell whether " + path.string() + " is a raster: " + failure.what());
    }
}

}  // namespace

std::vector<RasterDataset> RasterWorkspace::rasterDatasets() const {
    std::vector<RasterDataset> datasets = grids();
    std::vector<std::string> files;
    std::error_code error;
    for (fs::directory_iterator entry(folder_, error), end; !error && entry != end; entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code typeError;
        if (name[0] != '.' && entry->is_regular_file(typeError) && !isSidecar(name)) files.push_back(name);
    }
    if (error) throw std::runtime_error("cannot list the rasters of " + folder_ + ": " + error.message());
    std::sort(files.begin(), files.end());
    std::set<fs::path> claimed;  // files of a raster already taken
    for (const std::string& name : files) {
        const fs::path path = fs::absolute(fs::path(folder_) / name).lexically_normal();
        if (claimed.count(path)) continue;
        const std::vector<std::string> parts = rasterParts(path);
        if (parts.empty()) continue;
        for (const std::string& part : parts) claimed.insert(fs::absolute(part).lexically_normal());
        datasets.emplace_back(folder_, name, RasterDataset::Kind::RasterFile);
    }
    std::sort(datasets.begin(), datasets.end(),
              [](const RasterDataset& a, const RasterDataset& b) { return a.name() < b.name(); });
    return datasets;
}

void clearWorkspaceLeftovers(const std::string& folder) {
    clearLeftovers(folder, gridTablesAftercareIn(folder));
    clearLeftovers((fs::path(folder) / "info").string());
    try {
        addMissingGridTables(folder);
    } catch (const std::exception&) {  // tables that cannot be written now are added by a later run
    }
}

}  // namespace kestrune
