#pragma once

#include "gis/contour/band_tracer.hpp"
#include "gis/contour/contour_levels.hpp"
#include "gis/contour/joined_line.hpp"
#include "gis/contour/piece_stitcher.hpp"
#include "gis/raster/float_raster.hpp"

#include "common/progress.hpp"
#include "common/recycler.hpp"
#include "common/worker_pool.hpp"

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace kestrune {

// Traces every contour line of the raster at the given levels and hands
// them to `writer`: bands of square rows are traced on the worker pool at
// once and joined in order. Lines reach the writer as they are finished, in
// order of their last segment in a sweep of the raster, so the output is the
// same whatever the number of threads or the size of the bands. Memory holds
// the bands in flight and, up to a budget, the lines still open; never the
// output. The writer, as GDAL's contour generator takes its writer:
//   encode(double level, std::span<const PixelPoint> points, std::string& out) const
//       appends the encoding of a line finished within a band to `out`;
//       called on the threads that trace, for lines in any order;
//   write(double level, std::string_view encoded)
//   writeJoined(double level, const JoinedLine& line)
//       take the lines in order on the calling thread: one encode() made, or
//       one joined from the pieces of several bands, which may be very long.
//
// A framed raster (a tile of a surface) has its ring in place of NoData
// around it, draws the ring's squares it owns, and its points are in the
// surface's pixel space: the lines of adjacent tiles meet at the same bits.
template <class Writer>
void generateContours(const FramedRaster& raster, const ContourLevels& levels, Writer& writer,
                      const ContourMemory& memory = {}) {
    const std::int64_t bandRows = memory.bandRowsFor(raster.geometry().ncols, raster.geometry().nrows);
    const std::int64_t squareRows = raster.geometry().nrows + 1;
    const auto bands = static_cast<std::size_t>((squareRows + bandRows - 1) / bandRows);
    ContourMemory stitching = memory;
    stitching.openPoints = memory.openPointsFor(raster.geometry().ncols);
    PieceStitcher stitcher(stitching);
    ProgressCounter progress(bands);
    Recycler<ContourBand> written;  // bands whose lines are out, for their buffers
    auto trace = [&](std::size_t band) {
        const auto first = static_cast<std::int64_t>(band) * bandRows;
        return traceContourBand(raster, levels, std::as_const(writer), first, std::min(squareRows, first + bandRows),
                                written.take());
    };
    auto hand = [&](std::size_t, ContourBand&& band) {
        const std::vector<JoinedLine> joined = stitcher.addBand(std::move(band.pieces));
        // The band's own lines and the joined ones both run in order of
        // completion: merge them.
        auto own = band.lines.cbegin();
        auto other = joined.cbegin();
        while (own != band.lines.cend() || other != joined.cend()) {
            if (other == joined.cend() || (own != band.lines.cend() && own->completedAt < other->completedAt)) {
                writer.write(levels.level(own->level), std::string_view(band.bytes).substr(own->offset, own->size));
                ++own;
            } else {
                writer.writeJoined(levels.level(other->level), *other);
                ++other;
            }
        }
        written.give(std::move(band));
        progress.add();
    };
    // Twice as many bands in flight as threads, so no thread waits while
    // the lines of the oldest band are written.
    PipelineControl control;
    control.ahead = 2 * WorkerPool::instance().size();
    orderedPipeline(bands, control, trace, hand);
}

template <class Writer>
void generateContours(const RasterRows& raster, const ContourLevels& levels, Writer& writer,
                      const ContourMemory& memory = {}) {
    generateContours(frameAlone(raster), levels, writer, memory);
}

}  // namespace kestrune
