#include "run/raster_framing.hpp"

#include "gis/gdal/gdal_services.hpp"

#include <algorithm>

namespace kestrune {

RasterFraming RasterFraming::seamless(const std::vector<RasterDataset>& folderDatasets) {
    RasterFraming framing;
    std::vector<SurfaceTile> tiles;
    for (const RasterDataset& dataset : folderDatasets) {
        try {
            SurfaceTile tile{dataset.path(), dataset.open().geometry, trimmedProjection(dataset.projection()),
                             [dataset] { return dataset.open(); }};
            tiles.push_back(std::move(tile));
            framing.paths_.push_back(dataset.path());
            framing.datasets_.push_back(dataset);
        } catch (const std::exception&) {  // no tile: its own turn tells why it cannot be read
        }
    }
    framing.surface_ = std::make_shared<const TileSurface>(std::move(tiles));
    return framing;
}

std::size_t RasterFraming::tileOf(const RasterDataset& dataset) const {
    return static_cast<std::size_t>(std::find(paths_.begin(), paths_.end(), dataset.path()) - paths_.begin());
}

RasterFraming::Framed RasterFraming::frame(const RasterDataset& dataset) const {
    RasterRows rows = dataset.open();
    const std::size_t tile = surface_ ? tileOf(dataset) : paths_.size();
    if (tile == paths_.size()) return {frameAlone(std::move(rows)), {}};
    try {
        return {surface_->frame(tile, rows), {}};
    } catch (const NeighbourUnreadable& unreadable) {
        return {frameAlone(std::move(rows)),
                dataset.path() + " is made as a raster alone, not as a tile: " + unreadable.what()};
    }
}

std::vector<RasterDataset> RasterFraming::tilesBeside(const RasterDataset& dataset) const {
    std::vector<RasterDataset> beside;
    const std::size_t tile = surface_ ? tileOf(dataset) : paths_.size();
    if (tile == paths_.size()) return beside;
    for (std::size_t other : surface_->neighbours(tile)) beside.push_back(datasets_[other]);
    return beside;
}

std::vector<std::string> RasterFraming::notesOn(const RasterDataset& dataset) const {
    std::vector<std::string> notes;
    const std::size_t tile = surface_ ? tileOf(dataset) : paths_.size();
    if (tile == paths_.size()) return notes;
    for (std::size_t other : surface_->overlapping(tile))
        notes.push_back(dataset.path() + " overlaps the tile " + surface_->tile(other).name +
                        ": inside it, its own cells count");
    for (std::size_t other : surface_->unjoined(tile))
        notes.push_back(dataset.path() + " does not join " + surface_->tile(other).name +
                        " beside it: they lie on different lattices or in different coordinate systems");
    return notes;
}

}  // namespace kestrune
