#pragma once

namespace kestrune {

// From now on the first SIGINT, SIGTERM or SIGHUP stops the run (see
// requestStop; a line on standard error says so); a second one ends the
// process at once, as without this. SIGPIPE no longer ends the process: a
// write to a reader that went away fails instead.
void stopOnSignals();

}  // namespace kestrune
