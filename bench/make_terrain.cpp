// Writes an N x N float GRID "dem" of terrain into a workspace folder: 10 m
// cells, a NoData lake and a few NoData specks. KIND "real" (the default)
// is mountains like a real DEM's (see realLike): few, very long contour
// lines that cross many bands, which smooth or noisy synthetic surfaces
// hide. KIND "fractal", or a roughness from 0 to 1, is the ridged,
// domain-warped fractal noise down to the size of a cell of the earlier
// benchmarks (heights about 470 to 1100 m, many short lines); the roughness
// is the gain from one octave to the next, 0.85 for "fractal".
// Usage: bench-make-terrain WORKSPACE [N] [SEED] [KIND]
#include "common/worker_pool.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A lattice value in [-1, 1] for integer coordinates, from a hash.
double latticeValue(std::int64_t x, std::int64_t y, std::uint32_t seed) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ULL ^
                      static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4FULL ^ seed * 0x165667B19E3779F9ULL;
    h ^= h >> 29;
    h *= 0xBF58476D1CE4E5B9ULL;
    h ^= h >> 32;
    return static_cast<double>(h >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

double smooth(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// Value noise: smooth interpolation of lattice values.
double noise(double x, double y, std::uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<std::int64_t>(fx), iy = static_cast<std::int64_t>(fy);
    const double u = smooth(x - fx), v = smooth(y - fy);
    const double a = latticeValue(ix, iy, seed), b = latticeValue(ix + 1, iy, seed);
    const double c = latticeValue(ix, iy + 1, seed), d = latticeValue(ix + 1, iy + 1, seed);
    return (a + (b - a) * u) * (1 - v) + (c + (d - c) * u) * v;
}

// Fractal noise from a wavelength of `largest` cells down to 2 cells, each
// octave `gain` times the one before; ridged octaves make sharp crests and
// valleys.
double fractal(double x, double y, double largest, std::uint32_t seed, bool ridged, double gain) {
    double sum = 0, amplitude = 1, weight = 0;
    for (double wavelength = largest; wavelength >= 2; wavelength /= 2, amplitude *= gain, ++seed) {
        double n = noise(x / wavelength, y / wavelength, seed);
        if (ridged) n = 1 - 2 * std::fabs(n);
        sum += amplitude * n;
        weight += amplitude;
    }
    return sum / weight;
}

}  // namespace

// Mountains as steep as a real 3-arc-second DEM read as 10 m cells: slopes
// that keep their direction over many cells, long valleys and crests, and
// little roughness below a few cells. Its contours at interval 10 on 4000 x
// 4000 cells: some 390,000 lines of 45 million vertices, a median of 11 and
// a 99th percentile of 2,000 vertices a line, the longest near 30,000, a
// tenth of all vertices in lines of more than 10,000, as the real DEM's.
double realLike(double x, double y, std::uint32_t seed) {
    const double wx = x + 60 * fractal(x, y, 600, seed + 100, false, 0.5);
    const double wy = y + 60 * fractal(x, y, 600, seed + 200, false, 0.5);
    const double ridges = fractal(wx, wy, 400, seed, true, 0.52);
    const double hills = fractal(wx, wy, 200, seed + 300, false, 0.5);
    return 2400 + 2600 * ridges + 1250 * hills;
}

// The terrain of the earlier benchmarks: ridged fractal noise down to the
// size of a cell, many short rings; `gain` its roughness.
double fractalTerrain(double x, double y, std::uint32_t seed, double gain) {
    const double wx = x + 120 * fractal(x, y, 900, seed + 100, false, 0.5);
    const double wy = y + 120 * fractal(x, y, 900, seed + 200, false, 0.5);
    const double ridges = fractal(wx, wy, 1600, seed, true, gain);
    const double hills = fractal(wx, wy, 400, seed + 300, false, gain);
    return 650 + 520 * ridges + 180 * hills;
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-make-terrain WORKSPACE [N] [SEED] [ROUGHNESS]\n");
        return 2;
    }
    const long n = argc > 2 ? std::atol(argv[2]) : 4000;
    const auto seed = static_cast<std::uint32_t>(argc > 3 ? std::atol(argv[3]) : 7);
    // "real" (the default), or the roughness of the fractal terrain; "fractal" is 0.85.
    const std::string kind = argc > 4 ? argv[4] : "real";
    const bool real = kind == "real";
    const double gain = kind == "fractal" ? 0.85 : std::atof(kind.c_str());
    if (!real && !(gain > 0 && gain < 1)) {
        std::fprintf(stderr, "bench-make-terrain: KIND is real, fractal or a roughness between 0 and 1\n");
        return 2;
    }
    kestrune::FloatRaster dem;
    dem.ncols = dem.nrows = n;
    dem.cellsize = 10;
    dem.xllcorner = 600000;
    dem.yllcorner = 5200000;
    dem.cells.resize(static_cast<std::size_t>(n * n));
    kestrune::parallelFor(static_cast<std::size_t>(n), [&](std::size_t rowIndex) {
        const auto row = static_cast<long>(rowIndex);
        for (long column = 0; column < n; ++column) {
            const double x = column, y = row;
            const double z = real ? realLike(x, y, seed) : fractalTerrain(x, y, seed, gain);
            const double lakeX = column - 0.7 * n, lakeY = row - 0.35 * n;
            const bool lake = lakeX * lakeX + 2 * lakeY * lakeY < 0.0025 * n * n;
            const bool speck = latticeValue(column / 7, row / 7, seed + 9) > 0.9995;
            dem.cells[static_cast<std::size_t>(row * n + column)] =
                lake || speck ? kestrune::kGridNoData : static_cast<float>(z);
        }
    });
    kestrune::writeEsriGrid(argv[1], "dem", dem, "");
    return 0;
}
