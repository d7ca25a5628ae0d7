#pragma once

#include "gis/float_raster.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrune {

// The header of an ESRI ASCII raster.
struct EsriAsciiHeader {
    std::int64_t ncols = 0;
    std::int64_t nrows = 0;
    double xllcorner = 0;
    double yllcorner = 0;
    double cellsize = 0;
    double nodata = -9999;
    std::size_t dataOffset = 0;  // where the values begin
};

// Reads the header from the start of a file: keys in any case and order,
// xllcorner/yllcorner or xllcenter/yllcenter, NODATA_value optional
// (-9999). Throws std::runtime_error naming the line and the problem.
EsriAsciiHeader parseEsriAsciiHeader(std::string_view start);

// Reads a whole ESRI ASCII raster: values separated by any white space,
// wrapped over any number of lines, row after row from the northern edge.
// Cells equal to NODATA_value become kGridNoData. Throws std::runtime_error
// naming the file, the problem and, where it has one, the line: a missing or
// repeated key, too few or too many values, a value that is not a number, a
// cell size that is not positive, a raster too large for `memoryBytes`
// (0: this machine's memory).
FloatRaster readEsriAscii(const std::string& path, std::uint64_t memoryBytes = 0);

}  // namespace kestrune
