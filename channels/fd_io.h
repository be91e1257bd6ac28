// SPDX-License-Identifier: MIT
// Writing to a device file descriptor without ever hanging: shared by the serial port and the
// parallel device file.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include "channels/devices.h"
#include "channels/errors.h"

namespace mpt {

// Owns a file descriptor and closes it on every path.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release();
    // Closes the descriptor; returns the errno of a failed close, or 0.
    int reset();

  private:
    int m_fd = -1;
};

// A reader that goes away (a FIFO's, a pseudo-terminal's) must be an error of the write, not a
// signal that ends the console. Called before any device is opened.
void ignoreSigpipe();

// Who holds the flock on the file that `fd` is open on (process 1234, "mini-printer-te"), as
// /proc/locks tells it; nothing where it cannot be known.
std::optional<LockHolder> lockHolder(int fd);

// How long a wait on the device goes on once the run has been asked to stop. A printer must not be
// left with half a command, so the write or drain under way goes on while the device keeps taking
// bytes; but a device that takes nothing (CTS held low, a full FIFO) is given up at once, and
// nothing is waited for longer than half a second after the stop.
class StopGrace {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kIdle{100};
    static constexpr std::chrono::milliseconds kMost{500};

    explicit StopGrace(std::stop_token stop) : m_stop(std::move(stop)) {}
    // True when the wait should end: the stop has come, and the device has taken nothing since
    // `lastProgress` for kIdle, or kMost has passed since the stop was first seen here.
    bool over(Clock::time_point lastProgress);

  private:
    std::stop_token m_stop;
    std::optional<Clock::time_point> m_seen;
};

// The bookkeeping of every wait on a device that must make progress before a deadline (a write,
// a parallel port taking the last statement, a serial queue draining, a connection's bytes being
// acknowledged): when it last made progress, whether the no-progress limit has passed since, and
// whether a stop's grace is over. What counts as progress, and what the end means, is each
// caller's own.
class ProgressDeadline {
  public:
    using Clock = std::chrono::steady_clock;

    // The wait starts now, as if it had just made progress.
    ProgressDeadline(std::chrono::milliseconds limit, std::stop_token stop)
        : m_limit(limit), m_grace(std::move(stop)) {}
    // The device took something.
    void progressed() { m_last = Clock::now(); }
    // What is still waiting now: a different count than at the last call (or the first count)
    // is progress.
    void remaining(std::uint64_t count) {
        if (count != m_remaining) {
            m_remaining = count;
            progressed();
        }
    }
    // How long the wait may still go without progress; zero or less once the limit has passed.
    Clock::duration left() const { return m_limit - (Clock::now() - m_last); }
    bool limitPassed() const { return left() <= Clock::duration::zero(); }
    // The run has been asked to stop and its grace is over (see StopGrace).
    bool stopped() { return m_grace.over(m_last); }

  private:
    std::chrono::milliseconds m_limit;
    StopGrace m_grace;
    Clock::time_point m_last = Clock::now();
    std::optional<std::uint64_t> m_remaining;
};

// What the device open on `fd` says about itself now, or nothing where it cannot tell.
std::optional<DeviceState> readDeviceState(int fd, DeviceState::Kind kind);

// Reads what an open device says about itself (TIOCMGET for a serial port, LPGETSTATUS for a
// parallel or USB printer) at most a few times a second, and tells the observer when it changes.
// A device that does not answer (a pseudo-terminal, a FIFO, a file) is not asked again.
class StateProbe {
  public:
    StateProbe(int fd, DeviceState::Kind kind, DeviceObserver* observer, bool asked = true)
        : m_fd(fd), m_kind(kind), m_observer(observer), m_asked(asked && observer != nullptr) {}
    // Reads the state if the last reading is old enough (or `now`), and reports a change.
    void read(bool now = false);

  private:
    int m_fd;
    DeviceState::Kind m_kind;
    DeviceObserver* m_observer;
    bool m_asked;
    std::optional<DeviceState> m_last;
    std::chrono::steady_clock::time_point m_readAt{};
};

// How long one poll of a device may sleep, so that a stop is seen well within the grace.
inline constexpr std::chrono::milliseconds kPollSlice{25};

// Writes every byte to a non-blocking descriptor, retrying on EINTR and short writes and waiting
// while the device takes nothing. Raises "Device timeout" when `limit` passes without a single
// byte taken, and "Device I/O error" (with the system's reason) when the device refuses the write.
// Each part the device takes is reported to `observer` (which may be null) as it is taken. Once
// `stop` is requested and the grace is over, the rest of the write is reported as not taken and
// RunStopped is raised.
void writeAll(int fd, std::string_view bytes, std::chrono::milliseconds limit,
              const std::string& devicePath, DeviceObserver* observer,
              const std::stop_token& stop = {}, StateProbe* probe = nullptr);

// Runs a write; a ConsoleError from it marks the channel `faulted` before it goes on, so that the
// close knows the bytes queued behind the failed write cannot be delivered.
template <typename Write>
void writeNotingFault(bool& faulted, Write&& write) {
    try {
        write();
    } catch (const ConsoleError&) {
        faulted = true;
        throw;
    }
}

// Waits until the device reports room for more, which a printer driver that writes behind the
// caller's back (USB printers) reports only once its last transfer is done; for a terminal or a
// parallel port driver it only means room. Raises "Device timeout" when `limit` passes first, and
// "Device I/O error" when the device went away. Once `stop` is requested the wait ends with the
// grace; returns whether the device had taken everything.
bool waitUntilTaken(int fd, std::chrono::milliseconds limit, const std::string& devicePath,
                    const std::stop_token& stop = {}, StateProbe* probe = nullptr);

// Puts a question to the device on `fd` (open for reading and writing, non-blocking) and reads its
// answer: what the device had sent before is read and dropped, the question written, and the
// answer read until `end` finds it whole or `limit` passes. A device that cannot be read (a
// parallel port's driver without read-back) answers CannotAnswer before anything is written; one
// that does not take the question within `limit` (a printer holding CTS low) answers NoAnswer.
// A device that fails otherwise raises "Device I/O error". A question that got no answer may still
// sit in the driver's queue (behind a printer that holds CTS low, say): where `faulted` is given,
// NoAnswer sets it, so that the channel's close drops that question rather than waiting the
// no-progress limit for bytes nobody needs any more.
Reply askOnDevice(int fd, std::string_view question, const AnswerEnd& end,
                  std::chrono::milliseconds limit, const std::string& devicePath,
                  bool* faulted = nullptr);

}  // namespace mpt
