#pragma once

#include <memory>
#include <string>

class GDALDataset;

namespace kestrune {

// GDAL, set up once for the program: no .aux.xml files written beside the
// data, a small block cache, and no messages printed: a failure comes back
// as an exception carrying GDAL's own text. Enough for projections.
void useGdalLibrary();

// The same, with every raster driver registered (some 9 MB more), for
// opening rasters.
void useGdal();

// A GDAL dataset, closed with its owner.
struct GdalDatasetCloser {
    void operator()(GDALDataset* dataset) const;
};
using GdalDataset = std::unique_ptr<GDALDataset, GdalDatasetCloser>;

// GDAL's text for the last failure, or `fallback` when it gave none.
std::string lastGdalError(const std::string& fallback);

}  // namespace kestrune
