#include "gis/esri_grid/float_grid_tile.hpp"

#include "gis/esri_grid/big_endian_cells.hpp"
#include "gis/esri_grid/grid_files.hpp"

#include "common/byte_order.hpp"
#include "common/file_descriptor.hpp"
#include "common/number_text.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <vector>

namespace kestrune {
namespace {

// No raster is wider or taller than this many cells.
constexpr double kMostCellsAcross = 1e9;

// Our own reading of the GRIDs that ArcGIS and this program write for float
// rasters: one tile of uncompressed float blocks, read a block at a time
// with pread, so several threads may read at once and nothing stays in memory.
class FloatGridTile {
public:
    // None for a GRID of any other kind, which GDAL then reads.
    static std::unique_ptr<FloatGridTile> open(const std::string& gridFolder) {
        const std::filesystem::path folder(gridFolder);
        const std::string header = readGridFile((folder / "hdr.adf").string());
        const std::string bounds = readGridFile((folder / "dblbnd.adf").string());
        if (header.size() < 308 || bounds.size() < 32 || loadBigEndian<std::int32_t>(&header[16]) != 2) return nullptr;
        auto tile = std::unique_ptr<FloatGridTile>(new FloatGridTile((folder / "w001001.adf").string()));
        RasterGeometry& g = tile->geometry_;
        g.cellsize = loadBigEndian<double>(&header[256]);
        tile->blocksPerRow_ = loadBigEndian<std::int32_t>(&header[288]);
        const std::int64_t blocksPerColumn = loadBigEndian<std::int32_t>(&header[292]);
        tile->blockWidth_ = loadBigEndian<std::int32_t>(&header[296]);
        tile->blockHeight_ = loadBigEndian<std::int32_t>(&header[304]);
        if (!(g.cellsize > 0) || loadBigEndian<double>(&header[264]) != g.cellsize || tile->blocksPerRow_ <= 0 ||
            blocksPerColumn <= 0 || tile->blockWidth_ <= 0 || tile->blockHeight_ <= 0 ||
            tile->blockWidth_ * tile->blockHeight_ > 32767 || tile->data_.get() < 0)
            return nullptr;
        const double west = loadBigEndian<double>(&bounds[0]), south = loadBigEndian<double>(&bounds[8]);
        const double east = loadBigEndian<double>(&bounds[16]), north = loadBigEndian<double>(&bounds[24]);
        if (!std::isfinite(west) || !std::isfinite(south) || !std::isfinite(east) || !std::isfinite(north) ||
            !std::isfinite(g.cellsize) || !(east > west) || !(north > south) ||
            (east - west) / g.cellsize > kMostCellsAcross || (north - south) / g.cellsize > kMostCellsAcross)
            throw std::runtime_error("the GRID " + gridFolder + " is damaged: its bounds (dblbnd.adf) " +
                                     formatDouble(west) + ", " + formatDouble(south) + ", " + formatDouble(east) +
                                     ", " + formatDouble(north) + " make no extent of cells of " +
                                     formatDouble(g.cellsize));
        // The size as GDAL derives it from the bounds; GDAL keeps the top edge.
        g.xllcorner = loadBigEndian<double>(&bounds[0]);
        g.ncols = static_cast<std::int64_t>((loadBigEndian<double>(&bounds[16]) - g.xllcorner + 0.5 * g.cellsize) /
                                            g.cellsize);
        g.nrows = static_cast<std::int64_t>(
            (loadBigEndian<double>(&bounds[24]) - loadBigEndian<double>(&bounds[8]) + 0.5 * g.cellsize) / g.cellsize);
        g.yllcorner = loadBigEndian<double>(&bounds[24]) - static_cast<double>(g.nrows) * g.cellsize;
        if (g.ncols <= 0 || g.nrows <= 0 || tile->blocksPerRow_ * tile->blockWidth_ < g.ncols ||
            blocksPerColumn * tile->blockHeight_ < g.nrows)
            return nullptr;
        const std::string index = readGridFile((folder / "w001001x.adf").string());
        if (index.size() < 100) return nullptr;
        const std::int64_t blockWords = tile->blockWidth_ * tile->blockHeight_ * 2;
        for (std::size_t at = 100; at + 8 <= index.size(); at += 8) {
            const std::int64_t words = loadBigEndian<std::int32_t>(&index[at + 4]);
            if (words != 0 && words != blockWords) return nullptr;  // compressed or integer blocks
            tile->blocks_.push_back({2 * static_cast<std::int64_t>(loadBigEndian<std::int32_t>(&index[at])), words});
        }
        // The index must reach the extent's last block row (its last row of
        // blocks may be short): a header is held to the files it comes with.
        const std::int64_t blockRows = (g.nrows + tile->blockHeight_ - 1) / tile->blockHeight_;
        const std::int64_t needed = (blockRows - 1) * tile->blocksPerRow_ + 1;
        if (static_cast<std::int64_t>(tile->blocks_.size()) < needed)
            throw std::runtime_error("the GRID " + gridFolder + " is damaged: its tile index holds " +
                                     std::to_string(tile->blocks_.size()) + " blocks where its extent of " +
                                     std::to_string(g.ncols) + " x " + std::to_string(g.nrows) + " cells needs " +
                                     std::to_string(needed));
        return tile;
    }

    const RasterGeometry& geometry() const { return geometry_; }

    // Rows [first, first + count), their columns [firstColumn, firstColumn +
    // columns) only: the blocks that hold them are read, no other.
    void read(std::int64_t first, std::int64_t count, std::int64_t firstColumn, std::int64_t columns,
              float* out) const {
        std::vector<char> record(static_cast<std::size_t>(2 + 4 * blockWidth_ * blockHeight_));
        const std::int64_t endColumn = firstColumn + columns;
        for (std::int64_t blockRow = first / blockHeight_; blockRow * blockHeight_ < first + count; ++blockRow) {
            for (std::int64_t blockColumn = firstColumn / blockWidth_; blockColumn * blockWidth_ < endColumn;
                 ++blockColumn) {
                const char* payload = readBlock(blockRow * blocksPerRow_ + blockColumn, record);
                const std::int64_t rowBegin = std::max(first, blockRow * blockHeight_);
                const std::int64_t rowEnd = std::min(first + count, (blockRow + 1) * blockHeight_);
                const std::int64_t columnBegin = std::max(firstColumn, blockColumn * blockWidth_);
                const std::int64_t columnEnd = std::min(endColumn, (blockColumn + 1) * blockWidth_);
                for (std::int64_t row = rowBegin; row < rowEnd; ++row) {
                    float* cells = out + (row - first) * columns + (columnBegin - firstColumn);
                    if (!payload) {
                        std::fill(cells, cells + (columnEnd - columnBegin), kGridNoData);
                        continue;
                    }
                    const char* source = payload + 4 * ((row - blockRow * blockHeight_) * blockWidth_ + columnBegin -
                                                        blockColumn * blockWidth_);
                    loadCellsBigEndian(source, static_cast<std::size_t>(columnEnd - columnBegin), cells);
                }
            }
        }
    }

private:
    struct Block {
        std::int64_t offset;  // bytes, at the size prefix
        std::int64_t words;
    };

    explicit FloatGridTile(const std::string& dataPath)
        : dataPath_(dataPath), data_(::open(dataPath.c_str(), O_RDONLY | O_CLOEXEC)) {}

    // The payload of a block, or nullptr for a block of NoData.
    const char* readBlock(std::int64_t entry, std::vector<char>& record) const {
        if (entry >= static_cast<std::int64_t>(blocks_.size()) || blocks_[entry].words == 0) return nullptr;
        const Block& block = blocks_[entry];
        const auto bytes = static_cast<std::size_t>(2 + 2 * block.words);
        if (::pread(data_.get(), record.data(), bytes, block.offset) != static_cast<ssize_t>(bytes) ||
            static_cast<std::uint16_t>(loadBigEndian<std::int16_t>(record.data())) != block.words)
            throw std::runtime_error("the GRID tile " + dataPath_ + " is corrupt at block " + std::to_string(entry));
        return record.data() + 2;
    }

    RasterGeometry geometry_;
    std::int64_t blocksPerRow_ = 0, blockWidth_ = 0, blockHeight_ = 0;
    std::string dataPath_;
    FileDescriptor data_;
    std::vector<Block> blocks_;
};

}  // namespace

std::optional<RasterRows> openFloatGridTile(const std::string& gridFolder) {
    std::shared_ptr<FloatGridTile> tile = FloatGridTile::open(gridFolder);
    if (!tile) return std::nullopt;
    const std::int64_t ncols = tile->geometry().ncols;
    return RasterRows{
        tile->geometry(),
        [tile, ncols](std::int64_t first, std::int64_t count, float* out) { tile->read(first, count, 0, ncols, out); },
        [tile](std::int64_t first, std::int64_t count, std::int64_t firstColumn, std::int64_t columns, float* out) {
            tile->read(first, count, firstColumn, columns, out);
        }};
}

}  // namespace kestrune
