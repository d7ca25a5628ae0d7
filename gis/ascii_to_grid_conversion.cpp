#include "ascii_to_grid_conversion.hpp"

#include "grid_name.hpp"
#include "raster_workspace.hpp"

#include "app/file_naming.hpp"
#include "app/folder_listing.hpp"
#include "app/number_text.hpp"
#include "app/sidecar_files.hpp"

#include <exception>
#include <map>
#include <new>
#include <stdexcept>

namespace kestrune {
namespace {

// The projection file among the sidecars of a raster, or empty.
std::string projectionOf(const SidecarSplit& split, const std::string& base, const std::string& asciiFolder) {
    auto [first, last] = split.sidecarsByBase.equal_range(base);
    for (auto sidecar = first; sidecar != last; ++sidecar)
        if (hasExtension(sidecar->second, ".prj")) return joinPath(asciiFolder, sidecar->second);
    return {};
}

// Deletes the GRID a file is about to replace, when it may be deleted.
void removeEarlierGrid(const RasterWorkspace& workspace, const std::string& gridName) {
    if (!FldExist(joinPath(workspace.folder(), gridFolderName(gridName)))) return;
    std::optional<RasterDataset> earlier = workspace.OpenRasterDataset(gridName);
    if (earlier && earlier->CanDelete()) earlier->Delete();
}

void convertFolder(RunContext& run, std::string& sourcePath) {
    const std::string& asciiFolder = run.settings.asciiFolder;
    const std::string& gridFolder = run.settings.gridFolder;
    const SidecarSplit split = splitSidecars(listFolderFiles(asciiFolder), {".prj", ".aux.xml"});
    RasterWorkspace workspace = RasterWorkspace::OpenFromFile(gridFolder);
    const auto count = static_cast<long long>(split.dataFiles.size());
    std::map<std::string, std::string> madeFrom;  // GRID folder name -> source file name
    for (long long i = 0; i < count; ++i) {
        const std::string& name = split.dataFiles[i];
        run.setStatusLine("Running : ASCII-->ESRI GRID (" + statusNumber(i + 1) + "/" + statusNumber(count) + ")   " + name);
        const std::string gridName = baseName(name);
        sourcePath = joinPath(asciiFolder, name);
        auto [earlier, fresh] = madeFrom.emplace(gridFolderName(gridName), name);
        if (!fresh)
            throw std::runtime_error("the GRID " + gridName + " is already made from " + earlier->second + " in this run");
        removeEarlierGrid(workspace, gridName);
        workspace = RasterWorkspace::OpenFromFile(gridFolder);
        ImportFromASCII(sourcePath, workspace, gridName, projectionOf(split, gridName, asciiFolder));
    }
}

}  // namespace

void ASCII2GRID(RunContext& run) {
    std::string sourcePath;  // the file being converted, for the report
    std::string description;
    try {
        convertFolder(run, sourcePath);
        return;
    } catch (const std::bad_alloc&) {
        description = "not enough memory";
    } catch (const std::exception& failure) {
        description = failure.what();
    }
    run.showMessage(sourcePath + " Error-" + description, "Program was interrupted");
    run.setStatusLine("");
    run.RunOk = false;
}

}  // namespace kestrune
