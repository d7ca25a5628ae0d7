#pragma once

#include <stdexcept>

namespace kestrune {

// A request to stop the work in progress, for the whole process: the front
// ends make it (a signal, the window's stop, a standard error that is gone),
// and every long piece of work looks at it between its bands, blocks and
// pieces, so a stop takes effect within a fraction of a second.
void requestStop() noexcept;  // safe in a signal handler
bool stopRequested() noexcept;
// Before a new run.
void withdrawStopRequest() noexcept;

// The work stopped on request: not a failure to report, but nothing of the
// work it cut short goes in place.
class WorkStopped : public std::runtime_error {
public:
    WorkStopped() : std::runtime_error("the work was stopped on request") {}
};

// Throws WorkStopped once a stop was requested.
void stopIfRequested();

}  // namespace kestrune
