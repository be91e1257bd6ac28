// SPDX-License-Identifier: MIT
// The console's words for people, from the facts the channels, the pages and the run report: an
// error's detail (the error box, --run's standard error, the trace's "detail"), what would let a
// user open a device, the devices and port mappings of this machine (the Ports dialog, --help,
// --ports), how far a run has got and how it ended (the status line, the stopped line), and what
// the printer answered when asked its status (the status dialog, --status, --check). Everything
// here is in the user's language (core/texts.h) but the fixed fact lines scripts read; numbers and
// names go in through translated patterns. Nothing here looks at a device or the system: the facts
// were gathered where they happened.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "channels/errors.h"
#include "channels/port_help.h"
#include "channels/port_inventory.h"
#include "channels/printer_status.h"
#include "channels/trace.h"
#include "core/run_progress.h"

namespace mpt {

// The detail of an error: "/dev/ttyUSB0: the device took no data for 30 s (512 bytes of this write
// not sent)"; empty for an error with nothing more to say.
std::string detailOf(const ConsoleError& error);
std::string detailOf(const ErrorFacts& facts);

// "join the dialout group, then log in again", "owned by root:root with mode 0444, so no group may
// write to it; ask for write access, or run as its owner".
std::string adviceInWords(const AccessAdvice& advice);

// An identity in words for an error box: "the serial device usb-FTDI_…", "the printer ACME
// Receipt 80 (serial 123)", "/dev/ttyS4".
std::string identityInWords(const std::string& identity);

// One line for a list: "/dev/ttyUSB0  FTDI FT232R USB UART (0403:6001, serial A1B2C3)", with what
// would let the user in where they may not open it.
std::string deviceLine(const DevicePresent& device);

// One line naming the serial devices present, for an error box about a missing port.
std::string serialDevicesLine(const std::vector<SerialDevicePresent>& devices);
// … of those present under `root` now.
std::string serialDevicesLine(const std::string& root = "/");

// "COM1 → /dev/ttyS0, COM3 → /dev/ttyS2, lpt1 → /dev/lp0" for the ports the buttons use (1, and
// `usbPort` for the USB button); a device that does not exist is marked "(missing)".
std::string portMappings(const std::vector<PortMapping>& mappings);
std::string portMappings(int usbPort, const PortMap& map = {});

// "1,024"
std::string withThousands(ByteCount n);

// "CUTTER TEST EPSON SERIAL: repetition 3 of 10, 1,024 of about 8,761 bytes, COM1 → /dev/ttyUSB0"
std::string progressText(std::string_view caption, const RunSnapshot& now);

// "Sent 8,761 bytes to COM1 → /dev/ttyUSB0 in 9.3 s (the wire needs 9.1 s at 9600 baud)"
std::string finishedText(const RunSnapshot& end, std::chrono::milliseconds took);

// "stalled: the printer held CTS low for 30 s after 1,024 of about 8,761 bytes; 512 bytes handed
// over were not taken and were discarded", or "failed with error 57 (Device I/O error) after
// 1,024 bytes": the bytes counted are those that reached the device and stay there.
std::string faultText(const ConsoleError& error, const RunSnapshot& end,
                      std::chrono::milliseconds limit);
// The same around a cause already worked out (faultCauseOf of a run's error).
std::string faultText(const FaultCause& cause, const RunSnapshot& end);

// "Stopped in repetition 39 of 500: 38 complete; 34,085 of about 438,000 bytes sent, 33
// discarded"; "after repetition 3" once that one was complete and the next had not begun (or the
// stop came in the closing, after the last).
std::string stoppedText(const RunSnapshot& end);

// Error 75 for a trace that could not be written, naming why ("the trace: No space left on
// device"); the run's own result stands beside it.
ConsoleError traceNotWritten(const Trace::Failure& failure);

// "CTS ● DSR ● DCD ○", "paper ok, on line, no error".
std::string stateText(const DeviceState& state);

// A fault's cause in words: "stalled: CTS low for 30 s (the printer is busy or its buffer is
// full)", "stalled: paper out", or where nothing was known "stalled: the device took no data for
// 30 s"; an I/O error: "failed with error 57 (Device I/O error)", with "; last seen: CTS ○ DSR ○
// DCD ○" where the state is known.
std::string causeText(const FaultCause& cause);

// What the printer answered (channels/printer_status.h), in words: the verdict in the user's
// language for the window and the result of a checked run, the facts as tab-separated lines for
// scripts (--status). The exit codes of the verdicts are the runner's (core/runner.h).

// "paper near end", "no answer: this printer or its cable does not send data back", …
std::string verdictText(status::Verdict verdict);
// "Printer after the run: paper near end"
std::string afterRunText(status::Verdict verdict);
// The facts for scripts, one (fact, value) pair each, in fixed English words: the port, how asking
// went, every fact the printer answered, the verdict.
std::vector<std::pair<std::string, std::string>> factLines(const status::Report& report);

// The facts for the technician, one line each in the user's language.
std::vector<std::string> factsInWords(const status::Report& report);

}  // namespace mpt
