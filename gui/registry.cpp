#include "gui/registry.hpp"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kestrune {

bool GetKeyValue(Registry& registry, std::uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal) {
    std::optional<RegistryValue> value = registry.query(KeyRoot, KeyName, SubKeyRef);
    if (!value) {
        KeyVal.clear();
        return false;
    }
    std::string bytes = value->bytes;
    if (bytes.empty()) throw std::runtime_error("the registry value " + SubKeyRef + " is empty");
    if (bytes.back() == '\0') bytes.pop_back();  // with or without its closing NUL, the same text
    if (value->type == kRegistryString) {
        KeyVal = bytes;
    } else if (value->type == kRegistryNumber) {
        std::uint32_t number = 0;
        for (std::size_t i = bytes.size(); i-- > 0;) number = (number << 8) | static_cast<unsigned char>(bytes[i]);
        KeyVal = std::to_string(number);
    }
    return true;
}

namespace {

#ifdef _WIN32
class WindowsRegistry : public Registry {
public:
    std::optional<RegistryValue> query(std::uint32_t root, const std::string& keyName,
                                       const std::string& valueName) override {
        HKEY key;
        if (RegOpenKeyExA(reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(root)), keyName.c_str(), 0, KEY_ALL_ACCESS,
                          &key) != 0)
            return std::nullopt;
        char buffer[1024] = {};
        DWORD size = sizeof buffer, type = 0;
        LONG result = RegQueryValueExA(key, valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(key);
        if (result != 0) return std::nullopt;
        return RegistryValue{type, std::string(buffer, size)};
    }
};
#else
// No registry here: the MSINFO tool's path names the first system
// information program found on PATH.
class SystemInfoProgramRegistry : public Registry {
public:
    std::optional<RegistryValue> query(std::uint32_t root, const std::string& keyName,
                                       const std::string& valueName) override {
        if (root != kHkeyLocalMachine || keyName != "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO" || valueName != "PATH")
            return std::nullopt;
        const char* path = std::getenv("PATH");
        for (const char* program : {"hardinfo2", "hardinfo", "kinfocenter", "lshw-gtk", "gnome-system-monitor"}) {
            std::istringstream folders(path ? path : "");
            for (std::string folder; std::getline(folders, folder, ':');) {
                std::filesystem::path candidate = std::filesystem::path(folder) / program;
                std::error_code error;
                if (!folder.empty() && std::filesystem::is_regular_file(candidate, error))
                    return RegistryValue{kRegistryString, candidate.string() + '\0'};
            }
        }
        return std::nullopt;
    }
};
#endif

}  // namespace

Registry& systemRegistry() {
#ifdef _WIN32
    static WindowsRegistry registry;
#else
    static SystemInfoProgramRegistry registry;
#endif
    return registry;
}

}  // namespace kestrune
