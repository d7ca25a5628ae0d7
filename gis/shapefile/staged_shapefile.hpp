#pragma once

#include "common/staged_file_set.hpp"

#include <string>
#include <vector>

namespace kestrune {

// The file extensions of a shapefile: the ones we write, the ones GDAL may
// add, and ArcGIS's spatial index, which a new shapefile makes stale.
const std::vector<std::string>& shapefileExtensions();

// A shapefile written under a hidden base name beside its place (see
// StagedFileSet), put in place of an earlier shapefile, all its files at once.
class StagedShapefile : public StagedFileSet {
public:
    explicit StagedShapefile(const std::string& targetBase) : StagedFileSet(targetBase, shapefileExtensions()) {}
};

}  // namespace kestrune
