#pragma once

#include <optional>
#include <string>

namespace kestrune {

// The whole content of a small file (a header, a projection), or none when
// it cannot be opened.
std::optional<std::string> readSmallFile(const std::string& path);

// Writes a small file under a temporary name and renames it over `path`;
// throws std::runtime_error naming the file.
void writeSmallFile(const std::string& path, const std::string& bytes, const std::string& shownAs = {});

}  // namespace kestrune
