// SPDX-License-Identifier: MIT
// A real pseudo-terminal standing in for a serial printer: the console opens the slave side as
// its serial port, the test reads the master side as the printer would.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "support/reader_thread.h"

namespace mpt::testing {

// A raw pseudo-terminal: the master, the slave's path, and one slave descriptor held open. Without
// that descriptor the master reads EIO whenever the console has the port closed, and bytes in
// flight between two opens could be dropped; a printer's cable stays plugged in between tests too.
struct RawPty {
    int master = -1;
    int holder = -1;
    std::string slavePath;
};
// Throws when the system gives none.
RawPty openRawPty();

class PtyPrinter {
  public:
    PtyPrinter();
    ~PtyPrinter();
    PtyPrinter(const PtyPrinter&) = delete;
    PtyPrinter& operator=(const PtyPrinter&) = delete;

    const std::string& devicePath() const { return m_slavePath; }

    // Starts reading in the background, taking at most `bytesPerSecond` (0: as fast as it comes).
    void startReading(int bytesPerSecond = 0);
    // Stops the background reader; what it read so far stays in received().
    void stopReading();
    // Waits until `size` bytes have arrived or `timeout` passes; returns what has arrived.
    std::string waitFor(size_t size, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Reads whatever is left after the console closed the port (the master sees EIO at the end).
    std::string drainAll(std::chrono::milliseconds quiet = std::chrono::milliseconds(200));
    std::string received();
    // Closes the master side: the printer vanishes.
    void unplug();

  private:
    void readLoop(int bytesPerSecond);

    int m_master = -1;
    int m_holder = -1;  // keeps the slave alive between the console's opens
    std::string m_slavePath;
    ReaderThread m_reader;
    ReceivedBytes m_received;
};

// Points serial port `port` at `devicePath` for the lifetime of the object.
class ScopedEnv {
  public:
    ScopedEnv(std::string name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

}  // namespace mpt::testing
