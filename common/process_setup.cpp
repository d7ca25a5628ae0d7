#include "common/process_setup.hpp"

#include <clocale>
#include <csignal>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kestrune {
namespace {

constexpr int kLargeBlockBytes = 256 * 1024;

}  // namespace

void prepareProcess() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::setlocale(LC_NUMERIC, "C");
#if defined(__GLIBC__)
    // Large blocks (rows, bands, tiles) come from the system and go back to
    // it when freed. glibc would otherwise raise this threshold as such
    // blocks are freed and keep later ones in its per-thread heaps, where
    // they stay resident long after their use: a third more peak memory on
    // two threads.
    mallopt(M_MMAP_THRESHOLD, kLargeBlockBytes);
#endif
}

}  // namespace kestrune
