#include "run/output_record.hpp"

#include "common/file_naming.hpp"
#include "common/small_file.hpp"

#include <sys/stat.h>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

// "<size> <seconds>.<nanoseconds> <path>" of the file's last change, or
// "absent <path>".
std::string fileStamp(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return "absent " + path;
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%lld %lld.%09ld ", static_cast<long long>(status.st_size),
                  static_cast<long long>(status.st_mtim.tv_sec), static_cast<long>(status.st_mtim.tv_nsec));
    return stamp + path;
}

std::string recordPathOf(const std::string& outputFile) {
    const fs::path output(outputFile);
    return (output.parent_path() / ("." + output.filename().string() + ".kestrune-made")).string();
}

}  // namespace

std::string madeFromText(const std::string& settings, const std::vector<std::string>& inputFiles) {
    std::string text = "made by kestrune with " + settings + "\n";
    for (const std::string& input : inputFiles) text += "from " + fileStamp(input) + "\n";
    return text;
}

std::vector<std::string> filesOf(const RasterDataset& dataset) {
    if (dataset.kind() != RasterDataset::Kind::Grid) return {dataset.path()};
    return {joinPath(dataset.path(), "w001001.adf"), joinPath(dataset.path(), "hdr.adf"),
            joinPath(dataset.path(), "prj.adf")};
}

OutputRecord::OutputRecord(std::vector<std::string> outputFiles)
    : outputFiles_(std::move(outputFiles)), path_(recordPathOf(outputFiles_.at(0))) {}

std::string OutputRecord::text(const std::string& madeFrom) const {
    std::string text = madeFrom;
    for (const std::string& output : outputFiles_) text += "into " + fileStamp(output) + "\n";
    return text;
}

bool OutputRecord::matches(const std::string& madeFrom) const {
    for (const std::string& output : outputFiles_)
        if (!fs::exists(output)) return false;
    try {
        const std::optional<std::string> kept = readSmallFile(path_);
        return kept && *kept == text(madeFrom);
    } catch (const std::runtime_error&) {  // a record that cannot be read keeps nothing
        return false;
    }
}

void OutputRecord::forget() const {
    std::error_code error;     // none there is what is wanted; a record that stays is
    fs::remove(path_, error);  // told by matches() as not matching the new output
}

void OutputRecord::keep(const std::string& madeFrom) const {
    try {
        writeSmallFile(path_, text(madeFrom));
    } catch (const std::runtime_error&) {  // the output stands; only --update will not know it
    }
}

}  // namespace kestrune
