#include "cli/stop_signals.hpp"

#include "common/stop_request.hpp"

#include <unistd.h>
#include <csignal>
#include <cstring>

namespace kestrune {
namespace {

extern "C" void askToStop(int) {
    requestStop();
    static const char note[] = "kestrune-batch: stopping (send the signal again to stop at once)\n";
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
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
    // A reader of standard error that goes away (| head) is a stop, told by
    // the failed write, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace kestrune
