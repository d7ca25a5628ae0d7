#include "gis/surface/tile_surface.hpp"
#include "gis/esri_grid/esri_grid_reader.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "tests/test_support.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace kestrune {
namespace {

// A tile of `ncols` x `nrows` cells of value `value`, its north-western cell
// at (row, column) of a lattice of 10 m cells whose corner is (0, 0); what
// is read of it is counted, and reading it whole is refused.
struct CountedTile {
    std::shared_ptr<std::atomic<std::int64_t>> cellsRead = std::make_shared<std::atomic<std::int64_t>>(0);
    SurfaceTile tile;

    CountedTile(const std::string& name, std::int64_t row, std::int64_t column, std::int64_t nrows, std::int64_t ncols,
                float value, const std::string& system = "") {
        RasterGeometry g;
        g.ncols = ncols, g.nrows = nrows, g.cellsize = 10;
        g.xllcorner = 10.0 * static_cast<double>(column);
        g.yllcorner = 1000.0 - 10.0 * static_cast<double>(row + nrows);
        auto counter = cellsRead;
        tile = {name, g, system, [g, value, counter] {
                    RasterRows rows{g, [](std::int64_t, std::int64_t, float*) {
                                        throw std::runtime_error("a neighbour is read whole");
                                    }};
                    rows.window = [value, counter](std::int64_t, std::int64_t count, std::int64_t, std::int64_t columns,
                                                   float* out) {
                        *counter += count * columns;
                        std::fill(out, out + count * columns, value);
                    };
                    return rows;
                }};
    }
};

RasterRows ownRows(const SurfaceTile& tile) {
    return {tile.geometry, [ncols = tile.geometry.ncols](std::int64_t, std::int64_t count, float* out) {
                std::fill(out, out + count * ncols, 0.0f);
            }};
}

// A tile in the middle of eight: its ring takes one row, one column or one
// corner cell of each, read as windows.
TEST(TileSurface, TheRingComesFromTheEdgesOfTheEightNeighbours) {
    std::vector<CountedTile> tiles;
    float value = 1;
    for (std::int64_t r = 0; r < 3; ++r)
        for (std::int64_t c = 0; c < 3; ++c)
            tiles.emplace_back("t" + std::to_string(r) + std::to_string(c), r * 20, c * 30, 20, 30, value++);
    std::vector<SurfaceTile> surfaceTiles;
    for (const CountedTile& t : tiles) surfaceTiles.push_back(t.tile);
    const TileSurface surface(surfaceTiles);
    const FramedRaster framed = surface.frame(4, ownRows(surface.tile(4)));
    EXPECT_EQ(framed.offset(), (CellIndex{20, 30}));
    EXPECT_EQ(framed.surface().ncols, 90);
    EXPECT_EQ(framed.surface().nrows, 60);
    EXPECT_EQ(framed.ringValue(-1, -1), 1);  // north-west
    EXPECT_EQ(framed.ringValue(-1, 0), 2);
    EXPECT_EQ(framed.ringValue(-1, 30), 3);
    EXPECT_EQ(framed.ringValue(0, -1), 4);
    EXPECT_EQ(framed.ringValue(19, 30), 6);
    EXPECT_EQ(framed.ringValue(20, -1), 7);
    EXPECT_EQ(framed.ringValue(20, 29), 8);
    EXPECT_EQ(framed.ringValue(20, 30), 9);  // south-east
    const std::int64_t expected[9] = {1, 30, 1, 20, 0, 20, 1, 30, 1};
    for (std::size_t i = 0; i < 9; ++i) EXPECT_EQ(*tiles[i].cellsRead, expected[i]) << tiles[i].tile.name;
}

// Ring squares go to the tile holding their north-western corner, or else
// the north-eastern, south-western, south-eastern one: each square of the
// surface is drawn by one tile.
TEST(TileSurface, EverySquareOfTheSurfaceHasOneOwner) {
    // Tiles of unequal sizes, a gap where none lies.
    std::vector<CountedTile> tiles{
        {"a", 0, 0, 5, 6, 1}, {"b", 0, 6, 3, 4, 1}, {"c", 3, 6, 7, 4, 1}, {"d", 5, 0, 5, 3, 1}};
    std::vector<SurfaceTile> surfaceTiles;
    for (const CountedTile& t : tiles) surfaceTiles.push_back(t.tile);
    const TileSurface surface(surfaceTiles);
    std::map<std::pair<std::int64_t, std::int64_t>, int> owners;  // by the surface square
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const FramedRaster framed = surface.frame(i, ownRows(surface.tile(i)));
        const RasterGeometry& g = framed.geometry();
        for (std::int64_t s = 0; s <= g.nrows; ++s)
            for (std::int64_t c = -1; c < g.ncols; ++c)
                if (framed.ownsSquare(s, c)) ++owners[{s + framed.offset().row, c + framed.offset().column}];
    }
    // Every square with a corner in a tile: rows 0 to 10, columns -1 to 9;
    // the gap (rows 5 to 9, columns 3 to 5) leaves squares with no corner in any.
    std::size_t squares = 0;
    for (std::int64_t s = 0; s <= 10; ++s)
        for (std::int64_t c = -1; c < 10; ++c) {
            const bool inGap = s >= 6 && c >= 3 && c <= 4;  // to the surface's southern edge
            if (inGap) continue;
            ++squares;
            EXPECT_EQ((owners[{s, c}]), 1) << "square " << s << ", " << c;
        }
    EXPECT_EQ(owners.size(), squares);
}

// Overlapping tiles keep their own cells; the ring cell that two hold
// comes from the first in order. Tiles in another coordinate system, or
// off the lattice, are no neighbours.
TEST(TileSurface, RingCellsComeFromTheFirstTileInOrderAndOnlyFromItsSurface) {
    std::vector<CountedTile> tiles{{"a", 0, 0, 10, 10, 1},
                                   {"b", 0, 10, 10, 10, 2},
                                   {"c", 0, 8, 10, 10, 3},
                                   {"d", 10, 0, 10, 10, 4, "another system"}};
    std::vector<SurfaceTile> surfaceTiles;
    for (const CountedTile& t : tiles) surfaceTiles.push_back(t.tile);
    surfaceTiles.push_back(CountedTile("e", -10, 0, 10, 10, 5).tile);
    surfaceTiles.back().geometry.xllcorner += 2.5;  // a quarter of a cell off
    const TileSurface surface(surfaceTiles);
    const FramedRaster framed = surface.frame(0, ownRows(surface.tile(0)));
    EXPECT_EQ(framed.ringValue(5, 10), 2);  // b before c
    EXPECT_FALSE(framed.ringHeld(10, 3));   // d is in another system
    EXPECT_FALSE(framed.ringHeld(-1, 3));   // e is off the lattice
    EXPECT_EQ(surface.overlapping(1), (std::vector<std::size_t>{2}));
    EXPECT_EQ(surface.unjoined(0), (std::vector<std::size_t>{3, 4}));
}

TEST(TileSurface, AnUnreadableNeighbourIsNamed) {
    std::vector<SurfaceTile> tiles{CountedTile("west", 0, 0, 4, 4, 1).tile, CountedTile("east", 0, 4, 4, 4, 1).tile};
    tiles[1].open = []() -> RasterRows { throw std::runtime_error("east/hdr.adf is damaged"); };
    const TileSurface surface(tiles);
    try {
        surface.frame(0, ownRows(surface.tile(0)));
        ADD_FAILURE() << "no failure";
    } catch (const NeighbourUnreadable& unreadable) {
        EXPECT_STREQ(unreadable.what(), "its neighbour east cannot be read: east/hdr.adf is damaged");
    }
    // A tile alone has nothing to read.
    EXPECT_TRUE(TileSurface({tiles[0]}).frame(0, ownRows(tiles[0])).alone());
}

// Windows of a GRID read from its blocks equal the same cells cut from
// whole rows, wherever they lie among the blocks.
TEST(TileSurface, GridWindowsEqualTheirCellsInWholeRows) {
    test::TempDir dir;
    const FloatRaster dem = test::roughSurface(700, 300);
    writeEsriGrid(dir.path().string(), "dem", dem, "");
    const RasterRows grid = openEsriGrid(dir.file("dem"));
    ASSERT_TRUE(grid.window);
    const std::int64_t windows[][4] = {{0, 1, 0, 700},   {299, 1, 0, 700}, {0, 300, 0, 1}, {0, 300, 699, 1},
                                       {5, 7, 250, 300}, {130, 3, 511, 2}, {17, 1, 255, 2}};
    for (const auto& w : windows) {
        std::vector<float> cells(static_cast<std::size_t>(w[1] * w[3]));
        grid.readWindow(w[0], w[1], w[2], w[3], cells.data());
        std::size_t differing = 0;
        for (std::int64_t r = 0; r < w[1]; ++r)
            for (std::int64_t c = 0; c < w[3]; ++c)
                differing += cells[static_cast<std::size_t>(r * w[3] + c)] != dem.at(w[0] + r, w[2] + c);
        EXPECT_EQ(differing, 0u) << "window at " << w[0] << ", " << w[2];
    }
}

}  // namespace
}  // namespace kestrune
