#include "gis/esri_grid_writer.hpp"

#include "gis/esri_grid_tile.hpp"
#include "gis/grid_name.hpp"
#include "gis/info_tables.hpp"

#include "common/file_naming.hpp"
#include "common/output_file.hpp"
#include "common/small_file.hpp"

#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// A hidden folder that is removed with its content unless it was kept.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& beside) : path_(temporaryPathBeside(beside)) {
        std::error_code error;
        if (!fs::create_directory(path_, error))
            throw std::runtime_error("cannot create the folder " + path_ + ": " + error.message());
    }
    ~TemporaryFolder() {
        if (!kept_) {
            std::error_code ignored;  // nothing more can be done about a leftover here
            fs::remove_all(path_, ignored);
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    std::string file(const std::string& name) const { return (fs::path(path_) / name).string(); }
    void moveTo(const std::string& target) {
        std::error_code error;
        fs::rename(path_, target, error);
        if (error) throw std::runtime_error("cannot move the GRID into place at " + target + ": " + error.message());
        kept_ = true;
    }

private:
    std::string path_;
    bool kept_ = false;
};

}  // namespace

void writeEsriGrid(const std::string& workspace, const std::string& name, const FloatRaster& raster,
                   const std::string& projection) {
    writeEsriGrid(workspace, name, raster, rowsOf(raster), projection);
}

void writeEsriGrid(const std::string& workspace, const std::string& name, const RasterGeometry& raster,
                   const RowProducer& rows, const std::string& projection) {
    if (std::string problem = gridNameProblem(name); !problem.empty()) throw std::runtime_error(problem);
    const std::string target = joinPath(workspace, gridFolderName(name));
    std::error_code error;
    if (fs::exists(fs::symlink_status(target, error)))
        throw std::runtime_error("cannot write the GRID " + name + ": " + target + " is in the way");

    TemporaryFolder folder(target);
    OutputFile data(folder.file("w001001.adf"));
    OutputFile index(folder.file("w001001x.adf"));
    const GridStatistics statistics = writeGridTile(raster, rows, data, index);
    data.commit();
    index.commit();
    writeSmallFile(folder.file("hdr.adf"), gridHeader(raster));
    writeSmallFile(folder.file("dblbnd.adf"), gridBounds(raster));
    writeSmallFile(folder.file("sta.adf"), gridStatistics(statistics));
    if (!projection.empty()) writeSmallFile(folder.file("prj.adf"), projection);
    folder.moveTo(target);

    try {
        addGridTables(workspace, name);
    } catch (...) {
        std::error_code ignored;  // the failure below is the one to report
        fs::remove_all(target, ignored);
        throw;
    }
}

}  // namespace kestrune
