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

FolderListing listFolder(const std::string& folder) {
    FolderListing listing;
    std::error_code error;
    fs::directory_iterator entries(fs::path(folder), error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        std::string name = entries->path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        std::error_code typeError;
        if (entries->is_regular_file(typeError)) {
            listing.files.push_back(std::move(name));
            continue;
        }
        if (name.find('.') == std::string::npos) continue;  // a sub-folder by its name
        const fs::file_status link = fs::symlink_status(entries->path(), typeError);
        if (fs::is_symlink(link) && !fs::exists(fs::status(entries->path(), typeError)))
            listing.skipped.push_back({std::move(name), "it is a link to nothing"});
        else if (fs::is_directory(fs::status(entries->path(), typeError)))
            listing.skipped.push_back({std::move(name), "it is a folder"});
        else
            listing.skipped.push_back({std::move(name), "it is no ordinary file"});
    }
    if (error) throw std::runtime_error("cannot list the folder " + folder + ": " + error.message());
    std::sort(listing.files.begin(), listing.files.end());
    std::sort(listing.skipped.begin(), listing.skipped.end(),
              [](const FolderListing::Skipped& a, const FolderListing::Skipped& b) { return a.name < b.name; });
    return listing;
}

std::vector<std::string> listFolderFiles(const std::string& folder) { return listFolder(folder).files; }

}  // namespace kestrune
