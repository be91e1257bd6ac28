// SPDX-License-Identifier: MIT
// How far a run has got, and how it ended, as numbers: the window's status line and the runner's
// stopped line word them (core/wording.h).
//
// During a run the devices report every byte they take, every write handed over and, on a stop,
// the bytes that never reached the printer; the routine's loop reports each repetition as it
// starts. All of that arrives on the run's worker thread; the window reads a snapshot of it every
// tenth of a second. The total a run will send is not known beforehand: once the second
// repetition starts it is reckoned from the first, "about" since the counter's digits grow.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "channels/devices.h"
#include "channels/errors.h"
#include "channels/run_events.h"
#include "testpages/console.h"

namespace mpt {

// A count of bytes reckoned for a whole run: a count of repetitions times the bytes of one is
// beyond 64 bits for the counts a box can hold.
__extension__ typedef unsigned __int128 ByteCount;

// A repetition count beyond what the loop's counter can reach (a count of 1e300): the loop never
// ends, and the count is said as "more than" this.
inline constexpr long long kCountBeyond = std::numeric_limits<long long>::max();

struct RunSnapshot {
    std::string port;            // "COM3", "lpt1"; empty before a channel opens
    std::string device;          // where it leads
    std::uint64_t taken = 0;     // bytes the devices took
    std::uint64_t dropped = 0;   // of those, dropped from an output queue on a stop
    std::uint64_t notTaken = 0;  // bytes of a write cut short by a stop or a fault
    long long writes = 0;
    long long repetition = 0;                // the repetition under way, 0 before the first
    long long repetitions = 0;               // how many the loop runs; kCountBeyond: no end
    std::uint64_t takenAtFirst = 0;          // bytes taken when repetition 1 started
    std::uint64_t takenAtSecond = 0;         // … and repetition 2
    std::uint64_t takenAtCurrent = 0;        // … and the repetition under way
    std::optional<DeviceState> deviceState;  // the last the open device said, where it can tell
    // Repetitions whose every byte reached the device and stays there.
    long long complete = 0;
    std::optional<RunStopped::At> stoppedAt;  // where a stop took effect, once the run has ended

    // Bytes that reached the device and stay there.
    std::uint64_t sent() const { return taken - dropped; }
    // Bytes handed to a channel that never reached the printer.
    std::uint64_t discarded() const { return notTaken + dropped; }
    // Whether the run was stopped only once every write of the repetition under way had been
    // handed over: in the closing, or after the routine's last step.
    bool handedOverAtStop() const {
        return stoppedAt == RunStopped::At::Close || stoppedAt == RunStopped::At::End;
    }
    // The time the bytes sent take on a serial port's wire at 9600 baud; none for the parallel
    // port or a network printer, which have no wire of a known speed.
    std::optional<double> wireSeconds() const;
    // The bytes the whole run sends, reckoned from the first repetition; nothing until the second
    // has started. For a count beyond kCountBeyond, what the run sends is more than this.
    std::optional<ByteCount> estimatedTotal() const;
};

// What a run's error was, as the device's last state tells it, worded by core/wording.h for the
// status line and the error's detail. A stall
// (error 24) is named by what held the printer back; any other error by its number and text, with
// the state last seen where the device told one.
struct FaultCause {
    enum class Kind {
        None,          // the run ended without an error
        DsrLow,        // stalled, DSR low: the printer is off or the cable is out
        CtsLow,        // stalled, CTS low for `limit`: the printer is busy or its buffer full
        PaperOut,      // stalled, the printer said paper out
        OffLine,       // stalled, the printer said off line
        PrinterError,  // stalled, the printer said it has an error
        NoData,        // stalled, the device took nothing for `limit`, and did not say why
        Failed,        // another error: `number` (`text`)
    };
    Kind kind = Kind::None;
    int number = 0;                     // the error's number
    std::string text;                   // the error's own text, the same in every language
    std::optional<DeviceState> seen;    // the last state the device told, where it can tell
    std::chrono::milliseconds limit{};  // the no-progress limit a stall is measured against

    bool operator==(const FaultCause&) const = default;
};

// The cause of `error`, the device last seen in `seen`, a stall measured against `limit`.
FaultCause faultCauseOf(const ConsoleError& error, const std::optional<DeviceState>& seen,
                        std::chrono::milliseconds limit);
// The cause of the error a run ended in, from the state last seen and the no-progress limit the
// run's session put in its facts (ErrorFacts::lastSeen, stallLimit).
FaultCause faultCauseOf(const ConsoleError& error);

class RunProgress final : public DeviceObserver, public RepetitionListener {
  public:
    void opened(const std::string& port, const std::string& devicePath) override;
    void taken(std::size_t bytes) override;
    void wrote() override;
    void notTaken(std::size_t bytes) override;
    void dropped(std::size_t bytes) override;
    void state(const DeviceState& now) override;
    void repetition(long long counter, long long count) override;

    // The run was stopped, and where the stop took effect.
    void stopped(RunStopped::At at);

    RunSnapshot snapshot() const;
    void reset();
    // Where each change of the device's state goes (on the thread that writes): the run's events.
    void setEvents(RunEvents* events) { m_events = events; }

  private:
    struct Start {
        long long counter;
        std::uint64_t taken;  // bytes taken when the repetition started
    };
    // The starts of the latest repetitions, enough of them to cover whatever a device can hold
    // unsent (an output queue, a connection's, a pipe's) when a run ends: which repetitions are
    // complete is told by what was sent.
    static constexpr std::size_t kStartsKept = 8192;
    long long completeBy(std::uint64_t sent) const;

    mutable std::mutex m_mutex;
    RunSnapshot m_now;
    std::deque<Start> m_starts;
    RunEvents* m_events = nullptr;
};

}  // namespace mpt
