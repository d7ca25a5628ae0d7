#include "gis/gdal/gdal_services.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

constexpr const char* kModuleName = "libkestrune_gdal.so";
constexpr const char* kEntryPoint = "kestruneGdalServices";

// The folder of the running program, or empty where the system does not say.
fs::path programFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : program.parent_path();
}

// Where the module may be: the file KESTRUNE_GDAL_MODULE names, if it names
// one; else beside the program as built and as installed (lib/kestrune next
// to bin), then where this build installs it.
std::vector<fs::path> moduleCandidates() {
    if (const char* named = std::getenv("KESTRUNE_GDAL_MODULE"); named && *named) return {fs::path(named)};
    std::vector<fs::path> candidates;
    if (const fs::path folder = programFolder(); !folder.empty())
        candidates.push_back((folder / ".." / "lib" / "kestrune" / kModuleName).lexically_normal());
    candidates.push_back(fs::path(KESTRUNE_MODULE_DIR) / kModuleName);
    return candidates;
}

const GdalServices* loadModule() {
    std::string looked;
    for (const fs::path& candidate : moduleCandidates()) {
        std::error_code error;
        if (!fs::exists(candidate, error)) {
            looked += (looked.empty() ? "" : ", ") + candidate.string();
            continue;
        }
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error("cannot load GDAL from " + candidate.string() + ": " + ::dlerror());
        using Entry = const GdalServices* (*)();
        auto entry = reinterpret_cast<Entry>(::dlsym(handle, kEntryPoint));
        if (!entry) throw std::runtime_error("cannot load GDAL from " + candidate.string() + ": " + ::dlerror());
        return entry();  // the module stays loaded for the life of the program
    }
    throw std::runtime_error("cannot load GDAL: no " + std::string(kModuleName) + " (looked for " + looked + ")");
}

}  // namespace

const GdalServices& gdal() {
    // A failed load throws out of the initialisation, so the next call tries again.
    static const GdalServices* services = loadModule();
    return *services;
}

}  // namespace kestrune
