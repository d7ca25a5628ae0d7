// Our shapefile writer against GDAL's shapefile driver writing the same
// lines: the same bytes.
#include "gis/shapefile/polyline_shapefile_writer.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

namespace kestrune {
namespace {

struct Feature {
    std::vector<double> xy;
    double id, level;
};

const std::vector<Feature> kFeatures = {
    {{512000.25, 5102000.5, 512010, 5102003.125, 512020.75, 5101999}, 0, 410},
    {{-5, -5, 5, -5, 5, 5, -5, 5, -5, -5}, 1, -12.5},                              // a ring
    {{1e-7, 2e-7, 3.5, 4.25}, 2, 1234567.125},                                     // a level with every decimal used
    {{600000, 5200000, 600000.5, 5200000.25, 600001, 5200000}, 12345678, 0.0004},  // ID as wide as its field
};

const char* const kUtm33 =
    "PROJCS[\"WGS 84 / UTM zone 33N\",GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563]],"
    "PRIMEM[\"Greenwich\",0],UNIT[\"degree\",0.0174532925199433]],PROJECTION[\"Transverse_Mercator\"],"
    "PARAMETER[\"latitude_of_origin\",0],PARAMETER[\"central_meridian\",15],PARAMETER[\"scale_factor\",0.9996],"
    "PARAMETER[\"false_easting\",500000],PARAMETER[\"false_northing\",0],UNIT[\"metre\",1]]";

void writeWithGdal(const std::string& path, const std::vector<Feature>& features) {
    GDALAllRegister();
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
    std::unique_ptr<GDALDataset> dataset(driver->Create(path.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    OGRSpatialReference srs;
    srs.importFromWkt(kUtm33);
    OGRLayer* layer = dataset->CreateLayer("peer", &srs, wkbLineString, nullptr);
    OGRFieldDefn id("ID", OFTInteger);
    id.SetWidth(8);
    OGRFieldDefn level("CONTOUR", OFTReal);
    level.SetWidth(12);
    level.SetPrecision(3);
    layer->CreateField(&id);
    layer->CreateField(&level);
    for (const Feature& f : features) {
        OGRFeature feature(layer->GetLayerDefn());
        feature.SetField(0, static_cast<int>(f.id));
        feature.SetField(1, f.level);
        OGRLineString line;
        for (std::size_t i = 0; i < f.xy.size(); i += 2) line.addPoint(f.xy[i], f.xy[i + 1]);
        feature.SetGeometry(&line);
        ASSERT_EQ(layer->CreateFeature(&feature), OGRERR_NONE);
    }
}

std::string esriWkt() { return test::esriWktOf(kUtm33); }

TEST(PolylineShapefileWriter, WritesTheBytesGdalsShapefileDriverWrites) {
    test::TempDir dir;
    PolylineShapefileWriter ours(dir.file("ours"), {{"ID", 8, 0}, {"CONTOUR", 12, 3}}, esriWkt());
    for (const Feature& f : kFeatures) ours.addLine(f.xy, {f.id, f.level});
    ours.finish();
    writeWithGdal(dir.file("peer.shp"), kFeatures);
    for (const char* extension : {".shp", ".shx", ".dbf", ".prj"}) {
        SCOPED_TRACE(extension);
        EXPECT_EQ(test::readFile(dir.file(std::string("ours") + extension)),
                  test::readFile(dir.file(std::string("peer") + extension)));
    }
}

TEST(PolylineShapefileWriter, AnEmptyShapefileIsWhatGdalWrites) {
    test::TempDir dir;
    PolylineShapefileWriter ours(dir.file("ours"), {{"ID", 8, 0}, {"CONTOUR", 12, 3}}, esriWkt());
    ours.finish();
    writeWithGdal(dir.file("peer.shp"), {});
    for (const char* extension : {".shp", ".shx", ".dbf"}) {
        SCOPED_TRACE(extension);
        EXPECT_EQ(test::readFile(dir.file(std::string("ours") + extension)),
                  test::readFile(dir.file(std::string("peer") + extension)));
    }
}

// Past the limit nothing more is written, but the size the whole shapefile
// would need is counted to the end.
TEST(PolylineShapefileWriter, PassingTheSizeLimitThrowsWithTheSizeNeeded) {
    test::TempDir dir;
    PolylineShapefileWriter whole(dir.file("whole"), {{"ID", 8, 0}}, "");
    PolylineShapefileWriter limited(dir.file("limited"), {{"ID", 8, 0}}, "", 1000);
    std::vector<double> xy;
    for (int i = 0; i < 20; ++i) xy.insert(xy.end(), {i * 1.0, i * 2.0});
    for (int i = 0; i < 10; ++i) {
        whole.addLine(xy, {static_cast<double>(i)});
        limited.addLine(xy, {static_cast<double>(i)});
    }
    whole.finish();
    try {
        limited.finish();
        FAIL() << "no failure";
    } catch (const ShapefileTooLarge& failure) {
        EXPECT_EQ(failure.neededBytes(), test::readFile(dir.file("whole.shp")).size());
    }
    EXPECT_LE(test::readFile(dir.file("limited.shp")).size(), 1000u);
}

}  // namespace
}  // namespace kestrune
