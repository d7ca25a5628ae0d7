#pragma once

#include <map>
#include <string>
#include <vector>

namespace kestrune {

// A folder's files split into the data files a step converts and the
// sidecars that travel with them (a projection, GDAL's statistics).
struct SidecarSplit {
    std::vector<std::string> dataFiles;
    // Sidecar file names by the base name of the data file they belong to.
    std::multimap<std::string, std::string> sidecarsByBase;
};

// A file is a sidecar when its name ends in one of `extensions` (without
// case) and another listed file, not itself a sidecar, has its base name.
// Every other file is a data file; the order of the listing is kept.
SidecarSplit splitSidecars(const std::vector<std::string>& names, const std::vector<std::string>& extensions);

// Copies a small file over `targetPath` through a temporary name; throws
// std::runtime_error naming both files.
void copyFileReplacing(const std::string& sourcePath, const std::string& targetPath);

// True when both paths name one existing file (by any spelling).
bool sameExistingFile(const std::string& first, const std::string& second);

}  // namespace kestrune
