// Slopes of rasters in latitude and longitude, in other units of height,
// with a z-factor: against a reference written here from the ellipsoid's
// Cartesian coordinates, against gdaldem slope on the same terrain in UTM,
// and against plain rasters.
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/gdal/gdal_services.hpp"
#include "gis/slope/slope_raster.hpp"
#include "run/grid_folder_walk.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace kestrune {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Ellipsoid {
    const char* definition;  // a geographic coordinate system on it
    double a, inverseFlattening;
};
const Ellipsoid kWgs84{"EPSG:4326", 6378137, 298.257223563};
const Ellipsoid kClarke1866{"EPSG:4267", 6378206.4, 294.978698213898};

// A point of the ellipsoid's surface in Earth-centred Cartesian metres.
std::array<double, 3> cartesian(const Ellipsoid& e, double latitudeDegrees, double longitudeDegrees) {
    const double f = 1 / e.inverseFlattening, e2 = f * (2 - f);
    const double phi = latitudeDegrees * kPi / 180, lambda = longitudeDegrees * kPi / 180;
    const double n = e.a / std::sqrt(1 - e2 * std::sin(phi) * std::sin(phi));
    return {n * std::cos(phi) * std::cos(lambda), n * std::cos(phi) * std::sin(lambda), n * (1 - e2) * std::sin(phi)};
}

double distance(const std::array<double, 3>& p, const std::array<double, 3>& q) {
    return std::sqrt((p[0] - q[0]) * (p[0] - q[0]) + (p[1] - q[1]) * (p[1] - q[1]) + (p[2] - q[2]) * (p[2] - q[2]));
}

// The slope of every cell by Horn's weights, the cells' spacing measured as
// straight lines between the Cartesian points of the neighbours on either
// side (half of each), the edge rule of a missing neighbour taking the
// centre's value.
FloatRaster referenceSlope(const FloatRaster& dem, const Ellipsoid& e) {
    FloatRaster slope = dem;
    auto centre = [&](std::int64_t r, std::int64_t c) {
        return std::pair(dem.yurcorner() - (static_cast<double>(r) + 0.5) * dem.cellsize,
                         dem.xllcorner + (static_cast<double>(c) + 0.5) * dem.cellsize);
    };
    for (std::int64_t r = 0; r < dem.nrows; ++r)
        for (std::int64_t c = 0; c < dem.ncols; ++c) {
            auto [lat, lon] = centre(r, c);
            const double dx =
                distance(cartesian(e, lat, lon - dem.cellsize), cartesian(e, lat, lon + dem.cellsize)) / 2;
            const double dy =
                distance(cartesian(e, lat - dem.cellsize, lon), cartesian(e, lat + dem.cellsize, lon)) / 2;
            double w[3][3];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) {
                    const std::int64_t rr = r + i - 1, cc = c + j - 1;
                    const bool inside = rr >= 0 && rr < dem.nrows && cc >= 0 && cc < dem.ncols;
                    w[i][j] = inside ? dem.at(rr, cc) : dem.at(r, c);
                }
            const double p = ((w[0][2] + 2 * w[1][2] + w[2][2]) - (w[0][0] + 2 * w[1][0] + w[2][0])) / (8 * dx);
            const double q = ((w[2][0] + 2 * w[2][1] + w[2][2]) - (w[0][0] + 2 * w[0][1] + w[0][2])) / (8 * dy);
            slope.cells[r * dem.ncols + c] = static_cast<float>(std::atan(std::hypot(p, q)) * 180 / kPi);
        }
    return slope;
}

// Hills of about 20 m on cells of 0.0001 degrees (some 11 m), with the
// lower-left corner at (longitude, latitude); `stretch` makes them wider.
FloatRaster hills(double longitude, double latitude, std::int64_t ncols = 80, std::int64_t nrows = 60,
                  double stretch = 1) {
    FloatRaster dem;
    dem.ncols = ncols, dem.nrows = nrows, dem.cellsize = 0.0001;
    dem.xllcorner = longitude, dem.yllcorner = latitude;
    for (std::int64_t r = 0; r < nrows; ++r)
        for (std::int64_t c = 0; c < ncols; ++c) {
            const double x = static_cast<double>(c) / stretch, y = static_cast<double>(r) / stretch;
            dem.cells.push_back(static_cast<float>(300 + 20 * std::sin(x * 0.21) * std::cos(y * 0.17) +
                                                   8 * std::sin(x * 0.05 + y * 0.4)));
        }
    return dem;
}

// The walk's slope of `dem` saved as a GRID with `projection`; `ui` keeps what it said.
FloatRaster walkedSlope(const FloatRaster& dem, const std::string& projection, test::RecordingUi* said = nullptr,
                        double zFactor = 0) {
    test::StepRun s;
    s.settings.slopeOutput = true;
    s.settings.zFactor = zFactor;
    writeEsriGrid(s.settings.gridFolder, "dem", dem, projection);
    EXPECT_TRUE(s.run(GetRasterLayersFromFolder));
    if (said) *said = s.ui;
    return test::readGrid(s.slope("dem"));
}

double largestDifference(const FloatRaster& a, const FloatRaster& b) {
    double largest = 0;
    for (std::size_t i = 0; i < a.cells.size(); ++i)
        largest = std::max(largest, std::fabs(static_cast<double>(a.cells[i]) - b.cells[i]));
    return largest;
}

// At the equator, at 36 degrees north and at 70 degrees south, on WGS 84
// and on Clarke 1866: within 1e-4 degrees of the reference in every cell.
TEST(GeographicSlope, EveryCellAgreesWithTheEllipsoidsOwnDistances) {
    struct Case {
        double longitude, latitude;
        const Ellipsoid& ellipsoid;
    };
    const Case cases[] = {{10, -0.003, kWgs84},      {-100, 36, kWgs84},      {60, -70, kWgs84},
                          {10, -0.003, kClarke1866}, {-100, 36, kClarke1866}, {60, -70, kClarke1866}};
    double worst = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ellipsoid.definition) + " at latitude " + std::to_string(c.latitude));
        const FloatRaster dem = hills(c.longitude, c.latitude);
        test::RecordingUi said;
        const FloatRaster ours = walkedSlope(dem, test::esriWktOf(c.ellipsoid.definition), &said);
        const double difference = largestDifference(ours, referenceSlope(dem, c.ellipsoid));
        EXPECT_LT(difference, 1e-4);
        worst = std::max(worst, difference);
        // Steep enough to tell: a planar reading of degrees as metres gives ~90 everywhere.
        EXPECT_LT(*std::max_element(ours.cells.begin(), ours.cells.end()), 60);
        EXPECT_NE(std::find(said.statusTexts.begin(), said.statusTexts.end(),
                            std::string("dem: geographic ") + (c.ellipsoid.a == kWgs84.a ? "WGS 84" : "NAD27") +
                                ", ground distances per row"),
                  said.statusTexts.end());
        EXPECT_TRUE(said.messages.empty());
    }
    std::cout << "largest difference from the reference: " << worst << " degrees\n";
}

// Rows nearer than a cell to a pole have no slope; the others have one.
TEST(GeographicSlope, RowsAtThePoleAreNoData) {
    const FloatRaster dem = hills(0, 89.995, 40, 50);  // the top row's centre is 0.00005 degrees from the pole
    const FloatRaster ours = walkedSlope(dem, test::esriWktOf("EPSG:4326"));
    for (std::int64_t c = 0; c < dem.ncols; ++c) EXPECT_TRUE(isNoData(ours.at(0, c)));
    for (std::int64_t r = 1; r < dem.nrows; ++r) EXPECT_FALSE(isNoData(ours.at(r, 5))) << r;
}

// The same terrain warped to UTM and through gdaldem slope: the median
// absolute difference, cell for cell on the UTM grid, below half a degree.
// Hills some 600 m wide, so that resampling does not blur them; reading
// degrees as if they were the same ground east-west and north-south would
// be off by a third at this latitude.
TEST(GeographicSlope, AgreesWithGdaldemOnTheSameTerrainInUtm) {
    KESTRUNE_REQUIRE_PROGRAM("gdalwarp");
    KESTRUNE_REQUIRE_PROGRAM("gdaldem");
    SCOPED_TRACE(test::gdalOracleNote());
    test::StepRun s;
    s.settings.slopeOutput = true;
    const FloatRaster dem = hills(15.2, 46.1, 300, 240, 3);
    writeEsriGrid(s.settings.gridFolder, "dem", dem, test::esriWktOf("EPSG:4326"));
    ASSERT_TRUE(s.run(GetRasterLayersFromFolder));
    const std::string utm = s.dir.file("utm.tif"), utmSlope = s.dir.file("utm_slope.tif"),
                      ours = s.dir.file("ours.tif");
    const std::string grid = "-t_srs EPSG:32633 -tr 5 5 -te 515600 5105900 517400 5107900 -q -overwrite ";
    ASSERT_EQ(std::system(("gdalwarp " + grid + "-r bilinear " + s.grid("dem/hdr.adf") + " " + utm).c_str()), 0);
    ASSERT_EQ(std::system(("gdaldem slope -q " + utm + " " + utmSlope).c_str()), 0);
    ASSERT_EQ(std::system(("gdalwarp " + grid + "-r near " + s.slope("dem/hdr.adf") + " " + ours).c_str()), 0);
    const test::GdalRaster theirs = test::readWithGdal(utmSlope), mine = test::readWithGdal(ours);
    ASSERT_EQ(theirs.values.size(), mine.values.size());
    std::vector<double> differences;
    for (std::size_t i = 0; i < mine.values.size(); ++i) {
        const bool valid = !(theirs.hasNoData && theirs.values[i] == theirs.noData) &&
                           !(mine.hasNoData && mine.values[i] == mine.noData);
        if (valid) differences.push_back(std::fabs(mine.values[i] - theirs.values[i]));
    }
    ASSERT_GT(differences.size(), 1000u);
    std::nth_element(differences.begin(), differences.begin() + differences.size() / 2, differences.end());
    const double median = differences[differences.size() / 2];
    std::cout << "median absolute difference from gdaldem slope in UTM: " << median << " degrees over "
              << differences.size() << " cells\n";
    EXPECT_LT(median, 0.5);
}

// State plane in feet with heights in feet: one unit, the slope of a
// raster without a coordinate system. With heights in metres over feet of
// ground, z counts 3.28 times; the z-factor replaces what the system says.
TEST(GeographicSlope, HeightsInTheirOwnUnit) {
    FloatRaster dem = test::roughSurface(60, 50);
    const FloatRaster plain = walkedSlope(dem, "");
    const std::string statePlane =
        "Projection    STATEPLANE\r\nFipszone      3701\r\nDatum         NAD83\r\nSpheroid      GRS80\r\n"
        "Units         FEET\r\nZunits        FEET\r\nXshift        0.0\r\nYshift        0.0\r\nParameters\r\n";
    test::RecordingUi said;
    EXPECT_EQ(walkedSlope(dem, statePlane, &said).cells, plain.cells);
    for (const std::string& status : said.statusTexts) EXPECT_EQ(status.find("dem:"), std::string::npos) << status;

    std::string metresOverFeet = statePlane;
    metresOverFeet.replace(metresOverFeet.find("Zunits        FEET"), 18, "Zunits        METERS");
    const FloatRaster inMetres = walkedSlope(dem, metresOverFeet, &said);
    EXPECT_NE(std::find(said.statusTexts.begin(), said.statusTexts.end(), "dem: z in metres"), said.statusTexts.end());
    FloatRaster scaled = dem;
    const double factor = 1 / 0.3048006096012192;
    for (float& cell : scaled.cells)
        if (!isNoData(cell)) cell = static_cast<float>(cell * factor);
    EXPECT_LT(largestDifference(inMetres, walkedSlope(scaled, "")), 1e-3);
    // The z-factor wins over the Zunits.
    EXPECT_EQ(walkedSlope(dem, metresOverFeet, nullptr, 1).cells, plain.cells);
}

// --z-factor 0.3048 on a metre raster is its heights times 0.3048.
TEST(GeographicSlope, AZFactorScalesTheHeights) {
    FloatRaster dem = test::roughSurface(60, 50);
    test::RecordingUi said;
    const FloatRaster withFactor = walkedSlope(dem, test::esriWktOf("EPSG:32633"), &said, 0.3048);
    EXPECT_NE(std::find(said.statusTexts.begin(), said.statusTexts.end(), "dem: z-factor 0.3048"),
              said.statusTexts.end());
    for (float& cell : dem.cells)
        if (!isNoData(cell)) cell = static_cast<float>(cell * 0.3048);
    EXPECT_LT(largestDifference(withFactor, walkedSlope(dem, test::esriWktOf("EPSG:32633"))), 1e-4);
}

// The height unit of a WKT's vertical coordinate system, and a keyword
// form's Zunits, are read, and a GRID's prj.adf keeps the Zunits.
TEST(GeographicSlope, HeightUnitsAreReadAndKept) {
    const GroundUnits compound = gdal().groundUnits(
        "COMPD_CS[\"NAD83 / UTM 17N + NAVD88 height (ftUS)\",PROJCS[\"NAD83 / UTM zone 17N\",GEOGCS[\"NAD83\","
        "DATUM[\"North_American_Datum_1983\",SPHEROID[\"GRS 1980\",6378137,298.257222101]],PRIMEM[\"Greenwich\",0],"
        "UNIT[\"degree\",0.0174532925199433]],PROJECTION[\"Transverse_Mercator\"],PARAMETER[\"latitude_of_origin\",0],"
        "PARAMETER[\"central_meridian\",-81],PARAMETER[\"scale_factor\",0.9996],PARAMETER[\"false_easting\",500000],"
        "PARAMETER[\"false_northing\",0],UNIT[\"metre\",1]],VERT_CS[\"NAVD88 height (ftUS)\",VERT_DATUM[\"North "
        "American Vertical Datum 1988\",2005],UNIT[\"US survey foot\",0.304800609601219]]]");
    EXPECT_FALSE(compound.geographic);
    EXPECT_EQ(compound.metresPerUnit, 1);
    EXPECT_NEAR(compound.metresPerZUnit, 0.3048006096, 1e-9);
    const GroundUnits geographic = gdal().groundUnits(test::esriWktOf("EPSG:4267"));
    EXPECT_TRUE(geographic.geographic);
    EXPECT_NEAR(geographic.semiMajor, 6378206.4, 1e-6);
    EXPECT_NEAR(geographic.inverseFlattening, 294.9786982, 1e-6);
    EXPECT_EQ(geographic.metresPerZUnit, 0);

    test::TempDir dir;
    const std::string utmFeet =
        "Projection    UTM\r\nZone          33\r\nDatum         WGS84\r\nSpheroid      WGS84\r\n"
        "Units         METERS\r\nZunits        FEET\r\nXshift        0.0\r\nYshift        0.0\r\nParameters\r\n";
    writeEsriGrid(dir.path().string(), "dem", test::roughSurface(10, 10), utmFeet);
    const std::string kept = test::readFile(dir.file("dem/prj.adf"));
    EXPECT_NE(kept.find("Zunits        FEET"), std::string::npos) << kept;
    EXPECT_NEAR(gdal().groundUnits(kept).metresPerZUnit, 0.3048006096, 1e-9);
}

}  // namespace
}  // namespace kestrune
