#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kestrune {

// A set of files sharing a base name (a shapefile's, a GeoPackage and its
// journals), written under a hidden base name beside their place (see
// temporaryPathBeside), waiting to take it: dropped without putInPlace(),
// its files are removed.
class StagedFileSet {
public:
    // A fresh hidden base name beside `targetBase`, for files of these extensions.
    StagedFileSet(const std::string& targetBase, std::vector<std::string> extensions);
    StagedFileSet(StagedFileSet&& other) noexcept
        : basePath_(std::exchange(other.basePath_, {})), extensions_(std::move(other.extensions_)) {}
    StagedFileSet& operator=(StagedFileSet&&) = delete;
    StagedFileSet(const StagedFileSet&) = delete;
    ~StagedFileSet();

    const std::string& basePath() const { return basePath_; }
    // Puts the set in place of an earlier one of base path `targetBase`,
    // all its files at once (replaceFileSet): an earlier file of an
    // extension the new set lacks goes too.
    void putInPlace(const std::string& targetBase);

private:
    std::string basePath_;
    std::vector<std::string> extensions_;
};

}  // namespace kestrune
