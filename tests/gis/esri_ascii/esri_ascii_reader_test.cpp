#include "gis/esri_ascii/esri_ascii_reader.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrune {
namespace {

std::string failureOf(const std::string& path, std::uint64_t memory = 0) {
    try {
        readEsriAscii(path, memory);
    } catch (const std::runtime_error& failure) {
        return failure.what();
    }
    return "no failure";
}

// Every variant real files have, each read by our reader and by GDAL's
// AAIGrid reader: the same size, corner, cell size and cells.
TEST(EsriAsciiReader, ReadsTheVariantsAsGdalDoes) {
    const std::pair<const char*, const char*> variants[] = {
        {"ours",
         "ncols         3\r\nnrows         2\r\nxllcorner     95\r\nyllcorner     195\r\ncellsize      10\r\n"
         "NODATA_value  -9999\r\n4 5 12.5\r\n1 -9999 3\r\n"},
        {"lower case, LF, other order",
         "nrows 2\nncols 3\ncellsize 10\nyllcorner 195\nxllcorner 95\nnodata_value -1\n4 5 6\n-1 2 3\n"},
        {"upper case, centre",
         "NCOLS 3\r\nNROWS 2\r\nXLLCENTER 100\r\nYLLCENTER 200\r\nCELLSIZE 10\r\nNODATA_VALUE -9999\r\n1 2 3\r\n4 5 "
         "6\r\n"},
        {"no NODATA, integers", "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 2.5\n1 2 3\n4 5 6\n"},
        {"wrapped values",
         "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n1\n2 3 4\n  5\t6\n"},
        {"one line",
         "ncols 3\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n1.5e2 -2.25 .5 7. 8 9"},
        {"tabs",
         "ncols\t3\nnrows\t2\nxllcorner\t-10.5\nyllcorner\t-20.25\ncellsize\t0.5\nNODATA_value\t-3.5\n-3.5 1 2\n3 4 "
         "5\n"},
    };
    for (const auto& [name, text] : variants) {
        SCOPED_TRACE(name);
        test::TempDir dir;
        test::writeFile(dir.file("dem.asc"), text);
        FloatRaster raster = readEsriAscii(dir.file("dem.asc"));
        test::GdalRaster gdal = test::readWithGdal(dir.file("dem.asc"));
        ASSERT_EQ(raster.ncols, gdal.width);
        ASSERT_EQ(raster.nrows, gdal.height);
        EXPECT_DOUBLE_EQ(raster.xllcorner, gdal.geoTransform[0]);
        EXPECT_DOUBLE_EQ(raster.yurcorner(), gdal.geoTransform[3]);
        EXPECT_DOUBLE_EQ(raster.cellsize, gdal.geoTransform[1]);
        for (std::size_t i = 0; i < raster.cells.size(); ++i) {
            bool gdalNoData = gdal.hasNoData && gdal.values[i] == gdal.noData;
            if (gdalNoData)
                EXPECT_EQ(raster.cells[i], kGridNoData) << i;
            else
                EXPECT_EQ(raster.cells[i], static_cast<float>(gdal.values[i])) << i;
        }
    }
}

TEST(EsriAsciiReader, WithoutNoDataValueMinus9999IsNoData) {
    test::TempDir dir;
    test::writeFile(dir.file("a.asc"), "ncols 2\nnrows 1\nxllcorner 0\nyllcorner 0\ncellsize 1\n-9999 1\n");
    FloatRaster raster = readEsriAscii(dir.file("a.asc"));
    EXPECT_EQ(raster.cells[0], kGridNoData);
    EXPECT_EQ(raster.cells[1], 1.0f);
}

TEST(EsriAsciiReader, LargeFilesAreReadInPiecesInOrder) {
    test::TempDir dir;
    const int ncols = 3000, nrows = 5000;  // about 75 MB: several pieces
    std::string text = "ncols " + std::to_string(ncols) + "\nnrows " + std::to_string(nrows) +
                       "\nxllcorner 0\nyllcorner 0\ncellsize 1\nNODATA_value -9999\n";
    for (int row = 0; row < nrows; ++row) {
        for (int column = 0; column < ncols; ++column) text += std::to_string((row * 7 + column) % 100000) + ".25 ";
        text += "\r\n";
    }
    test::writeFile(dir.file("big.asc"), text);
    FloatRaster raster = readEsriAscii(dir.file("big.asc"));
    std::size_t wrong = 0;
    for (int row = 0; row < nrows; ++row)
        for (int column = 0; column < ncols; ++column)
            wrong += raster.at(row, column) != static_cast<float>((row * 7 + column) % 100000) + 0.25f;
    EXPECT_EQ(wrong, 0u);
}

TEST(EsriAsciiReader, MalformedFilesNameTheFileTheProblemAndTheLine) {
    const char* const header = "ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n";
    const std::pair<std::string, std::string> cases[] = {
        {"nrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3 4\n", ": the header has no ncols"},
        {"ncols 2\nnrows 2\nxllcorner 0\ncellsize 1\n1 2 3 4\n", ": the header has no yllcorner or yllcenter"},
        {"ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\nNCOLS 2\ncellsize 1\n1 2 3 4\n",
         ": line 5: the key ncols repeats what line 1 gave"},
        {"ncols 2\nnrows 2\nxllcorner 0\nxllcenter 0\nyllcorner 0\ncellsize 1\n",
         ": line 4: the key xllcenter repeats what line 3 gave"},
        {"ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 0\n1 2 3 4\n", ": line 5: cellsize 0 is not positive"},
        {"ncols 2.5\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\n",
         ": line 1: ncols 2.5 is not a positive whole number"},
        {"ncols 2\nnrows 2\nxllcorner 0\nyllcorner 0\ncellsize 1\ndx 1\n", ": line 6: unknown header key \"dx\""},
        {std::string(header) + "1 2\n3\n", ": too few values: 3 of 4 (ncols x nrows)"},
        {std::string(header) + "1 2\n3 4\n5\n", " line 8: more values than ncols x nrows"},
        {std::string(header) + "1 2\r\n3 x4\r\n", " line 7: the value \"x4\" is not a number"},
        {std::string(header) + "1 2\n3 4,5\n", " line 7: the value \"4,5\" is not a number"},
        {std::string(header) + "1 2\n3 1e39\n", " line 7: the value 1E+39 is outside the 32-bit float range"},
    };
    for (const auto& [text, expected] : cases) {
        test::TempDir dir;
        test::writeFile(dir.file("bad.asc"), text);
        EXPECT_EQ(failureOf(dir.file("bad.asc")), dir.file("bad.asc") + expected);
    }
    test::TempDir dir;
    // Headers that claim more than the file holds or than memory holds are
    // refused before anything is allocated.
    test::writeFile(dir.file("huge.asc"), "ncols 40000\nnrows 40000\nxllcorner 0\nyllcorner 0\ncellsize 1\n1 2 3\n");
    EXPECT_EQ(
        failureOf(dir.file("huge.asc"), 1u << 30),
        dir.file("huge.asc") +
            ": ncols x nrows = 1600000000 values need at least 3199999999 bytes, the file holds 6 after its header");
    std::filesystem::resize_file(dir.file("huge.asc"), 3200000100ull);  // sparse: no disk taken
    EXPECT_EQ(failureOf(dir.file("huge.asc"), 1u << 30),
              dir.file("huge.asc") + ": a raster of 40000 x 40000 cells is too large");
    // Corners and extents that are no finite numbers.
    test::writeFile(dir.file("far.asc"), "ncols 2\nnrows 1\nxllcorner 1.7e308\nyllcorner 0\ncellsize 1e307\n1 2\n");
    EXPECT_EQ(failureOf(dir.file("far.asc")), dir.file("far.asc") +
                                                  ": the extent of 2 x 1 cells of 1E+307 from (1.7E+308, 0) passes the "
                                                  "largest number");
    EXPECT_NE(failureOf(dir.file("missing.asc")).find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace kestrune
