#pragma once

#include "gis/float_raster.hpp"

#include <memory>

class GDALDataset;

namespace kestrune {

// A read-only GDAL dataset whose one Float32 band reads its rows from
// `raster` a block of 16 rows at a time (NoData kGridNoData), so GDAL's
// algorithms run on our rasters without a copy of the whole raster.
std::unique_ptr<GDALDataset> rasterRowsDataset(const RasterRows& raster);

}  // namespace kestrune
