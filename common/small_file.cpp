#include "common/small_file.hpp"

#include "common/output_file.hpp"

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace kestrune {

std::optional<std::string> readSmallFile(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) return std::nullopt;
    std::string bytes;
    char piece[4096];
    for (std::size_t got; (got = std::fread(piece, 1, sizeof piece, file.get())) > 0;) bytes.append(piece, got);
    if (std::ferror(file.get())) throw std::runtime_error("cannot read " + path);
    return bytes;
}

void writeSmallFile(const std::string& path, const std::string& bytes, const std::string& shownAs) {
    OutputFile file(path, shownAs);
    file.write(bytes);
    file.commit();
}

}  // namespace kestrune
