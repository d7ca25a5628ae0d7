#pragma once

#include "common/durable_file.hpp"
#include "common/temporary_name.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrune {

// A file written under a hidden temporary name beside its target and renamed
// over the target by commit(), once its data is on the disk (see
// durableWrites; its write-back starts as it is written, so the wait is
// short); the new name is on the disk when commit() returns. Destroyed
// without commit(), it removes the temporary file, so a failure never
// leaves a partial output behind. Its messages name `shownAs` (the target
// itself unless given: a file of a folder that is being made shows the
// folder's own place).
class OutputFile {
public:
    explicit OutputFile(std::string targetPath, std::string shownAs = {});
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void write(std::string_view bytes);
    void commit();

    const std::string& temporaryPath() const { return temporaryPath_; }

private:
    std::string targetPath_;
    std::string shownAs_;
    std::string temporaryPath_;
    std::optional<DurableFile> file_;  // until committed
};

}  // namespace kestrune
