#include "xyz/xyz_gridding.hpp"

#include "xyz/ascii_raster_writer.hpp"
#include "xyz/xyz_point_reader.hpp"

#include "common/progress.hpp"

namespace kestrune {

std::unique_ptr<OutputFile> stageXyzGrid(const std::string& xyzPath, const std::string& ascPath,
                                         const GriddingOptions& options) {
    AsciiRasterGrid grid;
    {
        XyzPointSet points;
        {
            ProgressStage reading(0, 0.6);
            points = ReadXyzPoints(xyzPath, options.separator);
        }
        ProgressStage gridding(0.6, 0.7);
        grid = BuildRasterGrid(points, options.cellSize);
    }  // the points are freed before the file is written
    ProgressStage writing(0.7, 1);
    auto file = std::make_unique<OutputFile>(ascPath);
    writeAsciiRaster(grid, *file);
    return file;
}

void gridXyzFile(const std::string& xyzPath, const std::string& ascPath, const GriddingOptions& options) {
    stageXyzGrid(xyzPath, ascPath, options)->commit();
}

}  // namespace kestrune
