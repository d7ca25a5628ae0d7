#pragma once

#include "gis/float_raster.hpp"
#include "gis/raster_workspace.hpp"

#include <string>

namespace kestrune {

// The slope of a GRID in degrees (Horn, z-factor 1; see slopeRows),
// computed as its rows are asked for.
RasterRows slopeOfGrid(const RasterDataset& input);

// Saves a raster as a float GRID at `fullPath` (folder and GRID name), with
// `projection` as its prj.adf when not empty. Throws std::runtime_error.
void saveAsGrid(const RasterRows& raster, const std::string& fullPath, const std::string& projection);

// A shapefile: its path without extension.
class ShapefileDataset {
public:
    explicit ShapefileDataset(std::string basePath) : basePath_(std::move(basePath)) {}
    const std::string& basePath() const { return basePath_; }

    // Gives every file of the shapefile the base name `newName` in its
    // folder. Refuses when a file of the new name is there already; on a
    // failure midway the files already renamed are removed too.
    void renameTo(const std::string& newName);
    // Removes every file of the shapefile, quietly: for clearing up after a failure.
    void discard() const noexcept;

private:
    std::string basePath_;
};

// The file extensions of a shapefile as GDAL writes it.
const std::vector<std::string>& shapefileExtensions();

// Contour lines of a GRID at the levels base + k * interval (every whole k
// whose level lies within the data range), as polylines ending at NoData
// and at the raster's edge, written into `outFolder` as a shapefile under a
// hidden temporary name, with the fields ID (a running number) and CONTOUR
// (the level) and a .prj when the GRID has a projection. Throws
// std::runtime_error for an interval that is not positive or would make more
// than 100000 levels, and for any failure of GDAL; nothing is left behind then.
ShapefileDataset contourShapefile(const RasterDataset& input, const std::string& outFolder, double interval,
                                  double base);

}  // namespace kestrune
