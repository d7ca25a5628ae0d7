#pragma once

#include "common/scratch_file.hpp"
#include "gis/contour_band.hpp"
#include "gis/contour_levels.hpp"
#include "gis/float_raster.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// Receives finished contour lines on the generating thread, in the order
// of generateContours. A line finished within a band is first encoded (see
// ContourEncoder) on the thread that traced it; a line joined from the
// pieces of several bands comes as points, as it may be very long.
class ContourSink : public ContourEncoder {
public:
    // `level` is the line's value, `encoded` what encode() made of it.
    virtual void write(double level, std::string_view encoded) = 0;
    virtual void writeJoined(double level, const std::vector<PixelPoint>& points) = 0;
};

// How much of the work stays in memory.
struct ContourMemory {
    std::int64_t bandRows = 16;  // square rows a band
    // Points of lines still open kept in memory; beyond them, the points of
    // the longest open lines wait in a scratch file in `scratchFolder` (the
    // system's temporary folder when empty) until their lines are finished.
    std::size_t openPoints = 250000;
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
    std::vector<ContourLine> addBand(std::vector<ContourPiece>&& pieces);

    // Lines still open: none once the last band is in.
    std::size_t openLines() const;

private:
    struct Part;
    struct Chain;
    std::uint32_t root(std::uint32_t chain);
    std::uint32_t join(std::uint32_t first, std::uint32_t second);
    std::vector<PixelPoint> takePoints(Chain& chain);
    void keepWithinBudget();

    ContourMemory memory_;
    std::unique_ptr<ScratchFile> scratch_;
    std::size_t pointsInMemory_ = 0;
    std::vector<Chain> chains_;
    // The ends on the lower border of the bands so far, by square column and level.
    struct OpenEnd {
        std::int64_t column, level;
        std::uint32_t chain;
        bool isTail;
    };
    std::vector<OpenEnd> openEnds_;
};

// Traces every contour line of the raster at the given levels and hands
// them to `sink`: bands of square rows are traced on the worker pool at
// once and joined in order. Lines reach the sink as they are finished, in
// order of their last segment in a sweep of the raster, so the output is the
// same whatever the number of threads or the size of the bands. Memory holds
// the bands in flight and, up to a budget, the lines still open; never the
// output.
void generateContours(const RasterRows& raster, const ContourLevels& levels, ContourSink& sink,
                      const ContourMemory& memory = {});

}  // namespace kestrune
