// Contours as a GeoPackage, checked by GDAL: the same lines as the
// shapefile, its fields, coordinate system and R-tree, and a replacement
// that is all or nothing.
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "run/create_contours.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>

namespace kestrune {
namespace {

struct VectorLayer {
    std::unique_ptr<GDALDataset> dataset;
    OGRLayer* layer = nullptr;
};

VectorLayer openLayer(const std::string& path) {
    GDALAllRegister();
    VectorLayer opened{std::unique_ptr<GDALDataset>(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR)), nullptr};
    if (!opened.dataset) throw std::runtime_error("OGR cannot open " + path);
    opened.layer = opened.dataset->GetLayer(0);
    return opened;
}

std::vector<std::string> fieldsOf(OGRLayer& layer) {
    std::vector<std::string> fields;
    OGRFeatureDefn* definition = layer.GetLayerDefn();
    for (int i = 0; i < definition->GetFieldCount(); ++i)
        fields.push_back(std::string(definition->GetFieldDefn(i)->GetNameRef()) + ":" +
                         OGRFieldDefn::GetFieldTypeName(definition->GetFieldDefn(i)->GetType()));
    return fields;
}

// Each feature's level and length, in file order.
std::vector<std::pair<double, double>> linesOf(OGRLayer& layer) {
    std::vector<std::pair<double, double>> lines;
    layer.ResetReading();
    for (auto& feature : layer)
        lines.emplace_back(feature->GetFieldAsDouble("CONTOUR"),
                           feature->GetGeometryRef()->toLineString()->get_Length());
    return lines;
}

// A ridge and a pit on a tilt, with a NoData hole, in UTM 33N.
struct HillGrid : test::StepRun {
    HillGrid(int n = 200) {
        FloatRaster dem;
        dem.ncols = dem.nrows = n;
        dem.cellsize = 10;
        dem.xllcorner = 512000;
        dem.yllcorner = 5102000;
        for (int row = 0; row < n; ++row)
            for (int column = 0; column < n; ++column) {
                const bool hole = row > 40 && row < 55 && column > 90 && column < 120;
                const double u = column - n / 2.0, v = row - n / 3.0;
                dem.cells.push_back(hole ? kGridNoData
                                         : static_cast<float>(300 + 120 * std::sin(u / 17.0) * std::cos(v / 23.0) +
                                                              0.3 * row + (row * column % 5)));
            }
        writeEsriGrid(settings.gridFolder, "hill", dem,
                      test::readFile(std::string(KESTRUNE_SAMPLES_DIR) + "/xyz/dem_west.prj"));
    }
    RasterDataset dataset() const { return RasterWorkspace::open(settings.gridFolder).grids().at(0); }
    void contours(ContourFormat format, double interval, const std::string& folder) {
        CreateContours(context, dataset(), folder,
                       prepareContours(dataset(), folder, ContourOptions{{0, interval}}, {}, format));
    }
};

TEST(ContourGeoPackage, HoldsTheShapefilesLinesWithFieldsSystemAndIndex) {
    HillGrid grid;
    const std::string shapefileFolder = grid.dir.folder("shp");
    grid.contours(ContourFormat::Shapefile, 5, shapefileFolder);
    grid.contours(ContourFormat::GeoPackage, 5, grid.settings.contourFolder);
    EXPECT_TRUE(grid.ui.messages.empty());
    EXPECT_EQ(test::folderNames(grid.settings.contourFolder), std::vector<std::string>{"hill.gpkg"});

    VectorLayer package = openLayer(grid.settings.contourFolder + "/hill.gpkg");
    VectorLayer shapefile = openLayer(shapefileFolder + "/hill.shp");
    EXPECT_STREQ(package.dataset->GetDriver()->GetDescription(), "GPKG");
    EXPECT_EQ(package.dataset->GetLayerCount(), 1);
    EXPECT_STREQ(package.layer->GetName(), "hill");
    EXPECT_EQ(fieldsOf(*package.layer), (std::vector<std::string>{"ID:Integer64", "CONTOUR:Real"}));
    EXPECT_EQ(wkbFlatten(package.layer->GetGeomType()), wkbLineString);

    const auto lines = linesOf(*package.layer);
    const auto expected = linesOf(*shapefile.layer);
    ASSERT_GT(expected.size(), 100u);
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].first, expected[i].first) << "feature " << i;
        EXPECT_DOUBLE_EQ(lines[i].second, expected[i].second) << "feature " << i;
    }
    long long id = 0;
    for (auto& feature : *package.layer) EXPECT_EQ(feature->GetFieldAsInteger64("ID"), id++);

    const OGRSpatialReference* system = package.layer->GetSpatialRef();
    ASSERT_NE(system, nullptr);
    EXPECT_TRUE(system->IsSame(shapefile.layer->GetSpatialRef()));
    EXPECT_STREQ(system->GetAuthorityCode(nullptr), "32633");

    OGRLayer* index = package.dataset->ExecuteSQL("SELECT HasSpatialIndex('hill', 'geom')", nullptr, nullptr);
    ASSERT_NE(index, nullptr);
    std::unique_ptr<OGRFeature> answer(index->GetNextFeature());
    EXPECT_EQ(answer->GetFieldAsInteger(0), 1);
    package.dataset->ReleaseResultSet(index);
    OGRLayer* rows = package.dataset->ExecuteSQL("SELECT COUNT(*) FROM rtree_hill_geom", nullptr, nullptr);
    std::unique_ptr<OGRFeature> count(rows->GetNextFeature());
    EXPECT_EQ(count->GetFieldAsInteger64(0), static_cast<long long>(lines.size()));
    package.dataset->ReleaseResultSet(rows);

    // A window through the index finds the lines whose bounds meet it.
    OGREnvelope window;
    window.MinX = 513000, window.MaxX = 513400, window.MinY = 5102500, window.MaxY = 5103000;
    GIntBig meeting = 0;
    for (auto& feature : *package.layer) {
        OGREnvelope bounds;
        feature->GetGeometryRef()->getEnvelope(&bounds);
        meeting += bounds.Intersects(window) ? 1 : 0;
    }
    ASSERT_GT(meeting, 0);
    package.layer->SetSpatialFilterRect(window.MinX, window.MinY, window.MaxX, window.MaxY);
    EXPECT_EQ(package.layer->GetFeatureCount(), meeting);
}

// GDAL's own validator of the GeoPackage standard, where it is installed.
TEST(ContourGeoPackage, PassesGdalsValidator) {
    const std::string validator = "/usr/lib/python3/dist-packages/osgeo_utils/samples/validate_gpkg.py";
    if (!std::filesystem::exists(validator)) GTEST_SKIP() << "GDAL's validate_gpkg.py is not installed";
    HillGrid grid(60);
    grid.contours(ContourFormat::GeoPackage, 10, grid.settings.contourFolder);
    const std::string command =
        "python3 " + validator + " " + grid.settings.contourFolder + "/hill.gpkg > " + grid.dir.file("v.txt") + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << test::readFile(grid.dir.file("v.txt"));
}

TEST(ContourGeoPackage, AReRunReplacesTheFileAndAFailureKeepsIt) {
    HillGrid grid(80);
    grid.contours(ContourFormat::GeoPackage, 50, grid.settings.contourFolder);
    const std::string path = grid.settings.contourFolder + "/hill.gpkg";
    const std::string first = test::readFile(path);
    grid.contours(ContourFormat::GeoPackage, 10, grid.settings.contourFolder);
    EXPECT_NE(test::readFile(path), first);
    for (const auto& [level, length] : linesOf(*openLayer(path).layer)) EXPECT_EQ(std::fmod(level, 10), 0) << level;
    const std::string second = test::readFile(path);
    EXPECT_THROW(grid.contours(ContourFormat::GeoPackage, 0, grid.settings.contourFolder), std::runtime_error);
    EXPECT_EQ(test::readFile(path), second);
    EXPECT_EQ(test::folderNames(grid.settings.contourFolder), std::vector<std::string>{"hill.gpkg"});
}

}  // namespace
}  // namespace kestrune
