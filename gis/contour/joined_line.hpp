#pragma once

#include "gis/contour/band_tracer.hpp"
#include "gis/contour/pixel_point.hpp"

#include "common/scratch_file.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace kestrune {

// A line joined from the pieces of several bands: an open line from one end
// at NoData or the raster's edge to the other, or a ring whose first point
// repeats at its end and which starts at its northernmost point (see
// startRingNorth). Its parts stay where the stitcher kept them, in memory or
// in its scratch file, and are read in runs: a long line is never copied whole.
// The room its parts take in the scratch file is given back when it goes.
class JoinedLine {
public:
    JoinedLine() = default;
    ~JoinedLine() { releaseScratch(); }
    JoinedLine(JoinedLine&& other) noexcept { *this = std::move(other); }
    JoinedLine& operator=(JoinedLine&& other) noexcept {
        if (this == &other) return *this;
        releaseScratch();
        level = other.level, completedAt = other.completedAt;
        parts_ = std::move(other.parts_);
        other.parts_.clear();
        scratch_ = other.scratch_, size_ = other.size_, ring_ = other.ring_, ringStart_ = other.ringStart_;
        low_ = other.low_, high_ = other.high_;
        return *this;
    }
    JoinedLine(const JoinedLine&) = delete;
    JoinedLine& operator=(const JoinedLine&) = delete;

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
    // The corners of the box around its points.
    PixelPoint low() const { return low_; }
    PixelPoint high() const { return high_; }

    // Hands the points in order to take(const PixelPoint*, std::size_t), a run of them at a time.
    template <class Take>
    void forEachRun(Take&& take) const {
        if (!ring_) return readRange(0, size_, take);
        // A ring from its northernmost point round to it again; its closing
        // point, the same as its first, is passed over.
        readRange(ringStart_, size_ - 1, take);
        readRange(0, ringStart_ + 1, take);
    }

private:
    friend class PieceStitcher;
    // Hands points [from, end) of the line (before any rotation) to `take`.
    template <class Take>
    void readRange(std::size_t from, std::size_t end, Take& take) const;

    // Gives back the room of its parts in the scratch file and forgets them.
    void releaseScratch();

    std::vector<Part> parts_;  // each starting where the one before ends
    ScratchFile* scratch_ = nullptr;
    std::size_t size_ = 0;
    bool ring_ = false;
    std::size_t ringStart_ = 0;  // a ring's northernmost point
    PixelPoint low_, high_;
};

template <class Take>
void JoinedLine::readRange(std::size_t from, std::size_t end, Take& take) const {
    constexpr std::size_t kRun = 4096;  // points read from the scratch file at once
    std::vector<PixelPoint> run;
    std::size_t first = 0;  // the line's index of the part's first point
    for (const Part& part : parts_) {
        // Each part after the first starts with the point the one before ends with.
        const std::size_t skip = first ? 1 : 0;
        const std::size_t partEnd = first + part.size() - skip;
        for (std::size_t at = std::max(from, first); at < std::min(end, partEnd);) {
            const std::size_t inPart = at - first + skip;
            const std::size_t count = std::min({end, partEnd, at + kRun}) - at;
            if (part.spilled) {
                run.resize(count);
                scratch_->read(part.offset + inPart * sizeof(PixelPoint), run.data(), count * sizeof(PixelPoint));
                take(static_cast<const PixelPoint*>(run.data()), count);
            } else {
                take(part.points.data() + inPart, count);
            }
            at += count;
        }
        first = partEnd;
    }
}

}  // namespace kestrune
