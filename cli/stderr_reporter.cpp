#include "cli/stderr_reporter.hpp"

#include "cli/stop_signals.hpp"

#include <algorithm>

namespace kestrune {

void StderrReporter::showMessage(const std::string& prompt, const std::string& title) {
    std::string oneLine = prompt;
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    out_ << (title.empty() ? kApplicationTitle : title) << ": " << oneLine << std::endl;
}

void StderrReporter::setStatusLine(const std::string& text) {
    if (!text.empty()) out_ << text << std::endl;
}

bool StderrReporter::stopRequested() const { return stopSignalReceived(); }

}  // namespace kestrune
