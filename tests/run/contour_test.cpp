#include "gis/esri_grid/esri_grid_writer.hpp"
#include "run/create_contours.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace kestrune {
namespace {

struct Shapefile {
    std::map<double, double> lengthByLevel;
    std::size_t features = 0;
    std::vector<std::string> fields;  // name:type
    bool hasProjection = false;
    std::vector<long long> ids;
};

Shapefile readShapefile(const std::string& path, const char* levelField) {
    GDALAllRegister();
    std::unique_ptr<GDALDataset> dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
    if (!dataset) throw std::runtime_error("OGR cannot open " + path);
    OGRLayer* layer = dataset->GetLayer(0);
    Shapefile shapefile;
    OGRFeatureDefn* definition = layer->GetLayerDefn();
    for (int i = 0; i < definition->GetFieldCount(); ++i)
        shapefile.fields.push_back(std::string(definition->GetFieldDefn(i)->GetNameRef()) + ":" +
                                   OGRFieldDefn::GetFieldTypeName(definition->GetFieldDefn(i)->GetType()));
    shapefile.hasProjection = layer->GetSpatialRef() != nullptr;
    for (auto& feature : *layer) {
        ++shapefile.features;
        double level = feature->GetFieldAsDouble(levelField);
        if (definition->GetFieldIndex("ID") >= 0) shapefile.ids.push_back(feature->GetFieldAsInteger64("ID"));
        shapefile.lengthByLevel[level] += feature->GetGeometryRef()->toLineString()->get_Length();
    }
    return shapefile;
}

// A hill on a tilt, with a NoData hole, in a workspace of its own.
struct ContourGrid : test::StepRun {
    const std::string& workspace = settings.gridFolder;
    const std::string& contours = settings.contourFolder;
    RunContext& run = context;

    explicit ContourGrid(const std::string& projection = "") {
        FloatRaster dem;
        dem.ncols = 240;
        dem.nrows = 180;
        dem.cellsize = 10;
        dem.xllcorner = 512000;
        dem.yllcorner = 5102000;
        for (int row = 0; row < dem.nrows; ++row)
            for (int column = 0; column < dem.ncols; ++column) {
                bool hole = row > 60 && row < 80 && column > 100 && column < 130;
                double u = column - 120, v = row - 90;
                dem.cells.push_back(
                    hole ? kGridNoData
                         : static_cast<float>(400 + 150 * std::exp(-(u * u + v * v) / 1800.0) + 0.4 * column));
            }
        writeEsriGrid(workspace, "hill", dem, projection);
    }
    RasterDataset dataset() const { return RasterWorkspace::open(workspace).grids().at(0); }
};

// CreateContours of the hill at levels base + k * interval, as the walk makes them.
void makeContours(ContourGrid& grid, double interval, double base) {
    CreateContours(grid.run, grid.dataset(), grid.contours,
                   prepareContours(grid.dataset(), grid.contours, ContourOptions{{base, interval}}));
}

TEST(CreateContours, MatchesGdalContourLevelByLevel) {
    KESTRUNE_REQUIRE_PROGRAM("gdal_contour");
    SCOPED_TRACE(test::gdalOracleNote());
    ContourGrid grid(test::readFile(std::string(KESTRUNE_SAMPLES_DIR) + "/xyz/dem_west.prj"));
    makeContours(grid, 10, 3);
    EXPECT_TRUE(grid.ui.messages.empty());
    EXPECT_EQ(test::folderNames(grid.contours),
              (std::vector<std::string>{"hill.dbf", "hill.prj", "hill.shp", "hill.shx"}));
    const std::string peer = grid.dir.file("peer.shp");
    ASSERT_EQ(std::system(("gdal_contour -q -i 10 -off 3 -a ELEV " + grid.workspace + "/hill " + peer).c_str()), 0);

    Shapefile ours = readShapefile(grid.contours + "/hill.shp", "CONTOUR");
    Shapefile theirs = readShapefile(peer, "ELEV");
    EXPECT_EQ(ours.fields, (std::vector<std::string>{"ID:Integer", "CONTOUR:Real"}));
    EXPECT_TRUE(ours.hasProjection);
    ASSERT_EQ(ours.lengthByLevel.size(), theirs.lengthByLevel.size());
    for (const auto& [level, length] : theirs.lengthByLevel) {
        SCOPED_TRACE("level " + std::to_string(level));
        ASSERT_TRUE(ours.lengthByLevel.count(level));
        EXPECT_NEAR(ours.lengthByLevel[level], length, length * 0.001);
        EXPECT_EQ(std::fmod(level - 3, 10), 0);
    }
    // ID is a running number per feature.
    for (std::size_t i = 0; i < ours.ids.size(); ++i) EXPECT_EQ(ours.ids[i], static_cast<long long>(i));
    // The same lines with the same points: files of the same size.
    EXPECT_EQ(ours.features, theirs.features);
    EXPECT_EQ(test::readFile(grid.contours + "/hill.shp").size(), test::readFile(peer).size());
}

// A GRID's projection that GDAL cannot read still goes with its contours,
// as it is: a replaced shapefile never loses its coordinate system.
TEST(CreateContours, AProjectionGdalCannotReadStaysWithTheContours) {
    ContourGrid grid("site grid 7 of the old survey\r\n");
    makeContours(grid, 50, 0);
    EXPECT_EQ(test::readFile(grid.contours + "/hill.prj"), "site grid 7 of the old survey");
}

TEST(CreateContours, AReRunReplacesTheShapefile) {
    ContourGrid grid;
    test::writeFile(grid.contours + "/hill.sbn", "old index");
    test::writeFile(grid.contours + "/hill.txt", "kept");
    test::writeFile(grid.contours + "/hill.prj", "a projection the new contours do not have");
    makeContours(grid, 10, 0);
    makeContours(grid, 50, 0);
    EXPECT_TRUE(grid.ui.messages.empty());
    EXPECT_EQ(test::folderNames(grid.contours),
              (std::vector<std::string>{"hill.dbf", "hill.shp", "hill.shx", "hill.txt"}));
    for (const auto& [level, length] : readShapefile(grid.contours + "/hill.shp", "CONTOUR").lengthByLevel)
        EXPECT_EQ(std::fmod(level, 50), 0) << level;
}

TEST(CreateContours, AbsurdIntervalsFailAndLeaveNothing) {
    ContourGrid grid;
    const std::pair<double, std::string> cases[] = {
        {0, "the contour interval 0 is not positive"},
        {-5, "the contour interval -5 is not positive"},
        {0.0001, "the contour interval 0.0001 makes"},
    };
    for (const auto& [interval, start] : cases) {
        SCOPED_TRACE("interval " + std::to_string(interval));
        try {
            makeContours(grid, interval, 0);
            ADD_FAILURE() << "no failure for " << interval;
        } catch (const std::runtime_error& failure) {
            EXPECT_EQ(std::string(failure.what()).rfind(start, 0), 0u) << failure.what();
        }
    }
    EXPECT_TRUE(test::folderNames(grid.contours).empty());
}

// Contours that would pass the limit of a shapefile fail with what they
// need; the earlier shapefile of the name stays and nothing else is left.
TEST(CreateContours, ContoursTooLargeForAShapefileFailAndKeepTheEarlierOne) {
    ContourGrid grid;
    makeContours(grid, 50, 0);
    const std::string earlier = test::readFile(grid.contours + "/hill.shp");
    const ContourOptions options{{0, 1}, 20000};
    try {
        CreateContours(grid.run, grid.dataset(), grid.contours,
                       prepareContours(grid.dataset(), grid.contours, options));
        FAIL() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(std::string(failure.what()).rfind("the contours of hill need ", 0), 0u) << failure.what();
        EXPECT_NE(
            std::string(failure.what()).find(" kB, more than the 19.6 kB a shapefile holds; use a larger interval"),
            std::string::npos)
            << failure.what();
    }
    EXPECT_EQ(test::folderNames(grid.contours), (std::vector<std::string>{"hill.dbf", "hill.shp", "hill.shx"}));
    EXPECT_EQ(test::readFile(grid.contours + "/hill.shp"), earlier);
}

TEST(CreateContours, AFailedRunKeepsTheEarlierShapefile) {
    ContourGrid grid;
    makeContours(grid, 50, 0);
    EXPECT_THROW(makeContours(grid, 0, 0), std::runtime_error);
    EXPECT_EQ(test::folderNames(grid.contours), (std::vector<std::string>{"hill.dbf", "hill.shp", "hill.shx"}));
}

// A protected file of the earlier shapefile is reported once; the earlier
// shapefile then stays whole, and the new contours do not go in.
TEST(DelPreShpFile, AReadOnlyFileIsReportedAndKeepsTheEarlierShapefile) {
    ContourGrid grid;
    const std::string base = grid.contours + "/hill";
    for (const char* extension : {".shp", ".shx", ".dbf", ".sbn", ".sbx", ".prj"})
        test::writeFile(base + extension, "x");
    std::filesystem::permissions(base + ".shx", std::filesystem::perms::owner_read);
    const std::vector<std::string> earlier = test::folderNames(grid.contours);
    grid.run.RunOk = true;
    EXPECT_EQ(DelPreShpFile(grid.run, base), base + ".shx");
    ASSERT_EQ(grid.ui.messages.size(), 1u);
    EXPECT_EQ(grid.ui.messages[0].prompt, "Del_fail Permission denied: " + base + ".shx is read-only");
    EXPECT_EQ(grid.ui.messages[0].title, "Kestrune");
    EXPECT_TRUE(grid.run.RunOk);
    EXPECT_EQ(test::folderNames(grid.contours), earlier);
    // The contours are made, and the protected name stops them going in.
    try {
        makeContours(grid, 10, 0);
        FAIL() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(std::string(failure.what()),
                  "cannot rename the contours to " + base + ".shx: the file is still there");
    }
    EXPECT_EQ(grid.ui.messages.size(), 2u);
    EXPECT_EQ(test::folderNames(grid.contours), earlier);
    EXPECT_EQ(test::readFile(base + ".shp"), "x");
}

}  // namespace
}  // namespace kestrune
