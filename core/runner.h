// SPDX-License-Identifier: MIT
// The runner: executes one test routine without a window, for benches, scripts and tests, and
// answers --list, --ports, --help and --version. The options it reads are core/command_line.h's.
//
//   mini-printer-test [--dry-run] [--trace FILE]          opens the window
//   mini-printer-test --virtual [--listen ADDRESS:PORT] [--trace FILE]
//                                                         the window and the virtual printer
//   mini-printer-test --list                              the thirteen routines: name TAB caption
//   mini-printer-test --ports                             devices present, where the ports lead
//   mini-printer-test --run NAME [--count TEXT] [--port TEXT] [--dry-run] [--check] [--trace FILE]
//   mini-printer-test --run NAME,NAME... | --suite FILE [--report FILE] [--stop-on-failure] …
//                                                         several routines in turn (core/suite.h)
//   mini-printer-test --status [--port N | --port lpt1] [--trace FILE]
//                                                         the printer's status and identity
//   mini-printer-test --decode FILE                       the stream in FILE, annotated
//   mini-printer-test --render FILE --out DIR             one picture per cut of the stream
//   mini-printer-test --help | --version
//
// The runner needs no display. Exit codes: 0 the routine ran to its end (its result message is
// printed), 1 it failed ("error N: TEXT" and the detail on stderr), 2 usage error, 128 + the
// signal's number when SIGINT, SIGTERM or SIGHUP stopped the run (how far it got on stderr); for
// several routines, 0 when every one passed, else the code of the first that did not; with
// --check, and for --status, the codes of exitCodeOf below for the printer's state. The window,
// --decode and --render are run by main(), which has the window and the virtual printer.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

#include "channels/devices.h"
#include "channels/printer_status.h"
#include "core/command_line.h"

namespace mpt {

// Runs the List, Ports, Run, Help, Version and Usage modes; returns the process's exit code. The
// other modes are main()'s: for them this prints the usage and returns 2. `map` holds the user's
// saved bindings.
int runWithoutWindow(const CommandLine& cl, std::ostream& out, std::ostream& err,
                     const PortMap& map = {});

// Opens the trace file of --trace, if one was named, for --run and the window alike; says why on
// `err` and returns false when it cannot be written (a usage error: exit 2).
bool openTraceOrSay(const std::string& path, std::ofstream& out, std::ostream& err);

// --ports: the devices present and where the ports lead, one a line, fields split by tabs:
//   device TAB node TAB identity TAB usb vendor:product TAB maker TAB product TAB serial TAB
//       "may open" or what would let the user in
//   port TAB COM1 TAB node (empty: none) TAB virtual|environment|binding|default TAB identity
void listPorts(const PortMap& map, int usbPort, std::ostream& out);

// The exit code of the printer's verdict, for --status: 0 ready, 3 off line, 4 cover open, 5 paper
// out, 6 paper near end, 7 printer error, 8 no answer, 9 the port cannot carry an answer.
int exitCodeOf(status::Verdict verdict);
// The same for --run --check: a warning (paper near end) is not a fault, and exits 0.
int checkExitCodeOf(status::Verdict verdict);

}  // namespace mpt
