#include "gis/geopackage/direct_write_vfs.hpp"

#include "common/background_writer.hpp"

#include <sqlite3.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace kestrune {
namespace {

constexpr const char* kName = "kestrune-direct-write";
// Offsets, lengths and memory of direct writes are multiples of this.
constexpr std::int64_t kBlockBytes = 4096;
constexpr std::int64_t kRunBytes = 4 << 20;

// A file of the system's layer, followed in memory by that layer's own
// file; for a main database, a second descriptor of it opened for direct
// writing, and the pages written lately: runs of adjacent pages gathered in
// a block-aligned buffer, written by a thread of their own while the next
// run gathers. Anything that looks at the file (a read, its size, a sync, a
// truncation) first waits until they are all written.
struct DirectFile {
    sqlite3_file base;
    sqlite3_file* system;
    struct Runs {
        int descriptor = -1;
        char* buffers[2] = {nullptr, nullptr};
        char* gathering = nullptr;  // one of the buffers; the other may be in the writer's hands
        std::int64_t start = 0, size = 0;
        int failure = 0;  // the error number of a run that could not be written
        BackgroundWriter writer;
        explicit Runs(int file)
            : descriptor(file), writer([this](const char* data, std::size_t bytes, std::uint64_t offset) {
                  writeRun(data, bytes, offset);
              }) {}
        ~Runs() {
            try {
                writer.wait();
            } catch (...) {  // reported by the close that comes first
            }
            for (char* buffer : buffers) std::free(buffer);
            if (descriptor >= 0) ::close(descriptor);
        }
        void writeRun(const char* data, std::size_t bytes, std::uint64_t offset);
    };
    Runs* runs;
};

DirectFile* direct(sqlite3_file* file) { return reinterpret_cast<DirectFile*>(file); }
sqlite3_file* system(sqlite3_file* file) { return direct(file)->system; }

// Two block-aligned buffers of a run each, or none.
bool allocateRuns(DirectFile::Runs& runs) {
    for (char*& buffer : runs.buffers) buffer = static_cast<char*>(std::aligned_alloc(kBlockBytes, kRunBytes));
    runs.gathering = runs.buffers[0];
    return runs.buffers[0] && runs.buffers[1];
}

void DirectFile::Runs::writeRun(const char* data, std::size_t bytes, std::uint64_t offset) {
    while (bytes > 0) {
        const ssize_t written = ::pwrite(descriptor, data, bytes, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) continue;
        // A file system that opens files for direct writing and then refuses
        // the writes gets them through its cache.
        const int flags = written < 0 && errno == EINVAL ? ::fcntl(descriptor, F_GETFL) : -1;
        if (flags >= 0 && (flags & O_DIRECT) && ::fcntl(descriptor, F_SETFL, flags & ~O_DIRECT) == 0) continue;
        if (written <= 0) {
            failure = written < 0 ? errno : ENOSPC;
            throw std::runtime_error(std::strerror(failure));
        }
        data += written, bytes -= static_cast<std::size_t>(written), offset += static_cast<std::uint64_t>(written);
    }
}

// Hands the run gathered to the writer and waits for all to be written
// when `wait`; an SQLite error code.
int flushRuns(DirectFile* f, bool wait) {
    DirectFile::Runs* runs = f->runs;
    if (!runs) return SQLITE_OK;
    try {
        if (runs->size > 0) {
            runs->writer.hand(runs->gathering, static_cast<std::size_t>(runs->size),
                              static_cast<std::uint64_t>(runs->start));
            runs->gathering = runs->gathering == runs->buffers[0] ? runs->buffers[1] : runs->buffers[0];
            runs->start += runs->size;
            runs->size = 0;
        }
        if (wait) runs->writer.wait();
        return SQLITE_OK;
    } catch (const std::exception&) {  // the writer's failure, told as SQLite tells it
        return runs->failure == ENOSPC ? SQLITE_FULL : SQLITE_IOERR_WRITE;
    }
}

int directWrite(sqlite3_file* file, const void* data, int size, sqlite3_int64 offset) {
    DirectFile* f = direct(file);
    DirectFile::Runs* runs = f->runs;
    if (!runs || size % kBlockBytes != 0 || offset % kBlockBytes != 0 || size > kRunBytes) {
        if (const int flushed = flushRuns(f, true); flushed != SQLITE_OK) return flushed;
        return f->system->pMethods->xWrite(f->system, data, size, offset);
    }
    if (runs->size + size > kRunBytes || (runs->size > 0 && offset != runs->start + runs->size))
        if (const int flushed = flushRuns(f, false); flushed != SQLITE_OK) return flushed;
    if (runs->size == 0) runs->start = offset;
    std::memcpy(runs->gathering + runs->size, data, static_cast<std::size_t>(size));
    runs->size += size;
    return SQLITE_OK;
}

int directClose(sqlite3_file* file) {
    DirectFile* f = direct(file);
    const int flushed = flushRuns(f, true);
    delete f->runs;
    f->runs = nullptr;
    const int closed = f->system->pMethods->xClose(f->system);
    return flushed != SQLITE_OK ? flushed : closed;
}

// Everything else is the system layer's.
int directRead(sqlite3_file* f, void* data, int size, sqlite3_int64 offset) {
    if (const int flushed = flushRuns(direct(f), true); flushed != SQLITE_OK) return flushed;
    return system(f)->pMethods->xRead(system(f), data, size, offset);
}
int directTruncate(sqlite3_file* f, sqlite3_int64 size) {
    if (const int flushed = flushRuns(direct(f), true); flushed != SQLITE_OK) return flushed;
    return system(f)->pMethods->xTruncate(system(f), size);
}
int directSync(sqlite3_file* f, int flags) {
    if (const int flushed = flushRuns(direct(f), true); flushed != SQLITE_OK) return flushed;
    return system(f)->pMethods->xSync(system(f), flags);
}
int directFileSize(sqlite3_file* f, sqlite3_int64* size) {
    if (const int flushed = flushRuns(direct(f), true); flushed != SQLITE_OK) return flushed;
    return system(f)->pMethods->xFileSize(system(f), size);
}
int directLock(sqlite3_file* f, int level) { return system(f)->pMethods->xLock(system(f), level); }
int directUnlock(sqlite3_file* f, int level) { return system(f)->pMethods->xUnlock(system(f), level); }
int directCheckReservedLock(sqlite3_file* f, int* out) {
    return system(f)->pMethods->xCheckReservedLock(system(f), out);
}
int directFileControl(sqlite3_file* f, int op, void* argument) {
    return system(f)->pMethods->xFileControl(system(f), op, argument);
}
int directSectorSize(sqlite3_file* f) { return system(f)->pMethods->xSectorSize(system(f)); }
int directDeviceCharacteristics(sqlite3_file* f) { return system(f)->pMethods->xDeviceCharacteristics(system(f)); }

// Version 1: no shared memory (no write-ahead log) and no memory mapping,
// which a file written once by one connection does not use.
const sqlite3_io_methods kMethods = {1,
                                     directClose,
                                     directRead,
                                     directWrite,
                                     directTruncate,
                                     directSync,
                                     directFileSize,
                                     directLock,
                                     directUnlock,
                                     directCheckReservedLock,
                                     directFileControl,
                                     directSectorSize,
                                     directDeviceCharacteristics,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr,
                                     nullptr};

int directOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* systemVfs = static_cast<sqlite3_vfs*>(vfs->pAppData);
    DirectFile* f = direct(file);
    f->system = reinterpret_cast<sqlite3_file*>(f + 1);
    f->runs = nullptr;
    file->pMethods = nullptr;
    const int opened = systemVfs->xOpen(systemVfs, name, f->system, flags, outFlags);
    if (opened != SQLITE_OK) {
        if (f->system->pMethods) f->system->pMethods->xClose(f->system);
        return opened;
    }
    // A file system that cannot write past its cache leaves the file to the system's layer.
    const int descriptor = (flags & SQLITE_OPEN_MAIN_DB) && name ? ::open(name, O_WRONLY | O_DIRECT | O_CLOEXEC) : -1;
    if (descriptor >= 0) {
        f->runs = new DirectFile::Runs(descriptor);
        if (!allocateRuns(*f->runs)) {
            delete f->runs;
            f->runs = nullptr;
        }
    }
    file->pMethods = &kMethods;
    return SQLITE_OK;
}

}  // namespace

const char* directWriteVfs() {
    static std::once_flag registered;
    static sqlite3_vfs vfs;
    std::call_once(registered, [] {
        sqlite3_vfs* systemVfs = sqlite3_vfs_find(nullptr);
        vfs = *systemVfs;
        vfs.pNext = nullptr;
        vfs.zName = kName;
        vfs.pAppData = systemVfs;
        vfs.szOsFile = static_cast<int>(sizeof(DirectFile)) + systemVfs->szOsFile;
        vfs.xOpen = directOpen;
        sqlite3_vfs_register(&vfs, 0);
    });
    return kName;
}

}  // namespace kestrune
