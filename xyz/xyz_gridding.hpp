#pragma once

#include "common/output_file.hpp"
#include "xyz/raster_grid_builder.hpp"

#include <memory>

#include <string>

namespace kestrune {

// How the points of an XYZ file are read and laid on a grid.
struct GriddingOptions {
    std::string separator = " ";  // the column separator
    CellSizeRequest cellSize;     // given, or inferred from the X spacing
};

// Grids one XYZ file into one ESRI ASCII raster: reads the points, lays them
// on the grid and writes the raster under a temporary name that replaces
// `ascPath` only when complete. Throws XyzFormatError for a line without the
// separator and std::runtime_error (or std::bad_alloc) for every other failure.
void gridXyzFile(const std::string& xyzPath, const std::string& ascPath, const GriddingOptions& options);

// The same, the raster left under its hidden name for the caller to commit
// (or to drop, which removes it).
std::unique_ptr<OutputFile> stageXyzGrid(const std::string& xyzPath, const std::string& ascPath,
                                         const GriddingOptions& options);

}  // namespace kestrune
