#pragma once

#include "common/file_descriptor.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrune {

// A file for data that does not fit the memory a job may use: created in a
// folder, removed from it at once (so nothing is left behind, whatever
// happens to the process), and gone when closed. Data goes in at the end
// and is read back by offset.
class ScratchFile {
public:
    // Throws std::runtime_error naming the folder when no file can be made there.
    explicit ScratchFile(const std::string& folder);

    // Appends `size` bytes and returns their offset.
    std::uint64_t append(const void* bytes, std::size_t size);
    void read(std::uint64_t offset, void* bytes, std::size_t size) const;

private:
    [[noreturn]] void fail(const char* action) const;
    std::string folder_;
    FileDescriptor descriptor_;
    std::uint64_t size_ = 0;
};

}  // namespace kestrune
