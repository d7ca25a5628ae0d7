#include "tests/fuzz/fuzz_targets.hpp"

#include "common/small_file.hpp"

#include "gis/esri_ascii/esri_ascii_reader.hpp"
#include "gis/esri_grid/esri_grid_reader.hpp"
#include "gis/esri_grid/float_grid_tile.hpp"
#include "gis/esri_grid/info_tables.hpp"
#include "xyz/xyz_point_reader.hpp"

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace kestrune::fuzz {
namespace {

const char* const kGridFiles[] = {"hdr.adf", "dblbnd.adf", "w001001x.adf", "w001001.adf", "sta.adf", "prj.adf"};

// A folder of this process for the files an input becomes.
const fs::path& workFolder() {
    static const fs::path folder = [] {
        fs::path path = fs::temp_directory_path() / ("kestrune-fuzz-" + std::to_string(getpid()));
        fs::create_directories(path);
        return path;
    }();
    return folder;
}

void writeBytes(const fs::path& path, const char* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
}

}  // namespace

void xyzReader(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char* separator : {" ", ","}) {
        try {
            parseXyzText(text, separator);
        } catch (const std::runtime_error&) {  // a bad file, reported: a good answer
        }
    }
}

void asciiReader(const std::uint8_t* data, std::size_t size) {
    const fs::path path = workFolder() / "input.asc";
    writeBytes(path, reinterpret_cast<const char*>(data), size);
    try {
        readEsriAscii(path.string(), std::uint64_t{64} << 20);
    } catch (const std::runtime_error&) {  // a bad file, reported: a good answer
    }
}

void gridReader(const std::uint8_t* data, std::size_t size) {
    const fs::path folder = workFolder() / "grid";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (std::size_t at = 0; at + 5 <= size;) {
        const std::size_t file = data[at] % 6;
        std::size_t length = 0;
        for (int i = 0; i < 4; ++i) length |= static_cast<std::size_t>(data[at + 1 + i]) << (8 * i);
        at += 5;
        length = std::min(length, size - at);
        writeBytes(folder / kGridFiles[file], reinterpret_cast<const char*>(data + at), length);
        at += length;
    }
    try {
        if (std::optional<RasterRows> rows = openFloatGridTile(folder.string())) {
            const RasterGeometry& g = rows->geometry;
            if (g.ncols * g.nrows <= 1 << 20) {  // read small ones whole
                std::vector<float> cells(static_cast<std::size_t>(g.ncols * g.nrows));
                rows->rows(0, g.nrows, cells.data());
            }
        }
        readGridProjection(folder.string());
    } catch (const std::runtime_error&) {  // a damaged GRID, reported: a good answer
    }
}

void infoTables(const std::uint8_t* data, std::size_t size) {
    const fs::path workspace = workFolder() / "workspace";
    fs::remove_all(workspace);
    fs::create_directories(workspace / "info");
    writeBytes(workspace / "info" / "arc.dir", reinterpret_cast<const char*>(data), size);
    try {
        addGridTables(workspace.string(), "dem");
        addGridTables(workspace.string(), "other");
        removeGridTables(workspace.string(), "dem");
    } catch (const std::runtime_error&) {  // a damaged INFO folder, reported: a good answer
    }
}

std::string gridFiles(const std::string& gridFolder) {
    std::string bytes;
    for (std::size_t file = 0; file < 6; ++file) {
        const std::optional<std::string> read = readSmallFile((fs::path(gridFolder) / kGridFiles[file]).string());
        if (!read) continue;
        const std::string& content = *read;
        bytes.push_back(static_cast<char>(file));
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(content.size() >> (8 * i)));
        bytes += content;
    }
    return bytes;
}

}  // namespace kestrune::fuzz
