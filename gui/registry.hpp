#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrune {

// The registry roots and value types the About box uses.
inline constexpr std::uint32_t kHkeyLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kRegistryString = 1;
inline constexpr std::uint32_t kRegistryNumber = 4;

// A registry value as a query gives it: its type and its bytes, as many as
// the query reported.
struct RegistryValue {
    std::uint32_t type = 0;
    std::string bytes;
};

// Where the About box looks up the system information tool.
class Registry {
public:
    virtual ~Registry() = default;
    // The value `valueName` of sub-key `keyName` under `root`, or none when
    // the key cannot be opened or the value cannot be read.
    virtual std::optional<RegistryValue> query(std::uint32_t root, const std::string& keyName,
                                               const std::string& valueName) = 0;
};

// Reads a value as text into keyVal: a string without its closing NUL, a
// 32-bit number as decimal digits; other types leave keyVal as it was.
// False (keyVal emptied) when the value cannot be read; a value of zero
// bytes throws std::runtime_error.
bool GetKeyValue(Registry& registry, std::uint32_t KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                 std::string& KeyVal);

// The registry of this platform: Windows' own; elsewhere, where there is
// none, one that names an installed system information program as the
// MSINFO tool's path, when one is found on PATH.
Registry& systemRegistry();

}  // namespace kestrune
