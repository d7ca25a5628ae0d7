#pragma once

#include "gis/contour/contour_levels.hpp"
#include "gis/contour/pixel_point.hpp"
#include "gis/raster/framed_raster.hpp"

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
    std::int64_t level = 0;             // the level's index
    SegmentKey completedAt;             // its last segment in the sweep
    std::size_t offset = 0, count = 0;  // of its points in BandTracer::pointsOf
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

    // Traces the band. Throws WorkStopped once a stop was requested.
    void trace(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow, std::int64_t endRow);
    // The lines complete within the band, in order of completion, and their
    // points: valid until the next band.
    const std::vector<FinishedLine>& finishedLines() const;
    std::span<const PixelPoint> pointsOf(const FinishedLine& line) const;
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

// Traces a band and encodes each complete line, on the calling thread,
// with encoder.encode(level value, points, bytes), which appends the line's
// encoding to `bytes`. The band goes into `room`, an earlier band's whose
// buffers are used again.
template <class Encoder>
ContourBand traceContourBand(const FramedRaster& raster, const ContourLevels& levels, const Encoder& encoder,
                             std::int64_t firstRow, std::int64_t endRow, ContourBand&& room = {}) {
    ContourBand band = std::move(room);
    band.bytes.clear();
    band.lines.clear();
    BandTracer tracer;
    tracer.trace(raster, levels, firstRow, endRow);
    for (const FinishedLine& line : tracer.finishedLines()) {
        const std::size_t offset = band.bytes.size();
        encoder.encode(levels.level(line.level), tracer.pointsOf(line), band.bytes);
        band.lines.push_back(EncodedLine{line.completedAt, line.level, offset, band.bytes.size() - offset});
    }
    band.pieces = tracer.takePieces();
    return band;
}

}  // namespace kestrune
