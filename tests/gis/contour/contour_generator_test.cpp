// Our contour lines against GDAL's contour generator on the same rows:
// equal as sets of lines (same levels, vertices within 1e-9 of a cell,
// rings equal up to their start and direction, open lines up to direction).
#include "gis/contour/contour_generator.hpp"
#include "gis/contour/level_check.hpp"
#include "tests/test_support.hpp"

#include <gdal_alg.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <sstream>

namespace kestrune {
namespace {

struct Line {
    double level;
    std::vector<PixelPoint> points;
};

bool before(const PixelPoint& a, const PixelPoint& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; }

// One way of writing a line: a ring from its northernmost point, towards the
// smaller neighbour; an open line from its smaller end.
Line canonical(Line line) {
    auto& p = line.points;
    if (p.size() > 2 && p.front() == p.back()) {
        p.pop_back();
        std::rotate(p.begin(), std::min_element(p.begin(), p.end(), before), p.end());
        if (before(p.back(), p[1])) std::reverse(p.begin() + 1, p.end());
        p.push_back(p.front());
    } else if (before(p.back(), p.front())) {
        std::reverse(p.begin(), p.end());
    }
    return line;
}

std::vector<Line> canonicalSet(std::vector<Line> lines) {
    for (auto& line : lines) line = canonical(std::move(line));
    std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        if (a.level != b.level) return a.level < b.level;
        if (!(a.points.front() == b.points.front())) return before(a.points.front(), b.points.front());
        return a.points.size() < b.points.size();
    });
    return lines;
}

CPLErr collectGdalLine(double level, int count, double* x, double* y, void* data) {
    Line line{level, {}};
    for (int i = 0; i < count; ++i) line.points.push_back({x[i], y[i]});
    static_cast<std::vector<Line>*>(data)->push_back(std::move(line));
    return CE_None;
}

std::vector<Line> gdalLines(const FloatRaster& raster, double interval, double base) {
    std::vector<Line> lines;
    GDALContourGeneratorH generator = GDAL_CG_Create(static_cast<int>(raster.ncols), static_cast<int>(raster.nrows),
                                                     TRUE, kGridNoData, interval, base, collectGdalLine, &lines);
    std::vector<double> row(static_cast<std::size_t>(raster.ncols));
    for (std::int64_t r = 0; r < raster.nrows; ++r) {
        for (std::int64_t c = 0; c < raster.ncols; ++c) row[static_cast<std::size_t>(c)] = raster.at(r, c);
        GDAL_CG_FeedLine(generator, row.data());
    }
    GDAL_CG_Destroy(generator);
    return lines;
}

// Encodes the points as they are, and decodes them in order.
struct CollectingWriter {
    std::vector<Line> lines;
    void encode(double, std::span<const PixelPoint> points, std::string& out) const {
        out.append(reinterpret_cast<const char*>(points.data()), points.size() * sizeof(PixelPoint));
    }
    void write(double level, std::string_view encoded) {
        std::vector<PixelPoint> points(encoded.size() / sizeof(PixelPoint));
        std::memcpy(points.data(), encoded.data(), encoded.size());
        lines.push_back({level, std::move(points)});
    }
    void writeJoined(double level, const JoinedLine& line) {
        std::vector<PixelPoint> points;
        line.forEachRun(
            [&](const PixelPoint* run, std::size_t count) { points.insert(points.end(), run, run + count); });
        EXPECT_EQ(points.size(), line.size());
        lines.push_back({level, points});
    }
};

std::vector<Line> ourLines(const FloatRaster& raster, double interval, double base, std::int64_t bandRows,
                           std::size_t openPoints = 250000) {
    CollectingWriter writer;
    ContourMemory memory;
    memory.bandRows = bandRows;
    memory.openPoints = openPoints;
    generateContours(rowsOf(raster), ContourLevels{base, interval}, writer, memory);
    return writer.lines;
}

std::string describe(const Line& line) {
    std::ostringstream text;
    text.precision(17);
    text << "level " << line.level << ", " << line.points.size() << " points from (" << line.points.front().x << ", "
         << line.points.front().y << ") to (" << line.points.back().x << ", " << line.points.back().y << ")";
    return text.str();
}

void expectSameLines(const std::vector<Line>& ours, const std::vector<Line>& theirs) {
    const std::vector<Line> a = canonicalSet(ours), b = canonicalSet(theirs);
    ASSERT_EQ(a.size(), b.size()) << "lines";
    for (std::size_t i = 0; i < a.size(); ++i) {
        SCOPED_TRACE("line " + std::to_string(i) + ": ours " + describe(a[i]) + "; GDAL's " + describe(b[i]));
        ASSERT_EQ(a[i].level, b[i].level);
        ASSERT_EQ(a[i].points.size(), b[i].points.size());
        for (std::size_t j = 0; j < a[i].points.size(); ++j) {
            ASSERT_NEAR(a[i].points[j].x, b[i].points[j].x, 1e-9) << "point " << j;
            ASSERT_NEAR(a[i].points[j].y, b[i].points[j].y, 1e-9) << "point " << j;
        }
    }
}

FloatRaster rasterOf(std::int64_t ncols, std::int64_t nrows,
                     const std::function<float(std::int64_t, std::int64_t)>& z) {
    FloatRaster raster;
    raster.ncols = ncols;
    raster.nrows = nrows;
    raster.cellsize = 1;
    for (std::int64_t r = 0; r < nrows; ++r)
        for (std::int64_t c = 0; c < ncols; ++c) raster.cells.push_back(z(r, c));
    return raster;
}

// Rough fractal noise with ridges, NoData specks and a NoData lake.
FloatRaster roughTerrain(std::int64_t ncols, std::int64_t nrows, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<float> z(static_cast<std::size_t>(ncols * nrows), 0.0f);
    for (double wavelength = 64, amplitude = 60; wavelength >= 1; wavelength /= 2, amplitude *= 0.55) {
        const auto latticeColumns = static_cast<std::int64_t>(ncols / wavelength) + 2;
        const auto latticeRows = static_cast<std::int64_t>(nrows / wavelength) + 2;
        std::uniform_real_distribution<double> value(-1, 1);
        std::vector<double> lattice(static_cast<std::size_t>(latticeColumns * latticeRows));
        for (double& v : lattice) v = value(random);
        for (std::int64_t r = 0; r < nrows; ++r)
            for (std::int64_t c = 0; c < ncols; ++c) {
                const double x = c / wavelength, y = r / wavelength;
                const auto ix = static_cast<std::int64_t>(x), iy = static_cast<std::int64_t>(y);
                const double u = x - ix, v = y - iy;
                auto at = [&](std::int64_t i, std::int64_t j) {
                    return lattice[static_cast<std::size_t>(j * latticeColumns + i)];
                };
                const double n = (at(ix, iy) * (1 - u) + at(ix + 1, iy) * u) * (1 - v) +
                                 (at(ix, iy + 1) * (1 - u) + at(ix + 1, iy + 1) * u) * v;
                z[static_cast<std::size_t>(r * ncols + c)] += static_cast<float>(amplitude * (1 - 2 * std::fabs(n)));
            }
    }
    std::uniform_int_distribution<int> speck(0, 400);
    FloatRaster raster = rasterOf(ncols, nrows, [&](std::int64_t r, std::int64_t c) {
        const double dx = c - 0.7 * ncols, dy = r - 0.3 * nrows;
        if (dx * dx + dy * dy < 0.01 * ncols * nrows || speck(random) == 0) return kGridNoData;
        return 500 + z[static_cast<std::size_t>(r * ncols + c)];
    });
    return raster;
}

struct Case {
    std::string name;
    FloatRaster raster;
    double interval, base;
};

std::vector<Case> syntheticCases() {
    std::vector<Case> cases;
    // Saddles: a checkerboard of highs and lows, and a smooth egg box.
    cases.push_back(
        {"checkerboard saddles", rasterOf(9, 7, [](auto r, auto c) { return (r + c) % 2 ? 10.f : 0.f; }), 5, 0});
    cases.push_back(
        {"egg box",
         rasterOf(40, 30,
                  [](auto r, auto c) { return static_cast<float>(100 * std::sin(r * 0.7) * std::sin(c * 0.9)); }),
         10, 5});
    // A plateau exactly at a level, in a bowl, and a peak exactly at one.
    cases.push_back({"plateau at a level",
                     rasterOf(20, 20,
                              [](auto r, auto c) {
                                  const double d = std::hypot(r - 9.5, c - 9.5);
                                  return d < 5 ? 20.f : static_cast<float>(20 + (d - 5) * 3);
                              }),
                     10, 0});
    cases.push_back({"peak at a level",
                     rasterOf(15, 15, [](auto r, auto c) { return static_cast<float>(30 - std::hypot(r - 7, c - 7)); }),
                     10, 0});
    // NoData: a hole in a slope, an island of values in NoData, a NoData edge.
    cases.push_back({"hole",
                     rasterOf(30, 25,
                              [](auto r, auto c) {
                                  return std::hypot(r - 12, c - 15) < 6 ? kGridNoData
                                                                        : static_cast<float>(r * 2.3 + c * 1.1);
                              }),
                     5, 0});
    cases.push_back({"island",
                     rasterOf(30, 25,
                              [](auto r, auto c) {
                                  const double d = std::hypot(r - 12, c - 15);
                                  return d > 9 ? kGridNoData : static_cast<float>(50 - d * 4);
                              }),
                     5, 0});
    cases.push_back({"diagonal NoData",
                     rasterOf(12, 12,
                              [](auto r, auto c) {
                                  return (r * 7 + c * 3) % 11 == 0 ? kGridNoData : static_cast<float>(r * c % 17);
                              }),
                     2, 0.5});
    // One row, one column, one cell.
    cases.push_back({"one row", rasterOf(50, 1, [](auto, auto c) { return static_cast<float>(c * c % 37); }), 4, 1});
    cases.push_back({"one column", rasterOf(1, 50, [](auto r, auto) { return static_cast<float>(r * 3 % 29); }), 4, 1});
    cases.push_back({"one cell", rasterOf(1, 1, [](auto, auto) { return 5.f; }), 1, 0});
    // Levels exactly at the data's minimum and maximum.
    cases.push_back(
        {"levels at the extremes",
         rasterOf(25, 20,
                  [](auto r, auto c) { return static_cast<float>(100 + 50 * std::sin(r * 0.3) * std::cos(c * 0.25)); }),
         25, 0});
    cases.push_back(
        {"ramp from 0 to 100", rasterOf(11, 3, [](auto, auto c) { return static_cast<float>(c * 10); }), 50, 0});
    cases.push_back({"all NoData", rasterOf(6, 5, [](auto, auto) { return kGridNoData; }), 1, 0});
    return cases;
}

TEST(GenerateContours, EqualsGdalsGeneratorOnSyntheticSurfaces) {
    SCOPED_TRACE(test::gdalOracleNote());
    for (const Case& c : syntheticCases()) {
        SCOPED_TRACE(c.name);
        const std::vector<Line> theirs = gdalLines(c.raster, c.interval, c.base);
        for (std::int64_t bandRows : {64, 3, 1}) {
            SCOPED_TRACE("bands of " + std::to_string(bandRows) + " rows");
            expectSameLines(ourLines(c.raster, c.interval, c.base, bandRows), theirs);
        }
    }
}

TEST(GenerateContours, EqualsGdalsGeneratorOnRoughTerrain) {
    SCOPED_TRACE(test::gdalOracleNote());
    for (unsigned seed : {1u, 2u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const FloatRaster terrain = roughTerrain(260, 190, seed);
        const std::vector<Line> theirs = gdalLines(terrain, 10, 3);
        ASSERT_GT(theirs.size(), 200u);
        for (std::int64_t bandRows : {64, 7, 1}) {
            SCOPED_TRACE("bands of " + std::to_string(bandRows) + " rows");
            expectSameLines(ourLines(terrain, 10, 3, bandRows), theirs);
        }
    }
}

// However the raster is cut into bands, the lines come out the same, in the
// same order, with the same vertex order.
TEST(GenerateContours, TheOutputDoesNotDependOnTheBands) {
    const FloatRaster terrain = roughTerrain(200, 150, 3);
    const std::vector<Line> reference = ourLines(terrain, 5, 0, 1000);
    // Bands of 2 and 16 rows keep at most 100 points of open lines in
    // memory: the others wait in a scratch file.
    for (auto [bandRows, openPoints] :
         {std::pair<std::int64_t, std::size_t>{1, 250000}, {2, 100}, {16, 100}, {64, 250000}}) {
        SCOPED_TRACE("bands of " + std::to_string(bandRows) + " rows, " + std::to_string(openPoints) + " open points");
        const std::vector<Line> lines = ourLines(terrain, 5, 0, bandRows, openPoints);
        ASSERT_EQ(lines.size(), reference.size());
        for (std::size_t i = 0; i < lines.size(); ++i) {
            ASSERT_EQ(lines[i].level, reference[i].level) << "line " << i;
            ASSERT_EQ(lines[i].points, reference[i].points) << "line " << i;
        }
    }
}

// The squares a tile shares with its neighbours span its ring's values too:
// a neighbour far above the tile's own values is counted in its levels, so
// a square between them cannot ask for a billion levels.
TEST(CheckLevels, TheRingsValuesCount) {
    const FloatRaster tile = rasterOf(4, 3, [](auto r, auto c) { return static_cast<float>(r + c); });
    RasterGeometry surface = tile;
    surface.ncols = 8;
    FramedRaster framed(rowsOf(tile), surface, {0, 0});
    EXPECT_NO_THROW(checkLevels(framed, ContourLevels{0, 1}));
    framed.setRingCell(1, 4, 1e9f);  // on the eastern neighbour
    try {
        checkLevels(framed, ContourLevels{0, 1});
        ADD_FAILURE() << "no failure";
    } catch (const std::runtime_error& failure) {
        EXPECT_EQ(std::string(failure.what()).rfind("the contour interval 1 makes", 0), 0u) << failure.what();
    }
}

// Higher ground lies to the left of every line in pixel space (y down): a
// ring around a summit runs anticlockwise on screen.
TEST(GenerateContours, LinesKeepHigherGroundOnOneSide) {
    // Levels 3.5, 6.5 and 9.5 ring the summit well inside the raster; the
    // plain around it lies at 2.
    const FloatRaster hill = rasterOf(
        15, 15, [](auto r, auto c) { return static_cast<float>(std::max(2.0, 10 - std::hypot(r - 7, c - 7))); });
    const std::vector<Line> lines = ourLines(hill, 3, 0.5, 64);
    ASSERT_EQ(lines.size(), 3u);
    for (const Line& ring : lines) {
        SCOPED_TRACE(describe(ring));
        ASSERT_EQ(ring.points.front(), ring.points.back());
        double twiceArea = 0;  // shoelace, y down: negative when anticlockwise on screen
        for (std::size_t i = 0; i + 1 < ring.points.size(); ++i)
            twiceArea += ring.points[i].x * ring.points[i + 1].y - ring.points[i + 1].x * ring.points[i].y;
        EXPECT_LT(twiceArea, 0);
        EXPECT_TRUE(std::none_of(ring.points.begin(), ring.points.end(), [&](const PixelPoint& p) {
            return before(p, ring.points.front());
        })) << "a ring starts at its northernmost point";
    }
}

}  // namespace
}  // namespace kestrune
