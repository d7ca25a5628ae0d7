#pragma once

#include <algorithm>
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

// Rotates a ring (its first point repeated at its end) so that it starts
// and ends at its northernmost point (see northOf).
inline void startRingNorth(std::span<PixelPoint> ring) {
    const auto open = ring.first(ring.size() - 1);  // without the closing point
    std::rotate(open.begin(), std::min_element(open.begin(), open.end(), northOf), open.end());
    ring.back() = ring.front();
}

}  // namespace kestrune
