#pragma once

namespace kestrune {

// Sets up a process that runs Kestrune jobs, once at start (after the GUI
// toolkit, which sets the locale from the environment): writing past a
// file-size limit fails with an error the run reports, instead of killing
// the process; numbers convert with a period whatever the user's locale,
// for the libraries that follow it; large memory blocks go back to the
// system as soon as they are freed.
void prepareProcess();

}  // namespace kestrune
