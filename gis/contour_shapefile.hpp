#pragma once

#include "gis/float_raster.hpp"
#include "gis/raster_workspace.hpp"
#include "gis/shapefile_writer.hpp"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kestrune {

// How contours are made: lines at base + k * interval, into a shapefile of
// at most `sizeLimit` bytes a file.
struct ContourOptions {
    double interval = 5;
    double base = 0;
    std::uint64_t sizeLimit = kShapefileFileLimit;
};

// Writes the contour lines of `raster` (see generateContours) as the
// polyline shapefile <basePath>.shp, .shx and .dbf, with the fields ID (a
// running number from 0, in the order the lines are written) and CONTOUR
// (the level), and <basePath>.prj in ESRI's WKT when `projection` (WKT or
// ESRI's keyword form) can be read. `name` names the raster in messages.
// Throws std::runtime_error for an interval that is not positive, more than
// 100000 levels over the raster's values, a start value too far from them
// to count levels in, and contours that would pass the size limit ("the
// contours of dem need 2.9 GB, more than the 2 GB a shapefile holds; use a
// larger interval"); the files written so far stay for the caller to remove.
// Messages name `shownBase` (the base path unless given).
void writeContourShapefile(const RasterRows& raster, const std::string& projection, const std::string& basePath,
                           const std::string& name, const ContourOptions& options, const std::string& shownBase = {});

// A shapefile written under a hidden base name beside its place, waiting
// to take it: dropped without putInPlace(), its files are removed.
class StagedShapefile {
public:
    explicit StagedShapefile(std::string basePath) : basePath_(std::move(basePath)) {}
    StagedShapefile(StagedShapefile&& other) noexcept : basePath_(std::exchange(other.basePath_, {})) {}
    StagedShapefile& operator=(StagedShapefile&&) = delete;
    StagedShapefile(const StagedShapefile&) = delete;
    ~StagedShapefile();

    const std::string& basePath() const { return basePath_; }
    // Puts the set in place of an earlier shapefile of base path
    // `targetBase`, all its files at once (replaceFileSet).
    void putInPlace(const std::string& targetBase);

private:
    std::string basePath_;
};

// The file extensions of a shapefile: the ones we write, the ones GDAL may
// add, and ArcGIS's spatial index, which a new shapefile makes stale.
const std::vector<std::string>& shapefileExtensions();

// The contours of a raster dataset, written into `outFolder` under a hidden
// temporary name beside their place, the dataset's base name (see
// writeContourShapefile); nothing is left behind after a failure.
StagedShapefile contourShapefile(const RasterDataset& input, const std::string& outFolder,
                                 const ContourOptions& options);

}  // namespace kestrune
