#include "xyz_folder_conversion.hpp"

#include "xyz_grid_engine.hpp"

#include "app/file_naming.hpp"
#include "app/folder_listing.hpp"
#include "app/number_text.hpp"
#include "app/sidecar_files.hpp"

#include <filesystem>
#include <map>
#include <stdexcept>

namespace kestrune {
namespace {

// Why the file may not be gridded to `ascPath`, or empty when it may.
std::string outputConflict(const std::string& xyzPath, const std::string& ascPath,
                           const std::map<std::string, std::string>& madeFrom) {
    auto earlier = madeFrom.find(ascPath);
    if (earlier != madeFrom.end())
        return "its output " + ascPath + " is already made from " + earlier->second + " in this run";
    if (sameExistingFile(xyzPath, ascPath)) return "its output " + ascPath + " would replace the input file itself";
    return {};
}

// Removes an earlier output, so that a failed conversion leaves none.
void removeEarlierOutput(const std::string& ascPath) {
    std::error_code error;
    std::filesystem::remove(ascPath, error);
    if (error) throw std::runtime_error("cannot delete the earlier output " + ascPath + ": " + error.message());
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
    const SidecarSplit split = splitSidecars(listFolderFiles(xyzFolder), {".prj"});
    const auto count = static_cast<long long>(split.dataFiles.size());
    std::map<std::string, std::string> madeFrom;  // output path -> XYZ file name
    for (long long i = 0; i < count; ++i) {
        const std::string& name = split.dataFiles[i];
        run.setStatusLine("Running : XYZ-->ASCII(" + statusNumber(i + 1) + "/" + statusNumber(count) + ")   " + name);
        const std::string xyzPath = joinPath(xyzFolder, name);
        const std::string ascPath = ascOutputPath(asciiFolder, name);
        std::string conflict = outputConflict(xyzPath, ascPath, madeFrom);
        madeFrom.emplace(ascPath, name);
        if (!conflict.empty()) {
            reportXyzFailure(run, xyzPath, conflict);
            continue;
        }
        try {
            removeEarlierOutput(ascPath);
            if (XyzGridEngine(run, xyzPath, ascPath)) copyProjections(split, name, xyzFolder, asciiFolder);
        } catch (const std::runtime_error& failure) {
            reportXyzFailure(run, xyzPath, failure.what());
        }
    }
}

}  // namespace kestrune
