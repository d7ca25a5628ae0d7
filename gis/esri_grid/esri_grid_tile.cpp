#include "gis/esri_grid/esri_grid_tile.hpp"

#include "gis/esri_grid/big_endian_cells.hpp"
#include "gis/esri_grid/binary_record.hpp"

#include "common/progress.hpp"
#include "common/recycler.hpp"
#include "common/worker_pool.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

namespace kestrune {
namespace {

constexpr std::int64_t kBlockCells = GridTileLayout::kBlockWidth * GridTileLayout::kBlockHeight;
constexpr std::int64_t kBlockWords = kBlockCells * 2;           // float32 payload
constexpr std::int64_t kFullRecordBytes = 2 + 2 * kBlockWords;  // size prefix + payload
constexpr std::int64_t kHeaderBytes = 100;
constexpr std::int64_t kTileFileLimit = (std::int64_t{1} << 31) - 1;

// Sums of the valid cells, taken about a shift near their values so the
// variance keeps its digits. Cells add up in four interleaved lanes (one
// long chain of additions would wait on itself at every cell), the lanes
// together at the end: the same order whatever the number of threads.
struct CellSums {
    static constexpr int kLanes = 4;
    double shift = 0;
    std::uint64_t count[kLanes] = {};
    double sum[kLanes] = {};
    double squares[kLanes] = {};
    float minimum[kLanes] = {FLT_MAX, FLT_MAX, FLT_MAX, FLT_MAX};
    float maximum[kLanes] = {-FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX};

    void add(int lane, float value) {
        const bool valid = !isNoData(value);
        const double d = valid ? value - shift : 0.0;
        count[lane] += valid;
        sum[lane] += d;
        squares[lane] += d * d;
        minimum[lane] = valid ? std::min(minimum[lane], value) : minimum[lane];
        maximum[lane] = valid ? std::max(maximum[lane], value) : maximum[lane];
    }
    void add(const float* cells, std::size_t n) {
        std::size_t i = 0;
        for (; i + kLanes <= n; i += kLanes)
            for (int lane = 0; lane < kLanes; ++lane) add(lane, cells[i + lane]);
        for (; i < n; ++i) add(static_cast<int>(i % kLanes), cells[i]);
    }
    void add(const CellSums& other) {
        for (int lane = 0; lane < kLanes; ++lane) {
            count[lane] += other.count[lane];
            sum[lane] += other.sum[lane];
            squares[lane] += other.squares[lane];
            minimum[lane] = std::min(minimum[lane], other.minimum[lane]);
            maximum[lane] = std::max(maximum[lane], other.maximum[lane]);
        }
    }
    GridStatistics statistics() const {
        GridStatistics s;
        std::uint64_t n = 0;
        double total = 0, totalSquares = 0;
        float low = FLT_MAX, high = -FLT_MAX;
        for (int lane = 0; lane < kLanes; ++lane) {
            n += count[lane];
            total += sum[lane];
            totalSquares += squares[lane];
            low = std::min(low, minimum[lane]);
            high = std::max(high, maximum[lane]);
        }
        s.count = n;
        if (n == 0) return s;
        s.minimum = low;
        s.maximum = high;
        s.mean = shift + total / static_cast<double>(n);
        if (n > 1) {
            double variance = (totalSquares - total * total / static_cast<double>(n)) / static_cast<double>(n - 1);
            s.sampleDeviation = std::sqrt(std::max(0.0, variance));
        }
        return s;
    }
};

// The cells of some block rows, their records and their sums.
struct EncodedChunk {
    std::vector<float> band;
    std::string bytes;
    CellSums sums;
};

// The 100-byte header that both tile files begin with.
std::string tileFileHeader(std::int64_t fileBytes) {
    BinaryRecord header;
    header.int32(9994);
    header.int32(-1016);
    header.zeros(16);
    header.int32(static_cast<std::int32_t>(fileBytes / 2));  // length in 16-bit words
    header.zeros(72);
    return header.bytes();
}

// Appends the records of block row `blockRow`, whose cells start at `band`
// (its 16 rows, or fewer at the southern edge): full blocks inside the
// extent, and a bare zero size for the blocks of the tile right of it.
void encodeBlockRow(const RasterGeometry& raster, const GridTileLayout& layout, std::int64_t blockRow,
                    const float* band, std::string& out) {
    const std::int64_t blocksInRow = blockRow + 1 == layout.blockRows ? layout.blockColumns : layout.blocksPerRow;
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(layout.blockColumns * kFullRecordBytes +
                                             (blocksInRow - layout.blockColumns) * 2));
    char* p = out.data() + at;
    for (std::int64_t blockColumn = 0; blockColumn < blocksInRow; ++blockColumn) {
        if (blockColumn >= layout.blockColumns) {
            *p++ = 0;
            *p++ = 0;
            continue;
        }
        p = storeBigEndian(static_cast<std::uint16_t>(kBlockWords), p);
        for (int r = 0; r < GridTileLayout::kBlockHeight; ++r) {
            const std::int64_t row = blockRow * GridTileLayout::kBlockHeight + r;
            const std::int64_t firstColumn = blockColumn * GridTileLayout::kBlockWidth;
            const std::int64_t inside = row < raster.nrows ? std::clamp<std::int64_t>(raster.ncols - firstColumn, 0,
                                                                                      GridTileLayout::kBlockWidth)
                                                           : 0;
            storeCellsBigEndian(band + r * raster.ncols + firstColumn, static_cast<std::size_t>(inside), p);
            p += 4 * inside;
            for (std::int64_t c = inside; c < GridTileLayout::kBlockWidth; ++c) p = storeBigEndian(kGridNoData, p);
        }
    }
}

// The cells of block rows [first, last), from `rows` in one band.
void produceBand(const RasterGeometry& raster, const RowProducer& rows, std::int64_t first, std::int64_t last,
                 std::vector<float>& band) {
    const std::int64_t firstRow = first * GridTileLayout::kBlockHeight;
    const std::int64_t rowCount =
        std::max<std::int64_t>(0, std::min(raster.nrows, last * GridTileLayout::kBlockHeight) - firstRow);
    band.resize(static_cast<std::size_t>(rowCount * raster.ncols));
    if (rowCount) rows(firstRow, rowCount, band.data());
}

// The records of block rows [first, last) from their cells, `cells` of them
// at `band` (fewer than the block rows hold at the southern edge), and their sums.
void encodeBand(const RasterGeometry& raster, const GridTileLayout& layout, std::int64_t first, std::int64_t last,
                const float* band, std::size_t cells, std::string& out, CellSums& sums) {
    out.clear();
    for (std::int64_t blockRow = first; blockRow < last; ++blockRow)
        encodeBlockRow(raster, layout, blockRow,
                       band + (blockRow - first) * GridTileLayout::kBlockHeight * raster.ncols, out);
    sums.add(band, cells);
}

std::string blockIndex(const GridTileLayout& layout) {
    BinaryRecord index;
    std::int64_t offsetWords = kHeaderBytes / 2;
    for (std::int64_t entry = 0; entry < layout.indexEntries(); ++entry) {
        bool inside = entry % layout.blocksPerRow < layout.blockColumns;
        index.int32(static_cast<std::int32_t>(offsetWords));
        index.int32(inside ? static_cast<std::int32_t>(kBlockWords) : 0);
        offsetWords += inside ? 1 + kBlockWords : 1;
    }
    return tileFileHeader(kHeaderBytes + static_cast<std::int64_t>(index.size())) + index.bytes();
}

// A cell value near the data, to take the sums about: the first valid cell
// of the first block row, whose cells begin at `band`, or 0.
float shiftFor(const RasterGeometry& raster, const float* band) {
    const std::int64_t cells = std::min<std::int64_t>(raster.nrows, GridTileLayout::kBlockHeight) * raster.ncols;
    for (std::int64_t i = 0; i < cells; ++i)
        if (!isNoData(band[i])) return band[i];
    return 0;
}

// Block rows go out in chunks of about 1 MB.
std::int64_t blockRowsPerChunk(const GridTileLayout& layout) {
    return std::max<std::int64_t>(1, (1 << 20) / (layout.blocksPerRow * kFullRecordBytes));
}

// Checks the size of the tile file and writes the index and the data's header.
void beginTile(const RasterGeometry& raster, const GridTileLayout& layout, OutputFile& data, OutputFile& index) {
    const std::int64_t dataBytes = layout.dataBytes();
    if (dataBytes > kTileFileLimit)
        throw std::runtime_error("a raster of " + std::to_string(raster.ncols) + " x " + std::to_string(raster.nrows) +
                                 " cells passes the 2 GB limit of a GRID tile file");
    index.write(blockIndex(layout));
    data.write(tileFileHeader(dataBytes));
}

// Cells that come in row order, gathered until they fill a batch of chunks,
// which are encoded at once on the pool and written in order. The chunks are
// those of the writer that takes rows, so both give the same bits.
class HeldCells {
public:
    HeldCells(const RasterGeometry& raster, const GridTileLayout& layout, OutputFile& data)
        : raster_(raster),
          layout_(layout),
          data_(data),
          rowsPerChunk_(blockRowsPerChunk(layout)),
          chunkCells_(static_cast<std::size_t>(rowsPerChunk_ * GridTileLayout::kBlockHeight * raster.ncols)),
          batchCells_(chunkCells_ * 2 * WorkerPool::instance().size()),
          cellsLeft_(static_cast<std::size_t>(raster.ncols * raster.nrows)) {
        held_.reserve(batchCells_);
    }

    void add(const float* values, std::size_t count) {
        if (count > cellsLeft_) throw std::logic_error("a cell feed gave more cells than its raster holds");
        cellsLeft_ -= count;
        while (count) {
            const std::size_t taken = std::min(batchCells_ - held_.size(), count);
            held_.insert(held_.end(), values, values + taken);
            values += taken;
            count -= taken;
            if (held_.size() == batchCells_) writeChunks(static_cast<std::int64_t>(held_.size() / chunkCells_));
        }
    }

    // Writes what is left, the last chunk short at the southern edge.
    GridStatistics finish() {
        if (cellsLeft_) throw std::logic_error("a cell feed gave fewer cells than its raster holds");
        writeChunks((layout_.blockRows - nextBlockRow_ + rowsPerChunk_ - 1) / rowsPerChunk_);
        return total_.statistics();
    }

private:
    // Encodes the first `chunks` chunks of the held cells and writes them.
    void writeChunks(std::int64_t chunks) {
        if (nextBlockRow_ == 0) total_.shift = shiftFor(raster_, held_.data());
        encoded_.resize(static_cast<std::size_t>(chunks));
        parallelFor(encoded_.size(), [&](std::size_t chunk) {
            const std::int64_t first = nextBlockRow_ + static_cast<std::int64_t>(chunk) * rowsPerChunk_;
            const std::int64_t last = std::min(layout_.blockRows, first + rowsPerChunk_);
            const std::size_t begin = std::min(held_.size(), chunk * chunkCells_);
            EncodedChunk& out = encoded_[chunk];
            out.sums = CellSums();
            out.sums.shift = total_.shift;
            encodeBand(raster_, layout_, first, last, held_.data() + begin, std::min(held_.size() - begin, chunkCells_),
                       out.bytes, out.sums);
        });
        for (const EncodedChunk& chunk : encoded_) {
            data_.write(chunk.bytes);
            total_.add(chunk.sums);
        }
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                       held_.size(), static_cast<std::size_t>(chunks) * chunkCells_)));
        nextBlockRow_ += chunks * rowsPerChunk_;
    }

    const RasterGeometry& raster_;
    const GridTileLayout& layout_;
    OutputFile& data_;
    const std::int64_t rowsPerChunk_;
    const std::size_t chunkCells_, batchCells_;
    std::size_t cellsLeft_;
    std::vector<float> held_;
    std::vector<EncodedChunk> encoded_;
    CellSums total_;
    std::int64_t nextBlockRow_ = 0;
};

}  // namespace

GridTileLayout::GridTileLayout(const RasterGeometry& raster) {
    blockColumns = (raster.ncols + kBlockWidth - 1) / kBlockWidth;
    blockRows = (raster.nrows + kBlockHeight - 1) / kBlockHeight;
    // One tile file covers the whole raster; ArcGIS never uses fewer than
    // 8 x 128 blocks a tile.
    blocksPerRow = std::max<std::int64_t>(8, blockColumns);
    blocksPerColumn = std::max<std::int64_t>(2048 / kBlockHeight, blockRows);
}

GridStatistics writeGridTile(const RasterGeometry& raster, const RowProducer& rows, OutputFile& data,
                             OutputFile& index) {
    const GridTileLayout layout(raster);
    beginTile(raster, layout, data, index);

    // Block rows go out in chunks of about 1 MB, made on the pool a few
    // ahead while this thread writes the oldest, whose buffers then serve a
    // later chunk. All chunks take their sums about one value of the first
    // block row, and the sums add up in order, so the statistics do not
    // depend on the number of threads.
    const std::int64_t rowsPerChunk = blockRowsPerChunk(layout);
    const auto chunks = static_cast<std::size_t>((layout.blockRows + rowsPerChunk - 1) / rowsPerChunk);
    Recycler<EncodedChunk> buffers;
    EncodedChunk first = buffers.take();
    produceBand(raster, rows, 0, 1, first.band);
    const double shift = shiftFor(raster, first.band.data());
    buffers.give(std::move(first));
    CellSums total;
    total.shift = shift;
    ProgressCounter progress(static_cast<std::uint64_t>(layout.blockRows));
    PipelineControl control;
    control.ahead = 2 * WorkerPool::instance().size();
    orderedPipeline(
        chunks, control,
        [&](std::size_t chunk) {
            EncodedChunk encoded = buffers.take();
            const std::int64_t firstRow = static_cast<std::int64_t>(chunk) * rowsPerChunk;
            const std::int64_t lastRow = std::min(layout.blockRows, firstRow + rowsPerChunk);
            encoded.sums = CellSums();
            encoded.sums.shift = shift;
            produceBand(raster, rows, firstRow, lastRow, encoded.band);
            encodeBand(raster, layout, firstRow, lastRow, encoded.band.data(), encoded.band.size(), encoded.bytes,
                       encoded.sums);
            return encoded;
        },
        [&](std::size_t, EncodedChunk&& encoded) {
            data.write(encoded.bytes);
            total.add(encoded.sums);
            buffers.give(std::move(encoded));
            progress.add(static_cast<std::uint64_t>(rowsPerChunk));
        });
    return total.statistics();
}

GridStatistics writeGridTile(const RasterGeometry& raster, const CellFeed& cells, OutputFile& data, OutputFile& index) {
    const GridTileLayout layout(raster);
    beginTile(raster, layout, data, index);
    HeldCells held(raster, layout, data);
    cells([&held](const float* values, std::size_t count) { held.add(values, count); });
    return held.finish();
}

std::int64_t GridTileLayout::dataBytes() const {
    const std::int64_t fullBlocks = blockRows * blockColumns;
    return kHeaderBytes + fullBlocks * kFullRecordBytes + (indexEntries() - fullBlocks) * 2;
}

std::int64_t GridTileLayout::indexBytes() const { return kHeaderBytes + 8 * indexEntries(); }

GridTileLayout::Corner GridTileLayout::tileCorner(const RasterGeometry& raster) const {
    // Where ArcGIS puts the corner of a tile of one: half the tile's width
    // west of the extent, one and a half its height north.
    return {raster.xllcorner - blocksPerRow * kBlockWidth * raster.cellsize / 2,
            raster.yurcorner() - 3 * blocksPerColumn * kBlockHeight * raster.cellsize / 2};
}

std::string gridLayoutProblem(const RasterGeometry& raster) {
    if (std::string problem = extentProblem(raster); !problem.empty()) return problem;
    const GridTileLayout::Corner corner = GridTileLayout(raster).tileCorner(raster);
    if (!std::isfinite(corner.x) || !std::isfinite(corner.y))
        return "the tile of " + std::to_string(raster.ncols) + " x " + std::to_string(raster.nrows) +
               " cells reaches beyond the largest number";
    return {};
}

std::string gridHeader(const RasterGeometry& raster) {
    const GridTileLayout layout(raster);
    BinaryRecord header;
    header.raw(std::string_view("GRID1.2\0", 8));
    header.int32(0);
    header.int32(32);  // as ArcGIS writes for float grids
    header.int32(2);   // cell type: float
    header.int32(1);   // uncompressed
    header.int32(0);
    header.float32(1.0f);
    header.zeros(224);
    header.float64(raster.cellsize);
    header.float64(raster.cellsize);
    const GridTileLayout::Corner corner = layout.tileCorner(raster);
    header.float64(corner.x);
    header.float64(corner.y);
    header.int32(static_cast<std::int32_t>(layout.blocksPerRow));
    header.int32(static_cast<std::int32_t>(layout.blocksPerColumn));
    header.int32(GridTileLayout::kBlockWidth);
    header.int32(1);
    header.int32(GridTileLayout::kBlockHeight);
    return header.bytes();
}

std::string gridBounds(const RasterGeometry& raster) {
    BinaryRecord bounds;
    bounds.float64(raster.xllcorner);
    bounds.float64(raster.yllcorner);
    bounds.float64(raster.xurcorner());
    bounds.float64(raster.yurcorner());
    return bounds.bytes();
}

std::string gridStatistics(const GridStatistics& statistics) {
    BinaryRecord sta;
    sta.float64(statistics.minimum);
    sta.float64(statistics.maximum);
    sta.float64(statistics.mean);
    sta.float64(statistics.sampleDeviation);
    return sta.bytes();
}

}  // namespace kestrune
