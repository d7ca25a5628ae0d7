#include "gis/surface_operations.hpp"

#include "gis/esri_grid_writer.hpp"
#include "gis/slope_raster.hpp"

#include "common/output_file.hpp"

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {

RasterRows slopeOfGrid(const RasterDataset& input) { return slopeRows(input.open()); }

StagedGrid stageAsGrid(const RasterRows& raster, const std::string& fullPath, const std::string& projection) {
    const fs::path path(fullPath);
    return stageEsriGrid(path.parent_path().string(), path.filename().string(), raster.geometry, raster.rows,
                         projection);
}

void saveAsGrid(const RasterRows& raster, const std::string& fullPath, const std::string& projection) {
    stageAsGrid(raster, fullPath, projection).commit();
}

}  // namespace kestrune
