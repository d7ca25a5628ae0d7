// What a broken install could leave in the GDAL module's place: a module
// whose entry point gives no services (built with the interface version of
// this build), or one of another version of the interface.
#include "gis/gdal/gdal_services.hpp"

// The module's two entry points (see gdal_services.hpp).
extern "C" {
__attribute__((visibility("default"))) int kestruneGdalInterfaceVersion();
__attribute__((visibility("default"))) const kestrune::GdalServices* kestruneGdalServices();
}

extern "C" __attribute__((visibility("default"))) int kestruneGdalInterfaceVersion() {
    return KESTRUNE_FAKE_INTERFACE_VERSION;
}

extern "C" __attribute__((visibility("default"))) const kestrune::GdalServices* kestruneGdalServices() {
    return nullptr;
}
