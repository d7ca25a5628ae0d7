#pragma once

#include "gis/raster/float_raster.hpp"
#include "gis/raster/framed_raster.hpp"
#include "gis/slope/slope_metric.hpp"

namespace kestrune {

// The slope in degrees of every cell of the raster `source` gives, by Horn's
// method, computed in double and stored as float, with the neighbourhood
// rule of ArcGIS 10.0 to 10.4: a NoData centre gives NoData; a NoData
// neighbour, and a neighbour outside the raster, takes the centre's value,
// so edge cells are computed. The result has the input's extent and cell
// size and is computed as its rows are asked for: a band of slope rows reads
// that band of the source and one row on either side. `metric` says how far
// apart the cells lie and what a unit of height is worth (see SlopeMetric);
// on a geographic raster, rows nearer than a cell to a pole are NoData.
RasterRows slopeRows(const RasterRows& source, const SlopeMetric& metric = {});

// The same for a tile of a surface: a cell on the tile's edge takes its
// neighbours from the ring its neighbouring tiles hold, so the tile's
// slopes are those of the whole surface cut to the tile.
RasterRows slopeRows(const FramedRaster& tile, const SlopeMetric& metric = {});

}  // namespace kestrune
