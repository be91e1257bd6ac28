// SPDX-License-Identifier: MIT
#include "core/runner.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "channels/network.h"
#include "channels/port_help.h"
#include "channels/port_inventory.h"
#include "channels/texts.h"
#include "core/run_session.h"
#include "core/termination.h"
#include "testpages/routines.h"

namespace mpt {

namespace {

// The synopsis and the options, in the user's language (looked up when printed).
std::string usageText() {
    return translate("CommandLine",
                     "Usage: mini-printer-test [--dry-run] [--trace FILE]\n"
                     "       mini-printer-test --virtual [--listen ADDRESS:PORT] [--trace FILE]\n"
                     "       mini-printer-test --list\n"
                     "       mini-printer-test --ports\n"
                     "       mini-printer-test --run NAME [--count TEXT] [--port TEXT] [--dry-run] "
                     "[--trace FILE]\n"
                     "       mini-printer-test --decode FILE\n"
                     "       mini-printer-test --render FILE --out DIR\n"
                     "       mini-printer-test --help | --version\n");
}

std::string optionsText() {
    return translate(
        "CommandLine",
        "\n"
        "Without --list, --run, --decode or --render it opens the test console.\n"
        "  --virtual          every port leads to a virtual printer shown beside the console\n"
        "  --listen ADDRESS:PORT  where the virtual printer listens for programs that print\n"
        "                     over TCP (default 127.0.0.1:9100, or a free port if taken)\n"
        "  --list             the thirteen routines: button name, tab, caption\n"
        "  --ports            the devices present and where the ports lead, tab-separated\n"
        "  --run NAME         run one routine without a window and print its result message\n"
        "  --count TEXT       the repeat count box for --run (default 10)\n"
        "  --port TEXT        the USB button's port number box for --run (default 3)\n"
        "  --dry-run          touch no device: every channel takes every byte\n"
        "  --trace FILE       every step of every run as JSON Lines\n"
        "  --decode FILE      the printer stream in FILE as an annotated listing\n"
        "  --render FILE      one PNG per cut of the stream in FILE, into --out DIR\n"
        "\n"
        "Serial port n leads to $MPT_COM<n> if set, else to the device it is bound to in the "
        "Ports\n"
        "dialog (kept by the device's identity), else /dev/ttyS<n-1>; lpt1 likewise to $MPT_LPT1,\n"
        "its binding, else the first of /dev/lp0 and /dev/usb/lp0. Any of them may be a network\n"
        "printer's address, tcp://HOST:PORT. MPT_IO_TIMEOUT_MS sets the\n"
        "30 s no-progress limit of a write. With --run: exit 0 when the routine ran to its end, 1\n"
        "when it failed, 2 for a usage error; Ctrl+C, SIGTERM or SIGHUP stops the run at the next\n"
        "write, prints how far it got and exits 130, 143 or 129.\n");
}

// The options that take a value, attached ("--count=3") or as the next argument.
const std::set<std::string> kTakesValue{"--run",    "--count",  "--port", "--trace",
                                        "--decode", "--render", "--out",  "--listen"};
const std::set<std::string> kFlags{"--list",    "--ports", "--dry-run",
                                   "--virtual", "--help",  "--version"};
// The window toolkit's own options, with whether each takes a value; the window mode passes them
// on to it.
const std::map<std::string, bool> kToolkitOptions{{"-platform", true},
                                                  {"-platformpluginpath", true},
                                                  {"-platformtheme", true},
                                                  {"-plugin", true},
                                                  {"-display", true},
                                                  {"-geometry", true},
                                                  {"-qwindowgeometry", true},
                                                  {"-qwindowtitle", true},
                                                  {"-qwindowicon", true},
                                                  {"-style", true},
                                                  {"-stylesheet", true},
                                                  {"-session", true},
                                                  {"-reverse", false},
                                                  {"-widgetcount", false},
                                                  {"-nograb", false},
                                                  {"-dograb", false},
                                                  {"-sync", false}};

// Runs the routine on the session's worker while this thread watches for a termination signal,
// which stops the run. Returns the signal's number, or 0 when none came.
int runWatchingSignals(RunSession& session, const CommandLine& cl) {
    terminationSignals();
    int received = 0;
    session.start(cl.routine, TextBoxStore(cl.count, cl.port));
    while (!session.waitUntilEnded(std::chrono::milliseconds(10))) {
        if (received == 0) {
            received = takeTerminationSignal();
            if (received != 0) {
                session.requestStop();
            }
        }
    }
    return received;
}

}  // namespace

std::optional<ListenAddress> parseListenAddress(const std::string& text) {
    std::optional<NetworkAddress> address = splitHostAndPort(text);
    if (!address) {
        return std::nullopt;
    }
    const bool ipv6 = address->host.find(':') != std::string::npos;
    if (address->host == "localhost") {
        address->host = "127.0.0.1";
    }
    unsigned char numeric[16];
    if (::inet_pton(ipv6 ? AF_INET6 : AF_INET, address->host.c_str(), numeric) != 1) {
        return std::nullopt;
    }
    return ListenAddress{address->host, std::stoi(address->port)};
}

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine cl;
    bool listed = false;
    bool portsAsked = false;
    bool decodeGiven = false;
    bool renderGiven = false;
    bool outGiven = false;
    bool traceGiven = false;
    bool countGiven = false;
    bool portGiven = false;
    bool listenGiven = false;
    std::vector<std::string> unknown;
    std::vector<std::string> toolkit;
    const auto usage = [&](std::string message) {
        cl.mode = CommandLine::Mode::Usage;
        cl.usageError = std::move(message);
        return cl;
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            // The end of the options; this program takes no other arguments.
            if (i + 1 < argc) {
                return usage(
                    fill(translate("CommandLine", "unexpected argument %1"), {argv[i + 1]}));
            }
            break;
        }
        // "--count=3" as well as "--count 3".
        std::optional<std::string> attached;
        if (arg.rfind("--", 0) == 0) {
            if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
                attached = arg.substr(eq + 1);
                arg.erase(eq);
            }
        }
        if (attached && kTakesValue.count(arg) == 0) {
            if (kFlags.count(arg) != 0) {
                return usage(fill(translate("CommandLine", "%1 takes no value"), {arg}));
            }
            unknown.push_back(arg);
            continue;
        }
        if (const auto qt = kToolkitOptions.find(arg); qt != kToolkitOptions.end()) {
            toolkit.push_back(arg);
            if (qt->second) {
                if (i + 1 >= argc) {
                    return usage(fill(translate("CommandLine", "%1 needs a value"), {arg}));
                }
                toolkit.push_back(argv[++i]);
            }
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            cl.mode = CommandLine::Mode::Help;
            return cl;
        }
        if (arg == "--version") {
            cl.mode = CommandLine::Mode::Version;
            return cl;
        }
        const auto value = [&](std::string& into) {
            if (attached) {
                into = *attached;
                return true;
            }
            if (i + 1 >= argc) {
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (arg == "--list") {
            listed = true;
        } else if (arg == "--ports") {
            portsAsked = true;
        } else if (arg == "--dry-run") {
            cl.dryRun = true;
        } else if (arg == "--run") {
            if (!value(cl.routine)) {
                return usage(translate("CommandLine", "--run needs the name of a routine"));
            }
        } else if (arg == "--count") {
            if (!value(cl.count)) {
                return usage(translate("CommandLine", "--count needs a text"));
            }
            countGiven = true;
        } else if (arg == "--port") {
            if (!value(cl.port)) {
                return usage(translate("CommandLine", "--port needs a text"));
            }
            portGiven = true;
        } else if (arg == "--trace") {
            if (!value(cl.traceFile) || cl.traceFile.empty()) {
                return usage(translate("CommandLine", "--trace needs a file name"));
            }
            traceGiven = true;
        } else if (arg == "--virtual") {
            cl.virtualPrinter = true;
        } else if (arg == "--listen") {
            std::string address;
            if (!value(address)) {
                return usage(translate("CommandLine", "--listen needs ADDRESS:PORT"));
            }
            cl.listen = parseListenAddress(address);
            if (!cl.listen) {
                return usage(fill(translate("CommandLine",
                                            "--listen %1: not an address and port such as "
                                            "127.0.0.1:9100 or [::1]:9100"),
                                  {address}));
            }
            listenGiven = true;
        } else if (arg == "--decode" || arg == "--render") {
            if (decodeGiven || renderGiven) {
                return usage(translate("CommandLine", "--decode and --render go alone, once"));
            }
            (arg == "--decode" ? decodeGiven : renderGiven) = true;
            if (!value(cl.streamFile) || cl.streamFile.empty()) {
                return usage(fill(translate("CommandLine", "%1 needs a file name"), {arg}));
            }
        } else if (arg == "--out") {
            if (!value(cl.outDirectory) || cl.outDirectory.empty()) {
                return usage(translate("CommandLine", "--out needs a directory"));
            }
            outGiven = true;
        } else {
            unknown.push_back(arg);
        }
    }
    // Refused in every mode, the window's too: nothing is passed on unread.
    if (!unknown.empty()) {
        return usage(fill(unknown.front().rfind('-', 0) == 0
                              ? translate("CommandLine", "unknown option %1")
                              : translate("CommandLine", "unexpected argument %1"),
                          {unknown.front()}));
    }
    const bool windowMode =
        !listed && !portsAsked && cl.routine.empty() && !decodeGiven && !renderGiven;
    if (!toolkit.empty() && !windowMode) {
        return usage(
            fill(translate("CommandLine", "%1 goes only with the window"), {toolkit.front()}));
    }
    if (listenGiven && !cl.virtualPrinter) {
        return usage(translate("CommandLine", "--listen goes only with --virtual"));
    }
    if (listed && !cl.routine.empty()) {
        return usage(translate("CommandLine", "--list and --run exclude each other"));
    }
    if (decodeGiven || renderGiven) {
        if (listed || !cl.routine.empty() || cl.dryRun || cl.virtualPrinter || traceGiven ||
            countGiven || portGiven) {
            return usage(
                translate("CommandLine", "--decode and --render take no other option but --out"));
        }
        if (renderGiven != outGiven) {
            return usage(renderGiven ? translate("CommandLine", "--render needs --out DIR")
                                     : translate("CommandLine", "--out goes with --render"));
        }
        cl.mode = decodeGiven ? CommandLine::Mode::Decode : CommandLine::Mode::Render;
        return cl;
    }
    if (outGiven) {
        return usage(translate("CommandLine", "--out goes with --render"));
    }
    if (cl.virtualPrinter && (listed || !cl.routine.empty() || cl.dryRun)) {
        return usage(translate("CommandLine",
                               "--virtual opens the window with the virtual printer; it goes "
                               "without --list, --run and --dry-run"));
    }
    if (portsAsked) {
        if (listed || !cl.routine.empty() || cl.virtualPrinter || countGiven || traceGiven ||
            cl.dryRun) {
            return usage(translate("CommandLine", "--ports goes alone"));
        }
        cl.mode = CommandLine::Mode::Ports;
        return cl;
    }
    if (listed || !cl.routine.empty()) {
        if (!cl.routine.empty() && findRoutine(cl.routine) == nullptr) {
            return usage(fill(translate("CommandLine", "no routine is named %1 (see --list)"),
                              {cl.routine}));
        }
        cl.mode = listed ? CommandLine::Mode::List : CommandLine::Mode::Run;
        return cl;
    }
    if (countGiven || portGiven) {
        return usage(translate("CommandLine", "--count and --port go with --run"));
    }
    cl.toolkitArguments = std::move(toolkit);
    return cl;
}

std::string openTrace(const std::string& path, std::ofstream& out) {
    const int error = openTraceFile(path, out);
    if (error == 0) {
        return {};
    }
    return error == ENXIO
               ? fill(translate("CommandLine",
                                "cannot write the trace file %1: it is a FIFO that no "
                                "program reads"),
                      {path})
               : fill(translate("CommandLine", "cannot write the trace file %1"), {path});
}

namespace {

// A field of the --ports listing: a line end, a tab or another control character in a path, an
// identity or what a device reports would split a line or a field where there is none; each is
// written as \n, \t, \r or \xHH, and a backslash as two.
std::string field(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            static constexpr char kDigits[] = "0123456789abcdef";
            out += "\\x";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

void listPorts(const PortMap& map, int usbPort, std::ostream& out) {
    for (const DevicePresent& device : devicesPresent(map.root)) {
        out << "device\t" << field(device.node) << '\t' << field(device.identity()) << '\t'
            << field(device.usbId) << '\t' << field(device.maker) << '\t' << field(device.product)
            << '\t' << field(device.serial) << '\t'
            << (device.mayOpen ? std::string("may open") : field(device.advice)) << '\n';
    }
    std::vector<int> ports{1};
    if (usbPort != 1) {
        ports.push_back(usbPort);
    }
    for (const auto& [number, identity] : map.boundSerial) {
        if (std::find(ports.begin(), ports.end(), number) == ports.end()) {
            ports.push_back(number);
        }
    }
    std::sort(ports.begin(), ports.end());
    const auto line = [&](const std::string& name, const PortRoute& route) {
        static constexpr const char* kBy[] = {"virtual", "environment", "binding", "default"};
        out << "port\t" << name << '\t' << field(route.path) << '\t'
            << kBy[static_cast<int>(route.by)] << '\t' << field(route.identity) << '\n';
    };
    for (const int number : ports) {
        line("COM" + std::to_string(number), serialRoute(number, map));
    }
    line("lpt1", lpt1Route(map));
}

int runWithoutWindow(const CommandLine& cl, std::ostream& out, std::ostream& err,
                     const PortMap& map) {
    switch (cl.mode) {
        case CommandLine::Mode::Usage:
            err << "mini-printer-test: " << cl.usageError << '\n' << usageText();
            return 2;
        case CommandLine::Mode::Help:
            out << usageText() << optionsText() << '\n'
                << fill(translate("CommandLine", "On this machine: %1."), {portMappings(3, map)})
                << '\n'
                << serialDevicesLine() << '\n';
            return 0;
        case CommandLine::Mode::Version:
            // As GNU programs print it: the version, the copyright, the licence.
            out << "mini-printer-test " << MPT_VERSION << '\n'
                << "Copyright (C) 2026 The Mini Printer Test developers.\n"
                << translate("CommandLine", "License MIT: <https://opensource.org/licenses/MIT>.")
                << '\n'
                << translate("CommandLine",
                             "This is free software: you are free to change and redistribute it.")
                << '\n'
                << translate("CommandLine", "There is NO WARRANTY, to the extent permitted by law.")
                << '\n';
            return 0;
        case CommandLine::Mode::List:
            for (const RoutineInfo& routine : routines()) {
                out << routine.name << '\t' << routine.caption << '\n';
            }
            return 0;
        case CommandLine::Mode::Ports: listPorts(map, 3, out); return 0;
        case CommandLine::Mode::Window:
        case CommandLine::Mode::Decode:
        case CommandLine::Mode::Render: err << usageText(); return 2;
        case CommandLine::Mode::Run: break;
    }
    std::ofstream traceFile;
    if (!cl.traceFile.empty()) {
        if (const std::string problem = openTrace(cl.traceFile, traceFile); !problem.empty()) {
            err << "mini-printer-test: " << problem << '\n';
            return 2;
        }
    }
    Trace trace(cl.traceFile.empty() ? nullptr : &traceFile, cl.traceFile);
    const std::unique_ptr<Devices> devices = cl.dryRun ? dryRunDevices() : systemDevices(map);
    RunSession session(*devices, trace);
    const int signalNumber = runWatchingSignals(session, cl);
    RunOutcome outcome = session.finish();
    // A trace that could not be written fails the run's report, whatever the printer got.
    const std::string traceFailure = trace.failure();
    const auto reportTrace = [&] {
        if (!traceFailure.empty()) {
            const ConsoleError error = traceNotWritten(traceFailure);
            err << "error " << error.number() << ": " << error.text() << '\n'
                << error.detail() << '\n';
        }
    };
    if (outcome.end.stopped) {
        reportTrace();
        // The shell's convention for a program ended by a signal: 128 and its number.
        err << "mini-printer-test: " << stoppedText(outcome.last) << '\n';
        return 128 + (signalNumber != 0 ? signalNumber : 2);
    }
    if (const auto& error = outcome.end.error) {
        err << "error " << error->number() << ": " << error->text() << '\n';
        if (!error->detail().empty()) {
            err << error->detail() << '\n';
        }
        reportTrace();
        return 1;
    }
    out << outcome.boxes.text("txt2") << '\n';
    reportTrace();
    return traceFailure.empty() ? 0 : 1;
}

}  // namespace mpt
