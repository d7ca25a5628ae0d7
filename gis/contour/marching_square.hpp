#pragma once

#include "gis/contour/contour_levels.hpp"
#include "gis/contour/pixel_point.hpp"

#include <array>
#include <cmath>
#include <cstdint>

namespace kestrune {

// Where on a square a crossing lies: on one of the four sides the square
// shares with its neighbours, or on one of the four half-sides from its
// centre that its quarters share when a corner is NoData (InnerTop runs from
// the centre up to the middle of the top side, and so on).
enum class SquareSide : std::uint8_t { Top, Left, Bottom, Right, InnerTop, InnerLeft, InnerBottom, InnerRight };

// Marching squares on the cell centres. The square in square row s and
// square column c joins the centres of cells (s - 1, c), (s - 1, c + 1),
// (s, c) and (s, c + 1); square rows run from 0 to nrows and square columns
// from -1 to ncols - 1, so cells outside the raster (NoData) ring it and
// lines end at its edge as they end at NoData.
//
// A line crosses a side where its level lies between the side's two values,
// at the point linear interpolation gives. A square with NoData corners is
// cut into quarters around its valid corners, the middle of a side taking
// the mean of its valid ends and the centre the mean of the valid corners,
// so lines reach half a cell towards NoData and end there. Where both
// diagonals are high (a saddle), the pairing is always the same, whatever
// the centre value, so lines of different levels never cross. Values within
// 1e-6 of a level are nudged above it (nudgedValue). The arithmetic is that
// of GDAL's contour generator, side by side, so the points agree to the bit;
// a crossing on a side two squares share is the same bits from either.
//
// Each part of a square (the whole square, or a quarter) gives at a level
// up to two segments, oriented so that higher ground lies on their left in
// pixel space (on their right in a map with north up). A square's segments
// come in a fixed order: by part (upper left, upper right, lower left,
// lower right quarter), then by level, then left-bottom before right-top at
// a saddle.
class MarchingSquare {
public:
    // Corner values; NaN for NoData.
    struct Corners {
        double upperLeft, upperRight, lowerLeft, lowerRight;
    };
    // A side of a part.
    enum LocalSide : std::uint8_t { kTop, kLeft, kBottom, kRight };
    struct Valued {
        double x, y, value;
    };
    // Which part of a square: a quarter around one corner, or the whole.
    enum Quarter : std::uint8_t { kUpperLeft, kUpperRight, kLowerLeft, kLowerRight, kWhole };
    // What the sides of a part are on the whole square, by LocalSide.
    static SquareSide sideOf(Quarter quarter, LocalSide local) {
        using S = SquareSide;
        static constexpr SquareSide kSides[5][4] = {{S::Top, S::Left, S::InnerLeft, S::InnerTop},
                                                    {S::Top, S::InnerTop, S::InnerRight, S::Right},
                                                    {S::InnerLeft, S::Left, S::Bottom, S::InnerBottom},
                                                    {S::InnerRight, S::InnerBottom, S::Bottom, S::Right},
                                                    {S::Top, S::Left, S::Bottom, S::Right}};
        return kSides[quarter][local];
    }
    // The whole square or a quarter: its corners.
    struct Part {
        Valued upperLeft, upperRight, lowerLeft, lowerRight;
        Quarter quarter;
        SquareSide side(LocalSide local) const { return sideOf(quarter, local); }
        // A whole square interpolates on the half of a side a quarter would.
        bool halvesSides() const { return quarter == kWhole; }
    };
    struct Segment {
        LocalSide from, to;
    };
    // The parts of a square, in order.
    struct Parts {
        Part part[4];
        int count = 0;
    };

    // The parts of the square in square row `squareRow` and column
    // `squareColumn` (on the surface: the points are in its pixel space).
    static Parts parts(std::int64_t squareRow, std::int64_t squareColumn, const Corners& corners);
    // The whole square, of corners without NoData.
    static Part whole(std::int64_t squareRow, std::int64_t squareColumn, const Corners& corners) {
        const double left = static_cast<double>(squareColumn + 1) - .5;
        const double right = static_cast<double>(squareColumn + 1) + .5;
        const double top = static_cast<double>(squareRow) - .5;
        const double bottom = static_cast<double>(squareRow) + .5;
        return Part{{left, top, corners.upperLeft},
                    {right, top, corners.upperRight},
                    {left, bottom, corners.lowerLeft},
                    {right, bottom, corners.lowerRight},
                    kWhole};
    }

    // The segments of `part` at `level`, in order; returns how many (0 to 2).
    static int segments(const Part& part, double level, Segment out[2]) {
        return segments(part.upperLeft.value, part.upperRight.value, part.lowerLeft.value, part.lowerRight.value, level,
                        out);
    }
    // The same for a part of these corner values.
    static int segments(double a, double b, double c, double d, double level, Segment out[2]) {
        const CaseSegments& found = kCases[caseOf(a, b, c, d, level)];
        out[0] = found.segment[0];
        out[1] = found.segment[1];
        return found.count;
    }
    // The segment of a whole square of these corner values at `level` that
    // starts at `side` (or, with startsThere false, ends there): how many
    // segments the square has at the level (2 at a saddle), or 0 when none
    // starts (or ends) there.
    static int segmentAt(double a, double b, double c, double d, double level, LocalSide side, bool startsThere,
                         Segment& found) {
        const int mask = caseOf(a, b, c, d, level);
        const SideLink link = kLinks[mask][side];
        if (link.other < 0 || link.startsHere != startsThere) return 0;
        const auto other = static_cast<LocalSide>(link.other);
        found = startsThere ? Segment{side, other} : Segment{other, side};
        return kCases[mask].count;
    }
    // Where `level` crosses side `side` of the whole square whose upper
    // left corner lies at (left, top) in pixel space; `values` upper left,
    // upper right, lower left, lower right. The same bits as point().
    static PixelPoint wholePoint(double left, double top, const double values[4], LocalSide side, double level) {
        static constexpr int kFirst[4] = {0, 2, 2, 3}, kSecond[4] = {1, 0, 3, 1};  // by LocalSide
        const double right = left + 1, bottom = top + 1;
        const bool vertical = side == kLeft || side == kRight;
        const double along = crossing(level, vertical ? bottom : left, vertical ? top : right, values[kFirst[side]],
                                      values[kSecond[side]], true);
        return {vertical ? (side == kLeft ? left : right) : along, vertical ? along : (side == kTop ? top : bottom)};
    }

    // Where `level` crosses side `side` of `part`.
    static PixelPoint point(const Part& s, LocalSide side, double level) {
        const Valued &ul = s.upperLeft, &ur = s.upperRight, &ll = s.lowerLeft, &lr = s.lowerRight;
        const bool halves = s.halvesSides();
        switch (side) {
        case kLeft: return {ul.x, crossing(level, ll.y, ul.y, ll.value, ul.value, halves)};
        case kBottom: return {crossing(level, ll.x, lr.x, ll.value, lr.value, halves), ll.y};
        case kRight: return {ur.x, crossing(level, lr.y, ur.y, lr.value, ur.value, halves)};
        case kTop: break;
        }
        return {crossing(level, ul.x, ur.x, ul.value, ur.value, halves), ul.y};
    }

private:
    // Bits of the corners above the level: 1 upper left, 2 lower left, 4
    // lower right, 8 upper right.
    static int caseOf(double a, double b, double c, double d, double level) {
        // Almost always no corner lies within the nudge of the level, and
        // a corner is then above it when it is greater: the same bits for
        // far fewer operations.
        const bool near = (std::fabs(level - a) < 1e-6) | (std::fabs(level - b) < 1e-6) |
                          (std::fabs(level - c) < 1e-6) | (std::fabs(level - d) < 1e-6);
        if (!near) return (level < a ? 1 : 0) | (level < c ? 2 : 0) | (level < d ? 4 : 0) | (level < b ? 8 : 0);
        return (level < nudgedValue(level, a) ? 1 : 0) | (level < nudgedValue(level, c) ? 2 : 0) |
               (level < nudgedValue(level, d) ? 4 : 0) | (level < nudgedValue(level, b) ? 8 : 0);
    }
    struct CaseSegments {
        int count;
        Segment segment[2];
    };
    // By the bits of the corners above the level.
    static constexpr CaseSegments kCases[16] = {
        {0, {}},                                  // all low
        {1, {{kLeft, kTop}, {}}},                 // 1
        {1, {{kBottom, kLeft}, {}}},              // 2
        {1, {{kBottom, kTop}, {}}},               // 1 | 2
        {1, {{kRight, kBottom}, {}}},             // 4
        {2, {{kLeft, kBottom}, {kRight, kTop}}},  // 1 | 4, saddle: upper left and lower right high
        {1, {{kRight, kLeft}, {}}},               // 2 | 4
        {1, {{kRight, kTop}, {}}},                // all but 8
        {1, {{kTop, kRight}, {}}},                // 8
        {1, {{kLeft, kRight}, {}}},               // 8 | 1
        {2, {{kBottom, kLeft}, {kTop, kRight}}},  // 2 | 8, saddle: lower left and upper right high
        {1, {{kBottom, kRight}, {}}},             // all but 4
        {1, {{kTop, kBottom}, {}}},               // 4 | 8
        {1, {{kLeft, kBottom}, {}}},              // all but 2
        {1, {{kTop, kLeft}, {}}},                 // all but 1
        {0, {}},                                  // all high
    };

    // For a case and a side: the other end of the segment with an end on
    // that side, and whether it starts there; other < 0 where none has.
    struct SideLink {
        std::int8_t other;
        bool startsHere;
    };
    static constexpr auto kLinks = [] {
        std::array<std::array<SideLink, 4>, 16> links{};
        for (int mask = 0; mask < 16; ++mask) {
            for (auto& link : links[mask]) link = {-1, false};
            for (int i = 0; i < kCases[mask].count; ++i) {
                const Segment& s = kCases[mask].segment[i];
                links[mask][s.from] = {static_cast<std::int8_t>(s.to), true};
                links[mask][s.to] = {static_cast<std::int8_t>(s.from), false};
            }
        }
        return links;
    }();

    // Where `level` crosses the side from (p1, v1) to (p2, v2), p a coordinate along it.
    static double crossing(double level, double p1, double p2, double v1, double v2, bool halves) {
        if (halves) {
            const double pm = .5 * (p1 + p2);
            const double vm = .5 * (v1 + v2);
            const double n1 = nudgedValue(level, v1);
            const double nm = nudgedValue(level, vm);
            const bool firstHalf = ((n1 < level) & (level < nm)) | ((n1 > level) & (level > nm));
            p1 = firstHalf ? p1 : pm;
            v1 = firstHalf ? v1 : vm;
            p2 = firstHalf ? pm : p2;
            v2 = firstHalf ? vm : v2;
        }
        const double n1 = nudgedValue(level, v1);
        const double ratio = (level - n1) / (nudgedValue(level, v2) - n1);
        return p1 * (1. - ratio) + p2 * ratio;
    }
};

inline MarchingSquare::Parts MarchingSquare::parts(std::int64_t squareRow, std::int64_t squareColumn,
                                                   const Corners& corners) {
    Parts parts;
    const Part square = whole(squareRow, squareColumn, corners);
    if (!std::isnan(corners.upperLeft + corners.upperRight + corners.lowerLeft + corners.lowerRight)) {
        parts.part[parts.count++] = square;
        return parts;
    }
    const Valued &ul = square.upperLeft, &ur = square.upperRight, &ll = square.lowerLeft, &lr = square.lowerRight;
    const bool hasUl = !std::isnan(ul.value), hasUr = !std::isnan(ur.value);
    const bool hasLl = !std::isnan(ll.value), hasLr = !std::isnan(lr.value);
    const int valid = hasUl + hasUr + hasLl + hasLr;
    if (valid == 0) return parts;
    auto validOrZero = [](double value) { return std::isnan(value) ? 0.0 : value; };
    // The middle of a side: the mean of its valid ends.
    auto middle = [](double first, double second) {
        return std::isnan(first) ? second : (std::isnan(second) ? first : .5 * (first + second));
    };
    const Valued centre{
        .5 * (ul.x + lr.x), .5 * (ul.y + lr.y),
        (validOrZero(ll.value) + validOrZero(ul.value) + validOrZero(lr.value) + validOrZero(ur.value)) / valid};
    const Valued leftMiddle{ul.x, .5 * (ul.y + ll.y), middle(ul.value, ll.value)};
    const Valued bottomMiddle{.5 * (ll.x + lr.x), ll.y, middle(lr.value, ll.value)};
    const Valued rightMiddle{ur.x, .5 * (ur.y + lr.y), middle(lr.value, ur.value)};
    const Valued topMiddle{.5 * (ul.x + ur.x), ul.y, middle(ul.value, ur.value)};
    if (hasUl) parts.part[parts.count++] = Part{ul, topMiddle, leftMiddle, centre, kUpperLeft};
    if (hasUr) parts.part[parts.count++] = Part{topMiddle, ur, centre, rightMiddle, kUpperRight};
    if (hasLl) parts.part[parts.count++] = Part{leftMiddle, centre, ll, bottomMiddle, kLowerLeft};
    if (hasLr) parts.part[parts.count++] = Part{centre, rightMiddle, bottomMiddle, lr, kLowerRight};
    return parts;
}

}  // namespace kestrune
