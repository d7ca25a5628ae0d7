#pragma once

#include "gis/contour/contour_levels.hpp"
#include "gis/raster/framed_raster.hpp"
#include "gis/shapefile/polyline_shapefile_writer.hpp"
#include "gis/shapefile/staged_shapefile.hpp"

#include <cstdint>
#include <string>

namespace kestrune {

// How contours are made: lines at levels.base + k * levels.interval, into a
// shapefile of at most `sizeLimit` bytes a file.
struct ContourOptions {
    ContourLevels levels;
    std::uint64_t sizeLimit = kShapefileFileLimit;
};

// Writes the contour lines of `raster` (see generateContours; a tile of a
// surface draws the squares it owns, in the surface's coordinates) under a hidden
// base name beside `targetBase` (see StagedShapefile), as the polyline
// shapefile .shp, .shx and .dbf, with the fields ID (a
// running number from 0, in the order the lines are written) and CONTOUR
// (the level), and .prj in ESRI's WKT when `projection` (WKT or
// ESRI's keyword form) can be read. `name` names the raster in messages.
// Throws std::runtime_error for an interval that is not positive, more than
// 100000 levels over the raster's values, a start value too far from them
// to count levels in, and contours that would pass the size limit ("the
// contours of dem need 2.9 GB, more than the 2 GB a shapefile holds; use a
// larger interval"), and leaves nothing behind. Messages name the target.
StagedShapefile stageContourShapefile(const FramedRaster& raster, const std::string& projection,
                                      const std::string& targetBase, const std::string& name,
                                      const ContourOptions& options);

}  // namespace kestrune
