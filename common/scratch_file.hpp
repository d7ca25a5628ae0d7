#pragma once

#include "common/file_descriptor.hpp"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

namespace kestrune {

// A file for data that does not fit the memory a job may use: created in a
// folder, removed from it at once (so nothing is left behind, whatever
// happens to the process), and gone when closed. Data is stored, read back
// by offset, and released when it is not needed any more; its room serves
// later data, so the file holds about as much as is kept at once, and
// writing mostly goes over pages the system has at hand (a new page of a
// file costs ten times the copying of it).
class ScratchFile {
public:
    // Throws std::runtime_error naming the folder when no file can be made there.
    explicit ScratchFile(const std::string& folder);

    // Stores `size` bytes in released room or at the end; returns their offset.
    std::uint64_t store(const void* bytes, std::size_t size);
    void read(std::uint64_t offset, void* bytes, std::size_t size) const;
    // The bytes at [offset, offset + size) are not needed any more.
    void release(std::uint64_t offset, std::size_t size);

    // The bytes the file spans, released room included.
    std::uint64_t size() const { return size_; }

private:
    [[noreturn]] void fail(const char* action) const;
    std::uint64_t take(std::size_t size);

    std::string folder_;
    FileDescriptor descriptor_;
    std::uint64_t size_ = 0;
    std::map<std::uint64_t, std::uint64_t> freeByOffset_;     // offset -> size
    std::multimap<std::uint64_t, std::uint64_t> freeBySize_;  // size -> offset
};

}  // namespace kestrune
