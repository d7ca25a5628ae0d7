#include "gdal_access.hpp"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>

#include <mutex>

namespace kestrune {

void useGdal() {
    static std::once_flag once;
    std::call_once(once, [] {
        CPLSetConfigOption("GDAL_PAM_ENABLED", "NO");
        CPLSetErrorHandler(CPLQuietErrorHandler);
        GDALAllRegister();
    });
    CPLErrorReset();
}

std::string lastGdalError(const std::string& fallback) {
    const char* message = CPLGetLastErrorMsg();
    return message && *message ? message : fallback;
}

}  // namespace kestrune
