#include "xyz/raster_grid_builder.hpp"
#include "xyz/xyz_point_reader.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace kestrune {
namespace {

constexpr double N = kAsciiNoData;

std::vector<double> cellsOf(const AsciiRasterGrid& grid) { return {grid.cells.begin(), grid.cells.end()}; }

AsciiRasterGrid build(const std::string& xyz, std::optional<std::string> cellSize = std::nullopt) {
    return BuildRasterGrid(parseXyzText(xyz, " "), CellSizeRequest{cellSize});
}

std::string failureOf(const std::string& xyz, std::optional<std::string> cellSize = std::nullopt,
                      std::uint64_t memory = 0) {
    try {
        BuildRasterGrid(parseXyzText(xyz, " "), CellSizeRequest{cellSize}, memory);
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "no failure";
}

// X 100, 110, 120; Y 200, 210; Z = 1..6, the row of Y 210 is the northern one.
const char* const kLattice = "100 200 1\r\n110 200 2\r\n120 200 3\r\n100 210 4\r\n110 210 5\r\n120 210 6\r\n";

TEST(BuildRasterGrid, ALatticeGivesOneCellPerPoint) {
    for (auto cellSize : {std::optional<std::string>(), std::optional<std::string>("10")}) {
        SCOPED_TRACE(cellSize ? "cell size " + *cellSize : "inferred cell size");
        AsciiRasterGrid grid = build(kLattice, cellSize);
        EXPECT_EQ(grid.ncols, 3);
        EXPECT_EQ(grid.nrows, 2);
        EXPECT_EQ(grid.cellsize, 10.0f);
        EXPECT_EQ(grid.xllcorner, 95);
        EXPECT_EQ(grid.yllcorner, 195);
        EXPECT_EQ(cellsOf(grid), (std::vector<double>{4, 5, 6, 1, 2, 3}));
    }
}

TEST(BuildRasterGrid, TheLastPointOfACellWins) {
    AsciiRasterGrid grid = build("0 0 1\r\n10 0 2\r\n0 0 7\r\n");
    EXPECT_EQ(cellsOf(grid), (std::vector<double>{7, 2}));
}

TEST(BuildRasterGrid, AMissingPointLeavesNoData) {
    AsciiRasterGrid grid = build("0 0 1\r\n10 0 2\r\n0 10 3\r\n");
    EXPECT_EQ(cellsOf(grid), (std::vector<double>{3, N, 1, 2}));
}

// A column without points becomes NODATA instead of dropping the last column.
TEST(BuildRasterGrid, AMissingColumnBecomesNoData) {
    AsciiRasterGrid grid = build("0 0 1\r\n10 0 2\r\n30 0 4\r\n", "10");
    EXPECT_EQ(grid.ncols, 4);
    EXPECT_EQ(cellsOf(grid), (std::vector<double>{1, 2, N, 4}));
    // Inferred, the cell size is 15 and points go to the nearest centre:
    // X 10 is 0.67 cells east, so column 1; X 30 is column 2.
    AsciiRasterGrid inferred = build("0 0 1\r\n10 0 2\r\n30 0 4\r\n");
    EXPECT_EQ(inferred.cellsize, 15.0f);
    EXPECT_EQ(cellsOf(inferred), (std::vector<double>{1, 2, 4}));
}

TEST(BuildRasterGrid, WiderYSpacingLeavesRowsOfNoData) {
    AsciiRasterGrid grid =
        build("0 0 1\r\n10 0 2\r\n20 0 3\r\n0 20 4\r\n10 20 5\r\n20 20 6\r\n0 40 7\r\n10 40 8\r\n20 40 9\r\n");
    EXPECT_EQ(grid.nrows, 5);
    EXPECT_EQ(cellsOf(grid), (std::vector<double>{7, 8, 9, N, N, N, 4, 5, 6, N, N, N, 1, 2, 3}));
}

TEST(BuildRasterGrid, SpacingOfPointSevenKeepsEveryColumn) {
    std::string xyz;
    for (int i = 0; i < 8; ++i) xyz += std::to_string(i * 0.7) + " 0 " + std::to_string(i) + "\r\n";
    AsciiRasterGrid grid = build(xyz);
    EXPECT_EQ(grid.ncols, 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(grid.cells[i], i);
}

TEST(BuildRasterGrid, PointsATenthOfACellOffGoToTheNearestCentre) {
    AsciiRasterGrid grid = build("0 0 1\r\n11 0 2\r\n20 0 3\r\n", "10");
    EXPECT_EQ(cellsOf(grid), (std::vector<double>{1, 2, 3}));
}

TEST(BuildRasterGrid, OneColumnNeedsAGivenCellSize) {
    EXPECT_EQ(failureOf("5 0 1\r\n5 10 2\r\n"), "the cell size cannot be inferred: every point has the same X value");
    AsciiRasterGrid grid = build("5 0 1\r\n5 10 2\r\n", "10");
    EXPECT_EQ(grid.ncols, 1);
    EXPECT_EQ(cellsOf(grid), (std::vector<double>{2, 1}));
}

TEST(BuildRasterGrid, ASinglePointGivesOneCell) {
    AsciiRasterGrid grid = build("3 4 5\r\n", "2");
    EXPECT_EQ(grid.ncols, 1);
    EXPECT_EQ(grid.nrows, 1);
    EXPECT_EQ(grid.xllcorner, 2);
    EXPECT_EQ(cellsOf(grid), std::vector<double>{5});
}

TEST(BuildRasterGrid, BadCellSizesAndSizesFailWithAReason) {
    EXPECT_EQ(failureOf("", "10"), "the file holds no point");
    EXPECT_EQ(failureOf(kLattice, "0"), "the cell size 0 is not positive");
    EXPECT_EQ(failureOf(kLattice, "-5"), "the cell size -5 is not positive");
    EXPECT_EQ(failureOf(kLattice, "1e39"), "the cell size 1E+39 is outside the 32-bit range");
    EXPECT_EQ(failureOf(kLattice, "1e-50"), "the cell size 1E-50 rounds to 0 as a 32-bit number");
    EXPECT_EQ(failureOf("0 0 1\r\n1e300 0 2\r\n"), "the inferred cell size 1E+300 is outside the 32-bit range");
    // Scattered points with a tiny cell size.
    EXPECT_EQ(failureOf("0 0 1\r\n100 98 3\r\n", "0.0005", 1u << 30), "grid of 200001 x 196001 cells is too large");
}

TEST(BuildRasterGrid, TheCellSizeIsRoundedTo32Bits) {
    AsciiRasterGrid grid = build("0 0 1\r\n0.1 0 2\r\n");
    EXPECT_EQ(grid.cellsize, 0.1f);
    EXPECT_EQ(grid.xllcorner, 0 - static_cast<double>(0.1f) / 2);
}

}  // namespace
}  // namespace kestrune
