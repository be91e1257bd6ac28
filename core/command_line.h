// SPDX-License-Identifier: MIT
// The command line as the console reads it: the options, which mode they start the console in,
// the usage and the --help text. The runner (core/runner.h) and main() act on what it finds.
#pragma once

#include <optional>
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
    enum class Mode { Window, List, Ports, Run, Status, Decode, Render, Help, Version, Usage };
    Mode mode = Mode::Window;
    bool virtualPrinter = false;  // --virtual: the ports lead to the virtual printer
    // --listen: where the virtual printer listens; none: 127.0.0.1:9100, or a free port there
    std::optional<ListenAddress> listen;
    std::string streamFile;             // --decode, --render: the stream to read ("-": stdin)
    std::string outDirectory;           // --render: where the pictures go
    std::vector<std::string> routines;  // every routine of --run, in order
    std::string suiteFile;              // --suite: the routines, counts and ports to run
    std::string reportFile;             // --report: the JUnit XML report of the run
    bool stopOnFailure = false;         // --stop-on-failure: a failed routine ends the suite
    std::string count = "10";
    std::string port = "3";
    bool dryRun = false;
    // --status: the port asked, a serial port's number or 0 for "lpt1 " (--port N | lpt1, else 1)
    int statusPort = 1;
    bool check = false;        // --check: --run asks the printer's status once the run has ended
    std::string printerState;  // --state: the virtual printer's switches at start ("near-end,…")
    std::string traceFile;     // empty: no trace
    std::string usageError;    // set when mode is Usage
    std::vector<std::string> toolkitArguments;  // what the window's toolkit may take (-platform …)
};

CommandLine parseCommandLine(int argc, const char* const* argv);

// The synopsis printed with a usage error, in the user's language.
std::string usageText();

// --help: the synopsis, the options, and where the ports lead on this machine.
std::string helpText(const PortMap& map);

}  // namespace mpt
