#pragma once

#include "common/scratch_file.hpp"
#include "gis/contour_band.hpp"
#include "gis/contour_levels.hpp"
#include "gis/float_raster.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// A line joined from the pieces of several bands: an open line from one end
// at NoData or the raster's edge to the other, or a ring whose first point
// repeats at its end and which starts at its northernmost point (the
// westernmost of those). Its parts stay where the stitcher kept them, in
// memory or in its scratch file, and are read in runs: a long line is never
// copied whole.
class JoinedLine {
public:
    // Points of the line, in memory or in the scratch file.
    struct Part {
        std::vector<PixelPoint> points;
        std::uint64_t offset = 0;  // in the scratch file, when the points are there
        std::size_t spilled = 0;   // how many points are there
        std::size_t size() const { return spilled + points.size(); }
    };

    std::int64_t level = 0;  // the level's index
    SegmentKey completedAt;  // the line's last segment in the sweep

    // Points of the line, each point shared by two parts counted once.
    std::size_t size() const { return size_; }
    // Hands the points in order to `take`, a run of them at a time.
    void forEachRun(const std::function<void(const PixelPoint*, std::size_t)>& take) const;

private:
    friend class PieceStitcher;
    // Hands points [from, end) of the line (before any rotation) to `take`.
    void readRange(std::size_t from, std::size_t end,
                   const std::function<void(const PixelPoint*, std::size_t)>& take) const;
    std::size_t northernmost() const;

    std::vector<Part> parts_;  // each starting where the one before ends
    const ScratchFile* scratch_ = nullptr;
    std::size_t size_ = 0;
    bool ring_ = false;
    std::size_t ringStart_ = 0;  // a ring's northernmost point
};

// Receives finished contour lines on the generating thread, in the order
// of generateContours. A line finished within a band is first encoded (see
// ContourEncoder) on the thread that traced it; a line joined from the
// pieces of several bands comes as a JoinedLine, as it may be very long.
class ContourSink : public ContourEncoder {
public:
    // `level` is the line's value, `encoded` what encode() made of it.
    virtual void write(double level, std::string_view encoded) = 0;
    virtual void writeJoined(double level, const JoinedLine& line) = 0;
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
    std::vector<JoinedLine> addBand(std::vector<ContourPiece>&& pieces);

    // Lines still open: none once the last band is in.
    std::size_t openLines() const;

private:
    using Part = JoinedLine::Part;
    struct Chain;
    std::uint32_t root(std::uint32_t chain);
    std::uint32_t join(std::uint32_t first, std::uint32_t second);
    JoinedLine takeLine(Chain& chain);
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
