#include "common/folder_listing.hpp"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace kestrune {

bool FldExist(const std::string& path) {
    if (path.empty()) return false;
    std::error_code error;
    return fs::is_directory(fs::path(path), error);
}

std::vector<std::string> listFolderFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entries(fs::path(folder), error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::string name = entries->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        std::error_code typeError;
        if (entries->is_regular_file(typeError)) names.push_back(std::move(name));
    }
    if (error) throw std::runtime_error("cannot list the folder " + folder + ": " + error.message());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kestrune
