#include "gis/esri_grid/esri_grid_reader.hpp"

#include "gis/esri_grid/float_grid_tile.hpp"
#include "gis/esri_grid/grid_files.hpp"
#include "gis/gdal/gdal_services.hpp"

#include "common/byte_order.hpp"

#include <cctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

namespace kestrune {
namespace {

// A GRID through GDAL's AIG driver, through its stand-in when it has no sta.adf.
RasterRows openThroughGdal(const std::string& gridFolder) {
    if (std::string problem = gridFilesProblem(gridFolder); !problem.empty())
        throw std::runtime_error("cannot open the GRID " + gridFolder + ": " + problem);
    std::shared_ptr<StandInGrid> standIn = StandInGrid::ifNeeded(gridFolder);
    const std::string path = standIn ? standIn->path() : gridFolder;
    RasterRows rows = gdal().aigGridRows(gridFolder, path, standIn);
    checkExtent(rows.geometry, "the GRID " + gridFolder);
    return rows;
}

// The cells the tile index files of a GRID describe, one block an entry,
// for a header to be held to: tiles of NoData may be missing, but a header
// never claims more than its files could hold.
double indexedCells(const std::filesystem::path& folder) {
    double entries = 0;
    std::string header;
    std::error_code error;
    for (std::filesystem::directory_iterator file(folder, error), end; !error && file != end; file.increment(error)) {
        std::string name = file->path().filename().string();
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));  // either case
        if (name == "hdr.adf") header = readGridFile(file->path().string());
        if (name.size() == 12 && name.rfind("w0", 0) == 0 && name.substr(7) == "x.adf") {
            std::error_code sizeError;
            const auto bytes = std::filesystem::file_size(file->path(), sizeError);
            if (!sizeError && bytes > 100) entries += static_cast<double>((bytes - 100) / 8);
        }
    }
    if (header.size() < 308) return 0;
    return entries * static_cast<double>(loadBigEndian<std::int32_t>(&header[296])) *
           loadBigEndian<std::int32_t>(&header[304]);
}

// Every other GRID, through GDAL's AIG driver, its rows read as asked for.
RasterRows rowsThroughGdal(const std::string& gridFolder) {
    RasterRows rows = openThroughGdal(gridFolder);
    const RasterGeometry& g = rows.geometry;
    if (static_cast<double>(g.ncols) * static_cast<double>(g.nrows) > indexedCells(gridFolder))
        throw std::runtime_error("the GRID " + gridFolder + " is damaged: its header claims " +
                                 std::to_string(g.ncols) + " x " + std::to_string(g.nrows) +
                                 " cells, more than its tile files hold");
    return rows;
}

}  // namespace

void checkEsriGridOpens(const std::string& gridFolder) {
    if (!openFloatGridTile(gridFolder)) openThroughGdal(gridFolder);
}

RasterRows openEsriGrid(const std::string& gridFolder) {
    if (std::optional<RasterRows> ours = openFloatGridTile(gridFolder)) return std::move(*ours);
    return rowsThroughGdal(gridFolder);
}

std::string readGridProjection(const std::string& gridFolder) {
    const std::string path = gridFilePath(gridFolder, "prj.adf");
    return path.empty() ? std::string() : readGridFile(path);
}

}  // namespace kestrune
