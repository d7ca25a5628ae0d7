#pragma once

#include "common/output_file.hpp"
#include "xyz/ascii_raster_grid.hpp"

#include <string>

namespace kestrune {

// Writes the grid as an ESRI ASCII raster: six header lines (keys padded to
// 14 characters, NODATA_value -9999), then one line per row from the
// northern edge, values separated by one blank, every line ended by CR LF.
// Values carry 15 significant digits, the cell size 7. The file is written
// under a hidden temporary name beside `ascPath` and renamed over it when
// complete, so a failure leaves no partial file. Throws std::runtime_error.
void WriteAsciiRaster(const AsciiRasterGrid& grid, const std::string& ascPath);

// The same into a file the caller commits.
void writeAsciiRaster(const AsciiRasterGrid& grid, OutputFile& file);

// The six header lines.
std::string asciiRasterHeader(const AsciiRasterGrid& grid);

}  // namespace kestrune
