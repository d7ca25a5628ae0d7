#pragma once

#include "gis/contour_levels.hpp"
#include "gis/float_raster.hpp"
#include "gis/marching_square.hpp"

#include <cstdint>
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
};

// Turns a finished line into the bytes it takes in the output. Called on
// the threads that trace, for lines in any order.
class ContourEncoder {
public:
    virtual ~ContourEncoder() = default;
    // Appends the encoding of the line to `out`; `level` is its value.
    virtual void encode(double level, const std::vector<PixelPoint>& points, std::string& out) const = 0;
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

// Rotates a ring (its first point repeated at its end) so that it starts
// and ends at its northernmost point, the westernmost of those.
void startRingNorth(std::vector<PixelPoint>& ring);

// The line a line went into, following `parent` links (a line that went
// into none is its own parent), and shortening the path for the next time.
template <class Lines>
std::uint32_t rootLine(Lines& lines, std::uint32_t line) {
    std::uint32_t top = line;
    while (lines[top].parent != top) top = lines[top].parent;
    while (lines[line].parent != top) {
        const std::uint32_t next = lines[line].parent;
        lines[line].parent = top;
        line = next;
    }
    return top;
}

// Traces square rows [firstRow, endRow) of `raster` (square rows run from 0
// to nrows; see MarchingSquare), encoding each complete line as it is
// finished. Reads the raster's rows firstRow - 1 to endRow - 1 at once, so a
// band costs its rows' memory, its lines' encodings and its open lines.
ContourBand traceContourBand(const RasterRows& raster, const ContourLevels& levels, const ContourEncoder& encoder,
                             std::int64_t firstRow, std::int64_t endRow);

}  // namespace kestrune
