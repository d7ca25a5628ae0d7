#include "run/ascii_to_grid_conversion.hpp"

#include "common/failure_description.hpp"
#include "common/file_naming.hpp"
#include "common/folder_listing.hpp"
#include "common/progress.hpp"
#include "common/sidecar_files.hpp"
#include "common/small_file.hpp"
#include "gis/esri_ascii/esri_ascii_reader.hpp"
#include "gis/esri_grid/esri_grid_writer.hpp"
#include "gis/esri_grid/grid_name.hpp"
#include "gis/gdal/gdal_services.hpp"
#include "gis/workspace/raster_workspace.hpp"
#include "run/folder_step.hpp"
#include "run/output_record.hpp"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
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

// What a GRID is made from: its .asc and the projection file beside it (or
// the absence of one).
std::string gridMadeFrom(const SidecarSplit& split, const std::string& asciiFolder, const std::string& fileName) {
    std::string projection = projectionOf(split, baseName(fileName), asciiFolder);
    if (projection.empty()) projection = prjPathFor(asciiFolder, baseName(fileName));
    return madeFromText("ASCII to GRID", {joinPath(asciiFolder, fileName), projection});
}

// The coordinate system in the projection file beside a raster, or empty
// when it has none. A file whose text GDAL cannot read as one fails its
// raster: the GRID would have lost its coordinate system without a word.
std::string projectionText(const std::string& path) {
    if (path.empty()) return {};
    std::optional<std::string> text = readSmallFile(path);
    if (!text) throw std::runtime_error("cannot read the projection " + path);
    const std::string projection = trimmedProjection(*text);
    if (gdal().esriWkt(projection).empty())
        throw std::runtime_error("the projection file " + path + " holds no coordinate system GDAL can read");
    return projection;
}

// A float GRID named `gridName` in the workspace from an ESRI ASCII raster,
// up to its commit; `projectionPath`, when not empty, is a .prj whose text
// becomes the GRID's prj.adf.
StagedGrid stageGridOfAsciiRaster(const std::string& asciiPath, const RasterWorkspace& workspace,
                                  const std::string& gridName, const std::string& projectionPath) {
    if (std::string problem = gridNameProblem(gridName); !problem.empty()) throw std::runtime_error(problem);
    const std::string projection = projectionText(projectionPath);
    // The cells go into the GRID as they are read: the raster is never whole in memory.
    const EsriAsciiFile ascii(asciiPath);
    return stageEsriGrid(
        workspace.folder(), gridName, ascii.geometry(), [&ascii](const CellSink& sink) { ascii.readCells(sink); },
        projection);
}

// An earlier GRID of the name that cannot be read stops the conversion; one
// that can is replaced when the new one is complete, if it may be.
void checkEarlierGrid(const RasterWorkspace& workspace, const std::string& gridName) {
    if (FldExist(joinPath(workspace.folder(), gridFolderName(gridName)))) workspace.findGrid(gridName);
}

// "<source path> Error-<description>"; the path is empty for a failure
// before the first file.
void reportGridFailure(RunContext& run, const std::string& sourcePath, const std::exception& failure) {
    run.showMessage(sourcePath + " Error-" + describeFailure(failure), "Program was interrupted");
    run.setStatusLine("");
    run.RunOk = false;
}

}  // namespace

void ASCII2GRID(RunContext& run) {
    const std::string& asciiFolder = run.settings.asciiFolder;
    const std::string& gridFolder = run.settings.gridFolder;
    SidecarSplit split;
    std::optional<RasterWorkspace> workspace;
    try {
        const FolderListing listing = listFolder(asciiFolder);
        reportSkipped(run, asciiFolder, listing.skipped);
        split = splitSidecars(listing.files, {".prj", ".aux.xml"});
        workspace = RasterWorkspace::open(gridFolder);
        clearWorkspaceLeftovers(gridFolder);
    } catch (const std::exception& failure) {
        reportGridFailure(run, "", failure);
        return;
    }
    // A shard converts what its XYZ step made, or its share of the folder.
    std::vector<std::string> files = shareOf(split.dataFiles, run.settings);
    if (run.madeInThisShard) files = *run.madeInThisShard;
    FolderStep step{.statusPrefix = "Running : ASCII-->ESRI GRID (", .inputFolder = asciiFolder};
    // Which file may write which GRID is settled in file order first.
    std::map<std::string, std::string> madeFrom;  // GRID folder name -> source file name
    for (const std::string& name : files) {
        const std::string gridName = baseName(name);
        auto [earlier, fresh] = madeFrom.emplace(gridFolderName(gridName), name);
        if (!fresh)
            step.refused[name] = "the GRID " + gridName + " is already made from " + earlier->second + " in this run";
    }
    std::vector<std::string> made;
    const auto recordOf = [&](const std::string& name) {
        const std::string grid = joinPath(gridFolder, gridFolderName(baseName(name)));
        return OutputRecord({grid, joinPath(grid, "w001001.adf")});
    };
    step.upToDate = [&](const std::string& name) {
        return recordOf(name).matches(gridMadeFrom(split, asciiFolder, name));
    };
    step.kept = [&](const std::string& name) { made.push_back(gridFolderName(baseName(name))); };
    step.prepare = [&](const std::string& name) -> PendingOutput {
        const std::string gridName = baseName(name);
        checkEarlierGrid(*workspace, gridName);
        std::string recipe = gridMadeFrom(split, asciiFolder, name);
        auto grid = std::make_shared<StagedGrid>(stageGridOfAsciiRaster(
            joinPath(asciiFolder, name), *workspace, gridName, projectionOf(split, gridName, asciiFolder)));
        return [grid, gridName, recipe, record = recordOf(name), &made] {
            record.forget();
            grid->commit();
            record.keep(recipe);
            made.push_back(gridFolderName(gridName));
        };
    };
    step.report = [&](const std::string& name, const std::exception& failure) {
        reportGridFailure(run, joinPath(asciiFolder, name), failure);
    };
    runFolderStep(run, files, step);
    if (run.settings.shardCount > 1) run.madeInThisShard = made;
}

}  // namespace kestrune
