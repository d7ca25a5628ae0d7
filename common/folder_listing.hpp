#pragma once

#include <string>
#include <vector>

namespace kestrune {

// True for an existing folder; every other path, the empty one and a file
// included, is a folder that does not exist.
bool FldExist(const std::string& path);

// The names of a folder's files, taken once: no sub-folders, no hidden files
// (names beginning with "."), in ascending byte order. Throws
// std::runtime_error naming the folder when it cannot be read.
std::vector<std::string> listFolderFiles(const std::string& folder);

}  // namespace kestrune
