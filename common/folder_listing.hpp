#pragma once

#include <string>
#include <vector>

namespace kestrune {

// True for an existing folder; every other path, the empty one and a file
// included, is a folder that does not exist.
bool FldExist(const std::string& path);

// A folder's files, taken once, in ascending byte order; hidden names
// (beginning with ".") are left out. Entries that look like files (a "." in
// the name) but are not (a folder, a link to nothing) are listed apart, for
// the user to be told they were skipped.
struct FolderListing {
    struct Skipped {
        std::string name;
        std::string reason;  // "it is a folder", "it is a link to nothing", ...
    };
    std::vector<std::string> files;
    std::vector<Skipped> skipped;
};

// Throws std::runtime_error naming the folder when it cannot be read.
FolderListing listFolder(const std::string& folder);

// The files of listFolder alone.
std::vector<std::string> listFolderFiles(const std::string& folder);

}  // namespace kestrune
