// libkestrune_gdal.so: GDAL's services to the rest of Kestrune, which loads
// this module the first time it needs one of them.
#include "gis/gdal/gdal_services.hpp"
#include "gis/gdal/module/arcinfo_projection.hpp"
#include "gis/gdal/module/gdal_access.hpp"
#include "gis/gdal/module/gdal_raster.hpp"
#include "gis/gdal/module/ground_units_of.hpp"

#include <gdal.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <cstdlib>
#include <stdexcept>

namespace kestrune {
namespace {

class GdalModule final : public GdalServices {
public:
    std::string version() const override { return GDALVersionInfo("RELEASE_NAME"); }

    RasterRows rasterRows(const std::string& path) const override {
        GdalDataset dataset = openGdalRaster(path);
        if (!dataset) throw std::runtime_error("cannot open the raster " + path + ": " + lastGdalError("not a raster"));
        return gdalRasterRows(std::move(dataset), "the raster " + path);
    }

    RasterRows aigGridRows(const std::string& gridFolder, const std::string& openPath,
                           std::shared_ptr<void> keepAlive) const override {
        useGdal();
        const char* const drivers[] = {"AIG", nullptr};
        GdalDataset dataset(GDALDataset::Open(openPath.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, drivers));
        if (!dataset)
            throw std::runtime_error("cannot open the GRID " + gridFolder + ": " + lastGdalError("not an ESRI GRID"));
        return gdalRasterRows(std::move(dataset), "the GRID " + gridFolder, std::move(keepAlive));
    }

    std::vector<std::string> rasterFiles(const std::string& path) const override { return gdalRasterFiles(path); }

    std::string rasterProjection(const std::string& path) const override { return gdalRasterProjection(path); }

    std::string arcInfoProjection(const std::string& projection) const override {
        return kestrune::arcInfoProjection(projection);
    }

    std::string esriWkt(const std::string& projection) const override {
        OGRSpatialReference srs;
        if (!readProjection(projection, srs)) return {};
        return esriWktOf(srs);
    }

    GroundUnits groundUnits(const std::string& projection) const override { return groundUnitsOf(projection); }

    CatalogedCoordinateSystem catalogedSystem(const std::string& projection) const override {
        CatalogedCoordinateSystem system;
        OGRSpatialReference srs;
        if (projection.empty() || !readProjection(projection, srs)) return system;
        if (!srs.GetAuthorityCode(nullptr)) srs.AutoIdentifyEPSG();
        if (const char* authority = srs.GetAuthorityName(nullptr)) system.authority = authority;
        if (const char* code = srs.GetAuthorityCode(nullptr)) system.code = std::atoi(code);
        OGRSpatialReference cataloged;
        const bool fromCatalog = system.authority == "EPSG" && cataloged.importFromEPSG(system.code) == OGRERR_NONE;
        const OGRSpatialReference& named = fromCatalog ? cataloged : srs;
        system.name = named.GetName() ? named.GetName() : "";
        char* wkt = nullptr;
        if (srs.exportToWkt(&wkt) == OGRERR_NONE && wkt) system.wkt = wkt;
        CPLFree(wkt);
        return system;
    }
};

}  // namespace
}  // namespace kestrune

// The module's two entry points (see gdal_services.hpp).
extern "C" {
__attribute__((visibility("default"))) int kestruneGdalInterfaceVersion();
__attribute__((visibility("default"))) const kestrune::GdalServices* kestruneGdalServices();
}

extern "C" __attribute__((visibility("default"))) int kestruneGdalInterfaceVersion() {
    return kestrune::kGdalInterfaceVersion;
}

extern "C" __attribute__((visibility("default"))) const kestrune::GdalServices* kestruneGdalServices() {
    static const kestrune::GdalModule module;
    return &module;
}
