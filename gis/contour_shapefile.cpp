#include "gis/surface_operations.hpp"

#include "gis/esri_grid_reader.hpp"
#include "gis/gdal_access.hpp"
#include "gis/raster_rows_dataset.hpp"
#include "gis/value_range.hpp"

#include "common/number_text.hpp"
#include "common/output_file.hpp"

#include <gdal_alg.h>
#include <gdal_priv.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>

namespace kestrune {
namespace {

constexpr double kMostLevels = 100000;

// Refuses an interval that is not positive or that would make an absurd
// number of levels over the raster's range.
void checkLevels(const RasterRows& raster, double interval, double base) {
    if (!(interval > 0))
        throw std::runtime_error("the contour interval " + formatDouble(interval) + " is not positive");
    auto [minimum, maximum] = valueRange(raster);
    if (minimum > maximum) return;  // no valid cell: no level
    const double levels = std::floor((maximum - base) / interval) - std::ceil((minimum - base) / interval) + 1;
    if (levels > kMostLevels)
        throw std::runtime_error("the contour interval " + formatDouble(interval) + " makes " + formatDouble(levels) +
                                 " levels between " + formatDouble(minimum) + " and " + formatDouble(maximum) +
                                 "; at most 100000 are made");
}

std::string levelText(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

void writeContours(const RasterRows& raster, const std::string& shapefilePath, const std::string& projection,
                   double interval, double base) {
    checkLevels(raster, interval, base);
    useGdal();
    std::unique_ptr<GDALDataset> grid = rasterRowsDataset(raster);
    GDALRasterBand* band = grid->GetRasterBand(1);
    GDALDriver* driver = GetGDALDriverManager()->GetDriverByName("ESRI Shapefile");
    if (!driver) throw std::runtime_error("GDAL has no ESRI Shapefile driver");
    GdalDataset shapefile(driver->Create(shapefilePath.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
    if (!shapefile) throw std::runtime_error("cannot create " + shapefilePath + ": " + lastGdalError("unknown reason"));
    std::unique_ptr<OGRSpatialReference, void (*)(OGRSpatialReference*)> srs(
        nullptr, [](OGRSpatialReference* s) { s->Release(); });
    if (!projection.empty()) {
        srs.reset(new OGRSpatialReference());
        srs->SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
        if (srs->SetFromUserInput(projection.c_str()) != OGRERR_NONE) srs.reset();
    }
    const std::string layerName = std::filesystem::path(shapefilePath).stem().string();
    OGRLayer* layer = shapefile->CreateLayer(layerName.c_str(), srs.get(), wkbLineString, nullptr);
    if (!layer) throw std::runtime_error("cannot create the contour layer: " + lastGdalError("unknown reason"));
    OGRFieldDefn id("ID", OFTInteger);
    id.SetWidth(8);
    OGRFieldDefn level("CONTOUR", OFTReal);
    level.SetWidth(12);
    level.SetPrecision(3);
    if (layer->CreateField(&id) != OGRERR_NONE || layer->CreateField(&level) != OGRERR_NONE)
        throw std::runtime_error("cannot create the contour fields: " + lastGdalError("unknown reason"));

    int hasNoData = 0;
    const double noData = band->GetNoDataValue(&hasNoData);
    CPLStringList options;
    options.SetNameValue("LEVEL_INTERVAL", levelText(interval).c_str());
    options.SetNameValue("LEVEL_BASE", levelText(base).c_str());
    options.SetNameValue("ID_FIELD", "0");
    options.SetNameValue("ELEV_FIELD", "1");
    if (hasNoData) options.SetNameValue("NODATA", levelText(noData).c_str());
    if (GDALContourGenerateEx(band, layer, options.List(), nullptr, nullptr) != CE_None)
        throw std::runtime_error("the contours of the GRID failed: " + lastGdalError("unknown reason"));
    shapefile.reset();  // closing writes the files out
    if (CPLGetLastErrorType() >= CE_Failure)
        throw std::runtime_error("cannot write " + shapefilePath + ": " + lastGdalError("unknown reason"));
}

}  // namespace

ShapefileDataset contourShapefile(const RasterDataset& input, const std::string& outFolder, double interval,
                                  double base) {
    const RasterRows raster = openEsriGrid(input.path());
    const std::string temporaryShp =
        temporaryPathBeside((std::filesystem::path(outFolder) / input.name()).string()) + ".shp";
    ShapefileDataset result(temporaryShp.substr(0, temporaryShp.size() - 4));
    try {
        writeContours(raster, temporaryShp, readGridProjection(input.path()), interval, base);
    } catch (...) {
        result.discard();
        throw;
    }
    return result;
}

}  // namespace kestrune
