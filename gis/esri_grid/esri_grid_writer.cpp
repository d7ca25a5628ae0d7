#include "gis/esri_grid/esri_grid_writer.hpp"

#include "gis/esri_grid/esri_grid_tile.hpp"
#include "gis/esri_grid/grid_name.hpp"
#include "gis/esri_grid/info_tables.hpp"
#include "gis/gdal/gdal_services.hpp"

#include "common/file_naming.hpp"
#include "common/free_space.hpp"
#include "common/output_file.hpp"
#include "common/replacement.hpp"
#include "common/small_file.hpp"
#include "common/write_failure.hpp"

#include <unistd.h>
#include <filesystem>
#include <functional>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// hdr.adf, dblbnd.adf, sta.adf, prj.adf and the INFO tables, with room to spare.
constexpr std::uint64_t kSmallFilesBytes = 64u << 10;

}  // namespace

// A GRID's folder under a hidden name beside its place, removed with its
// content unless it went into place.
class StagedFolder {
public:
    explicit StagedFolder(const std::string& target) : target_(target), path_(temporaryPathBeside(target)) {
        std::error_code error;
        if (!fs::create_directory(path_, error))
            throw std::runtime_error("cannot write the GRID " + target_ + ": " +
                                     writeFailureReason(path_, error.value()));
    }
    ~StagedFolder() {
        if (!placed_) {
            std::error_code ignored;  // a leftover here is cleared by the next run
            fs::remove_all(path_, ignored);
        }
    }
    StagedFolder(const StagedFolder&) = delete;
    StagedFolder& operator=(const StagedFolder&) = delete;

    std::string file(const std::string& name) const { return (fs::path(path_) / name).string(); }
    // The place a file of the GRID will have, for messages.
    std::string shown(const std::string& name) const { return (fs::path(target_) / name).string(); }
    // Puts the GRID in place, replacing an earlier one only now that it is
    // complete; `whenIn` runs once it is (see replaceFolder).
    void replaceTarget(const std::string& afterwards, const std::function<void()>& whenIn) {
        replaceFolder(path_, target_, afterwards, whenIn);
        placed_ = true;
    }

private:
    std::string target_;
    std::string path_;
    bool placed_ = false;
};

namespace {

// An earlier GRID of the name may be replaced; anything else in the way stays.
bool replaceable(const std::string& target, const std::string& workspace) {
    return isGridFolder(target) && ::access(target.c_str(), W_OK) == 0 && ::access(workspace.c_str(), W_OK) == 0;
}

// The GRID's place, refusing anything in the way that is not an earlier
// GRID that may be replaced.
std::string placeFor(const std::string& workspace, const std::string& name, bool& replacing) {
    const std::string target = joinPath(workspace, gridFolderName(name));
    std::error_code error;
    replacing = fs::exists(fs::symlink_status(target, error));
    if (replacing && !replaceable(target, workspace))
        throw std::runtime_error("cannot write the GRID " + name + ": " + target + " is in the way");
    return target;
}

}  // namespace

StagedGrid::StagedGrid(std::string workspace, std::string name, std::unique_ptr<StagedFolder> folder)
    : workspace_(std::move(workspace)), name_(std::move(name)), folder_(std::move(folder)) {}

StagedGrid::StagedGrid(StagedGrid&&) noexcept = default;
StagedGrid& StagedGrid::operator=(StagedGrid&&) noexcept = default;
StagedGrid::~StagedGrid() = default;

void StagedGrid::commit() {
    bool replacing = false;
    placeFor(workspace_, name_, replacing);
    // The INFO entries once the GRID is in: a GRID that is in place may be
    // listed. A failure to write them takes the GRID back out (the earlier
    // one comes back) and a new GRID's entries with it.
    try {
        folder_->replaceTarget(gridTablesAftercare(name_), [this] { addGridTables(workspace_, name_); });
    } catch (const std::exception&) {
        if (!replacing) {
            try {
                removeGridTables(workspace_, name_);
            } catch (const std::exception&) {  // the failure rethrown below is the one to report
            }
        }
        throw;
    }
}

namespace {

// The tile file pair written by `writeTile`, which returns the statistics.
using TileWriting = std::function<GridStatistics(OutputFile& data, OutputFile& index)>;

StagedGrid stageGrid(const std::string& workspace, const std::string& name, const RasterGeometry& raster,
                     const TileWriting& writeTile, const std::string& projection) {
    if (std::string problem = gridNameProblem(name); !problem.empty()) throw std::runtime_error(problem);
    if (std::string problem = gridLayoutProblem(raster); !problem.empty())
        throw std::runtime_error("cannot write the GRID " + name + ": " + problem);
    bool replacing = false;
    const std::string target = placeFor(workspace, name, replacing);
    // The earlier GRID goes only once the new one is in: all of it must fit beside.
    const GridTileLayout layout(raster);
    checkFreeSpace(workspace, static_cast<std::uint64_t>(layout.dataBytes() + layout.indexBytes()) + kSmallFilesBytes,
                   "the GRID " + name);
    auto folder = std::make_unique<StagedFolder>(target);
    OutputFile data(folder->file("w001001.adf"), folder->shown("w001001.adf"));
    OutputFile index(folder->file("w001001x.adf"), folder->shown("w001001x.adf"));
    const GridStatistics statistics = writeTile(data, index);
    data.commit();
    index.commit();
    writeSmallFile(folder->file("hdr.adf"), gridHeader(raster), folder->shown("hdr.adf"));
    writeSmallFile(folder->file("dblbnd.adf"), gridBounds(raster), folder->shown("dblbnd.adf"));
    writeSmallFile(folder->file("sta.adf"), gridStatistics(statistics), folder->shown("sta.adf"));
    if (!projection.empty())
        writeSmallFile(folder->file("prj.adf"), gdal().arcInfoProjection(projection), folder->shown("prj.adf"));
    return StagedGrid(workspace, name, std::move(folder));
}

}  // namespace

StagedGrid stageEsriGrid(const std::string& workspace, const std::string& name, const RasterRows& rows,
                         const std::string& projection) {
    return stageGrid(
        workspace, name, rows.geometry,
        [&rows](OutputFile& data, OutputFile& index) { return writeGridTile(rows.geometry, rows.rows, data, index); },
        projection);
}

StagedGrid stageEsriGrid(const std::string& workspace, const std::string& name, const RasterGeometry& raster,
                         const CellFeed& cells, const std::string& projection) {
    return stageGrid(
        workspace, name, raster,
        [&](OutputFile& data, OutputFile& index) { return writeGridTile(raster, cells, data, index); }, projection);
}

void writeEsriGrid(const std::string& workspace, const std::string& name, const FloatRaster& raster,
                   const std::string& projection) {
    stageEsriGrid(workspace, name, rowsOf(raster), projection).commit();
}

}  // namespace kestrune
