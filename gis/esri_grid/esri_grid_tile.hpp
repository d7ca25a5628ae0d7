#pragma once

#include "gis/raster/float_raster.hpp"

#include "common/output_file.hpp"

#include <cstdint>
#include <string>

namespace kestrune {

// How a raster is cut into the 256 x 16 blocks of one GRID tile file.
struct GridTileLayout {
    static constexpr int kBlockWidth = 256;
    static constexpr int kBlockHeight = 16;
    std::int64_t blockColumns = 0;  // blocks across the extent
    std::int64_t blockRows = 0;     // blocks down the extent
    std::int64_t blocksPerRow = 0;  // blocks across the tile (at least 8)
    std::int64_t blocksPerColumn = 0;

    explicit GridTileLayout(const RasterGeometry& raster);
    // Index entries: full block rows, then the last row up to the extent.
    std::int64_t indexEntries() const { return (blockRows - 1) * blocksPerRow + blockColumns; }
    // The sizes of the tile file and of its index.
    std::int64_t dataBytes() const;
    std::int64_t indexBytes() const;
    // The corner hdr.adf gives the tile, in map units.
    struct Corner {
        double x, y;
    };
    Corner tileCorner(const RasterGeometry& raster) const;
};

// The statistics of sta.adf over the valid cells.
struct GridStatistics {
    std::uint64_t count = 0;
    double minimum = 0;
    double maximum = 0;
    double mean = 0;
    double sampleDeviation = 0;  // divisor n - 1, as ArcGIS writes it
};

// Writes the tile file pair of a raster, w001001.adf (`data`) and
// w001001x.adf (`index`), taking its rows from `rows` a band at a time and
// encoding them on the worker pool, and returns the statistics of its valid
// cells. Throws std::runtime_error when the tile file would pass 2 GB, the
// limit of ArcGIS's readers.
GridStatistics writeGridTile(const RasterGeometry& raster, const RowProducer& rows, OutputFile& data,
                             OutputFile& index);
// The same for cells that come in row order from `cells`, which the tile
// writes as they come: a few bands' worth are held at a time.
GridStatistics writeGridTile(const RasterGeometry& raster, const CellFeed& cells, OutputFile& data, OutputFile& index);

// Why a raster cannot be written as a GRID, or empty when it can: its
// extent (see extentProblem), or a number of hdr.adf that is not finite.
std::string gridLayoutProblem(const RasterGeometry& raster);

// The 308 bytes of hdr.adf, the 32 of dblbnd.adf and of sta.adf.
std::string gridHeader(const RasterGeometry& raster);
std::string gridBounds(const RasterGeometry& raster);
std::string gridStatistics(const GridStatistics& statistics);

}  // namespace kestrune
