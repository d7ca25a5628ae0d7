#include "xyz/ascii_raster_writer.hpp"

#include "common/number_text.hpp"
#include "common/output_file.hpp"
#include "common/progress.hpp"
#include "common/recycler.hpp"
#include "common/worker_pool.hpp"

#include <algorithm>
#include <vector>

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
           headerLine("cellsize", formatCellSize(static_cast<float>(grid.cellsize))) +
           headerLine("NODATA_value", "-9999");
}

void WriteAsciiRaster(const AsciiRasterGrid& grid, const std::string& ascPath) {
    OutputFile file(ascPath);
    writeAsciiRaster(grid, file);
    file.commit();
}

void writeAsciiRaster(const AsciiRasterGrid& grid, OutputFile& file) {
    file.write(asciiRasterHeader(grid));
    // Batches of rows are formatted on the pool a few ahead while this
    // thread writes the oldest, whose text then serves a later batch.
    const std::int64_t rowsPerBatch =
        std::max<std::int64_t>(2, static_cast<std::int64_t>(kBatchBytes) / std::max<std::int64_t>(1, grid.ncols * 33));
    const auto batches = static_cast<std::size_t>((grid.nrows + rowsPerBatch - 1) / rowsPerBatch);
    struct FormattedRows {
        std::string text;
        std::size_t length = 0;
    };
    Recycler<FormattedRows> buffers;
    ProgressCounter progress(static_cast<std::uint64_t>(grid.nrows));
    PipelineControl control;
    control.ahead = 2 * WorkerPool::instance().size();
    orderedPipeline(
        batches, control,
        [&](std::size_t batch) {
            FormattedRows rows = buffers.take();
            const std::int64_t first = static_cast<std::int64_t>(batch) * rowsPerBatch;
            rows.length = formatRows(grid, first, std::min(grid.nrows, first + rowsPerBatch), rows.text);
            return rows;
        },
        [&](std::size_t, FormattedRows&& rows) {
            file.write(std::string_view(rows.text).substr(0, rows.length));
            buffers.give(std::move(rows));
            progress.add(static_cast<std::uint64_t>(rowsPerBatch));
        });
}

}  // namespace kestrune
