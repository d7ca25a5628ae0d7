#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/slope/slope_horn.hpp"
#include "gis/slope/slope_metric.hpp"
#include "gis/slope/slope_raster.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace kestrune {
namespace {

constexpr float N = kGridNoData;

FloatRaster rasterOf(std::int64_t ncols, std::int64_t nrows, std::vector<float> cells, double cellsize = 1) {
    FloatRaster raster;
    raster.ncols = ncols;
    raster.nrows = nrows;
    raster.cellsize = cellsize;
    raster.cells.assign(cells.begin(), cells.end());
    return raster;
}

// The slope of a raster in memory, whole.
FloatRaster slopeOf(const FloatRaster& dem) { return readAllRows(slopeRows(rowsOf(dem))); }

TEST(SlopeHorn, LiteralWindows) {
    const double flat[9] = {7, 7, 7, 7, 7, 7, 7, 7, 7};
    EXPECT_EQ(slopeHorn(flat, 10), 0);
    // Rising one cell size a cell eastward: 45 degrees.
    const double ramp[9] = {0, 10, 20, 0, 10, 20, 0, 10, 20};
    EXPECT_NEAR(slopeHorn(ramp, 10), 45, 1e-12);
    // p = 0.05, q = -3.8: atan(3.80032...) = 75.2576 degrees.
    const double window[9] = {50, 45, 50, 30, 30, 30, 8, 10, 10};
    EXPECT_NEAR(slopeHorn(window, 5), 75.2576, 1e-4);
}

TEST(SlopeRows, ANoDataCentreGivesNoData) {
    FloatRaster slope = slopeOf(rasterOf(3, 3, {1, 2, 3, 4, N, 6, 7, 8, 9}));
    EXPECT_EQ(slope.at(1, 1), N);
    EXPECT_NE(slope.at(0, 0), N);
}

TEST(SlopeRows, NoDataNeighboursAndEdgesTakeTheCentre) {
    // 3 x 3, cell size 1. At the centre the NoData east neighbour takes 5:
    //   1 2 3      p = ((3 + 2*5 + 9) - (1 + 2*4 + 7)) / 8 = 0.75
    //   4 5 N      q = ((7 + 2*8 + 9) - (1 + 2*2 + 3)) / 8 = 3
    //   7 8 9
    FloatRaster slope = slopeOf(rasterOf(3, 3, {1, 2, 3, 4, 5, N, 7, 8, 9}));
    EXPECT_NEAR(slope.at(1, 1), std::atan(std::sqrt(0.75 * 0.75 + 9.0)) * 180 / M_PI, 1e-4);
    // The north-west corner: the five cells outside take its value 1:
    //   1 1 1      p = ((1 + 2*2 + 5) - (1 + 2*1 + 1)) / 8 = 0.75
    //   1 1 2      q = ((1 + 2*4 + 5) - (1 + 2*1 + 1)) / 8 = 1.25
    //   1 4 5
    EXPECT_NEAR(slope.at(0, 0), std::atan(std::sqrt(0.75 * 0.75 + 1.25 * 1.25)) * 180 / M_PI, 1e-4);
}

TEST(SlopeRows, OneCellIsFlat) {
    FloatRaster slope = slopeOf(rasterOf(1, 1, {42}));
    EXPECT_EQ(slope.at(0, 0), 0);
}

// Whatever the processor (four cells at a time where it can), every cell
// is the bits slopeHorn gives for its window, NoData neighbours and the
// outside taking the centre's value: rough random heights with NoData
// specks, a width that leaves a remainder of columns, and a z-factor.
TEST(SlopeRows, EveryCellIsTheWindowFormulasBits) {
    const std::int64_t ncols = 37, nrows = 11;
    std::vector<float> cells;
    std::uint32_t state = 12345;
    for (std::int64_t i = 0; i < ncols * nrows; ++i) {
        state = state * 1664525u + 1013904223u;
        cells.push_back(state % 17 == 0 ? N : static_cast<float>(state >> 8) / 4096.0f);
    }
    const FloatRaster dem = rasterOf(ncols, nrows, cells, 2.5);
    GroundUnits units;
    const SlopeMetric metric = SlopeMetric::of(units, 0.3048);
    const FloatRaster slope = readAllRows(slopeRows(rowsOf(dem), metric));
    for (std::int64_t r = 0; r < nrows; ++r)
        for (std::int64_t c = 0; c < ncols; ++c) {
            SCOPED_TRACE("row " + std::to_string(r) + ", column " + std::to_string(c));
            const float centre = dem.at(r, c);
            if (centre == N) {
                EXPECT_EQ(slope.at(r, c), N);
                continue;
            }
            double window[9];
            for (int i = 0; i < 9; ++i) {
                const std::int64_t y = r + i / 3 - 1, x = c + i % 3 - 1;
                const float value = y < 0 || y >= nrows || x < 0 || x >= ncols ? N : dem.at(y, x);
                window[i] = value == N ? centre : value;
            }
            EXPECT_EQ(slope.at(r, c), static_cast<float>(slopeHorn(window, 2.5, 2.5, 0.3048)));
        }
}

// Slopes whose exact value lies a few units of a double's last place from
// the middle between two floats: a vector path that is not exact rounds
// many of them to the other float, unless such cells are done as slopeHorn
// does them. A row rising 0.5 every two cells has p = 1 / (4 x cell size)
// and q = 0, so the z-factor tan(middle) / p makes a tangent of about
// tan(middle); cells of 0.3 make an inverse of the run that is not exact.
TEST(SlopeRows, SlopesAtTheMiddleBetweenFloatsAreSlopeHornsFloats) {
    const std::vector<float> cells = {0, 0, 0, 0, 0, 0, 0, 0, 0.25f, 0.5f, 0.75f, 1, 1.25f, 1.5f, 0, 0, 0, 0, 0, 0, 0};
    GroundUnits units;
    for (double cellSize : {0.125, 0.3}) {
        SCOPED_TRACE("cells of " + std::to_string(cellSize));
        const FloatRaster dem = rasterOf(7, 3, cells, cellSize);
        const double window[9] = {0, 0, 0, 0.25, 0.5, 0.75, 0, 0, 0};
        const double p = 1 / (8 * cellSize);
        int differing = 0;
        for (float low = 0.5f; low < 89.5f; low += 0.0437f) {
            const double middle = (static_cast<double>(low) + std::nextafter(low, 90.0f)) / 2;
            const double zFactor = std::tan(middle * (3.14159265358979323846 / 180.0)) / p;
            const FloatRaster slope = readAllRows(slopeRows(rowsOf(dem), SlopeMetric::of(units, zFactor)));
            const auto expected = static_cast<float>(slopeHorn(window, cellSize, cellSize, zFactor));
            for (std::int64_t c = 1; c < 6; ++c) differing += slope.at(1, c) != expected;
        }
        EXPECT_EQ(differing, 0);
    }
}

// gdaldem on the same GRID is the oracle for the interior; its edge rule
// differs (it extrapolates), so the outermost ring is left out. gdaldem adds
// the window in 32-bit floats, so the heights are eighths below 4096, whose
// float sums are exact, and both sides compute the same thing.
TEST(SlopeRows, InteriorMatchesGdaldem) {
    KESTRUNE_REQUIRE_PROGRAM("gdaldem");
    SCOPED_TRACE(test::gdalOracleNote());
    test::TempDir dir;
    const int ncols = 300, nrows = 220;
    FloatRaster dem = rasterOf(ncols, nrows, std::vector<float>(ncols * nrows), 7.5);
    dem.xllcorner = 400000;
    dem.yllcorner = 5000000;
    for (int row = 0; row < nrows; ++row)
        for (int column = 0; column < ncols; ++column)
            dem.cells[row * ncols + column] = static_cast<float>(
                std::round(8 * (300 + 40 * std::sin(column / 17.0) * std::cos(row / 23.0) + 0.3 * column - 0.2 * row)) /
                8);
    writeEsriGrid(dir.path().string(), "dem", dem, "");
    const std::string tif = dir.file("gdaldem.tif");
    ASSERT_EQ(std::system(("gdaldem slope -q " + dir.file("dem") + " " + tif).c_str()), 0);
    test::GdalRaster peer = test::readWithGdal(tif);
    FloatRaster slope = slopeOf(dem);
    double worst = 0;
    for (int row = 1; row + 1 < nrows; ++row)
        for (int column = 1; column + 1 < ncols; ++column)
            worst = std::max(worst, std::fabs(slope.at(row, column) - peer.values[row * ncols + column]));
    EXPECT_LT(worst, 1e-4);
}

}  // namespace
}  // namespace kestrune
