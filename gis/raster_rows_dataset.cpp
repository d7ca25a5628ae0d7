#include "gis/raster_rows_dataset.hpp"

#include <gdal_priv.h>

#include <algorithm>
#include <exception>

namespace kestrune {
namespace {

constexpr int kRowsPerBlock = 16;

class RowsBand;

class RowsDataset : public GDALDataset {
public:
    explicit RowsDataset(const RasterRows& raster) : raster_(raster) {
        nRasterXSize = static_cast<int>(raster.geometry.ncols);
        nRasterYSize = static_cast<int>(raster.geometry.nrows);
        eAccess = GA_ReadOnly;
    }
    void attachBand();
    CPLErr GetGeoTransform(double* transform) override {
        const RasterGeometry& g = raster_.geometry;
        const double values[6] = {g.xllcorner, g.cellsize, 0, g.yurcorner(), 0, -g.cellsize};
        std::copy(values, values + 6, transform);
        return CE_None;
    }
    const RasterRows& raster() const { return raster_; }

private:
    RasterRows raster_;
};

class RowsBand : public GDALRasterBand {
public:
    explicit RowsBand(RowsDataset* dataset) {
        poDS = dataset;
        nBand = 1;
        eDataType = GDT_Float32;
        nBlockXSize = dataset->GetRasterXSize();
        nBlockYSize = kRowsPerBlock;
    }
    double GetNoDataValue(int* hasNoData) override {
        if (hasNoData) *hasNoData = TRUE;
        return kGridNoData;
    }

protected:
    CPLErr IReadBlock(int, int blockRow, void* out) override {
        const RasterRows& raster = static_cast<RowsDataset*>(poDS)->raster();
        const std::int64_t first = static_cast<std::int64_t>(blockRow) * kRowsPerBlock;
        const std::int64_t count = std::min<std::int64_t>(kRowsPerBlock, raster.geometry.nrows - first);
        try {
            raster.rows(first, count, static_cast<float*>(out));
        } catch (const std::exception& failure) {
            CPLError(CE_Failure, CPLE_FileIO, "%s", failure.what());
            return CE_Failure;
        }
        return CE_None;
    }
};

void RowsDataset::attachBand() { SetBand(1, new RowsBand(this)); }

}  // namespace

std::unique_ptr<GDALDataset> rasterRowsDataset(const RasterRows& raster) {
    auto dataset = std::make_unique<RowsDataset>(raster);
    dataset->attachBand();
    return dataset;
}

}  // namespace kestrune
