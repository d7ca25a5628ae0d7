// Writes an N x N ESRI ASCII raster of a smooth surface, its cells float
// values printed with every digit a float export carries (about 16
// characters a cell), a few NoData holes, rows on CR LF lines.
// Usage: bench-make-asc-raster OUT.asc [N]
#include "common/number_text.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench-make-asc-raster OUT.asc [N]\n");
        return 2;
    }
    const long n = argc > 2 ? std::atol(argv[2]) : 8000;
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) return 1;
    std::fprintf(out,
                 "ncols         %ld\r\nnrows         %ld\r\nxllcorner     500000\r\nyllcorner     5100000\r\n"
                 "cellsize      5\r\nNODATA_value  -9999\r\n",
                 n, n);
    std::string line;
    char number[40];
    for (long row = 0; row < n; ++row) {
        line.clear();
        for (long column = 0; column < n; ++column) {
            bool hole = (row / 100) % 17 == 3 && (column / 100) % 13 == 5;
            float z = static_cast<float>(800.0 + 0.01 * column - 0.02 * row +
                                         150.0 * std::sin(row / 397.0) * std::cos(column / 531.0));
            double value = hole ? -9999.0 : static_cast<double>(z);
            line.append(number, kestrune::formatNumber(number, value, 15));
            line.push_back(column + 1 < n ? ' ' : '\r');
        }
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
