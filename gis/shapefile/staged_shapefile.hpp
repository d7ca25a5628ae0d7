#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrune {

// The file extensions of a shapefile: the ones we write, the ones GDAL may
// add, and ArcGIS's spatial index, which a new shapefile makes stale.
const std::vector<std::string>& shapefileExtensions();

// A shapefile written under a hidden base name beside its place (see
// temporaryPathBeside), waiting to take it: dropped without putInPlace(),
// its files are removed.
class StagedShapefile {
public:
    // A fresh hidden base name beside `targetBase`.
    explicit StagedShapefile(const std::string& targetBase);
    StagedShapefile(StagedShapefile&& other) noexcept : basePath_(std::exchange(other.basePath_, {})) {}
    StagedShapefile& operator=(StagedShapefile&&) = delete;
    StagedShapefile(const StagedShapefile&) = delete;
    ~StagedShapefile();

    const std::string& basePath() const { return basePath_; }
    // Puts the set in place of an earlier shapefile of base path
    // `targetBase`, all its files at once (replaceFileSet).
    void putInPlace(const std::string& targetBase);

private:
    std::string basePath_;
};

}  // namespace kestrune
