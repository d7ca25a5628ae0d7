#include "gis/slope/slope_raster.hpp"

#include "gis/slope/slope_horn.hpp"
#include "gis/slope/slope_row_avx2.hpp"

#include "common/recycler.hpp"

#include <algorithm>
#include <memory>
#include <vector>

namespace kestrune {
namespace {

// The window around `column` of the rows above, at and below it (nullptr:
// outside the raster), NoData and outside cells taking the centre's value.
void edgeWindow(const float* above, const float* row, const float* below, std::int64_t ncols, std::int64_t column,
                double window[9]) {
    const float centre = row[column];
    const float* rows[3] = {above, row, below};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const std::int64_t x = column + c - 1;
            const float value = rows[r] && x >= 0 && x < ncols ? rows[r][x] : kGridNoData;
            window[3 * r + c] = isNoData(value) ? centre : value;
        }
    }
}

// The ground size of a row's cells and the z-factor.
struct RowScale {
    double eastWest, northSouth, zFactor;
};

#ifdef KESTRUNE_AVX2_SLOPES
// True where the cells inside a row can be done four at a time.
bool slopesFourAtATime() {
    static const bool available = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return available;
}
#endif

// One row of slopes from the source rows above, at and below it; a missing
// row (nullptr) lies outside the raster.
void slopeRow(const float* above, const float* row, const float* below, std::int64_t ncols, const RowScale& scale,
              float* out) {
    // Columns [1, doneTo) of a row inside the raster, four at a time.
    std::int64_t doneTo = 1;
#ifdef KESTRUNE_AVX2_SLOPES
    if (above && below && ncols > 2 && slopesFourAtATime())
        doneTo =
            slopeColumnsAvx2(above, row, below, 1, ncols - 1, scale.eastWest, scale.northSouth, scale.zFactor, out);
#endif
    double window[9];
    for (std::int64_t column = 0; column < ncols; ++column) {
        if (column == 1 && doneTo > 1) column = doneTo;
        if (column >= ncols) break;
        const float centre = row[column];
        if (isNoData(centre)) {
            out[column] = kGridNoData;
            continue;
        }
        if (above && below && column > 0 && column + 1 < ncols) {
            auto value = [centre](float cell) { return static_cast<double>(isNoData(cell) ? centre : cell); };
            const float* a = above + column - 1;
            const float* m = row + column - 1;
            const float* b = below + column - 1;
            window[0] = value(a[0]), window[1] = value(a[1]), window[2] = value(a[2]);
            window[3] = value(m[0]), window[4] = centre, window[5] = value(m[2]);
            window[6] = value(b[0]), window[7] = value(b[1]), window[8] = value(b[2]);
        } else {
            edgeWindow(above, row, below, ncols, column, window);
        }
        out[column] = static_cast<float>(slopeHorn(window, scale.eastWest, scale.northSouth, scale.zFactor));
    }
}

}  // namespace

RasterRows slopeRows(const RasterRows& source, const SlopeMetric& metric) {
    auto pool = std::make_shared<Recycler<std::vector<float>>>();
    const RasterGeometry g = source.geometry;
    RowProducer sourceRows = source.rows;
    return {g, [g, sourceRows, pool, metric](std::int64_t first, std::int64_t count, float* out) {
                const std::int64_t readFirst = std::max<std::int64_t>(0, first - 1);
                const std::int64_t readEnd = std::min(g.nrows, first + count + 1);
                std::vector<float> band = pool->take();
                band.resize(static_cast<std::size_t>((readEnd - readFirst) * g.ncols));
                sourceRows(readFirst, readEnd - readFirst, band.data());
                for (std::int64_t row = first; row < first + count; ++row) {
                    const float* at = band.data() + (row - readFirst) * g.ncols;
                    float* slopes = out + (row - first) * g.ncols;
                    RowScale scale{0, 0, metric.zFactor()};
                    if (!metric.cellSize(g, row, scale.eastWest, scale.northSouth)) {  // at a pole
                        std::fill(slopes, slopes + g.ncols, kGridNoData);
                        continue;
                    }
                    slopeRow(row > 0 ? at - g.ncols : nullptr, at, row + 1 < g.nrows ? at + g.ncols : nullptr, g.ncols,
                             scale, slopes);
                }
                pool->give(std::move(band));
            }};
}

RasterRows slopeRows(const FramedRaster& tile, const SlopeMetric& metric) {
    if (tile.alone()) return slopeRows(tile.tile(), metric);
    return cropFrame(slopeRows(tile.framedRows(), metric), tile.geometry());
}

}  // namespace kestrune
