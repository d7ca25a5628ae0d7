#include "gis/gdal/module/gdal_raster.hpp"

#include "gis/gdal/module/arcinfo_projection.hpp"

#include "common/number_text.hpp"

#include <cpl_conv.h>
#include <cpl_string.h>
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <mutex>
#include <stdexcept>

namespace kestrune {

RasterRows gdalRasterRows(GdalDataset dataset, const std::string& what, std::shared_ptr<void> keepAlive) {
    struct Source {
        std::shared_ptr<void> keepAlive;  // first: it outlives the dataset
        GdalDataset dataset;
        std::mutex mutex;  // a GDAL dataset reads on one thread at a time
        float noData = kGridNoData;
        bool hasNoData = false;
    };
    auto source = std::make_shared<Source>();
    source->keepAlive = std::move(keepAlive);
    source->dataset = std::move(dataset);
    double transform[6];
    if (source->dataset->GetGeoTransform(transform) != CE_None || transform[2] != 0 || transform[4] != 0 ||
        !(transform[5] < 0))
        throw std::runtime_error(what + " has no north-up geotransform");
    if (transform[1] != -transform[5])
        throw std::runtime_error(what + " has cells of " + formatDouble(transform[1]) + " by " +
                                 formatDouble(-transform[5]) + "; slopes and contours need square cells");
    RasterGeometry g;
    g.ncols = source->dataset->GetRasterXSize();
    g.nrows = source->dataset->GetRasterYSize();
    g.cellsize = transform[1];
    g.xllcorner = transform[0];
    g.yllcorner = transform[3] + transform[5] * static_cast<double>(g.nrows);
    int hasNoData = 0;
    const double noData = source->dataset->GetRasterBand(1)->GetNoDataValue(&hasNoData);
    source->hasNoData = hasNoData != 0;
    // As GDAL converts cells: clamped to the 32-bit range (an .asc may say
    // -3.40282347e+38, a little beyond it).
    source->noData = static_cast<float>(std::clamp<double>(noData, -FLT_MAX, FLT_MAX));
    // A window of rows [first, first + count), columns [firstColumn,
    // firstColumn + columns), as 32-bit floats with NoData as ours.
    auto window = [source, g, what](std::int64_t first, std::int64_t count, std::int64_t firstColumn,
                                    std::int64_t columns, float* out) {
        std::lock_guard<std::mutex> guard(source->mutex);
        GDALRasterBand* band = source->dataset->GetRasterBand(1);
        if (band->RasterIO(GF_Read, static_cast<int>(firstColumn), static_cast<int>(first), static_cast<int>(columns),
                           static_cast<int>(count), out, static_cast<int>(columns), static_cast<int>(count),
                           GDT_Float32, 0, 0) != CE_None)
            throw std::runtime_error("cannot read " + what + ": " + lastGdalError("read failure"));
        for (float* cell = out; cell != out + count * columns; ++cell)
            if ((source->hasNoData && *cell == source->noData) || !std::isfinite(*cell)) *cell = kGridNoData;
    };
    return {g,
            [window, ncols = g.ncols](std::int64_t first, std::int64_t count, float* out) {
                window(first, count, 0, ncols, out);
            },
            window};
}

GdalDataset openGdalRaster(const std::string& path) {
    useGdal();
    return GdalDataset(GDALDataset::Open(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY));
}

std::vector<std::string> gdalRasterFiles(const std::string& path) {
    std::vector<std::string> files;
    GdalDataset dataset = openGdalRaster(path);
    if (!dataset || dataset->GetRasterCount() < 1) return files;
    files.push_back(path);
    char** list = dataset->GetFileList();
    for (char** file = list; file && *file; ++file) files.emplace_back(*file);
    CSLDestroy(list);
    return files;
}

std::string gdalRasterProjection(const std::string& path) {
    GdalDataset dataset = openGdalRaster(path);
    if (!dataset) return {};
    const OGRSpatialReference* srs = dataset->GetSpatialRef();
    return srs ? esriWktOf(*srs) : std::string();
}

}  // namespace kestrune
