#pragma once

#include "gis/contour/contour_levels.hpp"
#include "gis/contour/pixel_point.hpp"
#include "gis/raster/framed_raster.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kestrune {

// The place of a segment in a sweep over the squares, row after row, west
// to east, and in the order a square makes its segments: the same whichever
// way the raster is cut into bands.
struct SegmentKey {
    std::uint64_t square = 0;
    std::uint32_t ordinal = 0;
    bool operator<(const SegmentKey& other) const {
        return square != other.square ? square < other.square : ordinal < other.ordinal;
    }
};

// Where a piece of line traced in one band ends.
struct PieceEnd {
    enum class Kind : std::uint8_t { Terminal, UpperBorder, LowerBorder };
    Kind kind = Kind::Terminal;
    std::int64_t column = 0;  // on a border: the square column whose side it crosses
};

// A piece of line that reaches a border of its band, to be joined with the
// pieces of the bands above and below. Points are in pixel space; higher
// ground lies on the left of the direction of travel there (on the right in
// a map with north up).
struct ContourPiece {
    std::int64_t level = 0;
    SegmentKey lastSegment;  // the piece's last segment in the sweep
    std::vector<PixelPoint> points;
    PieceEnd head, tail;
    PointExtent extent;  // of its points
};

// A line complete within its band: from NoData or the raster's edge to
// NoData or the edge, or a ring (its first point repeated at its end,
// starting at its northernmost point; see startRingNorth).
struct FinishedLine {
    std::int64_t level = 0;  // the level's index
    SegmentKey completedAt;  // its last segment in the sweep
    std::span<const PixelPoint> points;
};

// Takes each line a band tracer finishes, as it is finished; its points are
// valid for the call only.
class FinishedLineSink {
public:
    virtual void take(const FinishedLine& line) = 0;

protected:
    ~FinishedLineSink() = default;
};

// Traces the lines of square rows [firstRow, endRow) of `raster` (square
// rows run from 0 to nrows; see MarchingSquare), its ring taking the place
// of NoData around it; on the ring, only the squares the raster owns (see
// FramedRaster::ownsSquare). Points are in the pixel space of the raster's
// surface. Each line is followed from square to square, its points written
// once, in order; a line that reaches the band's upper or lower border is
// a piece, to be joined with the pieces of the bands beside it. A band costs
// the memory of its rows, its squares' level ranges and its lines.
//
// A tracer keeps its buffers for the next band: one serves band after band
// on its thread, so a long job does not keep asking for fresh memory.
class BandTracer {
public:
    BandTracer();
    ~BandTracer();
    BandTracer(const BandTracer&) = delete;
    BandTracer& operator=(const BandTracer&) = delete;

    // Traces the band, handing `finished` the lines complete within it, in
    // no particular order. Throws WorkStopped once a stop was requested.
    void trace(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow, std::int64_t endRow,
               FinishedLineSink& finished);
    // The pieces that reach a border of the band, in order of completion.
    std::vector<ContourPiece> takePieces();

    class Tracer;

private:
    std::unique_ptr<Tracer> tracer_;
};

// A complete line of a band, encoded.
struct EncodedLine {
    SegmentKey completedAt;
    std::int64_t level = 0;
    std::size_t offset = 0, size = 0;  // of its encoding in the band's bytes
};

// What one band of square rows gives.
struct ContourBand {
    std::string bytes;               // the encodings of the complete lines
    std::vector<EncodedLine> lines;  // complete, in order of completedAt
    std::vector<ContourPiece> pieces;
};

// Encodes each finished line into a band as it comes, with
// encoder.encode(level value, points, bytes), which appends the line's
// encoding to `bytes`.
template <class Encoder>
class BandEncoding final : public FinishedLineSink {
public:
    BandEncoding(const Encoder& encoder, const ContourLevels& levels, ContourBand& band)
        : encoder_(encoder), levels_(levels), band_(band) {}
    void take(const FinishedLine& line) override {
        const std::size_t offset = band_.bytes.size();
        encoder_.encode(levels_.level(line.level), line.points, band_.bytes);
        band_.lines.push_back(EncodedLine{line.completedAt, line.level, offset, band_.bytes.size() - offset});
    }

private:
    const Encoder& encoder_;
    const ContourLevels& levels_;
    ContourBand& band_;
};

// Traces a band and encodes each complete line, on the calling thread (see
// BandEncoding). The band goes into `room`, an earlier band's whose buffers
// are used again.
template <class Encoder>
ContourBand traceContourBand(const FramedRaster& raster, const ContourLevels& levels, const Encoder& encoder,
                             std::int64_t firstRow, std::int64_t endRow, ContourBand&& room = {}) {
    ContourBand band = std::move(room);
    band.bytes.clear();
    band.lines.clear();
    BandTracer tracer;
    BandEncoding<Encoder> encoding(encoder, levels, band);
    tracer.trace(raster, levels, firstRow, endRow, encoding);
    std::sort(band.lines.begin(), band.lines.end(),
              [](const EncodedLine& a, const EncodedLine& b) { return a.completedAt < b.completedAt; });
    band.pieces = tracer.takePieces();
    return band;
}

}  // namespace kestrune
