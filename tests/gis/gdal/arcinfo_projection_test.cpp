// prj.adf in the ArcInfo keyword form, with GDAL's reader as the oracle: our
// text must read back as the very coordinate system it came from.
#include "gis/gdal/module/arcinfo_projection.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/gdal/gdal_services.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <ogr_spatialref.h>

namespace kestrune {
namespace {

// A .prj's text for an EPSG system.
std::string esriPrj(int epsg) { return test::esriWktOf("EPSG:" + std::to_string(epsg)); }

bool sameSystem(const std::string& first, const std::string& second) {
    OGRSpatialReference a, b;
    if (!readProjection(first, a) || !readProjection(second, b)) return false;
    const char* const options[] = {"IGNORE_DATA_AXIS_TO_SRS_AXIS_MAPPING=YES", nullptr};
    return a.IsSame(&b, options);
}

const char* const kCustomTransverseMercator =
    R"(PROJCS["Custom_TM",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]],)"
    R"(PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]],PROJECTION["Transverse_Mercator"],)"
    R"(PARAMETER["False_Easting",250000.0],PARAMETER["False_Northing",-1000.0],PARAMETER["Central_Meridian",13.5],)"
    R"(PARAMETER["Scale_Factor",0.9999],PARAMETER["Latitude_Of_Origin",47.25],UNIT["Meter",1.0]])";

TEST(ArcInfoProjection, CommonSystemsGoInTheKeywordFormAndReadBackTheSame) {
    struct Case {
        std::string name, prj, projection;
    };
    const Case cases[] = {
        {"UTM 33N on WGS 84", esriPrj(32633), "UTM"},
        {"UTM 33S on WGS 84", esriPrj(32733), "UTM"},
        {"UTM 17N on NAD83", esriPrj(26917), "UTM"},
        {"State Plane Maryland, NAD83, metres", esriPrj(26985), "STATEPLANE"},
        // EPSG rounds this zone's false easting in feet, so the zone as the
        // keyword form defines it differs in the last digits: its parameters
        // hold it exactly.
        {"State Plane Maryland, NAD83, US feet", esriPrj(2248), "LAMBERT"},
        {"State Plane Texas Central, NAD27", esriPrj(32039), "STATEPLANE"},
        {"Conus Albers on NAD83", esriPrj(5070), "ALBERS"},
        {"Statistics Canada Lambert on NAD83", esriPrj(3347), "LAMBERT"},
        {"geographic WGS 84", esriPrj(4326), "GEOGRAPHIC"},
        {"geographic NAD27", esriPrj(4267), "GEOGRAPHIC"},
        {"a custom Transverse Mercator", kCustomTransverseMercator, "TRANSVERSE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string form = gdal().arcInfoProjection(c.prj);
        EXPECT_EQ(form.rfind("Projection    " + c.projection + "\r\n", 0), 0u) << form;
        EXPECT_NE(form.find("Zunits        NO\r\n"), std::string::npos);
        EXPECT_EQ(form.find('\n'), form.find("\r\n") + 1);  // CR LF line ends
        EXPECT_TRUE(sameSystem(form, c.prj)) << form;
        EXPECT_TRUE(sameSystem(gdal().arcInfoProjection(form), c.prj));  // a GRID made from a GRID keeps it
    }
}

TEST(ArcInfoProjection, TheKeywordFormSaysWhatArcInfoWrites) {
    EXPECT_EQ(
        gdal().arcInfoProjection(esriPrj(32733)),
        "Projection    UTM\r\nDatum         WGS84\r\nSpheroid      WGS84\r\nUnits         METERS\r\n"
        "Zunits        NO\r\nZone          33\r\nXshift        0.0\r\nYshift        10000000.0\r\nParameters\r\n");
    EXPECT_EQ(gdal().arcInfoProjection(esriPrj(26985)),
              "Projection    STATEPLANE\r\nDatum         NAD83\r\nSpheroid      GRS80\r\nUnits         METERS\r\n"
              "Zunits        NO\r\nFipszone      1900\r\nParameters\r\n");
    EXPECT_NE(gdal().arcInfoProjection(esriPrj(2248)).find("Units         FEET\r\n"), std::string::npos);
    const std::string tm = gdal().arcInfoProjection(kCustomTransverseMercator);
    EXPECT_NE(tm.find("Parameters\r\n0.9999 /* scale factor at central meridian\r\n13.5 /* longitude of central "
                      "meridian\r\n47.25 /* latitude of origin\r\n250000 /* false easting (meters)\r\n-1000 /* "
                      "false northing (meters)\r\n"),
              std::string::npos)
        << tm;
}

// Datums the keyword form does not name, and projections it lacks, stay WKT.
TEST(ArcInfoProjection, SystemsWithoutAKeywordFormStayAsGiven) {
    for (int epsg : {2154, 3035, 27700, 3857}) {
        SCOPED_TRACE(epsg);
        const std::string prj = esriPrj(epsg);
        EXPECT_EQ(gdal().arcInfoProjection(prj), prj);
    }
    EXPECT_EQ(gdal().arcInfoProjection("not a projection"), "not a projection");
    EXPECT_EQ(gdal().arcInfoProjection(""), "");
}

// GDAL's GRID reader takes the prj.adf we write as the system we were given.
TEST(ArcInfoProjection, GdalReadsTheGridsProjectionBack) {
    test::TempDir dir;
    FloatRaster raster;
    raster.ncols = raster.nrows = 2;
    raster.cellsize = 10;
    raster.xllcorner = 500000;
    raster.yllcorner = 5000000;
    raster.cells = {1, 2, 3, 4};
    for (int epsg : {32633, 2248, 5070, 4326, 2154}) {
        SCOPED_TRACE(epsg);
        const std::string name = "g" + std::to_string(epsg);
        writeEsriGrid(dir.path().string(), name, raster, esriPrj(epsg));
        const test::GdalRaster grid = test::readWithGdal(dir.file(name));
        EXPECT_TRUE(sameSystem(grid.projectionWkt, esriPrj(epsg))) << grid.projectionWkt;
    }
}

}  // namespace
}  // namespace kestrune
