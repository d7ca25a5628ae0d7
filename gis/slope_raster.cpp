#include "slope_raster.hpp"

#include "slope_horn.hpp"

#include <thread>

namespace kestrune {
namespace {

// Slope of rows [first, last) into `out`.
void slopeRows(const FloatRaster& dem, std::int64_t first, std::int64_t last, FloatRaster& out) {
    const std::int64_t ncols = dem.ncols, nrows = dem.nrows;
    double window[9];
    for (std::int64_t row = first; row < last; ++row) {
        const float* rows[3] = {
            row > 0 ? &dem.cells[(row - 1) * ncols] : nullptr,
            &dem.cells[row * ncols],
            row + 1 < nrows ? &dem.cells[(row + 1) * ncols] : nullptr,
        };
        float* result = &out.cells[row * ncols];
        for (std::int64_t column = 0; column < ncols; ++column) {
            const float centre = rows[1][column];
            if (centre == kGridNoData) {
                result[column] = kGridNoData;
                continue;
            }
            const bool interior = rows[0] && rows[2] && column > 0 && column + 1 < ncols;
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    const std::int64_t x = column + c - 1;
                    const bool inside = interior || (rows[r] && x >= 0 && x < ncols);
                    const float value = inside ? rows[r][x] : kGridNoData;
                    window[3 * r + c] = value == kGridNoData ? centre : value;
                }
            }
            result[column] = static_cast<float>(slopeHorn(window, dem.cellsize));
        }
    }
}

}  // namespace

FloatRaster slopeRaster(const FloatRaster& dem) {
    FloatRaster out;
    out.ncols = dem.ncols;
    out.nrows = dem.nrows;
    out.xllcorner = dem.xllcorner;
    out.yllcorner = dem.yllcorner;
    out.cellsize = dem.cellsize;
    out.cells.resize(dem.cells.size());
    const std::int64_t middle = dem.nrows / 2;
    std::thread worker([&] { slopeRows(dem, middle, dem.nrows, out); });
    slopeRows(dem, 0, middle, out);
    worker.join();
    return out;
}

}  // namespace kestrune
