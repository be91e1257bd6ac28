// SPDX-License-Identifier: MIT
// Errors raised by the console's channels and conversions.
//
// A failing step throws a ConsoleError where it happens; the dispatcher alone catches it, releases
// the channel the routine had opened and shows the error box. The numbers and texts are the ones a
// technician knows from the bench console's error box. The error also carries what was found out
// where it happened (ErrorFacts: the device, the system's errno, the bytes not taken …), as values:
// the core words them for the error box's detail, the command line and the trace
// (core/wording.h), so that the fault can be put right without guessing.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "channels/access_advice.h"
#include "channels/device_state.h"

namespace mpt {

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

// What the channel was doing when the system refused: the same errno means different things when
// opening a serial port, opening "lpt1 ", writing to either or reading an answer back. LockSerial
// and LockLpt are the exclusive lock taken right after the opening: there EWOULDBLOCK means another
// program holds it.
enum class Step { OpenSerial, ConfigureSerial, OpenLpt, LockSerial, LockLpt, Write, Read, Close };

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
    // What that comes to: the address is not one, the name was not found within the limit, the
    // lookup failed (getaddrinfo's reason), the system refused (errnoValue), or no address
    // answered within the limit.
    enum class Why { NotAnAddress, NameNotFoundInTime, LookupFailed, System, NoAnswerInTime };
    Why why() const;
};

// The program holding a lock that was refused, as /proc/locks and /proc/PID/comm tell it.
struct LockHolder {
    long pid = 0;
    std::string name;  // empty where it is not known
};

// A serial device present on this machine, listed in the error about a port that is not there.
struct SerialDevicePresent {
    std::string path;        // /dev/ttyUSB0
    std::string stableName;  // /dev/serial/by-id/usb-…, or empty where there is none
};

// What went wrong, one value for each situation the channels and the pages tell apart; which of
// the fields of ErrorFacts it uses is said beside it.
enum class Fault {
    None,               // nothing more to say
    System,             // device refused with errnoValue at step
    AccessDenied,       // device refused the user (errnoValue); advice
    InUse,              // device held by another program; holder where known
    InUseLockFile,      // device claimed by process `number` through the lock file `seen`
    WentAway,           // device gone, the system's errnoValue
    Gone,               // device gone (the poll's hang-up: no errno)
    NoSerialDevice,     // device not there (errnoValue); serialDevices: those present
    NotASerialDevice,   // device is not a serial device; serialDevices: those present
    NoReader,           // device is a FIFO nobody reads (ENXIO)
    LinkToNothing,      // device is a link to `seen`, which does not exist
    NoLpt1,             // no parallel printer port on this machine
    NotPluggedIn,       // port `device` is bound to the device `identity`, which is absent
    NoProgress,         // device took nothing for `limit`; `notTaken` bytes of the write
    LastNotTaken,       // device had not taken the last statement after `limit`
    StillQueued,        // `notTaken` bytes still waiting on device after `limit` without progress
    NonStandardRate,    // device: `number` baud
    MarkSpaceParity,    // device cannot do mark or space parity
    BadSettings,        // the Settings text `seen`
    NoConnection,       // device (an address); connection
    CommPortBelowOne,   // CommPort `number`
    CommPortWhileOpen,  // CommPort set while the port is open
    ComAlreadyOpen,     // COM`number` opened twice
    BadHandshaking,     // Handshaking `number`
    OutputWhileClosed,  // Output to COM`number` while it is closed
    FileNumber,         // file number `number` (out of range, or already open)
    FileNotOpen,        // file number `number` is not open
    NotLpt1,            // the device name `seen` is not "lpt1 "
    CountNotANumber,    // the count box holds `seen`
    PortNotANumber,     // the port box holds `seen`
    CountTooLarge,
    PortTooLarge,
    PortOutOfRange,    // the port box's `seen` is outside -32768..32767
    TraceNotWritten,   // the trace `device` failed with errnoValue (0: the stream only failed)
    Unexpected,        // something else was raised, saying `seen`
    UnknownException,  // something else was raised that says nothing
};

// The facts an error carries.
struct ErrorFacts {
    Fault fault = Fault::None;
    Step step = Step::Write;
    int errnoValue = 0;
    std::string device{};      // the device's path, a network address, or the port's name
    std::string seen{};        // the text the fault is about (a box's content, a device name …)
    long long number = 0;      // the number it is about (a file number, a baud rate …)
    std::size_t notTaken = 0;  // bytes handed over that the device did not take
    std::chrono::milliseconds limit{};  // the time the device was given
    std::string identity{};             // the device a port is bound to (port_inventory.h)
    std::optional<LockHolder> holder{};
    AccessAdvice advice{};  // said of AccessDenied
    std::vector<SerialDevicePresent> serialDevices{};
    ConnectFailure connection{};
    // Said of an opening: a binding under Ports decided where the port led (the port and the
    // device it is bound to), and the run had this port open for an earlier page.
    std::string boundPort{};
    std::string boundIdentity{};
    bool openEarlier = false;
    // What the device last told about itself before the error (the run's progress), and the
    // no-progress limit a stall is measured against.
    std::optional<DeviceState> lastSeen{};
    std::chrono::milliseconds stallLimit{};
};

class ConsoleError : public std::runtime_error {
  public:
    ConsoleError(int number, std::string text, ErrorFacts facts = {});

    int number() const { return m_number; }
    const std::string& text() const { return m_text; }
    const ErrorFacts& facts() const { return m_facts; }
    ErrorFacts& facts() { return m_facts; }

  private:
    int m_number;
    std::string m_text;
    ErrorFacts m_facts;
};

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
ConsoleError makeError(int number, ErrorFacts facts = {});

// The system's text for an errno value, as strerror gives it, and safe on any thread: errors are
// worded for the window's thread while a run's worker thread may do the same.
std::string systemErrorText(int errnoValue);

// Translates an errno value into the console's error. This is the only place that looks at errno
// values, so that every channel reports a given system failure the same way.
// `holder` is the program holding a lock that was refused (fd_io's lockHolder), where known. An
// error of a serial port that is not there has its serialDevices filled in by the opening, which
// knows where the port map looks for them.
ConsoleError systemError(int errnoValue, Step step, const std::string& devicePath,
                         std::optional<LockHolder> holder = {});

// The error of the given number for a connection to `address` that was not made.
ConsoleError connectionError(int number, const std::string& address, const ConnectFailure& failure);

}  // namespace mpt
