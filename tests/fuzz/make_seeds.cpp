// fuzz-make-seeds FOLDER: writes good inputs for each fuzz target into
// FOLDER/<target>/, made by our own writers, for the fuzzers to start from.
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/esri_grid/info_tables.hpp"
#include "tests/fuzz/fuzz_targets.hpp"
#include "xyz/ascii_raster_writer.hpp"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace kestrune;

namespace {

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

FloatRaster smallRaster(int ncols, int nrows) {
    FloatRaster raster;
    raster.ncols = ncols;
    raster.nrows = nrows;
    raster.cellsize = 10;
    raster.xllcorner = 500000;
    raster.yllcorner = 5100000;
    for (int i = 0; i < ncols * nrows; ++i) raster.cells.push_back(i % 7 == 3 ? kGridNoData : 100.5f + i);
    return raster;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const fs::path seeds = argv[1];
    const fs::path work = seeds / "work";
    fs::create_directories(work);

    AsciiRasterGrid grid;
    grid.ncols = 3;
    grid.nrows = 2;
    grid.cellsize = 10;
    grid.xllcorner = 95;
    grid.yllcorner = 195;
    grid.cells.assign({1, 2.5, -9999, 4, 5e-3, 6e10});
    WriteAsciiRaster(grid, (work / "small.asc").string());
    write(seeds / "asciiReader" / "small.asc", read(work / "small.asc"));
    write(seeds / "asciiReader" / "centres.asc",
          "NCOLS 2\nNROWS 2\nXLLCENTER 0\nYLLCENTER 0\nCELLSIZE 1\nNODATA_VALUE -1\n1 -1\n3 4\n");

    for (auto [ncols, nrows] : {std::pair<int, int>{3, 2}, {300, 20}}) {
        const std::string name = "g" + std::to_string(ncols);
        writeEsriGrid(work.string(), name, smallRaster(ncols, nrows), "PROJCS[\"x\"]");
        write(seeds / "gridReader" / name, fuzz::gridFiles((work / name).string()));
    }
    write(seeds / "infoTables" / "arc.dir", read(work / "info" / "arc.dir"));
    fs::remove_all(work);
    return 0;
}
