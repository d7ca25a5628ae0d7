#pragma once

#include "gis/raster/raster_geometry.hpp"

#include <cstddef>
#include <string_view>

namespace kestrune {

// The header of an ESRI ASCII raster: where the raster lies, the value that
// stands for NoData, and where the values begin.
struct EsriAsciiHeader {
    RasterGeometry geometry;
    double nodata = -9999;
    std::size_t dataOffset = 0;
};

// Reads the header from the start of a file: keys in any case and order,
// xllcorner/yllcorner or xllcenter/yllcenter, NODATA_value optional
// (-9999). Throws std::runtime_error naming the line and the problem.
EsriAsciiHeader parseEsriAsciiHeader(std::string_view start);

}  // namespace kestrune
