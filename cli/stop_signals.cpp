#include "cli/stop_signals.hpp"

#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstring>

namespace kestrune {
namespace {

std::atomic<bool> stopReceived{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");

extern "C" void askToStop(int) {
    stopReceived.store(true);
    static const char note[] =
        "kestrune-batch: stopping after the files being worked on (send the signal again to stop at once)\n";
    ssize_t ignored = ::write(STDERR_FILENO, note, sizeof note - 1);  // all a handler may do to tell
    (void)ignored;
}

}  // namespace

void stopOnSignals() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = askToStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;  // the second signal finds the default action
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stopSignalReceived() { return stopReceived.load(); }

}  // namespace kestrune
