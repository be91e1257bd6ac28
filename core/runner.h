// SPDX-License-Identifier: MIT
// The command line: which mode the console starts in, and the runner that executes one test
// routine without a window, for benches, scripts and tests.
//
//   mini-printer-test [--dry-run] [--trace FILE]          opens the window
//   mini-printer-test --virtual [--listen ADDRESS:PORT] [--trace FILE]
//                                                         the window and the virtual printer
//   mini-printer-test --list                              the thirteen routines: name TAB caption
//   mini-printer-test --ports                             devices present, where the ports lead
//   mini-printer-test --run NAME [--count TEXT] [--port TEXT] [--dry-run] [--trace FILE]
//   mini-printer-test --decode FILE                       the stream in FILE, annotated
//   mini-printer-test --render FILE --out DIR             one picture per cut of the stream
//   mini-printer-test --help | --version
//
// The runner needs no display. Exit codes: 0 the routine ran to its end (its result message is
// printed), 1 it failed ("error N: TEXT" and the detail on stderr), 2 usage error, 128 + the
// signal's number when SIGINT, SIGTERM or SIGHUP stopped the run (how far it got on stderr). The
// window,
// --decode and --render are run by main(), which has the window and the virtual printer.
#pragma once

#include <fstream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "channels/devices.h"

namespace mpt {

// Where the virtual printer listens for programs that print over TCP: a numeric IPv4 or IPv6
// address and a port, 0 for one the system picks.
struct ListenAddress {
    std::string host;  // "127.0.0.1", "::1", "0.0.0.0"
    int port = 0;

    bool operator==(const ListenAddress&) const = default;
};

// "127.0.0.1:9100", "[::1]:9100", "localhost:9100" (127.0.0.1); nothing for anything else.
std::optional<ListenAddress> parseListenAddress(const std::string& text);

struct CommandLine {
    enum class Mode { Window, List, Ports, Run, Decode, Render, Help, Version, Usage };
    Mode mode = Mode::Window;
    bool virtualPrinter = false;  // --virtual: the ports lead to the virtual printer
    // --listen: where the virtual printer listens; none: 127.0.0.1:9100, or a free port there
    std::optional<ListenAddress> listen;
    std::string streamFile;    // --decode, --render: the stream to read ("-": stdin)
    std::string outDirectory;  // --render: where the pictures go
    std::string routine;
    std::string count = "10";
    std::string port = "3";
    bool dryRun = false;
    std::string traceFile;                      // empty: no trace
    std::string usageError;                     // set when mode is Usage
    std::vector<std::string> toolkitArguments;  // what the window's toolkit may take (-platform …)
};

CommandLine parseCommandLine(int argc, const char* const* argv);

// Runs the List, Ports, Run, Help, Version and Usage modes; returns the process's exit code. The
// other modes are main()'s: for them this prints the usage and returns 2. `map` holds the user's
// saved bindings.
int runWithoutWindow(const CommandLine& cl, std::ostream& out, std::ostream& err,
                     const PortMap& map = {});

// Opens the trace file of --trace; empty, or why it cannot be written, in the user's words.
std::string openTrace(const std::string& path, std::ofstream& out);

// --ports: the devices present and where the ports lead, one a line, fields split by tabs:
//   device TAB node TAB identity TAB usb vendor:product TAB maker TAB product TAB serial TAB
//       "may open" or what would let the user in
//   port TAB COM1 TAB node (empty: none) TAB virtual|environment|binding|default TAB identity
void listPorts(const PortMap& map, int usbPort, std::ostream& out);

}  // namespace mpt
