#include "gis/esri_grid/grid_name.hpp"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kestrune {
namespace {

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }

std::string transformed(std::string text, int (*change)(int)) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [change](char c) { return static_cast<char>(change(static_cast<unsigned char>(c))); });
    return text;
}

}  // namespace

std::string gridNameProblem(const std::string& name) {
    const std::string quoted = "the GRID name \"" + name + "\" ";
    if (name.empty()) return "the GRID name is empty";
    if (name.size() > 13) return quoted + "is longer than 13 characters";
    if (!isAsciiLetter(name.front())) return quoted + "does not begin with a letter";
    for (char c : name)
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_')
            return quoted + "may hold only letters, digits and underscores";
    const std::string lower = gridFolderName(name);
    if (lower == "con" || lower == "info") return quoted + "is reserved";
    return {};
}

bool isGridFolder(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path path(folder);
    const std::string name = path.filename().string();
    if (name.empty() || name.front() == '.' || gridFolderName(name) == "info") return false;
    return fs::is_directory(path, error) &&
           (fs::is_regular_file(path / "hdr.adf", error) || fs::is_regular_file(path / "HDR.ADF", error));
}

std::string gridFolderName(const std::string& name) { return transformed(name, std::tolower); }

std::string gridTableName(const std::string& name, const std::string& suffix) {
    return transformed(name, std::toupper) + "." + suffix;
}

}  // namespace kestrune
