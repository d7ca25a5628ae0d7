#pragma once

#include "gis/raster/float_raster.hpp"

#include <memory>
#include <string>

namespace kestrune {

// Writes `raster` as a float ESRI GRID (ArcInfo binary grid) named `name` in
// the workspace folder: the folder <name in lower case> with hdr.adf, the
// tile w001001.adf and its index w001001x.adf, dblbnd.adf, sta.adf and, when
// `projection` is not empty, prj.adf holding it (see GdalServices::arcInfoProjection); then the
// workspace's INFO tables NAME.BND and NAME.STA. Blocks are 256 x 16 cells,
// big-endian, NoData -FLT_MAX; cells past the extent in the edge blocks hold
// NoData too. The GRID is written into a hidden folder beside its place and
// renamed into place, and the INFO entries come last, so a failure leaves
// nothing half-written. Throws std::runtime_error with the reason: a name
// that breaks the GRID naming rules, a folder in the way, a tile file over
// 2 GB, a failure to write.
void writeEsriGrid(const std::string& workspace, const std::string& name, const FloatRaster& raster,
                   const std::string& projection);

// A GRID written under a hidden name beside its place, waiting to take it:
// commit() puts it in place (replacing an earlier GRID of the name) and adds
// its INFO entries; dropped without commit(), it is removed.
class StagedFolder;
class StagedGrid {
public:
    StagedGrid(std::string workspace, std::string name, std::unique_ptr<StagedFolder> folder);
    StagedGrid(StagedGrid&&) noexcept;
    StagedGrid& operator=(StagedGrid&&) noexcept;
    ~StagedGrid();
    // Throws std::runtime_error: a name in the way by now, a failure to move
    // or to write the INFO entries (a new GRID then goes again).
    void commit();

private:
    std::string workspace_;
    std::string name_;
    std::unique_ptr<StagedFolder> folder_;
};

// writeEsriGrid up to the commit, for a raster whose rows come from
// `raster`, a band at a time.
StagedGrid stageEsriGrid(const std::string& workspace, const std::string& name, const RasterRows& raster,
                         const std::string& projection);
// The same for a raster whose cells come in row order from `cells`, written
// as they come (see CellFeed); a failure of the feed leaves nothing behind.
StagedGrid stageEsriGrid(const std::string& workspace, const std::string& name, const RasterGeometry& raster,
                         const CellFeed& cells, const std::string& projection);

}  // namespace kestrune
