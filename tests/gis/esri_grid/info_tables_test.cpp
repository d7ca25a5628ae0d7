#include "gis/esri_grid/info_tables.hpp"
#include "gis/esri_grid/binary_record.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/workspace/raster_workspace.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include <unistd.h>
#include <ctime>

namespace kestrune {
namespace {

FloatRaster tinyRaster() {
    FloatRaster raster;
    raster.ncols = raster.nrows = 2;
    raster.cellsize = 1;
    raster.cells = {1, 2, 3, 4};
    return raster;
}

struct DirectoryEntry {
    std::string table;
    std::string file;
    bool deleted;
};

std::vector<DirectoryEntry> arcDir(const std::string& workspace) {
    std::string bytes = test::readFile(workspace + "/info/arc.dir");
    EXPECT_EQ(bytes.size() % 380, 0u);
    std::vector<DirectoryEntry> entries;
    for (std::size_t at = 0; at + 380 <= bytes.size(); at += 380) {
        std::string table = bytes.substr(at, 32);
        table.erase(table.find_last_not_of(' ') + 1);
        EXPECT_EQ(loadBigEndian<std::int16_t>(&bytes[at + 60]), 132);
        EXPECT_EQ(bytes.substr(at + 78, 2), "XX");
        entries.push_back({table, bytes.substr(at + 32, 8), loadBigEndian<std::int16_t>(&bytes[at + 62]) != 0});
    }
    return entries;
}

TEST(InfoTables, EachGridAddsItsBoundsAndStatistics) {
    test::TempDir dir;
    const std::string ws = dir.path().string();
    writeEsriGrid(ws, "North", tinyRaster(), "");
    writeEsriGrid(ws, "south", tinyRaster(), "");
    auto entries = arcDir(ws);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].table, "NORTH.BND");
    EXPECT_EQ(entries[0].file, "ARC0000 ");
    EXPECT_EQ(entries[1].table, "NORTH.STA");
    EXPECT_EQ(entries[3].table, "SOUTH.STA");
    EXPECT_EQ(entries[3].file, "ARC0003 ");
    EXPECT_EQ(test::readFile(ws + "/info/arc0000.dat"), "../north/dblbnd.adf" + std::string(61, ' '));
    EXPECT_EQ(test::readFile(ws + "/info/arc0003.dat"), "../south/sta.adf" + std::string(64, ' '));
    std::string nit = test::readFile(ws + "/info/arc0001.nit");
    ASSERT_EQ(nit.size(), 4u * 144);
    EXPECT_EQ(nit.substr(144 * 3, 16), "STDV            ");
    EXPECT_EQ(loadBigEndian<std::int16_t>(&nit[144 * 3 + 20]), 25);  // 1-based offset in the record
    EXPECT_EQ(loadBigEndian<std::int16_t>(&nit[144 * 3 + 114]), 4);  // field number
}

TEST(InfoTables, ARewriteReusesItsEntries) {
    test::TempDir dir;
    const std::string ws = dir.path().string();
    writeEsriGrid(ws, "dem", tinyRaster(), "");
    writeEsriGrid(ws, "other", tinyRaster(), "");
    auto workspace = RasterWorkspace::open(ws);
    workspace.findGrid("dem")->remove();
    auto afterDelete = arcDir(ws);
    ASSERT_EQ(afterDelete.size(), 4u);
    EXPECT_TRUE(afterDelete[0].deleted);
    EXPECT_FALSE(test::exists(ws + "/info/arc0000.nit"));
    EXPECT_FALSE(test::exists(ws + "/dem"));

    writeEsriGrid(ws, "DEM", tinyRaster(), "");
    auto afterRewrite = arcDir(ws);
    ASSERT_EQ(afterRewrite.size(), 4u);
    EXPECT_FALSE(afterRewrite[0].deleted);
    EXPECT_EQ(afterRewrite[0].file, "ARC0000 ");
    EXPECT_TRUE(test::exists(ws + "/info/arc0000.nit"));
}

// The bytes ArcGIS writes where the format leaves room: -1 in three places of
// every field record; in arc.dir a blank text area, the creation time, and
// the writing process twice.
TEST(InfoTables, RecordsCarryWhatArcGisWritesInTheirSpareBytes) {
    test::TempDir dir;
    const std::string ws = dir.path().string();
    const auto before = static_cast<std::int32_t>(std::time(nullptr));
    writeEsriGrid(ws, "dem", tinyRaster(), "");
    const auto after = static_cast<std::int32_t>(std::time(nullptr));
    for (const char* table : {"arc0000.nit", "arc0001.nit"}) {
        const std::string nit = test::readFile(ws + "/info/" + table);
        ASSERT_EQ(nit.size(), 4u * 144) << table;
        for (std::size_t at = 0; at < nit.size(); at += 144) {
            EXPECT_EQ(loadBigEndian<std::int32_t>(&nit[at + 74]), -1);
            EXPECT_EQ(loadBigEndian<std::int32_t>(&nit[at + 110]), -1);
            EXPECT_EQ(loadBigEndian<std::int16_t>(&nit[at + 116]), -1);
            EXPECT_EQ(nit.substr(at + 58, 16), std::string(16, '\0'));
            EXPECT_EQ(nit.substr(at + 118, 26), std::string(26, '\0'));
        }
    }
    const std::string bytes = test::readFile(ws + "/info/arc.dir");
    ASSERT_EQ(bytes.size(), 2u * 380);
    for (std::size_t at = 0; at < bytes.size(); at += 380) {
        EXPECT_EQ(bytes.substr(at + 80, 246), std::string(246, ' '));
        EXPECT_GE(loadBigEndian<std::int32_t>(&bytes[at + 328]), before);
        EXPECT_LE(loadBigEndian<std::int32_t>(&bytes[at + 328]), after);
        EXPECT_EQ(bytes.substr(at + 332, 8), std::string(8, '\0'));
        EXPECT_EQ(loadBigEndian<std::int32_t>(&bytes[at + 340]), getpid());
        EXPECT_EQ(loadBigEndian<std::int32_t>(&bytes[at + 344]), getpid());
        EXPECT_EQ(bytes.substr(at + 348, 32), std::string(32, '\0'));
    }
}

// A new table takes the first deleted entry, and its number, before the end.
TEST(InfoTables, ANewGridTakesTheFirstFreeSlots) {
    test::TempDir dir;
    const std::string ws = dir.path().string();
    writeEsriGrid(ws, "first", tinyRaster(), "");
    writeEsriGrid(ws, "second", tinyRaster(), "");
    RasterWorkspace::open(ws).findGrid("first")->remove();
    writeEsriGrid(ws, "third", tinyRaster(), "");
    const auto entries = arcDir(ws);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].table, "THIRD.BND");
    EXPECT_EQ(entries[0].file, "ARC0000 ");
    EXPECT_FALSE(entries[0].deleted);
    EXPECT_EQ(entries[1].table, "THIRD.STA");
    EXPECT_EQ(entries[1].file, "ARC0001 ");
    EXPECT_EQ(test::readFile(ws + "/info/arc0001.dat"), "../third/sta.adf" + std::string(64, ' '));
    writeEsriGrid(ws, "fourth", tinyRaster(), "");  // no free slot: at the end, with new numbers
    EXPECT_EQ(arcDir(ws).size(), 6u);
    EXPECT_EQ(arcDir(ws)[5].file, "ARC0005 ");
}

// An earlier integer GRID of the name had a value attribute table: the new
// float GRID has none, so the table goes, file and entry.
TEST(InfoTables, ReplacingAGridRemovesEveryTableOfItsName) {
    test::TempDir dir;
    const std::string ws = dir.path().string();
    writeEsriGrid(ws, "dem", tinyRaster(), "");
    std::string bytes = test::readFile(ws + "/info/arc.dir");
    bytes.replace(380, 8, "DEM.VAT ");  // the STA entry becomes a VAT, as an integer GRID's would be
    test::writeFile(ws + "/info/arc.dir", bytes);
    const std::string vatFile = arcDir(ws)[1].file;
    writeEsriGrid(ws, "dem", tinyRaster(), "");
    std::vector<DirectoryEntry> entries = arcDir(ws);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].table, "DEM.VAT");
    EXPECT_TRUE(entries[1].deleted);
    EXPECT_EQ(entries[2].table, "DEM.STA");
    EXPECT_FALSE(entries[2].deleted);
    std::string lower = vatFile;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_FALSE(test::exists(ws + "/info/" + lower + ".nit"));
    EXPECT_EQ(test::readWithGdal(ws + "/dem").values, (std::vector<double>{1, 2, 3, 4}));
}

// A new GRID whose INFO tables cannot be written takes itself back.
TEST(InfoTables, ANewGridWhoseTablesFailLeavesNothing) {
    test::TempDir dir;
    const std::string ws = dir.path().string();
    test::writeFile(ws + "/info", "a file where the INFO folder goes");
    EXPECT_THROW(writeEsriGrid(ws, "dem", tinyRaster(), ""), std::runtime_error);
    EXPECT_EQ(test::folderNames(ws), std::vector<std::string>{"info"});
}

// A GRID whose INFO entries never came (a run killed between the two, or an
// older Kestrune's leftover) gets them from its own files at the next run.
TEST(InfoTables, AGridWithoutItsEntriesGetsThemAtTheNextRun) {
    test::TempDir dir;
    const std::string ws = dir.path().string();
    writeEsriGrid(ws, "first", tinyRaster(), "");
    writeEsriGrid(ws, "second", tinyRaster(), "");
    removeGridTables(ws, "second");
    clearWorkspaceLeftovers(ws);
    std::vector<std::string> live;
    for (const DirectoryEntry& entry : arcDir(ws))
        if (!entry.deleted) live.push_back(entry.table);
    std::sort(live.begin(), live.end());
    EXPECT_EQ(live, (std::vector<std::string>{"FIRST.BND", "FIRST.STA", "SECOND.BND", "SECOND.STA"}));
    EXPECT_EQ(test::readWithGdal(ws + "/second").width, 2);
}

// Two runs make the same new GRID at once: one wins, the other replaces it;
// neither fails, and the name is listed once.
TEST(InfoTables, TwoRunsMakingOneNewGridAtOnceBothSucceed) {
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        test::TempDir dir;
        const std::string ws = dir.path().string();
        std::vector<std::string> failures(2);
        std::vector<std::thread> runs;
        for (int run = 0; run < 2; ++run)
            runs.emplace_back([&, run] {
                try {
                    writeEsriGrid(ws, "t04", tinyRaster(), "");
                } catch (const std::exception& failure) {
                    failures[static_cast<std::size_t>(run)] = failure.what();
                }
            });
        for (std::thread& run : runs) run.join();
        EXPECT_EQ(failures, (std::vector<std::string>{"", ""}));
        EXPECT_EQ(test::folderNames(ws), (std::vector<std::string>{"info", "t04"}));
        int listed = 0;
        for (const DirectoryEntry& entry : arcDir(ws)) listed += !entry.deleted && entry.table == "T04.BND";
        EXPECT_EQ(listed, 1);
    }
}

}  // namespace
}  // namespace kestrune
