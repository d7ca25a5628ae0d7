#pragma once

#include "gis/raster/float_raster.hpp"

#include <optional>
#include <string>
#include <vector>

namespace kestrune {

// A raster dataset of a workspace folder: a GRID (a sub-folder), or a
// raster file that GDAL reads (GeoTIFF, ERDAS IMAGINE, ESRI ASCII ...). Its
// path is the full path of its folder or file.
class RasterDataset {
public:
    enum class Kind { Grid, RasterFile };
    RasterDataset(std::string workspace, std::string entryName, Kind kind = Kind::Grid);

    const std::string& path() const { return path_; }
    // Its name in the workspace: the GRID's folder or the file.
    const std::string& name() const { return entryName_; }
    Kind kind() const { return kind_; }
    // The name of what is made from it: a GRID's name, a raster file's name
    // up to its first ".".
    std::string baseName() const;
    // The workspace folder that holds it.
    const std::string& folder() const { return folder_; }

    // Its rows, read as they are asked for; throws std::runtime_error.
    RasterRows open() const;
    // Its coordinate system (prj.adf of a GRID, WKT of a file), or empty.
    std::string projection() const;

    // True when a GRID's folder and the workspace may be written.
    bool canDelete() const;
    // Removes the GRID's folder and its INFO tables; throws std::runtime_error.
    void remove() const;

private:
    std::string folder_;
    std::string entryName_;
    Kind kind_;
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

    // Every raster dataset of the folder, once, in ascending order of name:
    // its GRIDs and the raster files GDAL opens, without the files that
    // belong to another (world files, .aux.xml, .ovr, .prj ...).
    std::vector<RasterDataset> rasterDatasets() const;

private:
    explicit RasterWorkspace(std::string folder) : folder_(std::move(folder)) {}
    std::string folder_;
};

// Clears what killed runs left in a workspace folder and its INFO folder
// (see clearLeftovers): a GRID replacement they began is completed, INFO
// entries and all, or undone; a GRID without its INFO entries gets them.
// Never throws.
void clearWorkspaceLeftovers(const std::string& folder);

}  // namespace kestrune
