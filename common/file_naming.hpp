#pragma once

#include <string>

namespace kestrune {

// Paths are formed from folders exactly as the user typed them: a typed
// trailing separator stays, and nothing is normalised.

// folder + the platform's separator + name.
std::string joinPath(const std::string& folder, const std::string& name);

// A file's base name: its name up to the first "." (all of it without one,
// empty for a name that begins with ".").
std::string baseName(const std::string& fileName);

// The .asc that the gridding of the XYZ file `xyzFileName` writes.
std::string ascOutputPath(const std::string& asciiFolder, const std::string& xyzFileName);

// The projection file that travels with a raster: <folder>/<base>.prj.
std::string prjPathFor(const std::string& folder, const std::string& base);

// A dataset's name: the part of its complete name after the last separator.
std::string datasetName(const std::string& completeName);

// True for a name ending in `extension` (".prj"), compared without case.
bool hasExtension(const std::string& fileName, const std::string& extension);

}  // namespace kestrune
