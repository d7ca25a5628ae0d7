#pragma once

#include "gis/esri_grid_writer.hpp"

#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// A GRID in a workspace folder. Its path is the full path of its folder.
class RasterDataset {
public:
    RasterDataset(std::string workspace, std::string folderName);

    const std::string& path() const { return path_; }
    const std::string& name() const { return folderName_; }
    // The workspace folder that holds it.
    const std::string& folder() const { return folder_; }

    // True when the GRID's folder and the workspace may be written.
    bool canDelete() const;
    // Removes the GRID's folder and its INFO tables; throws std::runtime_error.
    void remove() const;

private:
    std::string folder_;
    std::string folderName_;
    std::string path_;
};

// A folder of GRIDs. A GRID is a sub-folder holding hdr.adf.
class RasterWorkspace {
public:
    // Throws std::runtime_error when `folder` is no folder.
    static RasterWorkspace open(const std::string& folder);

    const std::string& folder() const { return folder_; }

    // The GRID of that name (its folder in lower case), or none when there
    // is no GRID folder of that name. Throws when the GRID cannot be read.
    std::optional<RasterDataset> findGrid(const std::string& name) const;

    // Every GRID of the folder, once, in ascending order of name.
    std::vector<RasterDataset> grids() const;

private:
    explicit RasterWorkspace(std::string folder) : folder_(std::move(folder)) {}
    std::string folder_;
};

// Clears what killed runs left in a workspace folder and its INFO folder
// (see clearLeftovers): an earlier GRID a run had moved aside comes back.
void clearWorkspaceLeftovers(const std::string& folder);

// Makes a float GRID named `gridName` in the workspace from an ESRI ASCII
// raster; `projectionPath`, when not empty, is a .prj whose text becomes the
// GRID's prj.adf. Throws std::runtime_error with the reason.
void importAsciiRaster(const std::string& asciiPath, const RasterWorkspace& workspace, const std::string& gridName,
                       const std::string& projectionPath);

// The same up to the commit (see StagedGrid).
StagedGrid stageAsciiRasterImport(const std::string& asciiPath, const RasterWorkspace& workspace,
                                  const std::string& gridName, const std::string& projectionPath);

}  // namespace kestrune
