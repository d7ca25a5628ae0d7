#include "common/sidecar_files.hpp"

#include "common/file_naming.hpp"
#include "common/small_file.hpp"

#include <filesystem>
#include <set>
#include <stdexcept>

namespace kestrune {
namespace {

bool hasAnyExtension(const std::string& name, const std::vector<std::string>& extensions) {
    for (const auto& extension : extensions)
        if (hasExtension(name, extension)) return true;
    return false;
}

}  // namespace

SidecarSplit splitSidecars(const std::vector<std::string>& names, const std::vector<std::string>& extensions) {
    std::set<std::string> dataBases;
    for (const auto& name : names)
        if (!hasAnyExtension(name, extensions)) dataBases.insert(baseName(name));
    SidecarSplit split;
    for (const auto& name : names) {
        if (hasAnyExtension(name, extensions) && dataBases.count(baseName(name)))
            split.sidecarsByBase.emplace(baseName(name), name);
        else
            split.dataFiles.push_back(name);
    }
    return split;
}

void copyFileReplacing(const std::string& sourcePath, const std::string& targetPath) {
    std::optional<std::string> bytes = readSmallFile(sourcePath);
    if (!bytes) throw std::runtime_error("cannot open " + sourcePath);
    writeSmallFile(targetPath, *bytes);
}

bool sameExistingFile(const std::string& first, const std::string& second) {
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}

}  // namespace kestrune
