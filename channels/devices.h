// SPDX-License-Identifier: MIT
// The devices behind the two channels, and where port numbers and "lpt1 " lead on this system.
//
// MSComm and FileTable speak only to these interfaces; the POSIX serial port and device file
// stand behind them in normal use, and a dry-run set that touches no device stands behind them
// for rehearsals and tests of the routines' streams. Every implementation takes all bytes of a
// write or raises an error, and delivers every byte written before close() returns.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>

#include "channels/device_state.h"
#include "channels/errors.h"

namespace mpt {

// The four fields of a Settings text such as "9600,n,8,1".
struct LineSettings {
    int baud = 9600;
    char parity = 'n';  // n, e, o, m or s
    int dataBits = 8;   // 5 to 8
    int stopBits = 1;   // 1 or 2
};

// Parses "baud,parity,data,stop"; raises "Invalid property value" for any other form.
LineSettings parseSettings(std::string_view text);

// What a question put to the printer got back (see printer_status.h).
struct Reply {
    enum class Kind {
        Answered,      // the bytes make a whole answer, or garbage that is one to the caller
        NoAnswer,      // nothing whole came back within the limit
        CannotAnswer,  // the device carries nothing back: nothing was sent
    };
    Kind kind = Kind::CannotAnswer;
    std::string bytes;  // what came back after the question, up to the end of the answer
};
// How many of the bytes received so far make the answer; 0 while more is needed.
using AnswerEnd = std::function<std::size_t(std::string_view received)>;

// An open serial port.
class SerialLine {
  public:
    virtual ~SerialLine() = default;
    virtual void apply(const LineSettings& settings) = 0;
    // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both.
    virtual void setHandshaking(int mode) = 0;
    virtual void write(std::string_view bytes) = 0;
    // Waits until every byte handed over has left, then closes. After a failed write or a time-out
    // the bytes still queued cannot be delivered, and close() releases the port without waiting.
    // Once the run is asked to stop, the wait lasts only while the printer keeps taking bytes;
    // what is still queued then is dropped and reported to the observer, the port is released,
    // and RunStopped is raised with the bytes dropped.
    virtual void close() = 0;
    // Sends a question and reads its answer for at most `limit`, apart from any stream: bytes
    // that came before the question are dropped first. A line that carries nothing back answers
    // CannotAnswer at once.
    virtual Reply ask(std::string_view /*question*/, const AnswerEnd& /*end*/,
                      std::chrono::milliseconds /*limit*/) {
        return {};
    }
};

// An open output device file ("lpt1 ").
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    virtual void write(std::string_view bytes) = 0;
    // Delivers, then closes; the file is released on every path. A wait on a device given up for
    // a stop raises RunStopped once the file is closed.
    virtual void close() = 0;
    // As SerialLine::ask(); a FIFO, a plain file and a port without read-back cannot answer.
    virtual Reply ask(std::string_view /*question*/, const AnswerEnd& /*end*/,
                      std::chrono::milliseconds /*limit*/) {
        return {};
    }
};

// A port opened only to ask its printer questions, never to print.
class AskingPort {
  public:
    virtual ~AskingPort() = default;
    virtual Reply ask(std::string_view question, const AnswerEnd& end,
                      std::chrono::milliseconds limit) = 0;
    virtual void close() = 0;
};

// Told which device a channel opened, of every byte a device takes as it takes it (a write may be
// taken in parts, and a write that fails part-way has had its first part taken), and of every
// write or print statement handed over whole. Called on the thread that writes; the window uses
// it to show how far a run has got.
class DeviceObserver {
  public:
    virtual ~DeviceObserver() = default;
    // `port` is what the console calls it ("COM3", "lpt1"), `devicePath` where it leads.
    virtual void opened(const std::string& port, const std::string& devicePath) = 0;
    virtual void taken(std::size_t bytes) = 0;
    virtual void wrote() = 0;
    // A stop or a fault: bytes of the write under way the device never took, and bytes it had
    // taken into its output queue and that were dropped on closing, so they never reached the
    // printer.
    virtual void notTaken(std::size_t bytes) = 0;
    virtual void dropped(std::size_t bytes) = 0;
    // What the open device says about itself, read a few times a second while it is written and
    // while a write or drain waits on it; told when it changes, and first when it is first read.
    virtual void state(const DeviceState& now) = 0;
};

// Where port numbers and "lpt1 " lead, besides the environment and the defaults. In this order:
// the virtual printer's ports (`serial`, `lpt1`), then the environment (MPT_COM<n>, MPT_LPT1),
// then the user's saved bindings (`boundSerial`, `boundLpt1`: identities of devices, see
// port_inventory.h, looked for among the devices present at each opening), then the built-in
// defaults.
struct PortMap {
    std::map<int, std::string> serial;  // port number → device
    std::string lpt1;                   // empty: not mapped here
    std::map<int, std::string> boundSerial;
    std::string boundLpt1;
    std::string root = "/";  // where devices are looked for: a fake tree in the tests
};

// Where a port leads, and what decided it. The routes are worked out with the port help
// (port_help.cpp), which looks for a bound device among the devices present; the system's devices
// and the dry-run set are in system_devices.cpp.
struct PortRoute {
    enum class By { Virtual, Environment, Binding, Default };
    By by = By::Default;
    std::string path;      // empty: no device (a bound one that is not present, no lpt1 here)
    std::string identity;  // By::Binding: the device it is bound to
};
PortRoute serialRoute(int portNumber, const PortMap& map);
PortRoute lpt1Route(const PortMap& map);

// What the console calls serial port n ("COM3"), in its results, its trace and its port list.
inline std::string portName(int portNumber) {
    return "COM" + std::to_string(portNumber);
}

// A serial port's UUCP lock file, released when its last holder lets go.
class PortClaim;

// What one run brings to the openings of its devices, passed down to each of them: who observes
// the devices it opens, its stop request (seen by every write and drain and by the channels at
// each write boundary), the port map as it was when the run started (the Ports dialog may change
// the devices' map meanwhile; the run goes on with its own), and its claims on serial ports.
struct RunContext {
    PortMap map;
    DeviceObserver* observer = nullptr;
    std::stop_token stop;
    // While a routine runs, a serial port stays claimed (its lock file kept) from its first
    // opening on, also while closed between pages, so that no other program takes it in the gap;
    // a port the run had open and cannot open again went away since. Outside a routine each
    // opening claims and releases the port by itself.
    bool keepsClaims = false;
    std::map<std::string, std::shared_ptr<PortClaim>> claims;  // by device path

    // Raises RunStopped when the run has been asked to stop: called before each channel step
    // (`at` Step), and after a closing (Close), which ends the run there even where the close
    // still delivered everything.
    void throwIfStopped(RunStopped::At at = RunStopped::At::Step) const;
};

class Devices {
  public:
    explicit Devices(PortMap map = {}) : m_map(std::move(map)) {}
    virtual ~Devices() = default;

    // Where ports lead now. The Ports dialog sets new bindings from any thread, for the runs
    // that start from then on; a run going on keeps the map it started with.
    PortMap portMap() const;
    void setPortMap(PortMap map);
    // A run's context: the map as it is now, with the run's observer and stop request.
    RunContext startRun(DeviceObserver* observer = nullptr, std::stop_token stop = {}) const;
    // Where port n and "lpt1 " lead for these devices now (see serialDevicePath).
    std::string serialPath(int portNumber) const;
    std::string lpt1Path() const;

    // Opens port n for `run` with the line settings and handshaking the control holds.
    virtual std::unique_ptr<SerialLine> openSerial(RunContext& run, int portNumber,
                                                   const LineSettings& settings,
                                                   int handshaking) = 0;
    virtual std::unique_ptr<OutputFile> openLpt1(RunContext& run) = 0;
    // Opens serial port n, or "lpt1 " for 0, to ask its printer questions, outside any run (the
    // map as it is now): a serial port as the routines open it, a network address, a printer
    // device with read-back. A port that leads to a FIFO or a plain file is not opened at all
    // (nothing is sent into a captured stream, no file is emptied or made): nullptr. Devices that
    // touch nothing answer nullptr too.
    virtual std::unique_ptr<AskingPort> openToAsk(int /*portNumber*/) { return nullptr; }

    // An opening outside any run: the map as it is now, nothing observed, no stop.
    std::unique_ptr<SerialLine> openSerial(int portNumber, const LineSettings& settings,
                                           int handshaking);
    std::unique_ptr<OutputFile> openLpt1();

  private:
    mutable std::mutex m_mutex;  // the Ports dialog's thread sets the map a run's thread reads
    PortMap m_map;
};

// The devices of this system: port n is the device `map` gives it, else the one named by
// MPT_COM<n>, else /dev/ttyS<n-1>; "lpt1 " likewise from the map, MPT_LPT1, else the first of
// /dev/lp0 and /dev/usb/lp0 that exists.
std::unique_ptr<Devices> systemDevices(PortMap map = {});

// Devices that take every byte and succeed, touching nothing. They open kDryRunDevice.
inline constexpr const char* kDryRunDevice = "no device (dry run)";
std::unique_ptr<Devices> dryRunDevices();

// Where port n and "lpt1 " lead; an empty path means no device is there.
std::string serialDevicePath(int portNumber, const PortMap& map = {});
std::string lpt1DevicePath(const PortMap& map = {});

// How long a write or a drain may go without progress before it fails with "Device timeout":
// 30 s, or MPT_IO_TIMEOUT_MS (milliseconds, any whole number above 0, shorter or longer) where set.
std::chrono::milliseconds noProgressLimit();

}  // namespace mpt
