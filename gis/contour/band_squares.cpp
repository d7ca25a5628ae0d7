#include "gis/contour/band_squares.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace kestrune {
namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();

// Cells as the tracer reads them: NaN for NoData.
void copyValues(const float* cells, std::size_t count, float* values) {
    for (std::size_t column = 0; column < count; ++column)
        values[column] = isNoData(cells[column]) ? kNoValue : cells[column];
}

// Raster row `row` from column -1 to ncols as the tracer reads it: `cells`
// the raster's own (for rows 0 to nrows - 1), the ring's at either end.
void fillRow(const FramedRaster& raster, std::int64_t row, const float* cells, float* values) {
    const std::int64_t ncols = raster.geometry().ncols;
    const auto width = static_cast<std::size_t>(ncols + 2);
    if (!cells) {
        copyValues(raster.ringRow(row), width, values);
        return;
    }
    const float west = raster.ringValue(row, -1), east = raster.ringValue(row, ncols);
    copyValues(&west, 1, values);
    copyValues(cells, width - 2, values + 1);
    copyValues(&east, 1, values + width - 1);
}

// ceil and floor of a place among the levels (far below 2^63, see
// checkLevels), without the library calls a processor before SSE 4.1 needs.
std::int64_t wholeAbove(double place) {
    const auto whole = static_cast<std::int64_t>(place);  // towards zero
    return static_cast<double>(whole) < place ? whole + 1 : whole;
}
std::int64_t wholeBelow(double place) {
    const auto whole = static_cast<std::int64_t>(place);
    return static_cast<double>(whole) > place ? whole - 1 : whole;
}

}  // namespace

void BandSquares::read(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow,
                       std::int64_t endRow) {
    raster_ = &raster;
    levels_ = &levels;
    firstRow_ = firstRow;
    endRow_ = endRow;
    ncols_ = raster.geometry().ncols;
    bandRows_ = endRow - firstRow;
    readRows();
    measure();
}

// Raster rows firstRow - 1 to endRow - 1, the ring in place of rows -1 and nrows.
void BandSquares::readRows() {
    const RasterGeometry& g = raster_->geometry();
    const std::int64_t firstCellRow = std::max<std::int64_t>(0, firstRow_ - 1);
    const std::int64_t endCellRow = std::min(g.nrows, endRow_);
    cells_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, endCellRow - firstCellRow) * g.ncols));
    if (endCellRow > firstCellRow) raster_->tile().rows(firstCellRow, endCellRow - firstCellRow, cells_.data());
    const auto width = static_cast<std::size_t>(ncols_ + 2);
    values_.resize(width * static_cast<std::size_t>(bandRows_ + 1));
    for (std::int64_t i = 0; i <= bandRows_; ++i) {
        const std::int64_t row = firstRow_ - 1 + i;
        const float* cells = row < 0 || row >= g.nrows ? nullptr : cells_.data() + (row - firstCellRow) * g.ncols;
        fillRow(*raster_, row, cells, values_.data() + static_cast<std::size_t>(i) * width);
    }
}

// Which squares are drawn, and the levels that may cross each.
void BandSquares::measure() {
    const auto width = static_cast<std::size_t>(ncols_ + 2);
    squares_.resize(static_cast<std::size_t>(bandRows_ * (ncols_ + 1)));
    // The nudge moves values by up to 1e-6: the bounds below leave twice
    // that (in levels) so that they never pass over a level a square has.
    const double slack = 2e-6 / levels_->interval;
    // A value's place among the levels, (value - base) / interval: a product
    // does instead of the quotient, for the slack covers its rounding.
    const double perLevel = 1 / levels_->interval, base = levels_->base;
    auto place = [&](float value) { return (static_cast<double>(value) - base) * perLevel; };
    std::uint32_t marksNeeded = 0;
    float lowest = std::numeric_limits<float>::infinity();
    for (float value : values_)
        if (value < lowest) lowest = value;  // NaN is never lower
    levelBase_ = std::isfinite(lowest) ? static_cast<std::int64_t>(std::floor(place(lowest))) - 2 : 0;
    for (std::int64_t row = 0; row < bandRows_; ++row) {
        const float* upper = values_.data() + static_cast<std::size_t>(row) * width;
        const float* lower = upper + width;
        const std::int64_t squareRow = firstRow_ + row;
        SquareLevels* square = squares_.data() + index(row, 0);
        for (std::int64_t column = 0; column <= ncols_; ++column, ++square) {
            const auto at = static_cast<std::size_t>(column);
            const float v[4] = {upper[at], upper[at + 1], lower[at], lower[at + 1]};
            const bool whole = !std::isnan(v[0] + v[1] + v[2] + v[3]);
            float vMin = std::min(std::min(v[0], v[1]), std::min(v[2], v[3]));
            float vMax = std::max(std::max(v[0], v[1]), std::max(v[2], v[3]));
            if (!whole) {
                vMin = std::numeric_limits<float>::infinity(), vMax = -vMin;
                for (float value : v) {
                    if (std::isnan(value)) continue;
                    vMin = std::min(vMin, value);
                    vMax = std::max(vMax, value);
                }
            }
            *square = SquareLevels{};
            if (vMin > vMax) continue;  // NoData all round
            const double qMin = place(vMin), qMax = place(vMax);
            const double margin = slack + 1e-9 * std::max(std::fabs(qMax), std::fabs(qMin));
            const std::int64_t first = wholeAbove(qMin - margin), end = wholeBelow(qMax + margin) + 1;
            if (end <= first) continue;
            const bool owned = (squareRow > 0 && column >= 1) || raster_->ownsSquare(squareRow, column - 1);
            if (!owned) continue;
            square->whole = whole;
            square->first = static_cast<std::int32_t>(first - levelBase_);
            square->count = static_cast<std::uint32_t>(end - first);
            square->marksAt = marksNeeded;
            marksNeeded += square->count;
        }
    }
    marks_.assign(marksNeeded, 0);
}

MarchingSquare::Parts BandSquares::parts(std::int64_t row, std::int64_t column) const {
    const CellIndex offset = raster_->offset();
    return MarchingSquare::parts(firstRow_ + row + offset.row, column - 1 + offset.column, corners(row, column));
}

MarchingSquare::Part BandSquares::part(std::int64_t row, std::int64_t column, MarchingSquare::Quarter quarter) const {
    const CellIndex offset = raster_->offset();
    const std::int64_t squareRow = firstRow_ + row + offset.row, squareColumn = column - 1 + offset.column;
    if (quarter == MarchingSquare::kWhole) return MarchingSquare::whole(squareRow, squareColumn, corners(row, column));
    const MarchingSquare::Parts all = MarchingSquare::parts(squareRow, squareColumn, corners(row, column));
    for (int p = 0; p < all.count; ++p)
        if (all.part[p].quarter == quarter) return all.part[p];
    return all.part[0];  // never: a segment's quarter is one of its square's
}

}  // namespace kestrune
