// SPDX-License-Identifier: MIT
#include "core/command_line.h"

#include <arpa/inet.h>

#include <map>
#include <optional>
#include <set>

#include "channels/network.h"
#include "channels/port_help.h"
#include "channels/texts.h"
#include "testpages/routines.h"

namespace mpt {

namespace {

// The synopsis and the options, in the user's language (looked up when printed).
std::string usageSynopsis() {
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

std::string usageText() {
    return usageSynopsis();
}

std::string helpText(const PortMap& map) {
    return usageSynopsis() + optionsText() + '\n' +
           fill(translate("CommandLine", "On this machine: %1."), {portMappings(3, map)}) + '\n' +
           serialDevicesLine() + '\n';
}

}  // namespace mpt
