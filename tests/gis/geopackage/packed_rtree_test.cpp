// The R-tree of a GeoPackage, packed whole: every entry in one leaf, every
// node's box the union of its children's, the nodes full, and SQLite's own
// R-tree module finding it sound (rtreecheck) and answering windows with
// exactly the lines whose bounds meet them.
#include "gis/geopackage/packed_rtree.hpp"
#include "gis/geopackage/line_geopackage_writer.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <map>
#include <memory>
#include <random>
#include <set>

namespace kestrune {
namespace {

std::vector<RTreeBox> randomBoxes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> corner(0, 1000), size(0, 20);
    std::vector<RTreeBox> boxes;
    for (std::size_t i = 0; i < count; ++i) {
        const float x = corner(random), y = corner(random);
        boxes.push_back({static_cast<std::int64_t>(i + 1), x, x + size(random), y, y + size(random)});
    }
    return boxes;
}

TEST(PackedRTree, HoldsEveryEntryOnceUnderBoxesThatAreTheUnionsOfTheirChildren) {
    for (const std::size_t count :
         {std::size_t{0}, std::size_t{1}, std::size_t{51}, std::size_t{52}, std::size_t{20000}}) {
        SCOPED_TRACE(std::to_string(count) + " entries");
        const std::vector<RTreeBox> entries = randomBoxes(count, 7);
        const std::vector<RTreeNode> nodes = packRTree(entries, 51);
        ASSERT_FALSE(nodes.empty());
        EXPECT_EQ(nodes.front().number, 1);
        EXPECT_EQ(nodes.front().parent, 0);
        std::map<std::int64_t, const RTreeNode*> byNumber;
        for (const RTreeNode& node : nodes) ASSERT_TRUE(byNumber.emplace(node.number, &node).second);
        std::set<std::int64_t> leafIds;
        std::size_t partialNodes = 0;
        for (const RTreeNode& node : nodes) {
            ASSERT_LE(node.cells.size(), 51u);
            partialNodes += node.cells.size() < 51 ? 1 : 0;
            for (const RTreeBox& cell : node.cells) {
                if (node.height == 0) {
                    EXPECT_TRUE(leafIds.insert(cell.id).second) << "entry " << cell.id << " twice";
                    continue;
                }
                const RTreeNode& child = *byNumber.at(cell.id);
                EXPECT_EQ(child.parent, node.number);
                EXPECT_EQ(child.height, node.height - 1);
                RTreeBox around = child.cells.front();
                for (const RTreeBox& c : child.cells) {
                    around.minX = std::min(around.minX, c.minX), around.maxX = std::max(around.maxX, c.maxX);
                    around.minY = std::min(around.minY, c.minY), around.maxY = std::max(around.maxY, c.maxY);
                }
                EXPECT_EQ(cell.minX, around.minX);
                EXPECT_EQ(cell.maxX, around.maxX);
                EXPECT_EQ(cell.minY, around.minY);
                EXPECT_EQ(cell.maxY, around.maxY);
            }
        }
        EXPECT_EQ(leafIds.size(), count);
        // 20000 entries: 393 leaves in 20 slices, 8 nodes above them, one root.
        if (count == 20000) {
            EXPECT_EQ(nodes.size(), 393u + 8u + 1u);
        }
        EXPECT_LE(partialNodes, count == 20000 ? 30u : 2u) << "nodes are packed full";
    }
}

// Five thousand short lines through our writer: SQLite's module checks the
// tree, and windows through it find what a look at every line finds.
TEST(PackedRTree, SqlitesModuleFindsItSoundAndAnswersWindows) {
    test::TempDir dir;
    const std::string path = dir.file("lines.gpkg");
    const std::vector<RTreeBox> boxes = randomBoxes(5000, 11);
    {
        LineGeoPackageWriter writer(path, "lines", {{"ID", GeoPackageField::Type::Integer}}, {});
        std::string geometry;
        for (const RTreeBox& box : boxes) {
            geometry.clear();
            const LineGeoPackageWriter::Bounds bounds{box.minX, box.minY, box.maxX, box.maxY};
            char* at = LineGeoPackageWriter::appendLineGeometry(-1, 2, bounds, geometry);
            at = LineGeoPackageWriter::putPoint(at, box.minX, box.minY);
            LineGeoPackageWriter::putPoint(at, box.maxX, box.maxY);
            writer.addLine(geometry, bounds, {static_cast<double>(box.id)});
        }
        writer.finish();
    }
    GDALAllRegister();
    std::unique_ptr<GDALDataset> dataset(GDALDataset::Open(path.c_str(), GDAL_OF_VECTOR));
    ASSERT_NE(dataset, nullptr);
    OGRLayer* check = dataset->ExecuteSQL("SELECT rtreecheck('rtree_lines_geom')", nullptr, nullptr);
    ASSERT_NE(check, nullptr);
    std::unique_ptr<OGRFeature> verdict(check->GetNextFeature());
    EXPECT_STREQ(verdict->GetFieldAsString(0), "ok");
    dataset->ReleaseResultSet(check);

    OGRLayer* layer = dataset->GetLayer(0);
    std::mt19937 random(3);
    std::uniform_real_distribution<double> corner(0, 1000);
    for (int round = 0; round < 20; ++round) {
        const double x = corner(random), y = corner(random);
        OGREnvelope window;
        window.MinX = x, window.MaxX = x + 60, window.MinY = y, window.MaxY = y + 40;
        GIntBig meeting = 0;
        for (const RTreeBox& box : boxes)
            meeting +=
                box.maxX >= window.MinX && box.minX <= window.MaxX && box.maxY >= window.MinY && box.minY <= window.MaxY
                    ? 1
                    : 0;
        layer->SetSpatialFilterRect(window.MinX, window.MinY, window.MaxX, window.MaxY);
        EXPECT_EQ(layer->GetFeatureCount(), meeting) << "window at " << x << ", " << y;
    }
}

}  // namespace
}  // namespace kestrune
