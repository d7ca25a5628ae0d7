#pragma once

#include <memory>
#include <string>

namespace kestrune {

// The path of a file of a GRID folder given by its lower-case name, found in
// either case, or empty when the folder has none.
std::string gridFilePath(const std::string& gridFolder, const std::string& lowerCaseName);

// The bytes of a small file of a GRID (a header, its bounds), or empty when
// it is missing.
std::string readGridFile(const std::string& path);

// Why a GRID folder cannot be read, in plain words ("it has no dblbnd.adf,
// its bounds"), or empty when its files are all there: the header, the
// bounds, the tile index and the cells.
std::string gridFilesProblem(const std::string& gridFolder);

// A GRID without sta.adf, as GDAL's reader can open it. Real integer GRIDs
// without their statistics exist, and GDAL refuses them; it also takes an
// integer GRID's band type from those statistics. The stand-in is a
// temporary folder of links to the GRID's files and a sta.adf whose range
// makes GDAL read every 32-bit value; it goes with its last owner.
class StandInGrid {
public:
    // None when the GRID has its sta.adf. Throws std::runtime_error.
    static std::shared_ptr<StandInGrid> ifNeeded(const std::string& gridFolder);
    ~StandInGrid();
    StandInGrid(const StandInGrid&) = delete;
    StandInGrid& operator=(const StandInGrid&) = delete;

    const std::string& path() const { return path_; }

private:
    explicit StandInGrid(std::string path) : path_(std::move(path)) {}
    std::string path_;
};

}  // namespace kestrune
