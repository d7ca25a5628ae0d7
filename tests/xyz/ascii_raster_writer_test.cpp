#include "xyz/ascii_raster_writer.hpp"
#include "tests/test_support.hpp"
#include "xyz/raster_grid_builder.hpp"
#include "xyz/xyz_point_reader.hpp"

#include <gtest/gtest.h>

#include "common/number_text.hpp"

#include <cmath>
#include <random>

namespace kestrune {
namespace {

TEST(WriteAsciiRaster, WritesTheExactLayout) {
    test::TempDir dir;
    AsciiRasterGrid grid = BuildRasterGrid(
        parseXyzText("100 200 1\r\n110 200 2\r\n120 200 3.000\r\n100 210 4\r\n110 210 5\r\n120 210 12.50\r\n", " "),
        {});
    WriteAsciiRaster(grid, dir.file("dem.asc"));
    EXPECT_EQ(test::readFile(dir.file("dem.asc")),
              "ncols         3\r\n"
              "nrows         2\r\n"
              "xllcorner     95\r\n"
              "yllcorner     195\r\n"
              "cellsize      10\r\n"
              "NODATA_value  -9999\r\n"
              "4 5 12.5\r\n"
              "1 2 3\r\n");
}

TEST(WriteAsciiRaster, OneColumnRowsHaveNoBlank) {
    test::TempDir dir;
    AsciiRasterGrid grid = BuildRasterGrid(parseXyzText("5 0 1\r\n5 10 2.25\r\n", " "), {std::string("10")});
    WriteAsciiRaster(grid, dir.file("one.asc"));
    std::string text = test::readFile(dir.file("one.asc"));
    EXPECT_EQ(text.substr(text.find("-9999\r\n") + 7), "2.25\r\n1\r\n");
}

TEST(WriteAsciiRaster, ReplacesAnEarlierFile) {
    test::TempDir dir;
    test::writeFile(dir.file("dem.asc"), std::string(10000, 'Q'));
    WriteAsciiRaster(BuildRasterGrid(parseXyzText("1 1 1\r\n", " "), {std::string("1")}), dir.file("dem.asc"));
    EXPECT_EQ(test::readFile(dir.file("dem.asc")).find('Q'), std::string::npos);
    EXPECT_EQ(test::folderNames(dir.path().string()), std::vector<std::string>{"dem.asc"});
}

TEST(WriteAsciiRaster, AFolderThatIsMissingFailsAndLeavesNothing) {
    test::TempDir dir;
    AsciiRasterGrid grid = BuildRasterGrid(parseXyzText("1 1 1\r\n", " "), {std::string("1")});
    EXPECT_THROW(WriteAsciiRaster(grid, dir.file("missing/dem.asc")), std::runtime_error);
    EXPECT_TRUE(test::folderNames(dir.path().string()).empty());
}

// GDAL's AAIGrid reader is the oracle: same size, corner, cell size and values.
TEST(WriteAsciiRaster, GdalReadsWhatWasWritten) {
    test::TempDir dir;
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> height(-500, 4000);
    std::bernoulli_distribution hole(0.1);
    std::string xyz;
    const int columns = 37, rows = 23;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            if (!hole(random))
                xyz += std::to_string(512000.5 + c * 2.5) + " " + std::to_string(5102000.25 + r * 2.5) + " " +
                       formatDouble(std::round(height(random) * 100) / 100) + "\r\n";
    XyzPointSet points = parseXyzText(xyz, " ");
    AsciiRasterGrid grid = BuildRasterGrid(points, {});
    WriteAsciiRaster(grid, dir.file("dem.asc"));

    test::GdalRaster raster = test::readWithGdal(dir.file("dem.asc"));
    EXPECT_EQ(raster.driver, "AAIGrid");
    EXPECT_EQ(raster.width, grid.ncols);
    EXPECT_EQ(raster.height, grid.nrows);
    EXPECT_DOUBLE_EQ(raster.geoTransform[0], grid.xllcorner);
    EXPECT_DOUBLE_EQ(raster.geoTransform[1], 2.5);
    EXPECT_DOUBLE_EQ(raster.geoTransform[3], grid.yllcorner + grid.nrows * 2.5);
    EXPECT_DOUBLE_EQ(raster.geoTransform[5], -2.5);
    EXPECT_TRUE(raster.hasNoData);
    EXPECT_EQ(raster.noData, -9999);
    ASSERT_EQ(raster.values.size(), grid.cells.size());
    for (std::size_t i = 0; i < grid.cells.size(); ++i)
        EXPECT_EQ(static_cast<float>(raster.values[i]), static_cast<float>(grid.cells[i])) << i;
}

}  // namespace
}  // namespace kestrune
