#include "gis/gdal/module_file.hpp"

#include "common/number_text.hpp"

#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace kestrune {
namespace {

std::string cutShort(std::uint64_t needed, std::uint64_t held) {
    return "it is cut short: it needs " + formatByteSize(needed) + ", the file holds " + formatByteSize(held);
}

}  // namespace

std::string sharedObjectProblem(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) return std::string("it cannot be read: ") + std::strerror(errno);
    const auto size = static_cast<std::uint64_t>(file.tellg());
    ElfW(Ehdr) header;
    file.seekg(0);
    if (size < sizeof header || !file.read(reinterpret_cast<char*>(&header), sizeof header) ||
        std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0)
        return "it is not an ELF shared object";
    if (header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32) || header.e_type != ET_DYN ||
        header.e_phentsize != sizeof(ElfW(Phdr)))
        return "it is not a shared object of this machine's kind";
    const std::uint64_t programHeadersEnd = header.e_phoff + std::uint64_t{header.e_phnum} * header.e_phentsize;
    const std::uint64_t sectionHeadersEnd = header.e_shoff + std::uint64_t{header.e_shnum} * header.e_shentsize;
    std::uint64_t needed = std::max(programHeadersEnd, sectionHeadersEnd);
    if (programHeadersEnd <= size) {
        std::vector<ElfW(Phdr)> segments(header.e_phnum);
        file.seekg(static_cast<std::streamoff>(header.e_phoff));
        file.read(reinterpret_cast<char*>(segments.data()),
                  static_cast<std::streamsize>(segments.size() * sizeof(ElfW(Phdr))));
        for (const ElfW(Phdr) & segment : segments)
            if (segment.p_type == PT_LOAD)
                needed = std::max<std::uint64_t>(needed, segment.p_offset + segment.p_filesz);
    }
    return needed > size ? cutShort(needed, size) : std::string();
}

}  // namespace kestrune
