#include "gis/contour/band_tracer.hpp"

#include "gis/contour/line_records.hpp"
#include "gis/contour/marching_square.hpp"
#include "gis/contour/point_list.hpp"

#include "common/stop_request.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace kestrune {
namespace {

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

enum class EndState : std::uint8_t { Pending, Terminal, UpperBorder, LowerBorder };

// A line being traced.
struct OpenLine {
    PointList points;
    std::int64_t level = 0;
    EndState headState = EndState::Pending, tailState = EndState::Pending;
    std::int64_t headColumn = 0, tailColumn = 0;

    // A line that goes on from this one's tail: its points follow without
    // moving, and its tail is this one's now.
    void append(OpenLine&& later) {
        points.append(std::move(later.points));
        tailState = later.tailState;
        tailColumn = later.tailColumn;
    }
};

// A line end on a side that a later segment will reach: the right side of
// the square (the next square's left), its bottom (the top of the square
// below) or a half-side between two of its quarters.
struct PendingEnd {
    std::int64_t column;
    std::int64_t level;
    std::uint32_t line;
    bool isTail;
    SquareSide side;
    bool met;
};

// What the end of a segment meets: the end of a line traced before (the
// tail when the segment starts there, the head when it ends there), or
// nothing yet, in which case the new end's state says what comes of it.
struct Meeting {
    bool joins = false;
    std::uint32_t line = 0;
    EndState state = EndState::Pending;
    std::int64_t column = 0;
    SquareSide side = SquareSide::Top;
};

// Traces one square row after the other; `upper` and `lower` hold the
// values of raster rows row - 1 and row (NaN for NoData), from column -1 to
// ncols, and the values' places among the levels. Of the squares on the
// ring (row 0, column -1) it traces those the raster owns; points are in
// the pixel space of the raster's surface.
//
// One serves band after band on its thread: it keeps its buffers and its
// arena, so a long job does not keep asking the system for fresh memory.
class RowTracer {
public:
    // Begins a band: square rows [firstRow, endRow) of `raster`.
    void restart(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow, std::int64_t endRow) {
        framed_ = &raster;
        raster_ = &raster.geometry();
        levels_ = &levels;
        firstRow_ = firstRow;
        endRow_ = endRow;
        lastRow_ = raster_->nrows;
        lines_.clear();
        above_.clear(), below_.clear(), left_.clear(), right_.clear(), inner_.clear();
        clearFinished();
        pieces.clear();
    }

    void traceRow(std::int64_t row, const double* upper, const double* lower, const double* upperLevels,
                  const double* lowerLevels);

    // The lines completed since the last clearFinished(), and their points.
    std::vector<FinishedLine> finished;
    std::vector<PixelPoint> finishedPoints;
    void clearFinished() {
        finished.clear();
        finishedPoints.clear();
    }
    std::vector<ContourPiece> pieces;

private:
    void traceSquare(std::int64_t column, const MarchingSquare::Corners& corners);
    void traceSegment(const SquareSegment& segment);
    Meeting meet(SquareSide side, std::int64_t level, bool segmentStartsHere);
    bool findPending(std::vector<PendingEnd>& ends, std::size_t from, SquareSide side, std::int64_t level, bool isTail,
                     std::uint32_t& line);
    bool hasQuarterBeyond(SquareSide side) const;
    void setEnd(std::uint32_t line, bool tail, const Meeting& meeting);
    void endUnmet(std::vector<PendingEnd>& ends, std::size_t from);
    std::uint32_t newLine(std::int64_t level, const PixelPoint& from, const PixelPoint& to);
    void settle(std::uint32_t line);
    void complete(std::int64_t level, std::size_t firstPoint);

    bool owns(std::int64_t column) const { return (row_ > 0 && column >= 0) || framed_->ownsSquare(row_, column); }

    const FramedRaster* framed_ = nullptr;
    const RasterGeometry* raster_ = nullptr;
    const ContourLevels* levels_ = nullptr;
    std::int64_t firstRow_ = 0, endRow_ = 0, lastRow_ = 0;

    PointArena arena_;
    LineRecords<OpenLine> lines_;
    std::vector<PendingEnd> above_, below_;  // on the top and bottom sides of this square row
    std::size_t aboveCursor_ = 0;            // the first end above that the current square may meet
    std::vector<PendingEnd> left_, right_, inner_;
    std::int64_t row_ = 0, column_ = 0;
    bool corner_[4] = {};  // upper left, upper right, lower left, lower right hold values
    SegmentKey key_;
};

void RowTracer::traceRow(std::int64_t row, const double* upper, const double* lower, const double* upperLevels,
                         const double* lowerLevels) {
    row_ = row;
    aboveCursor_ = 0;
    // The nudge moves values by up to 1e-6: the quick test below leaves twice
    // that (in levels) so that it never passes over a level a square has.
    const double slack = 2e-6 / levels_->interval;
    for (std::int64_t column = -1; column < raster_->ncols; ++column) {
        column_ = column;
        const std::size_t at = static_cast<std::size_t>(column + 1);
        const MarchingSquare::Corners corners{upper[at], upper[at + 1], lower[at], lower[at + 1]};
        const double qa = upperLevels[at], qb = upperLevels[at + 1], qc = lowerLevels[at], qd = lowerLevels[at + 1];
        // A square of values with no level between them makes no line. One
        // with NoData corners is cut into quarters, whose values the test
        // does not see.
        const double sum = corners.upperLeft + corners.upperRight + corners.lowerLeft + corners.lowerRight;
        const double qMax = std::max(std::max(qa, qb), std::max(qc, qd));
        const double qMin = std::min(std::min(qa, qb), std::min(qc, qd));
        const double margin = slack + 1e-9 * std::fabs(qMax);  // and far more than any rounding of the places
        const bool levelFree = !std::isnan(sum) && std::floor(qMax + margin) < std::ceil(qMin - margin);
        const bool allNoData = std::isnan(corners.upperLeft) && std::isnan(corners.upperRight) &&
                               std::isnan(corners.lowerLeft) && std::isnan(corners.lowerRight);
        if (!levelFree && !allNoData && owns(column)) traceSquare(column, corners);
        endUnmet(inner_, 0);
        inner_.clear();
        endUnmet(left_, 0);
        left_.swap(right_);
        right_.clear();
        while (aboveCursor_ < above_.size() && above_[aboveCursor_].column <= column) ++aboveCursor_;
    }
    endUnmet(left_, 0);
    left_.clear();
    endUnmet(above_, 0);
    above_.swap(below_);
    below_.clear();
}

void RowTracer::traceSquare(std::int64_t column, const MarchingSquare::Corners& corners) {
    corner_[0] = !std::isnan(corners.upperLeft);
    corner_[1] = !std::isnan(corners.upperRight);
    corner_[2] = !std::isnan(corners.lowerLeft);
    corner_[3] = !std::isnan(corners.lowerRight);
    key_.square = static_cast<std::uint64_t>(row_) * static_cast<std::uint64_t>(raster_->ncols + 1) +
                  static_cast<std::uint64_t>(column + 1);
    key_.ordinal = 0;
    const CellIndex offset = framed_->offset();
    MarchingSquare::trace(row_ + offset.row, column + offset.column, corners, *levels_,
                          [this](const SquareSegment& s) { traceSegment(s); });
}

bool RowTracer::hasQuarterBeyond(SquareSide side) const {
    switch (side) {
    case SquareSide::InnerTop: return corner_[0] && corner_[1];
    case SquareSide::InnerLeft: return corner_[0] && corner_[2];
    case SquareSide::InnerBottom: return corner_[2] && corner_[3];
    case SquareSide::InnerRight: return corner_[1] && corner_[3];
    default: return false;
    }
}

bool RowTracer::findPending(std::vector<PendingEnd>& ends, std::size_t from, SquareSide side, std::int64_t level,
                            bool isTail, std::uint32_t& line) {
    for (std::size_t i = from; i < ends.size(); ++i) {
        PendingEnd& end = ends[i];
        if (&ends == &above_ && end.column != column_) break;
        if (end.met || end.level != level || end.isTail != isTail || end.side != side) continue;
        end.met = true;
        line = end.line;
        return true;
    }
    return false;
}

Meeting RowTracer::meet(SquareSide side, std::int64_t level, bool segmentStartsHere) {
    Meeting meeting;
    meeting.side = side;
    meeting.column = column_;
    // A segment that starts at a point continues a line that ends (has its
    // tail) there, and the other way round.
    const bool wantTail = segmentStartsHere;
    switch (side) {
    case SquareSide::Top:
        if (row_ == firstRow_) {
            meeting.state = EndState::UpperBorder;
        } else {
            meeting.joins = findPending(above_, aboveCursor_, SquareSide::Bottom, level, wantTail, meeting.line);
            if (!meeting.joins) meeting.state = EndState::Terminal;
        }
        break;
    case SquareSide::Left:
        meeting.joins = findPending(left_, 0, SquareSide::Right, level, wantTail, meeting.line);
        if (!meeting.joins) meeting.state = EndState::Terminal;
        break;
    case SquareSide::Right: meeting.state = EndState::Pending; break;
    case SquareSide::Bottom:  // on the last square row, the ring: the tile below goes on from there
        meeting.state = row_ == lastRow_      ? EndState::Terminal
                        : row_ + 1 == endRow_ ? EndState::LowerBorder
                                              : EndState::Pending;
        break;
    default:
        meeting.joins = findPending(inner_, 0, side, level, wantTail, meeting.line);
        if (!meeting.joins) meeting.state = hasQuarterBeyond(side) ? EndState::Pending : EndState::Terminal;
        break;
    }
    return meeting;
}

void RowTracer::setEnd(std::uint32_t line, bool tail, const Meeting& meeting) {
    OpenLine& l = lines_[line];
    (tail ? l.tailState : l.headState) = meeting.state;
    (tail ? l.tailColumn : l.headColumn) = meeting.column;
    if (meeting.state != EndState::Pending) return;
    const PendingEnd end{meeting.column, l.level, line, tail, meeting.side, false};
    switch (meeting.side) {
    case SquareSide::Right: right_.push_back(end); break;
    case SquareSide::Bottom: below_.push_back(end); break;
    default: inner_.push_back(end); break;
    }
}

void RowTracer::endUnmet(std::vector<PendingEnd>& ends, std::size_t from) {
    // Every crossing of a shared side is met from both squares, so this only
    // ends lines where rounding made two squares disagree about a crossing.
    for (std::size_t i = from; i < ends.size(); ++i) {
        if (ends[i].met) continue;
        ends[i].met = true;
        const std::uint32_t line = lines_.root(ends[i].line);
        (ends[i].isTail ? lines_[line].tailState : lines_[line].headState) = EndState::Terminal;
        settle(line);
    }
}

std::uint32_t RowTracer::newLine(std::int64_t level, const PixelPoint& from, const PixelPoint& to) {
    OpenLine line;
    line.level = level;
    line.points.pushBack(arena_, from);
    line.points.pushBack(arena_, to);
    return lines_.add(std::move(line));
}

void RowTracer::traceSegment(const SquareSegment& segment) {
    ++key_.ordinal;
    const Meeting start = meet(segment.fromSide, segment.level, true);
    const Meeting end = meet(segment.toSide, segment.level, false);
    // A point met at the end of a line is the line's end already; only new
    // ends are computed.
    std::uint32_t line;
    if (start.joins && end.joins) {
        const std::uint32_t before = lines_.root(start.line), after = lines_.root(end.line);
        if (before == after) {  // the segment closes a ring
            OpenLine& ring = lines_[before];
            ring.points.pushBack(arena_, PixelPoint(ring.points.front()));
            const std::size_t first = finishedPoints.size();
            ring.points.moveTo(arena_, finishedPoints);
            startRingNorth(std::span(finishedPoints).subspan(first));
            complete(segment.level, first);
            lines_.release(before);
            return;
        }
        PointList& second = lines_[after].points;
        if (lines_[before].points.back() == second.front()) second.popFront(arena_);  // a segment of no length
        line = lines_.join(before, after);
    } else if (start.joins) {
        line = lines_.root(start.line);
        const PixelPoint to = segment.to();
        if (!(lines_[line].points.back() == to)) lines_[line].points.pushBack(arena_, to);
        setEnd(line, true, end);
    } else if (end.joins) {
        line = lines_.root(end.line);
        const PixelPoint from = segment.from();
        if (!(lines_[line].points.front() == from)) lines_[line].points.pushFront(arena_, from);
        setEnd(line, false, start);
    } else {
        line = newLine(segment.level, segment.from(), segment.to());
        setEnd(line, false, start);
        setEnd(line, true, end);
    }
    settle(line);
}

// The line whose points are finishedPoints from `firstPoint` on is complete.
void RowTracer::complete(std::int64_t level, std::size_t firstPoint) {
    finished.push_back(FinishedLine{level, key_, firstPoint, finishedPoints.size() - firstPoint});
}

// A line with no end left to meet in this band is done here: complete when
// both ends lie at NoData or the raster's edge, else a piece for stitching.
void RowTracer::settle(std::uint32_t id) {
    OpenLine& line = lines_[id];
    if (line.headState == EndState::Pending || line.tailState == EndState::Pending) return;
    if (line.headState == EndState::Terminal && line.tailState == EndState::Terminal) {
        const std::size_t first = finishedPoints.size();
        line.points.moveTo(arena_, finishedPoints);
        complete(line.level, first);
    } else {
        auto end = [](EndState state, std::int64_t column) {
            PieceEnd pieceEnd;
            pieceEnd.kind = state == EndState::UpperBorder   ? PieceEnd::Kind::UpperBorder
                            : state == EndState::LowerBorder ? PieceEnd::Kind::LowerBorder
                                                             : PieceEnd::Kind::Terminal;
            pieceEnd.column = column;
            return pieceEnd;
        };
        const PieceEnd head = end(line.headState, line.headColumn), tail = end(line.tailState, line.tailColumn);
        std::vector<PixelPoint> points = line.points.take(arena_);
        const PointExtent extent = PointExtent::of(points);
        pieces.push_back(ContourPiece{line.level, key_, std::move(points), head, tail, extent});
    }
    lines_.release(id);
}

// Cells as the tracer reads them: NaN for NoData, and each value's place
// among the levels.
void fillValues(const float* cells, std::size_t count, const ContourLevels& levels, double* values,
                double* levelPlaces) {
    // Places among the levels serve only the quick test of traceRow, which
    // leaves slack for their rounding: a product does instead of a quotient.
    const double perLevel = 1 / levels.interval, base = levels.base;
    for (std::size_t column = 0; column < count; ++column) {
        const float cell = cells[column];
        const double v = isNoData(cell) ? kNoValue : static_cast<double>(cell);
        values[column] = v;
        levelPlaces[column] = (v - base) * perLevel;  // NaN stays NaN
    }
}

// Raster row `row` from column -1 to ncols as the tracer reads it: `cells`
// the raster's own (for rows 0 to nrows - 1), the ring's at either end.
void fillRow(const FramedRaster& raster, std::int64_t row, const float* cells, const ContourLevels& levels,
             std::vector<double>& values, std::vector<double>& levelPlaces) {
    const std::int64_t ncols = raster.geometry().ncols;
    const auto width = static_cast<std::size_t>(ncols + 2);
    values.resize(width);
    levelPlaces.resize(width);
    if (!cells) {
        fillValues(raster.ringRow(row), width, levels, values.data(), levelPlaces.data());
        return;
    }
    const float west = raster.ringValue(row, -1), east = raster.ringValue(row, ncols);
    fillValues(&west, 1, levels, values.data(), levelPlaces.data());
    fillValues(cells, width - 2, levels, values.data() + 1, levelPlaces.data() + 1);
    fillValues(&east, 1, levels, values.data() + width - 1, levelPlaces.data() + width - 1);
}

}  // namespace

// A band's cells, its row buffers and the row tracer; kept by its thread
// for the next band once this one is done.
class BandTracer::Tracer {
public:
    void restart(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow, std::int64_t endRow) {
        raster_ = &raster;
        levels_ = &levels;
        endRow_ = endRow;
        firstCellRow_ = std::max<std::int64_t>(0, firstRow - 1);
        row_ = firstRow;
        rows_.restart(raster, levels, firstRow, endRow);
        const RasterGeometry& g = raster.geometry();
        const std::int64_t endCellRow = std::min(g.nrows, endRow);
        cells_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, endCellRow - firstCellRow_) * g.ncols));
        if (endCellRow > firstCellRow_) raster.tile().rows(firstCellRow_, endCellRow - firstCellRow_, cells_.data());
        fillRow(raster, firstRow - 1, cellRow(firstRow - 1), levels, lower_, lowerPlaces_);
    }

    bool traceNextRow() {
        rows_.clearFinished();
        if (row_ >= endRow_) return false;
        stopIfRequested();  // a band of fine levels on rough ground may take seconds
        upper_.swap(lower_);
        upperPlaces_.swap(lowerPlaces_);
        fillRow(*raster_, row_, cellRow(row_), *levels_, lower_, lowerPlaces_);
        rows_.traceRow(row_, upper_.data(), lower_.data(), upperPlaces_.data(), lowerPlaces_.data());
        ++row_;
        return true;
    }
    bool done() const { return row_ >= endRow_; }

    RowTracer& rows() { return rows_; }

private:
    const float* cellRow(std::int64_t row) const {
        if (row < 0 || row >= raster_->geometry().nrows) return nullptr;
        return cells_.data() + (row - firstCellRow_) * raster_->geometry().ncols;
    }

    const FramedRaster* raster_ = nullptr;
    const ContourLevels* levels_ = nullptr;
    std::int64_t endRow_ = 0, firstCellRow_ = 0;
    std::int64_t row_ = 0;
    std::vector<float> cells_;
    std::vector<double> upper_, lower_, upperPlaces_, lowerPlaces_;
    RowTracer rows_;
};

namespace {

// The tracers of this thread that no band uses now.
std::vector<std::unique_ptr<BandTracer::Tracer>>& idleTracers() {
    thread_local std::vector<std::unique_ptr<BandTracer::Tracer>> idle;
    return idle;
}

}  // namespace

BandTracer::BandTracer(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow,
                       std::int64_t endRow) {
    auto& idle = idleTracers();
    if (idle.empty()) {
        tracer_ = std::make_unique<Tracer>();
    } else {
        tracer_ = std::move(idle.back());
        idle.pop_back();
    }
    tracer_->restart(raster, levels, firstRow, endRow);
}

// A tracer whose band was cut short may hold lines still open: it goes.
BandTracer::~BandTracer() {
    if (tracer_->done()) idleTracers().push_back(std::move(tracer_));
}

bool BandTracer::traceNextRow() { return tracer_->traceNextRow(); }

const std::vector<FinishedLine>& BandTracer::finishedLines() const { return tracer_->rows().finished; }

std::span<const PixelPoint> BandTracer::pointsOf(const FinishedLine& line) const {
    return std::span<const PixelPoint>(tracer_->rows().finishedPoints).subspan(line.offset, line.count);
}

std::vector<ContourPiece> BandTracer::takePieces() { return std::move(tracer_->rows().pieces); }

}  // namespace kestrune
