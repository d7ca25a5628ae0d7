#pragma once

namespace kestrune {

// The name of an SQLite file layer (VFS) that writes a database's whole,
// aligned pages straight to the disk, past the page cache (O_DIRECT), in
// runs of adjacent pages written by a thread of their own while SQLite goes
// on, and leaves everything else (reads, other writes, syncs, locks,
// journals) to the system's own layer, once the runs are written. SQLite
// writes on one thread: through the page cache, a large file costs that
// thread the copy into the cache and the finding of fresh cache pages, and
// page by page past it, the wait for the disk. Registered on first use.
const char* directWriteVfs();

}  // namespace kestrune
