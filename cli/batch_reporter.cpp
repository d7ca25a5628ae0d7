#include "cli/batch_reporter.hpp"

#include "common/stop_request.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

namespace kestrune {
namespace {

constexpr const char* kClearToEnd = "\x1b[K";

std::string oneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

// "0:35", "1:02:07": a time left, in whole seconds.
std::string duration(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(seconds));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

int terminalWidth(int descriptor) {
    winsize size{};
    return ::ioctl(descriptor, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

}  // namespace

BatchReporter::BatchReporter(int descriptor, ReportStyle style, RunLog* log)
    : descriptor_(descriptor), style_(style), log_(log) {}

void BatchReporter::write(std::string_view bytes) {
    while (!gone_ && !bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {  // EPIPE above all: nobody reads any more, so the run stops
            gone_ = true;
            requestStop();
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// Ends a status line drawn in place, or a line of progress marks.
void BatchReporter::endOpenLine() {
    if (!lineOpen_) return;
    if (style_.terminal) write("\r" + redrawnStatus() + kClearToEnd);
    write("\n");
    lineOpen_ = false;
}

void BatchReporter::showMessage(const std::string& prompt, const std::string& title) {
    const std::string line = (title.empty() ? kApplicationTitle : title) + ": " + oneLine(prompt);
    if (log_) log_->line(line);
    if (style_.quiet && title == "Program is Finished") return;
    endOpenLine();  // the status line stays as it was last drawn; more progress draws it again below
    write(line + "\n");
}

void BatchReporter::showRefusal(const std::string& prompt, const std::string& title, const std::string& value) {
    showMessage(prompt + " (\"" + value + "\")", title);
}

void BatchReporter::setStatusLine(const std::string& text) {
    if (!text.empty() && log_) log_->line(text);
    endOpenLine();
    status_ = text;
    fraction_ = -1;
    statusSince_ = std::chrono::steady_clock::now();
    marks_ = ProgressDots();
    if (style_.quiet || text.empty()) return;
    if (style_.terminal) {
        write(redrawnStatus());
        lineOpen_ = true;
    } else {
        write(text + "\n");
    }
}

void BatchReporter::setProgress(double fraction) {
    if (style_.quiet || status_.empty() || fraction <= fraction_) return;
    fraction_ = fraction;
    if (style_.terminal) {
        write((lineOpen_ ? "\r" : "") + redrawnStatus() + kClearToEnd);
        lineOpen_ = true;
        return;
    }
    if (!style_.progressMarks || marks_.done()) return;
    write(marks_.advanceTo(fraction));
    lineOpen_ = !marks_.done();
}

void BatchReporter::summary(const std::string& text) {
    if (log_) log_->line(text);
    if (style_.quiet) return;
    endOpenLine();
    write(text + "\n");
}

// The status text with its percentage and, once it can be told, the time
// left; its start cut away when the line would be wider than the terminal.
std::string BatchReporter::redrawnStatus() const {
    std::string tail;
    if (fraction_ >= 0) {
        tail = "  " + std::to_string(static_cast<int>(fraction_ * 100)) + "%";
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - statusSince_).count();
        if (fraction_ >= 0.02 && fraction_ < 1 && elapsed >= 1)
            tail += "  " + duration(elapsed * (1 - fraction_) / fraction_) + " left";
    }
    const auto room = static_cast<std::size_t>(std::max(20, terminalWidth(descriptor_) - 1));
    if (status_.size() + tail.size() <= room) return status_ + tail;
    const std::size_t kept = room > tail.size() + 3 ? room - tail.size() - 3 : 0;
    return "..." + status_.substr(status_.size() - std::min(kept, status_.size())) + tail;
}

}  // namespace kestrune
