#pragma once

#include "gis/gdal/module/gdal_access.hpp"
#include "gis/raster/float_raster.hpp"

#include <memory>
#include <string>
#include <vector>

namespace kestrune {

// The rows of band 1 of a raster GDAL has opened, as 32-bit floats, its
// NoData value, NaN and infinities as kGridNoData, read as they are asked for (one
// thread at a time in GDAL). `what` names the raster in messages ("the
// raster /data/dem.tif"); `keepAlive` holds what the dataset needs while
// rows are read. Throws std::runtime_error for a raster whose cells are
// not square or not north up (the caller checks the extent).
RasterRows gdalRasterRows(GdalDataset dataset, const std::string& what, std::shared_ptr<void> keepAlive = nullptr);

// A raster file that GDAL opens, or none. Quiet: no message for files that
// are not rasters.
GdalDataset openGdalRaster(const std::string& path);

// The files GDAL counts as part of the raster at `path` (its world file,
// its .aux.xml ...), the raster itself first; empty when GDAL cannot open it.
std::vector<std::string> gdalRasterFiles(const std::string& path);

// The coordinate system of a raster file in WKT, or empty when it has none.
std::string gdalRasterProjection(const std::string& path);

}  // namespace kestrune
