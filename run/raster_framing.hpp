#pragma once

#include "gis/raster/framed_raster.hpp"
#include "gis/surface/tile_surface.hpp"
#include "gis/workspace/raster_workspace.hpp"

#include <memory>
#include <string>
#include <vector>

namespace kestrune {

// How the GRID folder walk frames the datasets it makes slopes and contours
// of: each alone, or (seamless) as tiles of the surfaces the datasets of
// the folder make, each with the ring of cells its neighbours hold.
class RasterFraming {
public:
    // Every dataset alone.
    RasterFraming() = default;
    // The datasets of a folder (all of them, in order of name, whichever of
    // them this run makes outputs of) as tiles; one that cannot be opened is
    // no tile.
    static RasterFraming seamless(const std::vector<RasterDataset>& folderDatasets);

    // A dataset opened and framed; `note` says why a tile stands alone
    // after all ("... its neighbour ... cannot be read: ..."), else empty.
    // Throws std::runtime_error when the dataset itself cannot be read.
    struct Framed {
        FramedRaster raster;
        std::string note;
    };
    Framed frame(const RasterDataset& dataset) const;

    // What the user should know of a dataset before its outputs are made:
    // the tiles it overlaps, the rasters beside it that it cannot join
    // (another lattice, another coordinate system). Empty when alone.
    std::vector<std::string> notesOn(const RasterDataset& dataset) const;

    // The datasets whose cells the dataset's frame reads besides its own;
    // none when it is framed alone.
    std::vector<RasterDataset> tilesBeside(const RasterDataset& dataset) const;

private:
    std::shared_ptr<const TileSurface> surface_;
    std::vector<std::string> paths_;       // the tiles' dataset paths, in the surface's order
    std::vector<RasterDataset> datasets_;  // the tiles' datasets, in the same order

    std::size_t tileOf(const RasterDataset& dataset) const;  // size() when it is no tile
};

}  // namespace kestrune
