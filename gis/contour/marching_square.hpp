#pragma once

#include "gis/contour/contour_levels.hpp"
#include "gis/contour/pixel_point.hpp"

#include <cmath>
#include <cstdint>

namespace kestrune {

// Where on a square a crossing lies: on one of the four sides the square
// shares with its neighbours, or on one of the four half-sides from its
// centre that its quarters share when a corner is NoData (InnerTop runs from
// the centre up to the middle of the top side, and so on).
enum class SquareSide : std::uint8_t { Top, Left, Bottom, Right, InnerTop, InnerLeft, InnerBottom, InnerRight };

// A piece of contour line inside one square, oriented so that higher ground
// lies on its left in pixel space (on its right in a map with north up). Its
// points are computed when asked for: a crossing met from both squares that
// share its side need only be computed once.
class SquareSegment {
public:
    std::int64_t level = 0;  // the level's index
    SquareSide fromSide = SquareSide::Top;
    SquareSide toSide = SquareSide::Top;
    PixelPoint from() const;
    PixelPoint to() const;

private:
    friend class MarchingSquare;
    const void* square_ = nullptr;
    double levelValue_ = 0;
    std::uint8_t fromLocal_ = 0, toLocal_ = 0;
};

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
// of GDAL's contour generator, side by side, so the points agree to the bit.
class MarchingSquare {
public:
    // Corner values; NaN for NoData.
    struct Corners {
        double upperLeft, upperRight, lowerLeft, lowerRight;
    };

    // Calls emit(const SquareSegment&) for every segment of the square, in a
    // fixed order: by quarter (upper left, upper right, lower left, lower
    // right), then by level, then left-bottom before right-top at a saddle.
    template <class Emit>
    static void trace(std::int64_t squareRow, std::int64_t squareColumn, const Corners& corners,
                      const ContourLevels& levels, Emit&& emit);

private:
    struct Valued {
        double x, y, value;
    };
    // A square or a quarter: its corners and what its sides are on the whole square.
    struct Local {
        Valued upperLeft, upperRight, lowerLeft, lowerRight;
        SquareSide top, left, bottom, right;
        bool halvesSides;  // a whole square interpolates on the half of a side a quarter would
    };

    // Where `level` crosses the side from (p1, v1) to (p2, v2), p a coordinate along it.
    static double crossing(double level, double p1, double p2, double v1, double v2, bool halves) {
        if (halves) {
            const double pm = .5 * (p1 + p2);
            const double vm = .5 * (v1 + v2);
            const double n1 = nudgedValue(level, v1);
            const double nm = nudgedValue(level, vm);
            if ((n1 < level && level < nm) || (n1 > level && level > nm)) {
                p2 = pm;
                v2 = vm;
            } else {
                p1 = pm;
                v1 = vm;
            }
        }
        const double n1 = nudgedValue(level, v1);
        const double ratio = (level - n1) / (nudgedValue(level, v2) - n1);
        return p1 * (1. - ratio) + p2 * ratio;
    }

    enum LocalSide { kTop, kLeft, kBottom, kRight };

    static PixelPoint point(const Local& s, LocalSide side, double level) {
        const Valued &ul = s.upperLeft, &ur = s.upperRight, &ll = s.lowerLeft, &lr = s.lowerRight;
        switch (side) {
        case kLeft: return {ul.x, crossing(level, ll.y, ul.y, ll.value, ul.value, s.halvesSides)};
        case kBottom: return {crossing(level, ll.x, lr.x, ll.value, lr.value, s.halvesSides), ll.y};
        case kRight: return {ur.x, crossing(level, lr.y, ur.y, lr.value, ur.value, s.halvesSides)};
        case kTop: break;
        }
        return {crossing(level, ul.x, ur.x, ul.value, ur.value, s.halvesSides), ul.y};
    }

    static SquareSide sideOf(const Local& s, LocalSide side) {
        switch (side) {
        case kLeft: return s.left;
        case kBottom: return s.bottom;
        case kRight: return s.right;
        case kTop: break;
        }
        return s.top;
    }

    template <class Emit>
    static void segment(const Local& s, std::int64_t index, double level, LocalSide from, LocalSide to, Emit& emit) {
        SquareSegment segment;
        segment.level = index;
        segment.fromSide = sideOf(s, from);
        segment.toSide = sideOf(s, to);
        segment.square_ = &s;
        segment.levelValue_ = level;
        segment.fromLocal_ = from;
        segment.toLocal_ = to;
        emit(static_cast<const SquareSegment&>(segment));
    }

    friend class SquareSegment;

    template <class Emit>
    static void traceLocal(const Local& s, const ContourLevels& levels, Emit& emit);

    template <class Emit>
    static void traceQuarters(const Valued& ul, const Valued& ur, const Valued& ll, const Valued& lr,
                              const ContourLevels& levels, Emit& emit);
};

template <class Emit>
void MarchingSquare::traceLocal(const Local& s, const ContourLevels& levels, Emit& emit) {
    const double a = s.upperLeft.value, b = s.upperRight.value, c = s.lowerLeft.value, d = s.lowerRight.value;
    const auto [first, last] =
        levels.range(std::min(std::min(a, b), std::min(c, d)), std::max(std::max(a, b), std::max(c, d)));
    for (std::int64_t index = first; index < last; ++index) {
        const double level = levels.level(index);
        // Bits of the corners above the level: 1 upper left, 2 lower left,
        // 4 lower right, 8 upper right.
        const int high = (level < nudgedValue(level, a) ? 1 : 0) | (level < nudgedValue(level, c) ? 2 : 0) |
                         (level < nudgedValue(level, d) ? 4 : 0) | (level < nudgedValue(level, b) ? 8 : 0);
        switch (high) {
        case 1: segment(s, index, level, kLeft, kTop, emit); break;
        case 2: segment(s, index, level, kBottom, kLeft, emit); break;
        case 4: segment(s, index, level, kRight, kBottom, emit); break;
        case 8: segment(s, index, level, kTop, kRight, emit); break;
        case 1 | 2: segment(s, index, level, kBottom, kTop, emit); break;
        case 2 | 4: segment(s, index, level, kRight, kLeft, emit); break;
        case 4 | 8: segment(s, index, level, kTop, kBottom, emit); break;
        case 8 | 1: segment(s, index, level, kLeft, kRight, emit); break;
        case 15 & ~1: segment(s, index, level, kTop, kLeft, emit); break;
        case 15 & ~2: segment(s, index, level, kLeft, kBottom, emit); break;
        case 15 & ~4: segment(s, index, level, kBottom, kRight, emit); break;
        case 15 & ~8: segment(s, index, level, kRight, kTop, emit); break;
        case 2 | 8:  // saddle, lower left and upper right high
            segment(s, index, level, kBottom, kLeft, emit);
            segment(s, index, level, kTop, kRight, emit);
            break;
        case 1 | 4:  // saddle, upper left and lower right high
            segment(s, index, level, kLeft, kBottom, emit);
            segment(s, index, level, kRight, kTop, emit);
            break;
        default: break;  // all high or all low
        }
    }
}

template <class Emit>
void MarchingSquare::traceQuarters(const Valued& ul, const Valued& ur, const Valued& ll, const Valued& lr,
                                   const ContourLevels& levels, Emit& emit) {
    const bool hasUl = !std::isnan(ul.value), hasUr = !std::isnan(ur.value);
    const bool hasLl = !std::isnan(ll.value), hasLr = !std::isnan(lr.value);
    const int valid = hasUl + hasUr + hasLl + hasLr;
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
    using S = SquareSide;
    if (hasUl)
        traceLocal(Local{ul, topMiddle, leftMiddle, centre, S::Top, S::Left, S::InnerLeft, S::InnerTop, false}, levels,
                   emit);
    if (hasUr)
        traceLocal(Local{topMiddle, ur, centre, rightMiddle, S::Top, S::InnerTop, S::InnerRight, S::Right, false},
                   levels, emit);
    if (hasLl)
        traceLocal(Local{leftMiddle, centre, ll, bottomMiddle, S::InnerLeft, S::Left, S::Bottom, S::InnerBottom, false},
                   levels, emit);
    if (hasLr)
        traceLocal(
            Local{centre, rightMiddle, bottomMiddle, lr, S::InnerRight, S::InnerBottom, S::Bottom, S::Right, false},
            levels, emit);
}

template <class Emit>
void MarchingSquare::trace(std::int64_t squareRow, std::int64_t squareColumn, const Corners& corners,
                           const ContourLevels& levels, Emit&& emit) {
    const double left = static_cast<double>(squareColumn + 1) - .5;
    const double right = static_cast<double>(squareColumn + 1) + .5;
    const double top = static_cast<double>(squareRow) - .5;
    const double bottom = static_cast<double>(squareRow) + .5;
    const Valued ul{left, top, corners.upperLeft}, ur{right, top, corners.upperRight};
    const Valued ll{left, bottom, corners.lowerLeft}, lr{right, bottom, corners.lowerRight};
    if (std::isnan(corners.upperLeft + corners.upperRight + corners.lowerLeft + corners.lowerRight)) {
        traceQuarters(ul, ur, ll, lr, levels, emit);
        return;
    }
    using S = SquareSide;
    traceLocal(Local{ul, ur, ll, lr, S::Top, S::Left, S::Bottom, S::Right, true}, levels, emit);
}

inline PixelPoint SquareSegment::from() const {
    return MarchingSquare::point(*static_cast<const MarchingSquare::Local*>(square_),
                                 static_cast<MarchingSquare::LocalSide>(fromLocal_), levelValue_);
}

inline PixelPoint SquareSegment::to() const {
    return MarchingSquare::point(*static_cast<const MarchingSquare::Local*>(square_),
                                 static_cast<MarchingSquare::LocalSide>(toLocal_), levelValue_);
}

}  // namespace kestrune
