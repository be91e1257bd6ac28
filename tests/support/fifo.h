// SPDX-License-Identifier: MIT
// A FIFO standing in for the printer on "lpt1 ": its reading end is open before the console opens
// the writing end, and a background reader takes every byte, across as many openings by the
// console as come. The printer can also pause, read slowly, stop reading for good or be replaced
// by a new one on the same FIFO.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "support/reader_thread.h"

namespace mpt::testing {

class FifoPrinter {
  public:
    // Creates the FIFO in a directory of its own, opens its reading end and starts reading.
    FifoPrinter();
    ~FifoPrinter();
    FifoPrinter(const FifoPrinter&) = delete;
    FifoPrinter& operator=(const FifoPrinter&) = delete;

    bool ready() const { return m_fd >= 0; }
    const std::string& path() const { return m_path; }

    // Sets how many bytes the FIFO holds before a writer has to wait (rounded up by the system to
    // whole pages); only while it is empty. Returns false if the system refuses.
    bool setCapacity(int bytes);

    // Starts reading in the background, taking at most `bytesPerSecond` (0: as fast as it comes).
    void startReading(int bytesPerSecond = 0);
    // Stops the background reader; the reading end stays open, so writers find the FIFO full.
    void stopReading();
    // Reads whatever the FIFO holds right now, without waiting; the reader stays stopped.
    std::string takeWhatIsThere();
    // Waits until `size` bytes have arrived or `timeout` passes; returns what has arrived.
    std::string waitFor(size_t size, std::chrono::milliseconds timeout = std::chrono::seconds(10));
    std::string received();

    // To be called once the console has closed the device: drains the FIFO and returns all bytes.
    std::string finish();

    // Closes the reading end: the printer is gone, bytes still in the FIFO go with it.
    void unplug();
    // A new printer on the same FIFO: opens a fresh reading end and starts reading.
    bool replug();

  private:
    void readLoop(int bytesPerSecond);
    ssize_t readOnce(size_t want);

    std::string m_dir;
    std::string m_path;
    int m_fd = -1;
    ReaderThread m_reader;
    std::atomic<bool> m_done{false};
    ReceivedBytes m_received;
};

}  // namespace mpt::testing
