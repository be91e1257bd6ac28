// SPDX-License-Identifier: MIT
// The command-line runner: listing, running a routine without a window, errors and usage.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <set>

#include "channels/trace.h"
#include "core/runner.h"
#include "support/pty.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace mpt {
namespace {

using testing::Outcome;
using testing::run;

TEST(Runner, ListsTheThirteenRoutinesWithTheirCaptions) {
    const Outcome o = run({"--list"});
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.out,
              "cmddevice\tQLX-610/650 SERIAL(EPSON)\n"
              "cmddevice1\tQLX-610/650 PARALLEL(EPSON) \n"
              "cmddevice2\tMVR-720/730 SERIAL(CBM)\n"
              "cmddevice3\tMVR-720/730 PARALLEL(CBM)\n"
              "cmddevice4\tMVR-720/730 SERIAL(EPSON)\n"
              "cmddevice5\tMVR-720/730  PARALLEL(EPSON)\n"
              "cmddevice6\t MVR720/730       SERIAL     LINE FEED TEST\n"
              "cmddevice7\t MVR720/730       PARALLEL   LINE FEED TEST\n"
              "cmddevice8\tCUTTER TEST EPSON SERIAL\n"
              "cmddevice9\tCUTTER TEST   CBM SERIAL\n"
              "cmddevice10\tCUTTER TEST EPSON PARALLEL\n"
              "cmddevice11\tCUTTER    TEST   CBM PARALLEL\n"
              "cmddevice12\tQLX-610/650 USB(EPSON)\n");
}

TEST(Runner, DryRunPrintsTheResultMessage) {
    const Outcome o = run({"--run", "cmddevice9", "--count", "3", "--dry-run"});
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.out, "CBM/SERIAL/CUTTER 정상 작동!!\n");
    EXPECT_EQ(o.err, "");
}

TEST(Runner, AFailedRoutinePrintsItsErrorAndExitsOne) {
    const Outcome o = run({"--run", "cmddevice10", "--count", "abc", "--dry-run"});
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err,
              "error 13: Type mismatch\nthe count box holds \"abc\", which is not a number\n");
}

TEST(Runner, PortTextReachesTheUsbRoutine) {
    const Outcome o = run({"--run", "cmddevice12", "--count", "1", "--port", "0", "--dry-run"});
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err.substr(0, 31), "error 8002: Invalid port number");
}

TEST(Runner, RealDevicesWithoutDryRun) {
    testing::PtyPrinter printer;
    testing::ScopedEnv com1("MPT_COM1", printer.devicePath());
    printer.startReading();
    const Outcome o = run({"--run", "cmddevice8", "--count", "0"});
    EXPECT_EQ(o.code, 0) << o.err;
    testing::ScopedEnv missing("MPT_COM1", "/dev/no-such-port");
    const Outcome failed = run({"--run", "cmddevice8"});
    EXPECT_EQ(failed.code, 1);
    EXPECT_EQ(failed.err.rfind("error 8002: Invalid port number\n/dev/no-such-port: ", 0), 0u)
        << failed.err;
}

TEST(Runner, TraceFileHoldsEveryStep) {
    char name[] = "/tmp/mpt-trace-XXXXXX";
    const int fd = ::mkstemp(name);
    ::close(fd);
    const Outcome o = run({"--run", "cmddevice", "--count", "0", "--dry-run", "--trace", name});
    EXPECT_EQ(o.code, 0);
    const std::string text = testing::fileText(name);
    ::unlink(name);
    EXPECT_EQ(text,
              "{\"op\":\"GetText\",\"control\":\"txt1\",\"text\":\"0\"}\n"
              "{\"op\":\"SetText\",\"control\":\"txt2\",\"text\":\"EPSON/SERIAL 정상 출력!!!\"}\n");
}

// A trace that cannot be written is an error, not a silent loss: the run still prints and says so.
TEST(Runner, TraceThatCannotBeWrittenIsAnError) {
    const Outcome o =
        run({"--run", "cmddevice8", "--count", "1", "--dry-run", "--trace", "/dev/full"});
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.out, "EPSON/SERIAL/CUTTER 정상 작동!!\n");
    EXPECT_EQ(o.err,
              "error 75: Path/File access error\n/dev/full: No space left on device (the trace "
              "was not written, from that step on)\n");
}

// Every string of the trace is UTF-8, whatever bytes a device path or a text box holds: each byte
// that is not part of a well-formed character becomes U+FFFD.
TEST(Trace, StringsStayValidUtf8) {
    const struct {
        std::string in;
        std::string out;
    } rows[] = {
        {"/dev/ttyUSB0", "\"/dev/ttyUSB0\""},
        {"메시지", "\"메시지\""},
        {"/tmp/\xff\xfe", "\"/tmp/\xEF\xBF\xBD\xEF\xBF\xBD\""},
        {"\xc7\xd1 cp949", "\"\xEF\xBF\xBD\xEF\xBF\xBD cp949\""},      // not UTF-8 at all
        {"\xed\xa0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate
        {"\xe0\x80\xaf", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // overlong
        {"cut \xe2\x82", "\"cut \xEF\xBF\xBD\xEF\xBF\xBD\""},          // cut short
        {"\"\\\n\x01", "\"\\\"\\\\\\n\\u0001\""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(jsonString(row.in), row.out) << row.in;
    }
}

TEST(Runner, UsageErrorsExitTwo) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--run"},
             {"--run", "cmddevice13"},
             {"--run", "cmddevice", "--bogus"},
             {"--list", "--run", "cmddevice"},
             {"--count", "3"},
             {"--run", "cmddevice", "--trace"},
             {"--run", "cmddevice", "--trace", "/no/such/dir/trace.jsonl", "--dry-run"}}) {
        const Outcome o = run(args);
        EXPECT_EQ(o.code, 2) << args.back();
        EXPECT_EQ(o.err.rfind("mini-printer-test: ", 0), 0u) << o.err;
    }
}

TEST(Runner, HelpNamesTheOptionsAndWhereThePortsLead) {
    testing::ScopedEnv com1("MPT_COM1", "/dev/no-such-port");
    testing::ScopedEnv lpt("MPT_LPT1", "/dev/null");
    for (const char* flag : {"--help", "-h"}) {
        const Outcome o = run({"--run", "cmddevice", flag});
        EXPECT_EQ(o.code, 0);
        EXPECT_EQ(o.out.rfind("Usage: mini-printer-test", 0), 0u);
        for (const char* option :
             {"--virtual", "--listen ADDRESS:PORT", "--list", "--run NAME", "--count TEXT",
              "--port TEXT", "--dry-run", "--trace FILE", "--decode FILE", "--render FILE",
              "--status", "--check", "--state LIST"}) {
            EXPECT_NE(o.out.find(option), std::string::npos) << option;
        }
        EXPECT_NE(o.out.find("On this machine: COM1 → /dev/no-such-port (missing), COM3 → "),
                  std::string::npos)
            << o.out;
        EXPECT_NE(o.out.find(", lpt1 → /dev/null.\n"), std::string::npos) << o.out;
    }
}

// The version, then the copyright and licence lines GNU programs print.
TEST(Runner, Version) {
    const Outcome o = run({"--version"});
    EXPECT_EQ(o.code, 0);
    EXPECT_EQ(o.out.rfind("mini-printer-test ", 0), 0u);
    const std::string first = o.out.substr(0, o.out.find('\n'));
    EXPECT_EQ(std::count(first.begin(), first.end(), '.'), 2) << o.out;
    EXPECT_EQ(o.out.substr(first.size() + 1),
              "Copyright (C) 2026 The Mini Printer Test developers.\n"
              "License MIT: <https://opensource.org/licenses/MIT>.\n"
              "This is free software: you are free to change and redistribute it.\n"
              "There is NO WARRANTY, to the extent permitted by law.\n");
}

// As GNU programs read their options: "=" attaches a value, "--" ends the options, and anything
// unknown is refused with the usage and exit 2 in every mode, the window's too.
TEST(Runner, OptionsAsGnuProgramsTakeThem) {
    struct Row {
        std::vector<const char*> args;
        CommandLine::Mode mode;
        std::string error;  // the usage error, for Usage
    };
    const Row rows[] = {
        {{"--run=cmddevice8", "--count=3", "--port=5"}, CommandLine::Mode::Run, ""},
        {{"--run", "cmddevice8", "--count", "3"}, CommandLine::Mode::Run, ""},
        {{"--count=", "--run=cmddevice8"}, CommandLine::Mode::Run, ""},
        {{"--decode=a.bin"}, CommandLine::Mode::Decode, ""},
        {{"--dry-run", "--"}, CommandLine::Mode::Window, ""},
        {{"--list", "--", "--run"}, CommandLine::Mode::Usage, "unexpected argument --run"},
        {{"--bogus"}, CommandLine::Mode::Usage, "unknown option --bogus"},
        {{"--dry-run", "--bogus"}, CommandLine::Mode::Usage, "unknown option --bogus"},
        {{"--virtual", "-x"}, CommandLine::Mode::Usage, "unknown option -x"},
        {{"--list", "--bogus=1"}, CommandLine::Mode::Usage, "unknown option --bogus"},
        {{"--list=yes"}, CommandLine::Mode::Usage, "--list takes no value"},
        {{"stray"}, CommandLine::Mode::Usage, "unexpected argument stray"},
        {{"--ports", "-platform", "xcb"},
         CommandLine::Mode::Usage,
         "-platform goes only with the window"},
        {{"--virtual", "--listen", "0.0.0.0:9100"}, CommandLine::Mode::Window, ""},
        {{"--listen=[::1]:9100", "--virtual"}, CommandLine::Mode::Window, ""},
        {{"--listen=127.0.0.1:9100"},
         CommandLine::Mode::Usage,
         "--listen goes only with --virtual"},
        {{"--run", "cmddevice8", "--listen", "127.0.0.1:9100"},
         CommandLine::Mode::Usage,
         "--listen goes only with --virtual"},
        {{"--virtual", "--listen"}, CommandLine::Mode::Usage, "--listen needs ADDRESS:PORT"},
        {{"--run", "cmddevice8,cmddevice9", "--run=cmddevice10", "--report", "r.xml"},
         CommandLine::Mode::Run,
         ""},
        {{"--suite", "station.suite", "--stop-on-failure"}, CommandLine::Mode::Run, ""},
        {{"--run", "cmddevice8,"}, CommandLine::Mode::Usage, "no routine is named  (see --list)"},
        {{"--suite", "s", "--count", "3"},
         CommandLine::Mode::Usage,
         "--suite names the routines, their counts and ports itself; it goes without --run, "
         "--count and --port"},
        {{"--report", "r.xml"},
         CommandLine::Mode::Usage,
         "--report and --stop-on-failure go with --run or --suite"},
        {{"--suite="}, CommandLine::Mode::Usage, "--suite needs a file name"},
        {{"--virtual", "--listen", "::1:9100"},
         CommandLine::Mode::Usage,
         "--listen ::1:9100: not an address and port such as 127.0.0.1:9100 or [::1]:9100"},
        {{"--status"}, CommandLine::Mode::Status, ""},
        {{"--status", "--port=lpt1"}, CommandLine::Mode::Status, ""},
        {{"--status", "--port", "0"},
         CommandLine::Mode::Usage,
         "--port 0: a serial port's number (1 to 255) or lpt1"},
        {{"--status", "--port", "3a"},
         CommandLine::Mode::Usage,
         "--port 3a: a serial port's number (1 to 255) or lpt1"},
        {{"--status", "--run", "cmddevice8"},
         CommandLine::Mode::Usage,
         "--status goes alone, with --port and --trace"},
        {{"--port", "3"}, CommandLine::Mode::Usage, "--port goes with --run or --status"},
        {{"--run", "cmddevice8", "--check"}, CommandLine::Mode::Run, ""},
        {{"--suite", "station.suite", "--check"}, CommandLine::Mode::Run, ""},
        {{"--check"}, CommandLine::Mode::Usage, "--check goes with --run or --suite"},
        {{"--run", "cmddevice8", "--check", "--dry-run"},
         CommandLine::Mode::Usage,
         "--check asks the printer, and --dry-run opens no device: they exclude each other"},
        {{"--virtual", "--state=near-end,cover-open"}, CommandLine::Mode::Window, ""},
        {{"--virtual", "--state", "near-end,,off-line"},
         CommandLine::Mode::Usage,
         "--state near-end,,off-line: not a list of the virtual printer's switches (see --help)"},
        {{"--state", "off-line"}, CommandLine::Mode::Usage, "--state goes only with --virtual"},
    };
    for (const Row& row : rows) {
        std::vector<const char*> argv{"mini-printer-test"};
        argv.insert(argv.end(), row.args.begin(), row.args.end());
        const CommandLine cl = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(cl.mode, row.mode) << row.args.front();
        EXPECT_EQ(cl.usageError, row.error) << row.args.front();
    }
    const char* argv[] = {"mini-printer-test", "--run=cmddevice8", "--count=3", "--port=5"};
    const CommandLine attached = parseCommandLine(4, argv);
    EXPECT_EQ(attached.routines, std::vector<std::string>{"cmddevice8"});
    EXPECT_EQ(attached.count, "3");
    EXPECT_EQ(attached.port, "5");
    const char* several[] = {"mini-printer-test", "--run", "cmddevice8,cmddevice9",
                             "--run=cmddevice8"};
    EXPECT_EQ(parseCommandLine(4, several).routines,
              (std::vector<std::string>{"cmddevice8", "cmddevice9", "cmddevice8"}));
    const char* status[] = {"mini-printer-test", "--status", "--port", "12"};
    EXPECT_EQ(parseCommandLine(4, status).statusPort, 12);
    EXPECT_EQ(parseCommandLine(2, status).statusPort, 1);
    const char* lpt1[] = {"mini-printer-test", "--status", "--port=lpt1"};
    EXPECT_EQ(parseCommandLine(3, lpt1).statusPort, 0);
    const Outcome refused = run({"--bogus"});
    EXPECT_EQ(refused.code, 2);
    EXPECT_EQ(refused.err.find("mini-printer-test: unknown option --bogus\nUsage: "), 0u);
}

// Each option is taken in the modes it belongs to and refused with a usage error beside any
// other; two options that each choose a mode never go together.
TEST(Runner, EachOptionGoesOnlyWithItsModes) {
    struct Mode {
        std::string name;
        std::vector<const char*> args;
        CommandLine::Mode mode;
    };
    const Mode modes[] = {
        {"window", {}, CommandLine::Mode::Window},
        {"virtual", {"--virtual"}, CommandLine::Mode::Window},
        {"list", {"--list"}, CommandLine::Mode::List},
        {"ports", {"--ports"}, CommandLine::Mode::Ports},
        {"run", {"--run", "cmddevice8"}, CommandLine::Mode::Run},
        {"decode", {"--decode", "a.bin"}, CommandLine::Mode::Decode},
        {"render", {"--render", "a.bin", "--out", "d"}, CommandLine::Mode::Render},
        {"status", {"--status"}, CommandLine::Mode::Status},
    };
    struct Row {
        std::vector<const char*> option;
        std::set<std::string> belongsTo;
    };
    const Row rows[] = {
        {{"--dry-run"}, {"window", "run"}},
        {{"--trace", "t.jsonl"}, {"window", "virtual", "run", "status"}},
        {{"--count", "3"}, {"run"}},
        {{"--port", "5"}, {"run", "status"}},
        {{"--check"}, {"run"}},
        {{"--state", "near-end"}, {"virtual"}},
        {{"--status"}, {"window", "status"}},
        {{"--listen", "127.0.0.1:9100"}, {"virtual"}},
        {{"--out", "d"}, {"render"}},
        {{"--report", "r.xml"}, {"run"}},
        {{"--stop-on-failure"}, {"run"}},
        {{"--suite", "s"}, {"window"}},
        {{"-platform", "offscreen"}, {"window", "virtual"}},
        {{"--virtual"}, {"window", "virtual"}},
        {{"--list"}, {"window", "list"}},
        {{"--ports"}, {"window", "ports"}},
        {{"--run", "cmddevice9"}, {"window", "run"}},
        {{"--decode", "b.bin"}, {"window"}},
        {{"--render", "b.bin"}, {}},
    };
    for (const Mode& mode : modes) {
        for (const Row& row : rows) {
            std::vector<const char*> argv{"mini-printer-test"};
            argv.insert(argv.end(), mode.args.begin(), mode.args.end());
            argv.insert(argv.end(), row.option.begin(), row.option.end());
            const CommandLine cl = parseCommandLine(static_cast<int>(argv.size()), argv.data());
            const std::string what = std::string(row.option.front()) + " with " + mode.name;
            if (row.belongsTo.count(mode.name) != 0) {
                EXPECT_EQ(cl.usageError, "") << what;
                EXPECT_NE(cl.mode, CommandLine::Mode::Usage) << what;
            } else {
                EXPECT_EQ(cl.mode, CommandLine::Mode::Usage) << what;
                EXPECT_NE(cl.usageError, "") << what;
            }
        }
    }
}

// --listen's ADDRESS:PORT: a numeric IPv4 address, an IPv6 one in brackets, or localhost, and a
// port of 0 (any free one) to 65535.
TEST(Runner, ListenAddresses) {
    const struct {
        const char* text;
        std::optional<ListenAddress> address;
    } rows[] = {
        {"127.0.0.1:9100", ListenAddress{"127.0.0.1", 9100}},
        {"localhost:9101", ListenAddress{"127.0.0.1", 9101}},
        {"0.0.0.0:0", ListenAddress{"0.0.0.0", 0}},
        {"[::1]:65535", ListenAddress{"::1", 65535}},
        {"[::]:9100", ListenAddress{"::", 9100}},
        {"127.0.0.1:65536", std::nullopt},
        {"127.0.0.1:", std::nullopt},
        {"127.0.0.1:+80", std::nullopt},
        {"127.0.0.1:000009100", std::nullopt},
        {"127.0.0.1", std::nullopt},
        {":9100", std::nullopt},
        {"1.2.3:9100", std::nullopt},
        {"printer.example:9100", std::nullopt},
        {"::1:9100", std::nullopt},
        {"[127.0.0.1]:9100", std::nullopt},
        {"[::1:9100", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(parseListenAddress(row.text), row.address) << row.text;
    }
}

TEST(Runner, WindowModeKeepsTheToolkitArguments) {
    const char* argv[] = {"mini-printer-test", "-platform", "offscreen", "--dry-run"};
    const CommandLine cl = parseCommandLine(4, argv);
    EXPECT_EQ(cl.mode, CommandLine::Mode::Window);
    EXPECT_TRUE(cl.dryRun);
    EXPECT_EQ(cl.toolkitArguments, (std::vector<std::string>{"-platform", "offscreen"}));
}

}  // namespace
}  // namespace mpt
