// One job cut into shards that run at the same time into the same folders,
// as a cluster's scheduler runs them; GNU parallel stands in for it.
#include "gis/esri_grid/binary_record.hpp"
#include "tests/cli/batch_run.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <map>

namespace kestrune {
namespace {

constexpr int kTiles = 24;

std::string tileName(int i) { return "tile" + std::to_string(10 + i); }

std::string xyzTile(int i) {
    std::string text;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            text += std::to_string(x * 2) + " " + std::to_string(y * 2) + " " + std::to_string(x * i) + "\n";
    return text;
}

// The live tables of a workspace's arc.dir and how often each is listed.
std::map<std::string, int> liveTables(const std::string& workspace) {
    const std::string bytes = test::readFile(workspace + "/info/arc.dir");
    EXPECT_EQ(bytes.size() % 380, 0u);
    std::map<std::string, int> tables;
    for (std::size_t at = 0; at + 380 <= bytes.size(); at += 380) {
        if (loadBigEndian<std::int16_t>(&bytes[at + 62]) != 0) continue;  // deleted
        std::string table = bytes.substr(at, 32);
        table.erase(table.find_last_not_of(' ') + 1);
        ++tables[table];
    }
    return tables;
}

TEST(KestruneBatch, FourShardsAtOnceMakeOneConsistentWorkspace) {
    if (std::system("parallel --version >/dev/null 2>&1") != 0) GTEST_FAIL() << "GNU parallel is not installed";
    test::TempDir dir;
    const std::string xyz = dir.folder("xyz"), ascii = dir.folder("ascii"), grid = dir.folder("grid"),
                      slope = dir.folder("slope");
    for (int i = 0; i < kTiles; ++i) test::writeFile(xyz + "/" + tileName(i) + ".xyz", xyzTile(i));
    std::string command = "parallel -j4 --halt never " + std::string(KESTRUNE_BATCH_BINARY) +
                          " --input xyz --xyz-folder " + test::shellQuoted(xyz) + " --ascii-folder " +
                          test::shellQuoted(ascii) + " --grid-folder " + test::shellQuoted(grid) + " --slope-folder " +
                          test::shellQuoted(slope) + " --threads 1 --shard {}/4 ::: 0 1 2 3" + " 2>" +
                          test::shellQuoted(dir.file("stderr.txt"));
    ASSERT_EQ(std::system(command.c_str()), 0) << test::readFile(dir.file("stderr.txt"));

    // Each tile was done by one shard only.
    const std::string output = test::readFile(dir.file("stderr.txt"));
    for (int i = 0; i < kTiles; ++i) {
        const std::string line = ")   " + tileName(i) + ".xyz\n";
        const auto first = output.find(line);
        EXPECT_NE(first, std::string::npos) << line;
        EXPECT_EQ(output.find(line, first + 1), std::string::npos) << line;
    }

    std::vector<std::string> grids = {"info"};
    for (int i = 0; i < kTiles; ++i) grids.push_back(tileName(i));
    EXPECT_EQ(test::folderNames(grid), grids);
    EXPECT_EQ(test::folderNames(slope), grids);
    for (const std::string& workspace : {grid, slope}) {
        SCOPED_TRACE(workspace);
        const std::map<std::string, int> tables = liveTables(workspace);
        EXPECT_EQ(tables.size(), 2u * kTiles);
        for (const auto& [table, listed] : tables) EXPECT_EQ(listed, 1) << table;
        for (int i = 0; i < kTiles; ++i) {
            EXPECT_EQ(tables.count("TILE" + std::to_string(10 + i) + ".BND"), 1u);
            test::GdalRaster raster = test::readWithGdal(workspace + "/" + tileName(i));
            EXPECT_EQ(raster.width, 40);
            if (workspace == grid) {
                EXPECT_EQ(raster.values[39], 39.0 * i);
            }
        }
    }
}

}  // namespace
}  // namespace kestrune
