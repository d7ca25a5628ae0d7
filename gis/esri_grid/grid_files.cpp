#include "gis/esri_grid/grid_files.hpp"

#include "gis/esri_grid/binary_record.hpp"

#include "common/small_file.hpp"

#include <unistd.h>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

std::uintmax_t sizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t bytes = fs::file_size(path, error);
    return error ? 0 : bytes;
}

// "its <name> is missing (<what>)" or "holds N bytes" when shorter than `least`.
std::string fileProblem(const std::string& gridFolder, const std::string& name, const std::string& what,
                        std::uintmax_t least) {
    const std::string path = gridFilePath(gridFolder, name);
    if (path.empty()) return "it has no " + name + " (" + what + ")";
    const std::uintmax_t bytes = sizeOf(path);
    if (bytes < least)
        return "its " + name + " (" + what + ") holds " + std::to_string(bytes) + " bytes, fewer than the " +
               std::to_string(least) + " it needs";
    return {};
}

}  // namespace

std::string gridFilePath(const std::string& gridFolder, const std::string& lowerCaseName) {
    std::string upper = lowerCaseName;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& name : {lowerCaseName, upper}) {
        const fs::path path = fs::path(gridFolder) / name;
        std::error_code error;
        if (fs::is_regular_file(path, error)) return path.string();
    }
    return {};
}

std::string readGridFile(const std::string& path) { return readSmallFile(path).value_or(""); }

std::string gridFilesProblem(const std::string& gridFolder) {
    for (const std::string& problem : {fileProblem(gridFolder, "hdr.adf", "its header", 308),
                                       fileProblem(gridFolder, "dblbnd.adf", "its bounds", 32),
                                       fileProblem(gridFolder, "w001001x.adf", "its tile index", 108),
                                       fileProblem(gridFolder, "w001001.adf", "its cells", 100)})
        if (!problem.empty()) return problem;
    return {};
}

std::shared_ptr<StandInGrid> StandInGrid::ifNeeded(const std::string& gridFolder) {
    if (!gridFilePath(gridFolder, "sta.adf").empty()) return nullptr;
    static std::atomic<unsigned> counter{0};
    const fs::path source = fs::absolute(gridFolder);
    const fs::path parent =
        fs::temp_directory_path() / ("kestrune-grid-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    const fs::path folder = parent / source.filename();
    std::error_code error;
    fs::create_directories(folder, error);
    auto fail = [&](const std::string& action) {
        throw std::runtime_error("the GRID " + gridFolder + " has no sta.adf, and " + action +
                                 " for GDAL failed: " + error.message());
    };
    if (error) fail("making a stand-in folder in " + parent.parent_path().string());
    std::shared_ptr<StandInGrid> standIn(new StandInGrid(folder.string()));
    for (fs::directory_iterator file(source, error), end; !error && file != end; file.increment(error)) {
        fs::create_symlink(file->path(), folder / file->path().filename(), error);
        if (error) fail("linking " + file->path().string());
    }
    if (error) fail("listing its files");
    // A range beyond 16 bits: GDAL reads the cells as 32-bit values.
    BinaryRecord statistics;
    for (double value : {-2147483646.0, 2147483647.0, 0.0, 0.0}) statistics.float64(value);
    writeSmallFile((folder / "sta.adf").string(), statistics.bytes());
    return standIn;
}

StandInGrid::~StandInGrid() {
    std::error_code ignored;  // a temporary folder; the system's cleaning takes what stays
    fs::remove_all(fs::path(path_).parent_path(), ignored);
}

}  // namespace kestrune
