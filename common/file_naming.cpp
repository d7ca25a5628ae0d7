#include "common/file_naming.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kestrune {

std::string joinPath(const std::string& folder, const std::string& name) {
    return folder + static_cast<char>(std::filesystem::path::preferred_separator) + name;
}

std::string baseName(const std::string& fileName) { return fileName.substr(0, fileName.find('.')); }

std::string ascOutputPath(const std::string& asciiFolder, const std::string& xyzFileName) {
    return joinPath(asciiFolder, baseName(xyzFileName) + ".asc");
}

std::string prjPathFor(const std::string& folder, const std::string& base) { return joinPath(folder, base + ".prj"); }

std::string datasetName(const std::string& completeName) {
    auto last = completeName.find_last_of(static_cast<char>(std::filesystem::path::preferred_separator));
    return last == std::string::npos ? completeName : completeName.substr(last + 1);
}

bool hasExtension(const std::string& fileName, const std::string& extension) {
    if (fileName.size() < extension.size()) return false;
    return std::equal(extension.begin(), extension.end(), fileName.end() - extension.size(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace kestrune
