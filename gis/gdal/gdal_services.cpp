#include "gis/gdal/gdal_services.hpp"

#include "gis/gdal/module_file.hpp"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

constexpr const char* kModuleName = "libkestrune_gdal.so";

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

// Why `handle`, the module at `path`, cannot serve, or empty with `services` set.
std::string moduleProblem(void* handle, const GdalServices*& services) {
    using VersionEntry = int (*)();
    using ServicesEntry = const GdalServices* (*)();
    auto version = reinterpret_cast<VersionEntry>(::dlsym(handle, kGdalVersionEntry));
    if (!version) return "it is no Kestrune GDAL module (it has no " + std::string(kGdalVersionEntry) + ")";
    if (const int served = version(); served != kGdalInterfaceVersion)
        return "it serves version " + std::to_string(served) + " of Kestrune's GDAL interface, this program needs " +
               std::to_string(kGdalInterfaceVersion) + " (a module of another build)";
    auto entry = reinterpret_cast<ServicesEntry>(::dlsym(handle, kGdalServicesEntry));
    if (!entry) return "it has no " + std::string(kGdalServicesEntry);
    services = entry();
    return services ? std::string() : "its " + std::string(kGdalServicesEntry) + " gave no services";
}

const GdalServices* loadModule() {
    std::string looked;
    for (const fs::path& candidate : moduleCandidates()) {
        std::error_code error;
        if (!fs::exists(candidate, error)) {
            looked += (looked.empty() ? "" : ", ") + candidate.string();
            continue;
        }
        const std::string failure = "cannot load GDAL from " + candidate.string() + ": ";
        if (std::string problem = sharedObjectProblem(candidate.string()); !problem.empty())
            throw std::runtime_error(failure + problem);
        void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) throw std::runtime_error(failure + ::dlerror());
        const GdalServices* services = nullptr;
        if (std::string problem = moduleProblem(handle, services); !problem.empty()) {
            ::dlclose(handle);
            throw std::runtime_error(failure + problem);
        }
        return services;  // the module stays loaded for the life of the program
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
