#include "run/xyz_folder_conversion.hpp"

#include "common/failure_description.hpp"
#include "common/file_naming.hpp"
#include "common/folder_listing.hpp"
#include "common/replacement.hpp"
#include "common/sidecar_files.hpp"
#include "run/folder_step.hpp"
#include "run/output_record.hpp"
#include "run/xyz_grid_engine.hpp"
#include "xyz/xyz_gridding.hpp"

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// Refuses a file whose output would replace the input itself or an output
// that an earlier file of this run made.
void checkOutputIsFree(const std::string& xyzPath, const std::string& ascPath,
                       std::map<std::string, std::string>& madeFrom, const std::string& fileName) {
    auto [earlier, fresh] = madeFrom.emplace(ascPath, fileName);
    if (!fresh)
        throw std::runtime_error("its output " + ascPath + " is already made from " + earlier->second + " in this run");
    if (sameExistingFile(xyzPath, ascPath))
        throw std::runtime_error("its output " + ascPath + " would replace the input file itself");
}

// An earlier output is replaced when the new one is complete, so a failed
// conversion leaves it as it was; a folder of its name may not be replaced.
void checkEarlierOutput(const std::string& ascPath) {
    std::error_code error;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(ascPath, error)))
        throw std::runtime_error("cannot delete the earlier output " + ascPath + ": it is a folder");
}

void copyProjections(const SidecarSplit& split, const std::string& fileName, const std::string& xyzFolder,
                     const std::string& asciiFolder) {
    const std::string base = baseName(fileName);
    auto [first, last] = split.sidecarsByBase.equal_range(base);
    for (auto sidecar = first; sidecar != last; ++sidecar) {
        std::string source = joinPath(xyzFolder, sidecar->second);
        std::string target = prjPathFor(asciiFolder, base);
        if (!sameExistingFile(source, target)) copyFileReplacing(source, target);
    }
}

// What an .asc is made from: its XYZ file and that file's projection
// files (or the absence of one), with the gridding settings.
std::string ascMadeFrom(const RunSettings& settings, const SidecarSplit& split, const std::string& xyzFolder,
                        const std::string& fileName) {
    std::vector<std::string> inputs = {joinPath(xyzFolder, fileName)};
    auto [first, last] = split.sidecarsByBase.equal_range(baseName(fileName));
    for (auto sidecar = first; sidecar != last; ++sidecar) inputs.push_back(joinPath(xyzFolder, sidecar->second));
    if (first == last) inputs.push_back(prjPathFor(xyzFolder, baseName(fileName)));
    const std::string cellSize =
        settings.cellSizeMode == CellSizeMode::Given ? "cell size " + settings.cellSize : "cell size inferred";
    return madeFromText("XYZ to ASCII, " + cellSize + ", separator \"" + settings.Separator + "\"", inputs);
}

}  // namespace

void XYZ2ASCII(RunContext& run) {
    const std::string& xyzFolder = run.settings.xyzFolder;
    const std::string& asciiFolder = run.settings.asciiFolder;
    const FolderListing listing = listFolder(xyzFolder);
    reportSkipped(run, xyzFolder, listing.skipped);
    clearLeftovers(asciiFolder);
    const SidecarSplit split = splitSidecars(listing.files, {".prj"});
    const std::vector<std::string> files = shareOf(split.dataFiles, run.settings);
    // Points take about 24 bytes a line of some 30 characters, and the grid
    // as much again.
    FolderStep step{.statusPrefix = "Running : XYZ-->ASCII(",
                    .afterFailure = AfterFailure::GoOnWithTheNextFile,
                    .inputFolder = xyzFolder,
                    .memoryPerInputByte = 2};
    // Which file may write which output is settled in file order first.
    std::map<std::string, std::string> madeFrom;  // output path -> XYZ file name
    for (const std::string& name : files) {
        try {
            checkOutputIsFree(joinPath(xyzFolder, name), ascOutputPath(asciiFolder, name), madeFrom, name);
        } catch (const std::runtime_error& failure) {
            step.refused[name] = failure.what();
        }
    }
    const GriddingOptions options = griddingOptions(run.settings);
    std::vector<std::string> made;
    const auto recordOf = [&](const std::string& name) { return OutputRecord({ascOutputPath(asciiFolder, name)}); };
    const auto madeName = [&](const std::string& name) {
        made.push_back(fs::path(ascOutputPath(asciiFolder, name)).filename().string());
    };
    step.upToDate = [&](const std::string& name) {
        return recordOf(name).matches(ascMadeFrom(run.settings, split, xyzFolder, name));
    };
    step.kept = madeName;
    step.prepare = [&](const std::string& name) -> PendingOutput {
        const std::string ascPath = ascOutputPath(asciiFolder, name);
        checkEarlierOutput(ascPath);
        std::string recipe = ascMadeFrom(run.settings, split, xyzFolder, name);
        std::shared_ptr<OutputFile> asc = stageXyzGrid(joinPath(xyzFolder, name), ascPath, options);
        return [asc, name, recipe, record = recordOf(name), &split, &xyzFolder, &asciiFolder, &madeName] {
            record.forget();
            asc->commit();
            copyProjections(split, name, xyzFolder, asciiFolder);
            record.keep(recipe);
            madeName(name);
        };
    };
    step.report = [&](const std::string& name, const std::exception& failure) {
        XyzGridEngine(run, joinPath(xyzFolder, name), failure);
    };
    runFolderStep(run, files, step);
    if (run.settings.shardCount > 1) run.madeInThisShard = made;
}

}  // namespace kestrune
