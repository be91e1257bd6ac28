// SPDX-License-Identifier: MIT
#include "core/command_line.h"

#include <arpa/inet.h>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "channels/network.h"
#include "channels/port_help.h"
#include "channels/printer_status.h"
#include "core/texts.h"
#include "core/wording.h"
#include "testpages/routines.h"

namespace mpt {

namespace {

// The synopsis and the options, in the user's language (looked up when printed).
std::string usageSynopsis() {
    return translate("CommandLine",
                     "Usage: mini-printer-test [--dry-run] [--trace FILE]\n"
                     "       mini-printer-test --virtual [--listen ADDRESS:PORT] [--state LIST] "
                     "[--trace FILE]\n"
                     "       mini-printer-test --list\n"
                     "       mini-printer-test --ports\n"
                     "       mini-printer-test --run NAME [--count TEXT] [--port TEXT] [--dry-run] "
                     "[--check] [--trace FILE]\n"
                     "       mini-printer-test --status [--port N | --port lpt1] [--trace FILE]\n"
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
        "  --state LIST       the virtual printer's switches at start, parted by commas:\n"
        "                     near-end, paper-out, cover-open, off-line, drawer-open,\n"
        "                     recoverable-error, cutter-jam, unrecoverable-error\n"
        "  --list             the thirteen routines: button name, tab, caption\n"
        "  --ports            the devices present and where the ports lead, tab-separated\n"
        "  --run NAME         run one routine without a window and print its result message\n"
        "  --count TEXT       the repeat count box for --run (default 10)\n"
        "  --port TEXT        the USB button's port number box for --run (default 3)\n"
        "  --check            once the run has ended, ask the printer's status and add it\n"
        "                     to the result; exit 3 to 9 as --status for a fault\n"
        "  --status           ask the printer on --port N (default 1) or --port lpt1 its\n"
        "                     status and identity; one line per fact, tab-separated\n"
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
        "write, prints how far it got and exits 130, 143 or 129. --status exits 0 when the\n"
        "printer is ready, 3 off line, 4 cover open, 5 paper out, 6 paper near end (a warning),\n"
        "7 printer error, 8 no answer, 9 the port cannot carry an answer (a FIFO, a file).\n");
}

// The synopsis and the options of a test station's suites.
std::string suiteSynopsis() {
    return translate(
        "CommandLine",
        "       mini-printer-test --run NAME,NAME... | --suite FILE [--report FILE]\n"
        "                         [--stop-on-failure] [--dry-run] [--check] [--trace FILE]\n");
}

std::string suiteOptionsText() {
    return translate("CommandLine",
                     "\n"
                     "A suite runs several routines in turn, each opening its port afresh:\n"
                     "  --run NAME,NAME... the routines named, also by --run given again\n"
                     "  --suite FILE       the routines of FILE, one a line: NAME [COUNT [PORT]];\n"
                     "                     # starts a comment\n"
                     "  --stop-on-failure  end the suite at the first routine that fails\n"
                     "  --report FILE      a JUnit XML report of the suite, rewritten after each\n"
                     "                     routine\n"
                     "It goes on after a failed routine; a signal ends it. Exit 0 when every\n"
                     "routine passed, else the first failure's code.\n");
}

// The modes an option belongs to. --virtual's window is a mode of its own here: --listen goes
// only with it, --dry-run only without it.
enum ModeBit : unsigned {
    kWindow = 1u << 0,
    kVirtual = 1u << 1,
    kList = 1u << 2,
    kPorts = 1u << 3,
    kRun = 1u << 4,
    kDecode = 1u << 5,
    kRender = 1u << 6,
    kStatus = 1u << 7,
    kEveryMode = (1u << 8) - 1,
};

// The options: name, whether it takes a value (attached, "--count=3", or as the next argument),
// the modes it belongs to, and for one with a value the usage error when it is missing (or empty,
// where an empty value means nothing).
struct Option {
    const char* name;
    bool takesValue;
    unsigned modes;
    std::string (*needsValue)();
    bool mayBeEmpty;
};

const Option kOptions[] = {
    {"--help", false, kEveryMode, nullptr, false},
    {"--version", false, kEveryMode, nullptr, false},
    {"--list", false, kList, nullptr, false},
    {"--ports", false, kPorts, nullptr, false},
    {"--dry-run", false, kWindow | kRun, nullptr, false},
    {"--virtual", false, kVirtual, nullptr, false},
    {"--run", true, kRun,
     [] { return translate("CommandLine", "--run needs the name of a routine"); }, true},
    {"--count", true, kRun, [] { return translate("CommandLine", "--count needs a text"); }, true},
    {"--port", true, kRun | kStatus, [] { return translate("CommandLine", "--port needs a text"); },
     true},
    {"--status", false, kStatus, nullptr, false},
    {"--check", false, kRun, nullptr, false},
    {"--state", true, kVirtual,
     [] { return translate("CommandLine", "--state needs a list of switches"); }, true},
    {"--trace", true, kWindow | kVirtual | kRun | kStatus,
     [] { return translate("CommandLine", "--trace needs a file name"); }, false},
    {"--listen", true, kVirtual,
     [] { return translate("CommandLine", "--listen needs ADDRESS:PORT"); }, true},
    {"--decode", true, kDecode,
     [] { return fill(translate("CommandLine", "%1 needs a file name"), {"--decode"}); }, false},
    {"--render", true, kRender,
     [] { return fill(translate("CommandLine", "%1 needs a file name"), {"--render"}); }, false},
    {"--out", true, kRender, [] { return translate("CommandLine", "--out needs a directory"); },
     false},
    {"--suite", true, kRun,
     [] { return fill(translate("CommandLine", "%1 needs a file name"), {"--suite"}); }, false},
    {"--report", true, kRun,
     [] { return fill(translate("CommandLine", "%1 needs a file name"), {"--report"}); }, false},
    {"--stop-on-failure", false, kRun, nullptr, false},
};

const Option* findOption(const std::string& name) {
    for (const Option& option : kOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

// The options that do not go together, checked in this order, the first that applies refused:
// `option` given with any of `others` (Excludes), without all of them (Requires), or without
// any of them (RequiresOne).
struct Conflict {
    enum Kind { Excludes, Requires, RequiresOne };
    const char* option;
    Kind kind;
    std::vector<const char*> others;
    std::string (*words)();
};

std::string decodeGoesAlone() {
    return translate("CommandLine", "--decode and --render take no other option but --out");
}

std::string countGoesWithRun() {
    return translate("CommandLine", "--count and --port go with --run");
}

std::string suiteOptionsGoWithARun() {
    return translate("CommandLine", "--report and --stop-on-failure go with --run or --suite");
}

const std::vector<const char*> kBesideDecode{"--list",  "--run",   "--dry-run", "--virtual",
                                             "--trace", "--count", "--port"};

const Conflict kConflicts[] = {
    {"--listen",
     Conflict::Requires,
     {"--virtual"},
     [] { return translate("CommandLine", "--listen goes only with --virtual"); }},
    {"--list",
     Conflict::Excludes,
     {"--run"},
     [] { return translate("CommandLine", "--list and --run exclude each other"); }},
    {"--decode", Conflict::Excludes, kBesideDecode, decodeGoesAlone},
    {"--render", Conflict::Excludes, kBesideDecode, decodeGoesAlone},
    {"--render",
     Conflict::Requires,
     {"--out"},
     [] { return translate("CommandLine", "--render needs --out DIR"); }},
    {"--out",
     Conflict::Requires,
     {"--render"},
     [] { return translate("CommandLine", "--out goes with --render"); }},
    {"--virtual",
     Conflict::Excludes,
     {"--list", "--run", "--dry-run"},
     [] {
         return translate("CommandLine",
                          "--virtual opens the window with the virtual printer; it goes "
                          "without --list, --run and --dry-run");
     }},
    {"--ports",
     Conflict::Excludes,
     {"--list", "--run", "--virtual", "--count", "--trace", "--dry-run"},
     [] { return translate("CommandLine", "--ports goes alone"); }},
    {"--suite",
     Conflict::Excludes,
     {"--run", "--count", "--port"},
     [] {
         return translate("CommandLine",
                          "--suite names the routines, their counts and ports itself; it goes "
                          "without --run, --count and --port");
     }},
    {"--count", Conflict::Requires, {"--run"}, countGoesWithRun},
    {"--port",
     Conflict::RequiresOne,
     {"--run", "--status"},
     [] { return translate("CommandLine", "--port goes with --run or --status"); }},
    {"--check",
     Conflict::RequiresOne,
     {"--run", "--suite"},
     [] { return translate("CommandLine", "--check goes with --run or --suite"); }},
    {"--check",
     Conflict::Excludes,
     {"--dry-run"},
     [] {
         return translate("CommandLine",
                          "--check asks the printer, and --dry-run opens no device: they exclude "
                          "each other");
     }},
    {"--state",
     Conflict::Requires,
     {"--virtual"},
     [] { return translate("CommandLine", "--state goes only with --virtual"); }},
    {"--status",
     Conflict::Excludes,
     {"--list", "--run", "--suite", "--virtual", "--count", "--dry-run", "--ports"},
     [] { return translate("CommandLine", "--status goes alone, with --port and --trace"); }},
    {"--report", Conflict::RequiresOne, {"--run", "--suite"}, suiteOptionsGoWithARun},
    {"--stop-on-failure", Conflict::RequiresOne, {"--run", "--suite"}, suiteOptionsGoWithARun},
};

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

namespace {

// A serial port number of --status: 1 to 255 in plain digits.
bool parsePortNumber(const std::string& text, int& number) {
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    number = std::stoi(text);
    return number >= 1 && number <= 255;
}

// What the arguments named, before their combination is checked.
struct Given {
    std::set<std::string> options;     // as in kOptions; --run only with a routine
    std::string unknown;               // the first argument that is no option of ours
    std::vector<std::string> toolkit;  // the toolkit's options and their values
    bool has(const char* name) const { return options.count(name) != 0; }
};

CommandLine usage(CommandLine cl, std::string message) {
    cl.mode = CommandLine::Mode::Usage;
    cl.usageError = std::move(message);
    return cl;
}

// Where an option's value goes; nullptr for --listen, whose text is checked apart, and for --run,
// whose routines are gathered apart.
std::string* valueOf(CommandLine& cl, const std::string& name) {
    if (name == "--count")
        return &cl.count;
    if (name == "--port")
        return &cl.port;
    if (name == "--trace")
        return &cl.traceFile;
    if (name == "--decode" || name == "--render")
        return &cl.streamFile;
    if (name == "--out")
        return &cl.outDirectory;
    if (name == "--suite")
        return &cl.suiteFile;
    if (name == "--report")
        return &cl.reportFile;
    if (name == "--state")
        return &cl.printerState;
    return nullptr;
}

// Keeps `text`, the value of option `name`, in `cl`. Returns a usage error, or nothing.
std::optional<std::string> keepValue(CommandLine& cl, const std::string& name,
                                     const std::string& text) {
    if (name == "--run") {
        // "--run a,b" and "--run a --run b" alike; "--run=" names no routine.
        for (std::size_t at = 0; !text.empty() && at <= text.size();) {
            const std::size_t comma = std::min(text.find(',', at), text.size());
            cl.routines.push_back(text.substr(at, comma - at));
            at = comma + 1;
        }
    } else if (std::string* into = valueOf(cl, name)) {
        *into = text;
    } else if (cl.listen = parseListenAddress(text); !cl.listen) {
        return fill(translate("CommandLine",
                              "--listen %1: not an address and port such as "
                              "127.0.0.1:9100 or [::1]:9100"),
                    {text});
    }
    return std::nullopt;
}

// Reads the arguments into `cl` and `given`. Returns a usage error, or nothing; --help and
// --version set the mode and end the reading.
std::optional<std::string> readArguments(int argc, const char* const* argv, CommandLine& cl,
                                         Given& given) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            // The end of the options; this program takes no other arguments.
            if (i + 1 < argc) {
                return fill(translate("CommandLine", "unexpected argument %1"), {argv[i + 1]});
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
        const Option* option = findOption(arg == "-h" ? "--help" : arg);
        if (attached && (option == nullptr || !option->takesValue)) {
            if (option != nullptr) {
                return fill(translate("CommandLine", "%1 takes no value"), {arg});
            }
            if (given.unknown.empty())
                given.unknown = arg;
            continue;
        }
        if (const auto qt = kToolkitOptions.find(arg); qt != kToolkitOptions.end()) {
            given.toolkit.push_back(arg);
            if (qt->second) {
                if (i + 1 >= argc) {
                    return fill(translate("CommandLine", "%1 needs a value"), {arg});
                }
                given.toolkit.push_back(argv[++i]);
            }
            continue;
        }
        if (option == nullptr) {
            if (given.unknown.empty())
                given.unknown = arg;
            continue;
        }
        const std::string name = option->name;
        if (name == "--help" || name == "--version") {
            cl.mode = name == "--help" ? CommandLine::Mode::Help : CommandLine::Mode::Version;
            return std::nullopt;
        }
        if ((name == "--decode" || name == "--render") &&
            (given.has("--decode") || given.has("--render"))) {
            return translate("CommandLine", "--decode and --render go alone, once");
        }
        if (option->takesValue) {
            std::string text;
            if (attached) {
                text = *attached;
            } else if (i + 1 < argc) {
                text = argv[++i];
            } else {
                return option->needsValue();
            }
            if (text.empty() && !option->mayBeEmpty) {
                return option->needsValue();
            }
            if (auto problem = keepValue(cl, name, text)) {
                return problem;
            }
        }
        cl.dryRun = cl.dryRun || name == "--dry-run";
        cl.stopOnFailure = cl.stopOnFailure || name == "--stop-on-failure";
        cl.check = cl.check || name == "--check";
        cl.virtualPrinter = cl.virtualPrinter || name == "--virtual";
        given.options.insert(name);
    }
    return std::nullopt;
}

// The first conflict of kConflicts that the options given fall into, if any.
std::optional<std::string> conflictIn(const Given& given) {
    for (const Conflict& conflict : kConflicts) {
        if (!given.has(conflict.option)) {
            continue;
        }
        const bool excluded = std::any_of(conflict.others.begin(), conflict.others.end(),
                                          [&](const char* other) { return given.has(other); });
        const bool missing = std::any_of(conflict.others.begin(), conflict.others.end(),
                                         [&](const char* other) { return !given.has(other); });
        const bool noneGiven = std::none_of(conflict.others.begin(), conflict.others.end(),
                                            [&](const char* other) { return given.has(other); });
        if (conflict.kind == Conflict::Excludes   ? excluded
            : conflict.kind == Conflict::Requires ? missing
                                                  : noneGiven) {
            return conflict.words();
        }
    }
    return std::nullopt;
}

// The mode the options start, with the option that chose it (none for the window).
std::pair<unsigned, const char*> modeOf(const Given& given) {
    for (const auto& [bit, name] :
         {std::pair{kDecode, "--decode"}, std::pair{kRender, "--render"},
          std::pair{kPorts, "--ports"}, std::pair{kList, "--list"}, std::pair{kRun, "--run"},
          std::pair{kRun, "--suite"}, std::pair{kStatus, "--status"},
          std::pair{kVirtual, "--virtual"}}) {
        if (given.has(name)) {
            return {bit, name};
        }
    }
    return {kWindow, ""};
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv) {
    CommandLine cl;
    Given given;
    if (const auto problem = readArguments(argc, argv, cl, given)) {
        return usage(cl, *problem);
    }
    if (cl.mode != CommandLine::Mode::Window) {
        return cl;  // --help, --version
    }
    if (cl.routines.empty()) {
        given.options.erase("--run");  // "--run=" names no routine
    }
    // Refused in every mode, the window's too: nothing is passed on unread.
    if (!given.unknown.empty()) {
        return usage(cl, fill(given.unknown.rfind('-', 0) == 0
                                  ? translate("CommandLine", "unknown option %1")
                                  : translate("CommandLine", "unexpected argument %1"),
                              {given.unknown}));
    }
    const auto [mode, chosenBy] = modeOf(given);
    if (!given.toolkit.empty() && (mode & (kWindow | kVirtual)) == 0) {
        return usage(cl, fill(translate("CommandLine", "%1 goes only with the window"),
                              {given.toolkit.front()}));
    }
    if (const auto problem = conflictIn(given)) {
        return usage(cl, *problem);
    }
    // What the conflicts above do not name: an option beside a mode it does not belong to.
    for (const std::string& name : given.options) {
        if ((findOption(name)->modes & mode) == 0) {
            return usage(cl, fill(translate("CommandLine", "%1 and %2 exclude each other"),
                                  {name, chosenBy}));
        }
    }
    for (const std::string& routine : cl.routines) {
        if (mode == kRun && findRoutine(routine) == nullptr) {
            return usage(cl, fill(translate("CommandLine", "no routine is named %1 (see --list)"),
                                  {routine}));
        }
    }
    static const std::map<unsigned, CommandLine::Mode> kModes{
        {kWindow, CommandLine::Mode::Window}, {kVirtual, CommandLine::Mode::Window},
        {kList, CommandLine::Mode::List},     {kPorts, CommandLine::Mode::Ports},
        {kRun, CommandLine::Mode::Run},       {kDecode, CommandLine::Mode::Decode},
        {kRender, CommandLine::Mode::Render}, {kStatus, CommandLine::Mode::Status}};
    if (mode == kStatus && given.has("--port")) {
        if (cl.port == "lpt1" || cl.port == "lpt1 ") {
            cl.statusPort = 0;
        } else if (!parsePortNumber(cl.port, cl.statusPort)) {
            return usage(cl, fill(translate("CommandLine",
                                            "--port %1: a serial port's number (1 to 255) or lpt1"),
                                  {cl.port}));
        }
    }
    if (mode == kVirtual && !status::parseSwitches(cl.printerState)) {
        return usage(cl, fill(translate("CommandLine",
                                        "--state %1: not a list of the virtual printer's switches "
                                        "(see --help)"),
                              {cl.printerState}));
    }
    cl.mode = kModes.at(mode);
    if (cl.mode == CommandLine::Mode::Window) {
        cl.toolkitArguments = std::move(given.toolkit);
    }
    return cl;
}
std::string usageText() {
    return usageSynopsis() + suiteSynopsis();
}

std::string helpText(const PortMap& map) {
    return usageSynopsis() + suiteSynopsis() + optionsText() + suiteOptionsText() + '\n' +
           fill(translate("CommandLine", "On this machine: %1."), {portMappings(3, map)}) + '\n' +
           serialDevicesLine() + '\n';
}

}  // namespace mpt
