// Lattice answers of the one raster geometry: the questions tiles of one
// surface are asked.
#include "gis/raster/raster_geometry.hpp"

#include <gtest/gtest.h>

namespace kestrune {
namespace {

// 4 columns x 3 rows of 10 m cells from (1000, 2000): the extent runs to
// (1040, 2030).
RasterGeometry base() { return {4, 3, 1000, 2000, 10}; }

RasterGeometry at(double xll, double yll, std::int64_t ncols = 4, std::int64_t nrows = 3, double cellsize = 10) {
    return {ncols, nrows, xll, yll, cellsize};
}

TEST(RasterGeometry, CellOfAPoint) {
    const RasterGeometry g = base();
    EXPECT_EQ(g.cellOf(1005, 2025), (CellIndex{0, 0}));  // north-western cell
    EXPECT_EQ(g.cellOf(1035, 2005), (CellIndex{2, 3}));  // south-eastern cell
    // On the side between two cells: the one east, the one south.
    EXPECT_EQ(g.cellOf(1010, 2020), (CellIndex{1, 1}));
    // Outside: negative or past the size.
    EXPECT_EQ(g.cellOf(995, 2035), (CellIndex{-1, -1}));
    EXPECT_EQ(g.cellOf(1045, 1995), (CellIndex{3, 4}));
}

TEST(RasterGeometry, SameLatticeWhenTheCornersAreWholeCellsApart) {
    const RasterGeometry g = base();
    EXPECT_TRUE(g.sameLattice(g));
    EXPECT_TRUE(g.sameLattice(at(1040, 2000)));         // the eastern neighbour
    EXPECT_TRUE(g.sameLattice(at(960, 1970, 7, 9)));    // another size, whole cells away
    EXPECT_TRUE(g.sameLattice(at(1040.000001, 2000)));  // 1e-7 of a cell: rounding of decimal text
    EXPECT_FALSE(g.sameLattice(at(1045, 2000)));        // half a cell
    EXPECT_FALSE(g.sameLattice(at(1040.0002, 2000)));   // 2e-5 of a cell
    EXPECT_FALSE(g.sameLattice(at(1040, 2000, 4, 3, 5)));
    // A 32-bit cell size next to the decimal it was rounded from.
    const RasterGeometry fine = at(0, 0, 10, 10, 0.1);
    EXPECT_TRUE(fine.sameLattice(at(1, 0, 10, 10, static_cast<double>(0.1f))));
}

TEST(RasterGeometry, OffsetOfAnotherGeometryInCells) {
    const RasterGeometry g = base();
    EXPECT_EQ(g.offsetOf(g), (CellIndex{0, 0}));
    EXPECT_EQ(g.offsetOf(at(1040, 2000)), (CellIndex{0, 4}));   // east
    EXPECT_EQ(g.offsetOf(at(1000, 1970)), (CellIndex{3, 0}));   // south: its top row is our row 3
    EXPECT_EQ(g.offsetOf(at(960, 2030)), (CellIndex{-3, -4}));  // north-west
    EXPECT_EQ(g.offsetOf(at(1040.000001, 1969.999999)), (CellIndex{3, 4}));
}

TEST(RasterGeometry, HowTwoExtentsMeet) {
    const RasterGeometry g = base();
    EXPECT_EQ(g.relationTo(g), ExtentRelation::Overlapping);
    EXPECT_EQ(g.relationTo(at(1030, 2020)), ExtentRelation::Overlapping);  // one cell in common
    EXPECT_EQ(g.relationTo(at(1040, 2000)), ExtentRelation::Touching);     // side by side
    EXPECT_EQ(g.relationTo(at(1000, 1970)), ExtentRelation::Touching);     // one above the other
    EXPECT_EQ(g.relationTo(at(1040, 2030)), ExtentRelation::Touching);     // corner to corner
    EXPECT_EQ(g.relationTo(at(1040.000001, 2000)), ExtentRelation::Touching);
    EXPECT_EQ(g.relationTo(at(1050, 2000)), ExtentRelation::Apart);
    EXPECT_EQ(g.relationTo(at(1040, 2040)), ExtentRelation::Apart);
}

TEST(RasterGeometry, ExtentProblems) {
    EXPECT_EQ(extentProblem(base()), "");
    EXPECT_NE(extentProblem(at(1, 1, 4, 3, 0)), "");
    EXPECT_NE(extentProblem(at(1e308, 1, 4, 3, 1e308)), "");
    EXPECT_THROW(checkExtent(at(1, 1, 4, 3, -1), "the test raster"), std::runtime_error);
}

}  // namespace
}  // namespace kestrune
