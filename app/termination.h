// Ending the console cleanly when the terminal asks: Ctrl+C (SIGINT), SIGTERM and SIGHUP quit the
// event loop as closing the window does, so that what the program set up is taken down (the
// virtual printer's FIFO and its directory among it) instead of being left behind.
#pragma once

namespace mpt {

// Installs the handlers for the rest of the process. Needs a running QCoreApplication's thread.
void quitOnTerminationSignals();

}  // namespace mpt
