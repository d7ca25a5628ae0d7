#pragma once

#include "gis/contour/contour_levels.hpp"
#include "gis/contour/marching_square.hpp"
#include "gis/raster/framed_raster.hpp"

#include <cstdint>
#include <vector>

namespace kestrune {

// A square of a band as the tracer sees it: whether it is traced at all,
// the levels that may cross it, and where its marks begin.
struct SquareLevels {
    std::int32_t first = 0;  // the first level that may cross it, from the band's lowest
    std::uint32_t marksAt = 0;
    std::uint32_t count : 31 = 0;  // levels from `first` on; 0 for a square not traced
    std::uint32_t whole : 1 = 0;   // no corner is NoData
};

// The squares of square rows [firstRow, endRow) of a framed raster (see
// MarchingSquare), in the band's own rows and columns: row r is square row
// firstRow + r, column c square column c - 1. It reads the raster's rows
// firstRow - 1 to endRow - 1 (NaN for NoData, the ring at either end and in
// place of rows -1 and nrows) and measures which squares are drawn and the
// levels that may cross each: a square with no level between its values
// makes no line, a square of NoData none either, and on the ring only the
// squares the raster owns are drawn. It keeps a byte of marks for each
// square and level it draws, for the tracer to note what it has followed.
// It keeps its buffers for the next band.
class BandSquares {
public:
    void read(const FramedRaster& raster, const ContourLevels& levels, std::int64_t firstRow, std::int64_t endRow);

    std::int64_t rows() const { return bandRows_; }
    std::int64_t columns() const { return ncols_ + 1; }
    std::int64_t firstRow() const { return firstRow_; }
    const SquareLevels& at(std::int64_t row, std::int64_t column) const { return squares_[index(row, column)]; }
    // The first level that may cross a square.
    std::int64_t firstLevel(const SquareLevels& square) const { return levelBase_ + square.first; }
    bool hasLevel(const SquareLevels& square, std::int64_t level) const {
        return level >= firstLevel(square) && level < firstLevel(square) + square.count;
    }
    // The corners' values, and the upper-left one in its row (the next row
    // `width()` further on), for the tracer's loop over whole squares.
    MarchingSquare::Corners corners(std::int64_t row, std::int64_t column) const {
        const float* upper = upperLeft(row, column);
        return {upper[0], upper[1], upper[width()], upper[width() + 1]};
    }
    const float* upperLeft(std::int64_t row, std::int64_t column) const {
        return values_.data() + static_cast<std::size_t>(row * width() + column);
    }
    std::int64_t width() const { return ncols_ + 2; }
    // The whole square or its quarters, and one of them, on the surface.
    MarchingSquare::Parts parts(std::int64_t row, std::int64_t column) const;
    MarchingSquare::Part part(std::int64_t row, std::int64_t column, MarchingSquare::Quarter quarter) const;
    // The upper-left corner of a square in the surface's pixel space.
    double left(std::int64_t column) const { return static_cast<double>(column + raster_->offset().column) - .5; }
    double top(std::int64_t row) const { return static_cast<double>(firstRow_ + row + raster_->offset().row) - .5; }
    // A level's place among a square's levels (they have places 0 to count - 1).
    std::int64_t placeOf(const SquareLevels& square, std::int64_t level) const { return level - firstLevel(square); }
    // The marks of a square at a level it has, or at the level's place.
    std::uint8_t& marks(const SquareLevels& square, std::int64_t level) {
        return marksAt(square, placeOf(square, level));
    }
    std::uint8_t& marksAt(const SquareLevels& square, std::int64_t place) {
        return marks_[square.marksAt + static_cast<std::size_t>(place)];
    }
    // The place of a square in a sweep of the whole raster, row after row.
    std::uint64_t sweepIndex(std::int64_t row, std::int64_t column) const {
        return static_cast<std::uint64_t>(firstRow_ + row) * static_cast<std::uint64_t>(ncols_ + 1) +
               static_cast<std::uint64_t>(column);
    }

private:
    std::size_t index(std::int64_t row, std::int64_t column) const {
        return static_cast<std::size_t>(row * (ncols_ + 1) + column);
    }
    void readRows();
    void measure();

    const FramedRaster* raster_ = nullptr;
    const ContourLevels* levels_ = nullptr;
    std::int64_t firstRow_ = 0, endRow_ = 0, ncols_ = 0, bandRows_ = 0;
    std::vector<float> cells_;
    std::vector<float> values_;  // rows firstRow - 1 to endRow - 1, columns -1 to ncols
    std::vector<SquareLevels> squares_;
    std::int64_t levelBase_ = 0;       // below every level of the band
    std::vector<std::uint8_t> marks_;  // by square and level
};

}  // namespace kestrune
