#include "gis/contour/band_tracer.hpp"

#include "gis/contour/band_squares.hpp"
#include "gis/contour/marching_square.hpp"

#include "common/stop_request.hpp"

#include <algorithm>
#include <memory>

namespace kestrune {
namespace {

// A segment of one part of a square, at one level. Rows and columns are the
// band's: square row firstRow + row, square column column - 1.
struct Step {
    std::int64_t row = 0, column = 0;
    std::int64_t level = 0;
    MarchingSquare::Quarter quarter = MarchingSquare::kWhole;
    MarchingSquare::Segment segment{};
    bool twin = false;  // a whole square's other segment at the same level (a saddle)
    SquareSide from() const { return MarchingSquare::sideOf(quarter, segment.from); }
    SquareSide to() const { return MarchingSquare::sideOf(quarter, segment.to); }
    bool sameAs(const Step& other) const {
        return row == other.row && column == other.column && level == other.level && from() == other.from();
    }
};

}  // namespace

// Follows the lines of a band. A line is found at its first segment in a
// sweep of the squares (row after row, west to east, each square's
// segments in their order), followed back to its head (or round, for a
// ring) and on to its tail; every segment it passes is marked, so the sweep
// skips it. Segments are told apart by the side they start from: a part
// of a square has one segment from a side at a level.
class BandTracer::Tracer {
public:
    void trace(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow, std::int64_t endRow,
               FinishedLineSink& finished);

    std::vector<ContourPiece> pieces;

private:
    void sweep();
    void traceFrom(const Step& start);

    bool findSegment(std::int64_t row, std::int64_t column, std::int64_t level, SquareSide side, bool startingThere,
                     Step& found) const;
    bool step(const Step& from, bool forwards, Step& to, PieceEnd& end) const;
    template <bool kForwards>
    void followWhole(Step& at, std::vector<PixelPoint>& points);
    PixelPoint pointOf(const Step& s, MarchingSquare::LocalSide side) const {
        const double level = levels_->level(s.level);
        if (s.quarter != MarchingSquare::kWhole)
            return MarchingSquare::point(squares_.part(s.row, s.column, s.quarter), side, level);
        const MarchingSquare::Corners c = squares_.corners(s.row, s.column);
        const double values[4] = {c.upperLeft, c.upperRight, c.lowerLeft, c.lowerRight};
        return MarchingSquare::wholePoint(squares_.left(s.column), squares_.top(s.row), values, side, level);
    }
    PixelPoint startPoint(const Step& s) const { return pointOf(s, s.segment.from); }
    PixelPoint endPoint(const Step& s) const { return pointOf(s, s.segment.to); }
    std::uint8_t& marks(const Step& s) { return squares_.marks(squares_.at(s.row, s.column), s.level); }
    static std::uint8_t bit(SquareSide side) { return static_cast<std::uint8_t>(1u << static_cast<unsigned>(side)); }
    bool marked(const Step& s) { return (marks(s) & bit(s.from())) != 0; }
    // A whole square's marks use the bits of its own four sides; the bit of
    // an inner side says that it has two segments at the level, so that the
    // sweep can pass over a level whose segments are all marked without
    // looking at them.
    static constexpr std::uint8_t kTwinMark = 1u << static_cast<unsigned>(SquareSide::InnerRight);
    void mark(const Step& s) { marks(s) |= bit(s.from()) | (s.twin ? kTwinMark : 0); }
    void noteLast(const Step& s) {
        const std::uint64_t square = squares_.sweepIndex(s.row, s.column);
        if (square < lastSquare_) return;
        if (square > lastSquare_) {
            lastSquare_ = square;
            lastSteps_.clear();
        }
        lastSteps_.push_back(s);
    }
    std::uint32_t ordinalOf(const Step& s) const;
    void addPoint(const PixelPoint& point) {
        if (line_.empty() || !(line_.back() == point)) line_.push_back(point);
    }

    BandSquares squares_;
    FinishedLineSink* finished_ = nullptr;
    const ContourLevels* levels_ = nullptr;
    std::int64_t endRow_ = 0, lastRow_ = 0;
    std::vector<PixelPoint> line_, backwards_;
    // The line's last square of the sweep and its segments there: the line
    // completes at the last of them.
    std::uint64_t lastSquare_ = 0;
    std::vector<Step> lastSteps_;
};

void BandTracer::Tracer::trace(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow,
                               std::int64_t endRow, FinishedLineSink& finished) {
    finished_ = &finished;
    levels_ = &levels;
    endRow_ = endRow;
    lastRow_ = raster.geometry().nrows;
    pieces.clear();
    squares_.read(raster, levels, firstRow, endRow);
    sweep();
    std::sort(pieces.begin(), pieces.end(),
              [](const ContourPiece& a, const ContourPiece& b) { return a.lastSegment < b.lastSegment; });
}

void BandTracer::Tracer::sweep() {
    MarchingSquare::Segment segments[2];
    for (std::int64_t row = 0; row < squares_.rows(); ++row) {
        stopIfRequested();  // a band of fine levels on rough ground may take a while
        for (std::int64_t column = 0; column < squares_.columns(); ++column) {
            const SquareLevels& square = squares_.at(row, column);
            if (square.count == 0) continue;
            auto traceUnmarked = [&](MarchingSquare::Quarter quarter, std::int64_t level, int found) {
                for (int i = 0; i < found; ++i) {
                    const Step s{row,     column,      level,
                                 quarter, segments[i], quarter == MarchingSquare::kWhole && found == 2};
                    if (!marked(s)) traceFrom(s);
                }
            };
            if (square.whole) {
                const MarchingSquare::Corners c = squares_.corners(row, column);
                const std::uint8_t* marks = &squares_.marks(square, squares_.firstLevel(square));
                for (std::uint32_t place = 0; place < square.count; ++place) {
                    // Most segments were met following lines begun before.
                    const unsigned sides = marks[place] & 0x0fu;
                    if (sides && (!(marks[place] & kTwinMark) || (sides & (sides - 1)))) continue;
                    const std::int64_t level = squares_.firstLevel(square) + place;
                    traceUnmarked(MarchingSquare::kWhole, level,
                                  MarchingSquare::segments(c.upperLeft, c.upperRight, c.lowerLeft, c.lowerRight,
                                                           levels_->level(level), segments));
                }
                continue;
            }
            const MarchingSquare::Parts parts = squares_.parts(row, column);
            for (int p = 0; p < parts.count; ++p)
                for (std::int64_t level = squares_.firstLevel(square); squares_.hasLevel(square, level); ++level)
                    traceUnmarked(parts.part[p].quarter, level,
                                  MarchingSquare::segments(parts.part[p], levels_->level(level), segments));
        }
    }
}

// The segment of square (row, column) at `level` that starts (or ends) on
// `side`, if the square is traced and has one.
bool BandTracer::Tracer::findSegment(std::int64_t row, std::int64_t column, std::int64_t level, SquareSide side,
                                     bool startingThere, Step& found) const {
    const SquareLevels& square = squares_.at(row, column);
    if (!squares_.hasLevel(square, level)) return false;
    MarchingSquare::Segment segments[2];
    auto match = [&](MarchingSquare::Quarter quarter, int count) {
        for (int i = 0; i < count; ++i) {
            const MarchingSquare::LocalSide end = startingThere ? segments[i].from : segments[i].to;
            if (MarchingSquare::sideOf(quarter, end) != side) continue;
            found = Step{row, column, level, quarter, segments[i]};
            return true;
        }
        return false;
    };
    const double value = levels_->level(level);
    if (square.whole) {  // the side is one of the square's own
        const MarchingSquare::Corners c = squares_.corners(row, column);
        found.row = row, found.column = column, found.level = level, found.quarter = MarchingSquare::kWhole;
        const int count =
            MarchingSquare::segmentAt(c.upperLeft, c.upperRight, c.lowerLeft, c.lowerRight, value,
                                      static_cast<MarchingSquare::LocalSide>(side), startingThere, found.segment);
        found.twin = count == 2;
        return count > 0;
    }
    const MarchingSquare::Parts parts = squares_.parts(row, column);
    for (int p = 0; p < parts.count; ++p)
        if (match(parts.part[p].quarter, MarchingSquare::segments(parts.part[p], value, segments))) return true;
    return false;
}

// The segment that goes on from `from`'s end (forwards) or leads to its
// start; where there is none, the line ends there, as `end` says: at the
// band's upper or lower border, or for good (NoData, the raster's edge, a
// square the raster does not draw).
bool BandTracer::Tracer::step(const Step& from, bool forwards, Step& to, PieceEnd& end) const {
    const SquareSide side = forwards ? from.to() : from.from();
    const std::int64_t squareRow = squares_.firstRow() + from.row;
    end = PieceEnd{PieceEnd::Kind::Terminal, from.column - 1};
    if (side >= SquareSide::InnerTop)  // a half-side between two quarters of the square
        return findSegment(from.row, from.column, from.level, side, forwards, to) && to.quarter != from.quarter;
    // Across a side the square shares: by tables rather than by cases, for
    // the side is a toss-up from one step to the next.
    static constexpr int kRowStep[4] = {-1, 0, 1, 0}, kColumnStep[4] = {0, -1, 0, 1};  // by side
    static constexpr SquareSide kFacing[4] = {SquareSide::Bottom, SquareSide::Right, SquareSide::Top, SquareSide::Left};
    const auto at = static_cast<std::size_t>(side);
    if (side == SquareSide::Top && from.row == 0) {
        end.kind = PieceEnd::Kind::UpperBorder;
        return false;
    }
    if (side == SquareSide::Bottom) {
        if (squareRow == lastRow_) return false;  // on the ring: the tile below goes on from there
        if (squareRow + 1 == endRow_) {
            end.kind = PieceEnd::Kind::LowerBorder;
            return false;
        }
    }
    const std::int64_t column = from.column + kColumnStep[at];
    return column >= 0 && column < squares_.columns() &&
           findSegment(from.row + kRowStep[at], column, from.level, kFacing[at], forwards, to);
}

// The place of a segment among its square's segments, from 1.
std::uint32_t BandTracer::Tracer::ordinalOf(const Step& s) const {
    const SquareLevels& square = squares_.at(s.row, s.column);
    const MarchingSquare::Parts parts = squares_.parts(s.row, s.column);
    MarchingSquare::Segment segments[2];
    std::uint32_t ordinal = 0;
    for (int p = 0; p < parts.count; ++p) {
        for (std::int64_t level = squares_.firstLevel(square); squares_.hasLevel(square, level); ++level) {
            const int count = MarchingSquare::segments(parts.part[p], levels_->level(level), segments);
            for (int i = 0; i < count; ++i) {
                ++ordinal;
                if (parts.part[p].quarter == s.quarter && level == s.level && segments[i].from == s.segment.from)
                    return ordinal;
            }
        }
    }
    return ordinal;
}

// Steps on from `at` (forwards, or back towards the line's head) as long
// as the line runs from one whole square of the band into the next, the
// common case, with nothing of the general step's work: the same marks,
// last squares and points (forwards each segment's end, backwards its start,
// added to `points` as step() and traceFrom() would). Leaves `at` where the
// general step must decide what comes next: a border, NoData, a square not
// traced, a segment marked already (the start of a ring among them).
template <bool kForwards>
void BandTracer::Tracer::followWhole(Step& at, std::vector<PixelPoint>& points) {
    using M = MarchingSquare;
    static constexpr int kRowStep[4] = {-1, 0, 1, 0}, kColumnStep[4] = {0, -1, 0, 1};  // by side
    static constexpr M::LocalSide kFacing[4] = {M::kBottom, M::kRight, M::kTop, M::kLeft};
    const double level = levels_->level(at.level);
    const std::int64_t width = squares_.width();
    while (at.quarter == M::kWhole) {
        const M::LocalSide exit = kForwards ? at.segment.to : at.segment.from;
        const std::int64_t row = at.row + kRowStep[exit], column = at.column + kColumnStep[exit];
        if (row < 0 || row >= squares_.rows() || column < 0 || column >= squares_.columns()) return;
        const SquareLevels& square = squares_.at(row, column);
        const std::int64_t place = squares_.placeOf(square, at.level);
        if (!square.whole || place < 0 || place >= square.count) return;
        const float* upper = squares_.upperLeft(row, column);
        const double values[4] = {upper[0], upper[1], upper[width], upper[width + 1]};
        M::Segment segment;
        const int count =
            M::segmentAt(values[0], values[1], values[2], values[3], level, kFacing[exit], kForwards, segment);
        if (!count) return;
        std::uint8_t& marks = squares_.marksAt(square, place);
        const std::uint8_t bit = this->bit(static_cast<SquareSide>(segment.from));
        if (marks & bit) return;
        marks |= bit | (count == 2 ? kTwinMark : 0);
        at = Step{row, column, at.level, M::kWhole, segment, count == 2};
        noteLast(at);
        const PixelPoint point = M::wholePoint(squares_.left(column), squares_.top(row), values,
                                               kForwards ? segment.to : segment.from, level);
        if (kForwards) {
            addPoint(point);
        } else {
            points.push_back(point);
        }
    }
}

void BandTracer::Tracer::traceFrom(const Step& start) {
    mark(start);
    lastSquare_ = 0;
    lastSteps_.clear();
    noteLast(start);
    // Back to the head, or round to the start.
    backwards_.clear();
    bool ring = false;
    PieceEnd head, tail;
    for (Step at = start, before;; at = before) {
        followWhole<false>(at, backwards_);
        if (!step(at, false, before, head)) break;
        if (before.sameAs(start)) {
            ring = true;
            break;
        }
        if (marked(before)) break;  // squares that disagree about a crossing: the line ends there
        mark(before);
        noteLast(before);
        backwards_.push_back(startPoint(before));
    }
    line_.clear();
    const PixelPoint first = startPoint(start);
    if (ring) line_.push_back(first);  // a ring runs from the start round to it
    for (auto point = backwards_.rbegin(); point != backwards_.rend(); ++point) addPoint(*point);
    if (ring) {
        if (line_.size() == 1 || !(line_.back() == first)) line_.push_back(first);
    } else {
        addPoint(first);
        line_.push_back(endPoint(start));  // a line has two points at least
        for (Step at = start, after;; at = after) {
            followWhole<true>(at, line_);
            if (!step(at, true, after, tail)) break;
            if (marked(after)) break;
            mark(after);
            noteLast(after);
            addPoint(endPoint(after));
        }
    }
    SegmentKey completedAt{lastSquare_, 0};
    for (const Step& s : lastSteps_) completedAt.ordinal = std::max(completedAt.ordinal, ordinalOf(s));

    if (ring || (head.kind == PieceEnd::Kind::Terminal && tail.kind == PieceEnd::Kind::Terminal)) {
        if (ring) startRingNorth(line_);
        finished_->take(FinishedLine{start.level, completedAt, line_});
        return;
    }
    pieces.push_back(
        ContourPiece{start.level, completedAt, std::vector<PixelPoint>(line_), head, tail, PointExtent::of(line_)});
}

namespace {

// The tracers of this thread that no band uses now.
std::vector<std::unique_ptr<BandTracer::Tracer>>& idleTracers() {
    thread_local std::vector<std::unique_ptr<BandTracer::Tracer>> idle;
    return idle;
}

}  // namespace

BandTracer::BandTracer() {
    auto& idle = idleTracers();
    if (idle.empty()) {
        tracer_ = std::make_unique<Tracer>();
    } else {
        tracer_ = std::move(idle.back());
        idle.pop_back();
    }
}

BandTracer::~BandTracer() { idleTracers().push_back(std::move(tracer_)); }

void BandTracer::trace(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow,
                       std::int64_t endRow, FinishedLineSink& finished) {
    tracer_->trace(raster, levels, firstRow, endRow, finished);
}

std::vector<ContourPiece> BandTracer::takePieces() { return std::move(tracer_->pieces); }

}  // namespace kestrune
