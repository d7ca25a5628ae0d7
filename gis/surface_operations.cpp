#include "gis/surface_operations.hpp"

#include "gis/esri_grid_reader.hpp"
#include "gis/esri_grid_writer.hpp"
#include "gis/slope_raster.hpp"

#include "common/output_file.hpp"

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {

RasterRows slopeOfGrid(const RasterDataset& input) { return slopeRows(openEsriGrid(input.path())); }

void saveAsGrid(const RasterRows& raster, const std::string& fullPath, const std::string& projection) {
    const fs::path path(fullPath);
    writeEsriGrid(path.parent_path().string(), path.filename().string(), raster.geometry, raster.rows, projection);
}

const std::vector<std::string>& shapefileExtensions() {
    static const std::vector<std::string> extensions = {".shp", ".shx", ".dbf", ".prj", ".cpg"};
    return extensions;
}

void ShapefileDataset::renameTo(const std::string& newName) {
    const std::string target = (fs::path(basePath_).parent_path() / newName).string();
    std::error_code error;
    // The main files of a shapefile of the new name must be gone; its
    // sidecars (.prj, .cpg) go with the shapefile that replaces it.
    for (const char* extension : {".shp", ".shx", ".dbf"})
        if (fs::exists(fs::symlink_status(target + extension, error)))
            throw std::runtime_error("cannot rename the contours to " + target + extension +
                                     ": the file is still there");
    std::vector<std::string> moved;
    for (const auto& extension : shapefileExtensions()) {
        if (!fs::exists(basePath_ + extension, error)) {
            fs::remove(target + extension, error);
            if (error)
                throw std::runtime_error("cannot remove the earlier " + target + extension + ": " + error.message());
            continue;
        }
        fs::rename(basePath_ + extension, target + extension, error);
        if (error) {
            std::string reason = error.message();
            for (const auto& done : moved) fs::remove(target + done, error);
            throw std::runtime_error("cannot rename the contours to " + target + extension + ": " + reason);
        }
        moved.push_back(extension);
    }
    basePath_ = target;
}

void ShapefileDataset::discard() const noexcept {
    for (const auto& extension : shapefileExtensions()) {
        std::error_code ignored;  // clearing up after a failure that is reported already
        fs::remove(basePath_ + extension, ignored);
    }
}

}  // namespace kestrune
