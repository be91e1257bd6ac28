// SPDX-License-Identifier: MIT
// The termination signals a bench sends a console (Ctrl+C, SIGTERM from a script, SIGHUP when the
// terminal goes), turned into something an ordinary thread can wait on. A handler may do almost
// nothing: it writes the signal's number into a pipe, whose reading end the window watches on its
// event loop and the runner polls while its run goes on. Either then stops the run the usual way.
#pragma once

namespace mpt {

// Installs the handlers for SIGINT, SIGTERM and SIGHUP for the rest of the process, once, and
// returns the descriptor to read the signals' numbers from (non-blocking), or -1 when the system
// gave no pipe.
int terminationSignals();

// The number of a signal that has arrived since the last call, or 0 when none has.
int takeTerminationSignal();

}  // namespace mpt
