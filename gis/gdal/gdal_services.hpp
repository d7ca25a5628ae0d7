#pragma once

#include "gis/raster/float_raster.hpp"
#include "gis/raster/ground_units.hpp"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune {

// What Kestrune asks of GDAL: rasters of other kinds, GRIDs our own reader
// does not take, and projections. GDAL with its libraries takes some 35 MB
// once loaded, and most runs never need it (our GRIDs, ASCII rasters and
// shapefiles are our own code), so it lives in a module of its own,
// libkestrune_gdal.so, loaded the first time a run asks for it.
// Every member may be called from any thread; failures throw
// std::runtime_error naming the file.
//
// The module and the programs must agree on this class to the byte: the
// module says which version of it it serves (kestruneGdalInterfaceVersion),
// and the loader takes only a module of this version. Change the number
// with any change of the class.
inline constexpr int kGdalInterfaceVersion = 4;

// A coordinate system as a catalogue of them lists it (GeoPackage's
// gpkg_spatial_ref_sys): its name, its authority and code ("EPSG", 32633),
// when GDAL can tell them, and its OGC WKT.
struct CatalogedCoordinateSystem {
    std::string name;
    std::string authority;
    int code = 0;
    std::string wkt;
};

class GdalServices {
public:
    virtual ~GdalServices() = default;

    // GDAL's release, as "3.6.2".
    virtual std::string version() const = 0;

    // The rows of band 1 of the raster file at `path`, as 32-bit floats, its
    // NoData value, NaN and infinities as kGridNoData. Throws for a file GDAL
    // cannot open and for cells that are not square or not north up.
    virtual RasterRows rasterRows(const std::string& path) const = 0;

    // The same for the GRID `gridFolder` through GDAL's AIG driver, opened at
    // `openPath` (the GRID or a stand-in for it that `keepAlive` holds).
    virtual RasterRows aigGridRows(const std::string& gridFolder, const std::string& openPath,
                                   std::shared_ptr<void> keepAlive) const = 0;

    // The files GDAL counts as part of the raster at `path` (its world file,
    // its .aux.xml ...), the raster itself first; empty when GDAL cannot open it.
    virtual std::vector<std::string> rasterFiles(const std::string& path) const = 0;

    // The coordinate system of a raster file in ESRI's WKT, or empty when it has none.
    virtual std::string rasterProjection(const std::string& path) const = 0;

    // `projection` (WKT, ESRI's WKT or the ArcInfo keyword form) as a GRID's
    // prj.adf holds it: the keyword form when GDAL reads that back as the
    // same coordinate system, else unchanged.
    virtual std::string arcInfoProjection(const std::string& projection) const = 0;

    // `projection` as a shapefile's .prj holds it (ESRI's WKT), or empty when
    // it cannot be read. Never reads a file or the network.
    virtual std::string esriWkt(const std::string& projection) const = 0;

    // What `projection` says of distances and heights (see GroundUnits);
    // the default GroundUnits when it holds no coordinate system GDAL reads.
    // Never reads a file or the network.
    virtual GroundUnits groundUnits(const std::string& projection) const = 0;

    // `projection` with its authority and code and as OGC WKT; an empty WKT
    // when it holds no coordinate system GDAL reads. Never reads the network.
    virtual CatalogedCoordinateSystem catalogedSystem(const std::string& projection) const = 0;
};

// A projection's text as it is read and kept: without a byte order mark and
// the white space around it (gdalsrsinfo -o wkt_esri begins with a blank line).
inline std::string trimmedProjection(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// GDAL's services, its module loaded on the first call. Throws
// std::runtime_error ("cannot load GDAL from PATH: why") when the module
// cannot be found, is no whole shared object, does not load, serves another
// interface version or gives no services; the next call tries again.
const GdalServices& gdal();

// The names the module exports, both extern "C":
//   int kestruneGdalInterfaceVersion();            kGdalInterfaceVersion
//   const GdalServices* kestruneGdalServices();     the services
inline constexpr const char* kGdalVersionEntry = "kestruneGdalInterfaceVersion";
inline constexpr const char* kGdalServicesEntry = "kestruneGdalServices";

}  // namespace kestrune
