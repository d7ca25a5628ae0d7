// Writes an N x N float GRID "dem" of a smooth surface (hills on a tilt, a
// NoData hole) into a workspace folder, with Kestrune's own GRID writer.
// Usage: bench-make-grid WORKSPACE [N]
#include "gis/esri_grid_writer.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-make-grid WORKSPACE [N]\n");
        return 2;
    }
    const long n = argc > 2 ? std::atol(argv[2]) : 8000;
    kestrune::FloatRaster dem;
    dem.ncols = dem.nrows = n;
    dem.cellsize = 5;
    dem.xllcorner = 500000;
    dem.yllcorner = 5100000;
    dem.cells.resize(static_cast<std::size_t>(n * n));
    for (long row = 0; row < n; ++row)
        for (long column = 0; column < n; ++column) {
            bool hole = row > n / 3 && row < n / 3 + 200 && column > n / 2 && column < n / 2 + 300;
            dem.cells[row * n + column] =
                hole ? kestrune::kGridNoData
                     : static_cast<float>(800.0 + 0.01 * column - 0.02 * row +
                                          150.0 * std::sin(row / 397.0) * std::cos(column / 531.0) +
                                          4.0 * std::sin(row / 23.0 + column / 31.0));
        }
    kestrune::writeEsriGrid(argv[1], "dem", dem, "");
    return 0;
}
