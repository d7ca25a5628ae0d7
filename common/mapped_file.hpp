#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrune {

// A file mapped read-only for one pass from start to end. Parts already
// read can be handed back, so that a pass over a file larger than memory
// keeps only a window of it resident.
class MappedFile {
public:
    // Throws std::runtime_error with the system's reason.
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view text() const { return {data_, size_}; }
    // Drops the pages before `offset` from memory; they are not read again.
    void releaseBefore(std::size_t offset);

private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t released_ = 0;
};

}  // namespace kestrune
