// SPDX-License-Identifier: MIT
// Errors raised by the console's channels and conversions.
//
// A failing step throws a ConsoleError where it happens; the dispatcher alone catches it, releases
// the channel the routine had opened and shows the error box. The numbers and texts are the ones a
// technician knows from the bench console's error box; the detail names the device and the
// system's reason so the fault can be put right without guessing.
#pragma once

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mpt {

class ConsoleError : public std::runtime_error {
  public:
    ConsoleError(int number, std::string text, std::string detail = {});

    int number() const { return m_number; }
    const std::string& text() const { return m_text; }
    const std::string& detail() const { return m_detail; }

  private:
    int m_number;
    std::string m_text;
    std::string m_detail;
};

namespace err {
inline constexpr int kOverflow = 6;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kDeviceTimeout = 24;
inline constexpr int kInternalError = 51;
inline constexpr int kBadFileNameOrNumber = 52;
inline constexpr int kFileAlreadyOpen = 55;
inline constexpr int kDeviceIoError = 57;
inline constexpr int kDeviceUnavailable = 68;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathFileAccessError = 75;
inline constexpr int kInvalidPropertyValue = 380;
inline constexpr int kInvalidPortNumber = 8002;
inline constexpr int kPortAlreadyOpen = 8005;
inline constexpr int kCouldNotSetCommState = 8015;
inline constexpr int kPortNotOpen = 8018;
}  // namespace err

// Not an error: the technician asked the run to stop. A channel raises it at the next write
// boundary, when it gives up waiting on a device that does not take the write under way, or when
// the stop came while it was closing (then after the port is closed); the dispatcher catches it,
// closes the channel and reports the run as stopped, not failed.
class RunStopped : public std::exception {
  public:
    // Where the stop took effect: before a channel step (an opening, a write), within a write, in
    // the closing of a channel, or once the routine had taken its last step.
    enum class At { Step, Write, Close, End };

    explicit RunStopped(std::size_t notTaken = 0, At at = At::Step)
        : m_notTaken(notTaken), m_at(at) {}
    const char* what() const noexcept override { return "the run was stopped"; }
    // Bytes handed over that the device never took: the rest of the write under way, or what the
    // device still held when its closing was given up.
    std::size_t notTaken() const { return m_notTaken; }
    At at() const { return m_at; }

  private:
    std::size_t m_notTaken;
    At m_at;
};

// The error of the given number with its standard text.
ConsoleError makeError(int number, std::string detail = {});

// What the channel was doing when the system refused: the same errno means different things when
// opening a serial port, opening "lpt1 " or writing to either. LockSerial and LockLpt are the
// exclusive lock taken right after the opening: there EWOULDBLOCK means another program holds it.
enum class Step { OpenSerial, ConfigureSerial, OpenLpt, LockSerial, LockLpt, Write, Close };

// The system's text for an errno value, as strerror gives it, and safe on any thread: channels
// word their errors on the run's worker thread while the window's thread may do the same.
std::string systemErrorText(int errnoValue);

// Translates an errno value into the console's error. This is the only place that looks at errno
// values, so that every channel reports a given system failure the same way.
// `holder` names the program holding a lock that was refused (fd_io's lockHolder), where known;
// `root` is where the port map looks for devices, whose serial devices a missing port's error
// lists.
ConsoleError systemError(int errnoValue, Step step, const std::string& devicePath,
                         std::string_view holder = {}, const std::string& root = "/");

// Why a connection to a network printer was not made: the address could not be read, looking its
// host up failed (getaddrinfo's result, and the errno behind EAI_SYSTEM) or ran out of time
// (ETIMEDOUT), or no address of it took the connection (the errno of the last try, ETIMEDOUT when
// time ran out).
struct ConnectFailure {
    enum class Stage { Address, Lookup, Connect };
    Stage stage = Stage::Address;
    int lookupResult = 0;
    int errnoValue = 0;
    std::chrono::milliseconds limit{};  // the time the connection was given
};

// The error of the given number for a connection to `address` that was not made.
ConsoleError connectionError(int number, const std::string& address, const ConnectFailure& failure);

}  // namespace mpt
