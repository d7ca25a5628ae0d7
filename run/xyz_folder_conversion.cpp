#include "run/xyz_folder_conversion.hpp"

#include "common/failure_description.hpp"
#include "common/file_naming.hpp"
#include "common/folder_listing.hpp"
#include "common/replacement.hpp"
#include "common/sidecar_files.hpp"
#include "run/folder_step.hpp"
#include "run/xyz_grid_engine.hpp"

#include <filesystem>
#include <map>
#include <stdexcept>

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

}  // namespace

void XYZ2ASCII(RunContext& run) {
    const std::string& xyzFolder = run.settings.xyzFolder;
    const std::string& asciiFolder = run.settings.asciiFolder;
    const FolderListing listing = listFolder(xyzFolder);
    reportSkipped(run, xyzFolder, listing.skipped);
    const SidecarSplit split = splitSidecars(listing.files, {".prj"});
    clearLeftovers(asciiFolder);
    std::map<std::string, std::string> madeFrom;  // output path -> XYZ file name
    FolderStep step;
    step.statusPrefix = "Running : XYZ-->ASCII(";
    step.afterFailure = AfterFailure::GoOnWithTheNextFile;
    step.convert = [&](const std::string& name) {
        const std::string xyzPath = joinPath(xyzFolder, name);
        const std::string ascPath = ascOutputPath(asciiFolder, name);
        checkOutputIsFree(xyzPath, ascPath, madeFrom, name);
        checkEarlierOutput(ascPath);
        if (XyzGridEngine(run, xyzPath, ascPath)) copyProjections(split, name, xyzFolder, asciiFolder);
    };
    step.report = [&](const std::string& name, const std::exception& failure) {
        reportXyzFailure(run, joinPath(xyzFolder, name), describeFailure(failure));
    };
    runFolderStep(run, split.dataFiles, step);
}

}  // namespace kestrune
