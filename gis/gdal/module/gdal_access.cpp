#include "gis/gdal/module/gdal_access.hpp"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

#include <cstdint>
#include <mutex>

namespace kestrune {

void useGdalLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
        CPLSetErrorHandler(CPLQuietErrorHandler);
        // GDAL's algorithms read our rasters once, row after row: a large
        // block cache would only hold a second copy of them.
        GDALSetCacheMax64(std::int64_t{64} << 20);
    });
    CPLErrorReset();
}

void useGdal() {
    useGdalLibrary();
    static std::once_flag once;
    std::call_once(once, [] { GDALAllRegister(); });
}

void GdalDatasetCloser::operator()(GDALDataset* dataset) const { GDALClose(dataset); }

std::string lastGdalError(const std::string& fallback) {
    const char* message = CPLGetLastErrorMsg();
    return message && *message ? message : fallback;
}

}  // namespace kestrune
