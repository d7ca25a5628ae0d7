#pragma once

#include "gis/esri_grid_writer.hpp"
#include "gis/float_raster.hpp"
#include "gis/raster_workspace.hpp"

#include <string>

namespace kestrune {

// The slope of a raster dataset in degrees (Horn, z-factor 1; see
// slopeRows), computed as its rows are asked for.
RasterRows slopeOfGrid(const RasterDataset& input);

// Saves a raster as a float GRID at `fullPath` (folder and GRID name), with
// `projection` as its prj.adf when not empty. Throws std::runtime_error.
void saveAsGrid(const RasterRows& raster, const std::string& fullPath, const std::string& projection);

// The same up to the commit (see StagedGrid).
StagedGrid stageAsGrid(const RasterRows& raster, const std::string& fullPath, const std::string& projection);

}  // namespace kestrune
