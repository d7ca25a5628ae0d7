#include "gis/esri_grid/info_tables.hpp"

#include "gis/esri_grid/binary_record.hpp"
#include "gis/esri_grid/grid_name.hpp"

#include "common/small_file.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace kestrune {
namespace {

constexpr std::size_t kDirectoryRecord = 380;
constexpr int kLastTableNumber = 9999;

struct TableKind {
    const char* suffix;    // BND or STA
    const char* dataFile;  // in the GRID's folder
    const char* fields[4];
    std::int16_t width;
    std::int16_t decimals;
};

const TableKind kTables[] = {
    {"BND", "dblbnd.adf", {"XMIN", "YMIN", "XMAX", "YMAX"}, 18, 5},
    {"STA", "sta.adf", {"MIN", "MAX", "MEAN", "STDV"}, 15, 3},
};

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return text;
}

std::string tableFileBase(int number) {
    char name[16];
    std::snprintf(name, sizeof name, "arc%04d", number);
    return name;
}

// A table's entry in arc.dir, as ArcGIS writes one today.
std::string directoryRecord(const std::string& tableName, int number) {
    const auto now = static_cast<std::int32_t>(std::time(nullptr));
    const auto writer = static_cast<std::int32_t>(::getpid());
    BinaryRecord record;
    record.text(tableName, 32);
    record.text(upper(tableFileBase(number)), 8);
    record.int16(4);   // fields
    record.int16(32);  // bytes a record
    record.text("", 16);
    record.int16(132);
    record.int16(0);  // live
    record.int32(1);  // one record
    record.zeros(10);
    record.text("XX", 2);  // external: the data lives in the GRID's folder
    record.text("", 238);  // a text area, blank
    record.text("", 8);
    record.zeros(2);
    record.int32(now);  // made at, in Unix seconds
    record.zeros(8);
    record.int32(writer);  // twice: the writing process, it seems
    record.int32(writer);
    record.zeros(32);
    return record.bytes();
}

std::string fieldDefinitions(const TableKind& kind) {
    BinaryRecord nit;
    for (std::int16_t field = 0; field < 4; ++field) {
        nit.text(kind.fields[field], 16);
        nit.int16(8);  // a double
        nit.int16(-1);
        nit.int16(static_cast<std::int16_t>(1 + 8 * field));
        nit.int16(4);
        nit.int16(-1);
        nit.int16(kind.width);
        nit.int16(kind.decimals);
        nit.int16(6);  // binary float
        nit.int16(0);
        for (int i = 0; i < 4; ++i) nit.int16(-1);
        nit.text("", 16);
        nit.zeros(16);
        nit.int32(-1);
        nit.zeros(32);
        nit.int32(-1);
        nit.int16(static_cast<std::int16_t>(field + 1));
        nit.int16(-1);
        nit.zeros(26);
    }
    return nit.bytes();
}

std::string dataPath(const std::string& gridName, const TableKind& kind) {
    BinaryRecord dat;
    dat.text("../" + gridFolderName(gridName) + "/" + kind.dataFile, 80);
    return dat.bytes();
}

std::string trimmedName(const char* record) {
    std::string name(record, 32);
    name.erase(name.find_last_not_of(' ') + 1);
    return upper(name);
}

int tableNumber(const char* record) { return std::atoi(std::string(record + 35, 4).c_str()); }

bool isLive(const char* record) { return loadBigEndian<std::int16_t>(record + 62) == 0; }

// arc.dir, open and locked against other writers for as long as it lives.
class LockedDirectory {
public:
    explicit LockedDirectory(const fs::path& info) : path_((info / "arc.dir").string()) {
        std::error_code error;
        fs::create_directories(info, error);
        if (error) throw std::runtime_error("cannot create the INFO folder " + info.string() + ": " + error.message());
        descriptor_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (descriptor_ < 0 || ::flock(descriptor_, LOCK_EX) != 0) fail("open");
        off_t size = ::lseek(descriptor_, 0, SEEK_END);
        bytes_.resize(static_cast<std::size_t>(size) / kDirectoryRecord * kDirectoryRecord);
        if (::pread(descriptor_, bytes_.data(), bytes_.size(), 0) != static_cast<ssize_t>(bytes_.size())) fail("read");
    }
    ~LockedDirectory() {
        if (descriptor_ >= 0) ::close(descriptor_);  // also releases the lock
    }

    std::size_t records() const { return bytes_.size() / kDirectoryRecord; }
    const char* record(std::size_t i) const { return bytes_.data() + i * kDirectoryRecord; }

    // The live record of `tableName`, or records().
    std::size_t findLive(const std::string& tableName) const {
        for (std::size_t i = 0; i < records(); ++i)
            if (isLive(record(i)) && trimmedName(record(i)) == tableName) return i;
        return records();
    }
    // The first deleted record, a free slot, or records().
    std::size_t firstFree() const {
        for (std::size_t i = 0; i < records(); ++i)
            if (!isLive(record(i))) return i;
        return records();
    }
    int nextFreeNumber(const fs::path& info) const {
        int number = 0;
        for (std::size_t i = 0; i < records(); ++i) number = std::max(number, tableNumber(record(i)) + 1);
        while (fs::exists(info / (tableFileBase(number) + ".nit")) ||
               fs::exists(info / (tableFileBase(number) + ".dat")))
            ++number;
        if (number > kLastTableNumber)
            throw std::runtime_error("the INFO folder " + info.string() + " holds the most tables a workspace can");
        return number;
    }
    void put(std::size_t i, const std::string& record) {
        if (::pwrite(descriptor_, record.data(), record.size(), static_cast<off_t>(i * kDirectoryRecord)) !=
            static_cast<ssize_t>(record.size()))
            fail("write");
        if (i == records())
            bytes_ += record;
        else
            bytes_.replace(i * kDirectoryRecord, kDirectoryRecord, record);
    }

private:
    [[noreturn]] void fail(const char* action) {
        throw std::runtime_error(std::string("cannot ") + action + " " + path_ + ": " + std::strerror(errno));
    }
    std::string path_;
    int descriptor_ = -1;
    std::string bytes_;
};

std::mutex& directoryMutex() {
    static std::mutex mutex;  // flock does not order the threads of one process
    return mutex;
}

}  // namespace

namespace {

// Marks the record deleted and removes its table's files.
void deleteTable(LockedDirectory& directory, const fs::path& info, std::size_t at) {
    std::string record(directory.record(at), kDirectoryRecord);
    const int number = tableNumber(record.data());
    storeBigEndian(std::int32_t{(132 << 16) | 1}, &record[60]);  // the constant 132, then the deleted flag
    directory.put(at, record);
    for (const char* extension : {".nit", ".dat"}) {
        const fs::path file = info / (tableFileBase(number) + extension);
        std::error_code error;
        fs::remove(file, error);
        if (error) throw std::runtime_error("cannot remove the INFO table " + file.string() + ": " + error.message());
    }
}

// The live tables of GRID `name` (NAME.BND, NAME.STA, NAME.VAT ...) other than `keep`.
std::vector<std::size_t> tablesOf(const LockedDirectory& directory, const std::string& name,
                                  const std::vector<std::string>& keep) {
    const std::string prefix = gridTableName(name, "");
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < directory.records(); ++i) {
        const std::string tableName = trimmedName(directory.record(i));
        if (tableName.rfind(prefix, 0) == 0 && isLive(directory.record(i)) &&
            std::find(keep.begin(), keep.end(), tableName) == keep.end())
            found.push_back(i);
    }
    return found;
}

}  // namespace

void addGridTables(const std::string& workspace, const std::string& name) {
    std::lock_guard<std::mutex> guard(directoryMutex());
    const fs::path info = fs::path(workspace) / "info";
    LockedDirectory directory(info);
    std::vector<std::string> written;
    for (const TableKind& kind : kTables) {
        // A live table of the name is renewed; a new one takes the first
        // free slot, a deleted entry and its number, as ArcGIS does.
        const std::string tableName = gridTableName(name, kind.suffix);
        std::size_t at = directory.findLive(tableName);
        if (at == directory.records()) at = directory.firstFree();
        int number = at < directory.records() ? tableNumber(directory.record(at)) : directory.nextFreeNumber(info);
        // The table's files first, so arc.dir never names a missing table.
        writeSmallFile((info / (tableFileBase(number) + ".nit")).string(), fieldDefinitions(kind));
        writeSmallFile((info / (tableFileBase(number) + ".dat")).string(), dataPath(name, kind));
        directory.put(at, directoryRecord(tableName, number));
        written.push_back(tableName);
    }
    // Tables an earlier GRID of the name had and this one has not (the
    // value attribute table of an integer GRID) go.
    for (std::size_t at : tablesOf(directory, name, written)) deleteTable(directory, info, at);
}

void removeGridTables(const std::string& workspace, const std::string& name) {
    std::lock_guard<std::mutex> guard(directoryMutex());
    const fs::path info = fs::path(workspace) / "info";
    if (!fs::exists(info / "arc.dir")) return;
    LockedDirectory directory(info);
    for (std::size_t at : tablesOf(directory, name, {})) deleteTable(directory, info, at);
}

std::string gridTablesAftercare(const std::string& name) { return "info tables " + name; }

SwapAftercare gridTablesAftercareIn(const std::string& workspace) {
    return [workspace](const std::string& afterwards) {
        const std::string mark = gridTablesAftercare("");
        if (afterwards.rfind(mark, 0) == 0) addGridTables(workspace, afterwards.substr(mark.size()));
    };
}

void addMissingGridTables(const std::string& workspace) {
    if (::access(workspace.c_str(), W_OK) != 0) return;
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(workspace, error), end; !error && entry != end; entry.increment(error)) {
        const fs::path folder = entry->path();
        if (isGridFolder(folder.string()) && gridNameProblem(folder.filename().string()).empty() &&
            fs::exists(folder / "dblbnd.adf") && fs::exists(folder / "sta.adf"))
            names.push_back(folder.filename().string());
    }
    if (names.empty()) return;
    std::vector<std::string> missing;
    {
        std::lock_guard<std::mutex> guard(directoryMutex());
        const fs::path info = fs::path(workspace) / "info";
        if (fs::exists(info / "arc.dir")) {
            LockedDirectory directory(info);
            for (const std::string& name : names)
                for (const TableKind& kind : kTables)
                    if (directory.findLive(gridTableName(name, kind.suffix)) == directory.records()) {
                        missing.push_back(name);
                        break;
                    }
        } else {
            missing = names;
        }
    }
    for (const std::string& name : missing) addGridTables(workspace, name);
}

}  // namespace kestrune
