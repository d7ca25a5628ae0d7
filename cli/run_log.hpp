#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace kestrune {

// The log a batch appends to (--log FILE): every status line and message,
// one a line, after the time in UTC ("2026-12-09T16:30:00Z ").
class RunLog {
public:
    // Throws std::runtime_error naming the file when it cannot be opened.
    explicit RunLog(const std::string& path);
    void line(const std::string& text);

private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
};

}  // namespace kestrune
