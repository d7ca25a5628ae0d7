#include "xyz/ascii_raster_writer.hpp"

#include "common/both_cores.hpp"
#include "common/number_text.hpp"
#include "common/output_file.hpp"

#include <algorithm>

namespace kestrune {
namespace {

constexpr std::size_t kBatchBytes = 1u << 20;

std::string headerLine(const char* key, const std::string& value) {
    std::string line = key;
    line.resize(14, ' ');
    return line + value + "\r\n";
}

// Rows [first, last) of the grid as text lines, at the start of `out`;
// returns their length. `out` only grows, so it is cleared only once.
std::size_t formatRows(const AsciiRasterGrid& grid, std::int64_t first, std::int64_t last, std::string& out) {
    // formatNumber writes at most 32 characters; one more for the blank.
    auto room = static_cast<std::size_t>((last - first) * (grid.ncols * 33 + 2));
    if (out.size() < room) out.resize(room);
    char* p = out.data();
    for (std::int64_t row = first; row < last; ++row) {
        const double* cell = &grid.cells[static_cast<std::size_t>(row * grid.ncols)];
        for (std::int64_t column = 0; column < grid.ncols; ++column) {
            p = formatNumber(p, cell[column], 15);
            *p++ = ' ';
        }
        p[-1] = '\r';
        *p++ = '\n';
    }
    return static_cast<std::size_t>(p - out.data());
}

}  // namespace

std::string asciiRasterHeader(const AsciiRasterGrid& grid) {
    return headerLine("ncols", std::to_string(grid.ncols)) + headerLine("nrows", std::to_string(grid.nrows)) +
           headerLine("xllcorner", formatDouble(grid.xllcorner)) +
           headerLine("yllcorner", formatDouble(grid.yllcorner)) +
           headerLine("cellsize", formatCellSize(grid.cellsize)) + headerLine("NODATA_value", "-9999");
}

void WriteAsciiRaster(const AsciiRasterGrid& grid, const std::string& ascPath) {
    OutputFile file(ascPath);
    file.write(asciiRasterHeader(grid));
    // Rows are formatted in batches, each batch split between both cores.
    const std::int64_t rowsPerBatch =
        std::max<std::int64_t>(2, static_cast<std::int64_t>(kBatchBytes) / std::max<std::int64_t>(1, grid.ncols * 33));
    std::string firstHalf, secondHalf;
    for (std::int64_t row = 0; row < grid.nrows; row += rowsPerBatch) {
        std::int64_t last = std::min(grid.nrows, row + rowsPerBatch);
        std::int64_t middle = row + (last - row) / 2;
        std::size_t firstLength = 0, secondLength = 0;
        onBothCores([&] { firstLength = formatRows(grid, row, middle, firstHalf); },
                    [&] { secondLength = formatRows(grid, middle, last, secondHalf); });
        file.write(std::string_view(firstHalf).substr(0, firstLength));
        file.write(std::string_view(secondHalf).substr(0, secondLength));
    }
    file.commit();
}

}  // namespace kestrune
