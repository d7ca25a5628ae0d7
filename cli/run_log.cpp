#include "cli/run_log.hpp"

#include "common/write_failure.hpp"

#include <cerrno>
#include <ctime>
#include <stdexcept>

namespace kestrune {

RunLog::RunLog(const std::string& path) : file_(std::fopen(path.c_str(), "a"), std::fclose) {
    if (!file_) throw std::runtime_error("cannot open the log " + path + ": " + writeFailureReason(path, errno));
}

void RunLog::line(const std::string& text) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ ", &utc);
    std::fputs(stamp, file_.get());
    std::fputs(text.c_str(), file_.get());
    std::fputc('\n', file_.get());
    std::fflush(file_.get());
}

}  // namespace kestrune
