#pragma once

namespace kestrune {

// From now on the first SIGINT or SIGTERM asks the run to stop after the
// files being worked on (a line on standard error says so); a second one
// ends the process at once, as without this.
void stopOnSignals();

// True once such a signal came.
bool stopSignalReceived();

}  // namespace kestrune
