#pragma once

#include "gis/esri_ascii/esri_ascii_header.hpp"
#include "gis/raster/float_raster.hpp"

#include <cstdint>
#include <string>

namespace kestrune {

// An ESRI ASCII raster whose header is read and checked (against the file's
// size too), its values read as they are needed: values separated by any
// white space, wrapped over any number of lines, row after row from the
// northern edge. Cells equal to NODATA_value become kGridNoData. Throws
// std::runtime_error naming the file, the problem and, where it has one,
// the line: a missing or repeated key, too few or too many values, a value
// that is not a number or is longer than 1024 characters, a cell size that
// is not positive.
class EsriAsciiFile {
public:
    explicit EsriAsciiFile(const std::string& path);

    const RasterGeometry& geometry() const;
    // Hands every value to `sink` in order, a large piece at a time, and
    // checks that there are ncols x nrows of them; a failure may come after
    // some values went to the sink.
    void readCells(const CellSink& sink) const;

private:
    std::string path_;
    EsriAsciiHeader header_;
};

// Reads a whole ESRI ASCII raster into memory, as EsriAsciiFile does; also
// fails a raster too large for `memoryBytes` (0: this machine's memory).
FloatRaster readEsriAscii(const std::string& path, std::uint64_t memoryBytes = 0);

}  // namespace kestrune
