#pragma once

#include <algorithm>
#include <cstddef>
#include <span>

namespace kestrune {

// A point in pixel space: x grows east from the raster's western edge, y
// grows south from its northern edge, both in cells. The centre of the cell
// in row r and column c is (c + 0.5, r + 0.5).
struct PixelPoint {
    double x = 0;
    double y = 0;
    bool operator==(const PixelPoint& other) const { return x == other.x && y == other.y; }
};

// The order that picks where a ring starts: the northernmost point, the
// westernmost of those.
inline bool northOf(const PixelPoint& a, const PixelPoint& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; }

// The corners of the box around some points, and the first of their
// northernmost points (see northOf), found in one pass.
struct PointExtent {
    PixelPoint low, high;     // the smallest and largest x and y
    PixelPoint north;         // the northernmost point
    std::size_t northAt = 0;  // the index of its first occurrence

    static PointExtent of(std::span<const PixelPoint> points) {
        PointExtent e{points[0], points[0], points[0], 0};
        for (std::size_t i = 1; i < points.size(); ++i) e.add(points[i], i);
        return e;
    }
    void add(const PixelPoint& p, std::size_t index) {
        low.x = std::min(low.x, p.x), high.x = std::max(high.x, p.x);
        low.y = std::min(low.y, p.y), high.y = std::max(high.y, p.y);
        if (northOf(p, north)) north = p, northAt = index;
    }
    // The extent of these points followed by `later`'s, whose first point
    // is the last of these, `count` of them.
    void append(const PointExtent& later, std::size_t count) {
        low.x = std::min(low.x, later.low.x), high.x = std::max(high.x, later.high.x);
        low.y = std::min(low.y, later.low.y), high.y = std::max(high.y, later.high.y);
        if (northOf(later.north, north)) north = later.north, northAt = count - 1 + later.northAt;
    }
};

// Rotates a ring (its first point repeated at its end) so that it starts
// and ends at its northernmost point (see northOf).
inline void startRingNorth(std::span<PixelPoint> ring) {
    const auto open = ring.first(ring.size() - 1);  // without the closing point
    std::rotate(open.begin(), std::min_element(open.begin(), open.end(), northOf), open.end());
    ring.back() = ring.front();
}

}  // namespace kestrune
