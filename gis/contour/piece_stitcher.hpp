#pragma once

#include "gis/contour/band_tracer.hpp"
#include "gis/contour/joined_line.hpp"
#include "gis/contour/line_records.hpp"

#include "common/scratch_file.hpp"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestrune {

// How much of the work of contouring stays in memory.
struct ContourMemory {
    // Square rows a band; 0 for bands of about kBandSquares squares (64
    // rows of 4000 columns), so that a band's memory does not grow with the
    // width of the raster, and at least kLeastBands bands a raster, so that
    // the bands in flight hold a small share of its lines (several rasters
    // are contoured at once). Larger bands cut fewer lines into pieces to join.
    std::int64_t bandRows = 0;
    static constexpr std::int64_t kBandSquares = 256 * 1024;
    static constexpr std::int64_t kLeastBands = 16;
    std::int64_t bandRowsFor(std::int64_t ncols, std::int64_t nrows) const {
        if (bandRows > 0) return bandRows;
        return std::clamp<std::int64_t>(std::min(kBandSquares / (ncols + 1), (nrows + 1) / kLeastBands), 8, 256);
    }
    // Points of lines still open kept in memory; beyond them, the points of
    // the longest open lines wait in a scratch file in `scratchFolder` (the
    // system's temporary folder when empty) until their lines are finished.
    // 0 for kOpenPointsAColumn a column of the raster, from kLeastOpenPoints
    // to kMostOpenPoints (16 to 64 MB): the lines open at a band's border,
    // and their points, grow with the width of the raster. On mountains at
    // a 10 m interval, a quarter of a million points at 4000 columns sent a
    // hundred thousand small parts a raster through the scratch file and
    // made contouring a sixth slower; a million at 8000 columns, an eighth.
    std::size_t openPoints = 0;
    static constexpr std::size_t kOpenPointsAColumn = 256;
    static constexpr std::size_t kLeastOpenPoints = 1000000, kMostOpenPoints = 4000000;
    std::size_t openPointsFor(std::int64_t ncols) const {
        if (openPoints > 0) return openPoints;
        return std::clamp(kOpenPointsAColumn * static_cast<std::size_t>(std::max<std::int64_t>(ncols, 0)),
                          kLeastOpenPoints, kMostOpenPoints);
    }
    std::string scratchFolder;
};

// Joins the pieces of consecutive bands at the borders between them.
class PieceStitcher {
public:
    explicit PieceStitcher(const ContourMemory& memory = {});
    ~PieceStitcher();

    // Joins the pieces of the next band down with the lines left open at its
    // upper border, and returns the lines that are now complete, in order of
    // their last segment. Lines reaching the band's lower border stay open.
    std::vector<JoinedLine> addBand(std::vector<ContourPiece>&& pieces);

private:
    using Part = JoinedLine::Part;
    // A line joined from pieces: its parts in order, each starting where the
    // one before ends.
    struct Chain {
        std::int64_t level = 0;
        SegmentKey last;
        std::vector<Part> parts;
        PieceEnd head, tail;
        bool ring = false;
        PointExtent extent;      // of its points
        std::size_t points = 0;  // each shared point counted once
        void append(Chain&& later);
    };
    // An end on the lower border of the bands so far, by square column and level.
    struct OpenEnd {
        std::int64_t column, level;
        std::uint32_t chain;
        bool isTail;
    };

    void joinAt(std::uint32_t first, std::uint32_t second);
    JoinedLine takeLine(Chain& chain);
    void keepWithinBudget();

    ContourMemory memory_;
    std::unique_ptr<ScratchFile> scratch_;
    std::size_t pointsInMemory_ = 0;
    LineRecords<Chain> chains_;
    std::vector<OpenEnd> openEnds_;
};

}  // namespace kestrune
