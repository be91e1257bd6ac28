// How far a run has got, and how it ended, in the words of the window's status line.
//
// Before a run starts, a rehearsal of the same routine on dry-run devices tells how many bytes
// the run will hand over and how many writes make one repetition. During the run the devices
// report every byte they take and every write handed over (on the worker thread); the window
// reads a snapshot of that every tenth of a second.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "channels/devices.h"
#include "channels/errors.h"

namespace mpt {

// What a rehearsal tells about a run before it starts.
struct RunPlan {
    long long repetitions = 0;          // the count, rounded down; 0 where the routine reads none
    long long writesPerRepetition = 0;  // 0 where the routine has no repetitions
    std::uint64_t totalBytes = 0;
    bool totalExact = true;  // false: estimated from one repetition (a very large count)
};

// Rehearses routine `name` with the given text boxes ("txt1", "port") on dry-run devices.
// A routine that would fail gives the plan of what it sends before failing.
RunPlan planRun(std::string_view name, const std::map<std::string, std::string>& boxes);

struct RunSnapshot {
    std::string port;    // "COM3", "lpt1"; empty before a channel opens
    std::string device;  // where it leads
    std::uint64_t bytes = 0;
    long long writes = 0;
};

class RunProgress final : public DeviceObserver {
  public:
    void opened(const std::string& port, const std::string& devicePath) override;
    void taken(std::size_t bytes) override { m_bytes += bytes; }
    void wrote() override { ++m_writes; }

    RunSnapshot snapshot() const;

  private:
    mutable std::mutex m_mutex;
    std::string m_port;
    std::string m_device;
    std::atomic<std::uint64_t> m_bytes{0};
    std::atomic<long long> m_writes{0};
};

// "1,024"
std::string withThousands(std::uint64_t n);

// "CUTTER TEST EPSON SERIAL: repetition 3 of 10, 1,024 of 8,761 bytes, COM1 → /dev/ttyUSB0"
std::string progressText(std::string_view caption, const RunPlan& plan, const RunSnapshot& now);

// "Sent 8,761 bytes to COM1 → /dev/ttyUSB0 in 9.3 s (the wire needs 9.1 s at 9600 baud)"
std::string finishedText(const RunSnapshot& end, std::chrono::milliseconds took);

// "stalled: the printer held CTS low for 30 s after 1,024 of 8,761 bytes", or
// "failed with error 57 (Device I/O error) after 1,024 of 8,761 bytes"
std::string faultText(const ConsoleError& error, const RunPlan& plan, const RunSnapshot& end,
                      std::chrono::milliseconds limit);

}  // namespace mpt
