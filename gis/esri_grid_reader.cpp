#include "esri_grid_reader.hpp"

#include "gdal_access.hpp"

#include <gdal_priv.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace kestrune {
namespace {

struct DatasetCloser {
    void operator()(GDALDataset* dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<GDALDataset, DatasetCloser>;

Dataset openGrid(const std::string& gridFolder) {
    useGdal();
    const char* const drivers[] = {"AIG", nullptr};
    Dataset dataset(GDALDataset::Open(gridFolder.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, drivers));
    if (!dataset)
        throw std::runtime_error("cannot open the GRID " + gridFolder + ": " + lastGdalError("not an ESRI GRID"));
    return dataset;
}

}  // namespace

void checkEsriGridOpens(const std::string& gridFolder) { openGrid(gridFolder); }

FloatRaster readEsriGrid(const std::string& gridFolder) {
    Dataset dataset = openGrid(gridFolder);
    double transform[6];
    if (dataset->GetGeoTransform(transform) != CE_None || transform[2] != 0 || transform[4] != 0)
        throw std::runtime_error("the GRID " + gridFolder + " has no north-up geotransform");
    FloatRaster raster;
    raster.ncols = dataset->GetRasterXSize();
    raster.nrows = dataset->GetRasterYSize();
    raster.cellsize = transform[1];
    raster.xllcorner = transform[0];
    raster.yllcorner = transform[3] + transform[5] * static_cast<double>(raster.nrows);
    raster.cells.resize(static_cast<std::size_t>(raster.ncols * raster.nrows));
    GDALRasterBand* band = dataset->GetRasterBand(1);
    if (band->RasterIO(GF_Read, 0, 0, static_cast<int>(raster.ncols), static_cast<int>(raster.nrows),
                       raster.cells.data(), static_cast<int>(raster.ncols), static_cast<int>(raster.nrows),
                       GDT_Float32, 0, 0) != CE_None)
        throw std::runtime_error("cannot read the GRID " + gridFolder + ": " + lastGdalError("read failure"));
    int hasNoData = 0;
    const double noData = band->GetNoDataValue(&hasNoData);
    const float noDataCell = static_cast<float>(noData);
    for (float& cell : raster.cells)
        if ((hasNoData && cell == noDataCell) || std::isnan(cell)) cell = kGridNoData;
    return raster;
}

std::string readGridProjection(const std::string& gridFolder) {
    for (const char* name : {"prj.adf", "PRJ.ADF"}) {
        std::ifstream file(std::filesystem::path(gridFolder) / name, std::ios::binary);
        if (file) return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return {};
}

}  // namespace kestrune
