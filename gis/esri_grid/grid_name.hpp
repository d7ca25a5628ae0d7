#pragma once

#include <string>

namespace kestrune {

// Why `name` cannot name an ESRI GRID, or empty when it can: at most 13
// characters, a letter first, then letters, digits and underscores (either
// case); not "con" or "info" in any case.
std::string gridNameProblem(const std::string& name);

// True for a folder that holds a GRID: hdr.adf in it, a name that is not
// hidden and not the workspace's INFO folder.
bool isGridFolder(const std::string& folder);

// The GRID's folder name: the name in lower case.
std::string gridFolderName(const std::string& name);

// The INFO table names of a GRID: NAME.BND and NAME.STA in upper case.
std::string gridTableName(const std::string& name, const std::string& suffix);

}  // namespace kestrune
