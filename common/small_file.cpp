#include "common/small_file.hpp"

#include "common/output_file.hpp"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kestrune {

std::optional<std::string> readSmallFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad()) throw std::runtime_error("cannot read " + path);
    return bytes;
}

void writeSmallFile(const std::string& path, const std::string& bytes, const std::string& shownAs) {
    OutputFile file(path, shownAs);
    file.write(bytes);
    file.commit();
}

}  // namespace kestrune
