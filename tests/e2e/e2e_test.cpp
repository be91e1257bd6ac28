// SPDX-License-Identifier: MIT
// The console end to end, as a technician uses it: the real binary on an X server of the suite's
// own, its serial ports 1 and 3 on pseudo-terminals and "lpt1 " on a FIFO. Every button is
// clicked with the mouse after the count (and for the USB button the port) has been typed in;
// every byte the printers receive is compared with the page, and the message box is read back
// through the clipboard. Then the faults a bench sees: a missing port, a port another program
// holds, a port the user may not open, a printer unplugged in the middle of a page, a parallel
// printer that goes away or stops taking paper, a device that takes nothing. Each must end in its
// error box in time, lose no byte that was handed over before it, and leave the window ready for
// the next test.
//
//   e2e_test --console PATH [gtest options]     exits 77 when Xvfb, xdotool or xclip is missing
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/harness.h"
#include "support/expected_pages.h"
#include "support/fifo.h"
#include "support/pages.h"
#include "support/pty.h"
#include "support/stream.h"

namespace mpt::e2e {
namespace {

using namespace std::chrono_literals;
using testing::expectedWrites;
using testing::FifoPrinter;
using testing::joined;
using testing::PtyPrinter;
using testing::resultMessage;
using testing::Writes;

constexpr int kSkipped = 77;
const std::string kInitialMessage = "메시지";

std::string g_console;  // the console binary, from the command line

// The X server all consoles of the suite share.
class XServerEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { s_server = std::make_unique<XServer>(); }
    void TearDown() override { s_server.reset(); }
    static XServer& server() { return *s_server; }

  private:
    static inline std::unique_ptr<XServer> s_server;
};

ConsoleWindow::Options consoleOptions(const EnvChanges& devices) {
    ConsoleWindow::Options options;
    options.binary = g_console;
    options.display = XServerEnvironment::server().display();
    options.env = devices;
    return options;
}

long long millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<Milliseconds>(Clock::now() - start).count();
}

// Types the count (and the port, if given) as a person would, then clicks the button.
struct Clicked {
    size_t from;           // the index of the first trace line the run writes
    Clock::time_point at;  // the moment of the click
};

Clicked clickButton(ConsoleWindow& console, const std::string& routine, const std::string& count,
                    const std::optional<std::string>& port = std::nullopt) {
    console.type("txt1", count);
    if (port) {
        console.type("port", *port);
    }
    const Clicked clicked{console.trace().size(), Clock::now()};
    console.click(routine);
    return clicked;
}

// What a printer received from byte `from` on, once the expected number of bytes has come and
// nothing more has followed for a moment, or once nothing has come for a while.
template <class Printer>
std::string settledSince(Printer& printer, size_t from, size_t expected) {
    std::string all = printer.received();
    const auto end = Clock::now() + 60s;
    auto lastGrowth = Clock::now();
    while (Clock::now() < end) {
        const bool complete = all.size() >= from + expected;
        if (Clock::now() - lastGrowth >= (complete ? 300ms : 3s)) {
            break;
        }
        std::this_thread::sleep_for(20ms);
        std::string now = printer.received();
        if (now.size() != all.size()) {
            all = std::move(now);
            lastGrowth = Clock::now();
        }
    }
    return all.size() > from ? all.substr(from) : std::string();
}

// A run that must succeed: the button clicked, the message shown, every byte on the printer.
template <class Printer>
void expectSuccessfulRun(ConsoleWindow& console, const std::string& routine,
                         const std::string& count, const std::optional<std::string>& port,
                         Printer& printer) {
    SCOPED_TRACE("then " + routine + " with the count " + count);
    const size_t before = printer.received().size();
    const size_t from = clickButton(console, routine, count, port).from;
    const std::optional<RunEnd> end = console.waitForRunEnd(from);
    ASSERT_TRUE(end) << "the run did not end; the console's log:\n" << console.log();
    ASSERT_FALSE(end->failed) << "error " << end->number << ": " << end->text << " (" << end->detail
                              << ")";
    EXPECT_EQ(console.read("txt2", resultMessage(routine)), resultMessage(routine));
    EXPECT_FALSE(console.errorBox()) << "an error box is shown";
    const std::string expected = testing::expectedStream(routine, std::stoi(count));
    testing::expectSameBytes(settledSince(printer, before, expected.size()), expected,
                             "bytes received");
}

// ---- Every button -------------------------------------------------------------------------------

enum class Device { Com1, Com3, Lpt1 };

struct ButtonCase {
    const char* routine;
    const char* count;
    const char* port;  // typed into `port` first, or nullptr
    Device device;     // where the pages go
};

void PrintTo(const ButtonCase& c, std::ostream* os) {
    *os << c.routine << " count " << c.count;
    if (c.port != nullptr) {
        *os << " port " << c.port;
    }
}

// The printers and one console for all buttons; a new pair after a failing click.
struct Bench {
    PtyPrinter com1;
    PtyPrinter com3;
    FifoPrinter lpt1;
    std::unique_ptr<ConsoleWindow> console;

    Bench() {
        com1.startReading();
        com3.startReading();
        console = std::make_unique<ConsoleWindow>(consoleOptions({{"MPT_COM1", com1.devicePath()},
                                                                  {"MPT_COM3", com3.devicePath()},
                                                                  {"MPT_LPT1", lpt1.path()}}));
    }
    ~Bench() { console.reset(); }

    std::string received(Device d) {
        switch (d) {
            case Device::Com1: return com1.received();
            case Device::Com3: return com3.received();
            case Device::Lpt1: return lpt1.received();
        }
        return {};
    }

    std::string settled(Device d, size_t from, size_t expected) {
        switch (d) {
            case Device::Com1: return settledSince(com1, from, expected);
            case Device::Com3: return settledSince(com3, from, expected);
            case Device::Lpt1: return settledSince(lpt1, from, expected);
        }
        return {};
    }
};

class EveryButton : public ::testing::TestWithParam<ButtonCase> {
  protected:
    static void TearDownTestSuite() { s_bench.reset(); }

    void SetUp() override {
        ASSERT_TRUE(XServerEnvironment::server().running())
            << XServerEnvironment::server().problem();
        if (s_bench && (!s_bench->console->alive() || s_bench->console->errorBox())) {
            s_bench.reset();
        }
        if (!s_bench) {
            s_bench = std::make_unique<Bench>();
            if (!s_bench->console->waitUntilShown()) {
                const std::string log = s_bench->console->log();
                s_bench.reset();
                FAIL() << "the window did not show; the console's log:\n"
                       << log << "\nthe X server's log:\n"
                       << XServerEnvironment::server().log();
            }
        }
    }

    // A click that went wrong may leave anything behind: the next one starts afresh.
    void TearDown() override {
        if (HasFailure()) {
            s_bench.reset();
        }
    }

    static inline std::unique_ptr<Bench> s_bench;
};

TEST_P(EveryButton, PrintsItsPagesAndShowsItsMessage) {
    const ButtonCase& c = GetParam();
    Bench& bench = *s_bench;
    ConsoleWindow& console = *bench.console;
    const Device all[] = {Device::Com1, Device::Com3, Device::Lpt1};
    size_t before[3];
    for (const Device d : all) {
        before[static_cast<int>(d)] = bench.received(d).size();
    }

    const size_t from =
        clickButton(console, c.routine, c.count,
                    c.port != nullptr ? std::optional<std::string>(c.port) : std::nullopt)
            .from;
    const std::optional<RunEnd> end = console.waitForRunEnd(from);
    ASSERT_TRUE(end) << "the run did not end; the console's log:\n" << console.log();
    ASSERT_FALSE(end->failed) << "error " << end->number << ": " << end->text << " (" << end->detail
                              << ")";

    // What the technician reads afterwards: the count as typed, the routine's message.
    EXPECT_EQ(console.read("txt1", c.count), c.count);
    if (c.port != nullptr) {
        EXPECT_EQ(console.read("port", c.port), c.port);
    }
    EXPECT_EQ(console.read("txt2", resultMessage(c.routine)), resultMessage(c.routine));

    // Write by write as the console handed them over, then byte by byte as the printer got them.
    const Writes expected = expectedWrites(c.routine, std::stoi(c.count));
    testing::expectSameWrites(writesIn(console.trace().lines(), from, console.trace().size()),
                              expected);
    const std::string stream = joined(expected);
    testing::expectSameBytes(
        bench.settled(c.device, before[static_cast<int>(c.device)], stream.size()), stream,
        "bytes received by the printer");
    for (const Device d : all) {
        if (d != c.device) {
            EXPECT_EQ(bench.received(d).size(), before[static_cast<int>(d)])
                << "bytes on a printer the button does not print on";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Window, EveryButton,
                         ::testing::Values(ButtonCase{"cmddevice", "2", nullptr, Device::Com1},
                                           ButtonCase{"cmddevice1", "2", nullptr, Device::Lpt1},
                                           ButtonCase{"cmddevice2", "2", nullptr, Device::Com1},
                                           ButtonCase{"cmddevice3", "2", nullptr, Device::Lpt1},
                                           ButtonCase{"cmddevice4", "2", nullptr, Device::Com1},
                                           ButtonCase{"cmddevice5", "2", nullptr, Device::Lpt1},
                                           ButtonCase{"cmddevice6", "2", nullptr, Device::Com1},
                                           ButtonCase{"cmddevice7", "2", nullptr, Device::Lpt1},
                                           ButtonCase{"cmddevice8", "2", nullptr, Device::Com1},
                                           ButtonCase{"cmddevice9", "2", nullptr, Device::Com1},
                                           ButtonCase{"cmddevice10", "2", nullptr, Device::Lpt1},
                                           ButtonCase{"cmddevice11", "2", nullptr, Device::Lpt1},
                                           ButtonCase{"cmddevice12", "2", "3", Device::Com3},
                                           ButtonCase{"cmddevice12", "2", "1", Device::Com1}),
                         [](const auto& info) {
                             std::string name = info.param.routine;
                             if (info.param.port != nullptr) {
                                 name += std::string("_port") + info.param.port;
                             }
                             return name;
                         });

// ---- Faults -------------------------------------------------------------------------------------

// What was handed over before a fault, by the trace: the bytes of every write that completed
// before it, and the write that was refused if the fault came in a write.
struct HandedOver {
    std::string completed;
    std::string refused;
};

HandedOver handedOver(const std::vector<std::string>& lines, size_t from, size_t errorLine) {
    Writes writes = writesIn(lines, from, errorLine);
    HandedOver result;
    if (errorLine > from) {
        const std::string op = testing::field(lines[errorLine - 1], "op");
        if ((op == "Output" || op == "Print") && !writes.empty()) {
            result.refused = writes.back();
            writes.pop_back();
        }
    }
    result.completed = joined(writes);
    return result;
}

// Every completed write arrived whole and in order, and whatever came after them is the start of
// the refused write. Returns the number of bytes of completed writes that did not arrive.
size_t expectNothingLost(const std::string& reached, const HandedOver& handed) {
    const size_t same = testing::firstDifference(reached, handed.completed);
    EXPECT_EQ(same, handed.completed.size())
        << "the printer got " << reached.size() << " bytes; the completed writes were "
        << handed.completed.size() << " bytes; they part at byte " << same;
    if (same == handed.completed.size() && reached.size() > same) {
        const std::string rest = reached.substr(same);
        EXPECT_LE(rest.size(), handed.refused.size()) << "bytes beyond the refused write";
        EXPECT_EQ(rest, handed.refused.substr(0, rest.size()))
            << "the bytes after the completed writes are not the start of the refused write";
    }
    return handed.completed.size() - same;
}

struct FaultRecord {
    std::string fault;
    int error;
    std::string says;  // the error's text and detail
    long long milliseconds;
    size_t reached;
    size_t completed;
    size_t lost;
};

class Faults : public ::testing::Test {
  protected:
    static void TearDownTestSuite() {
        if (s_records.empty()) {
            return;
        }
        std::cout << "\nfault | error | box after ms | bytes received before | bytes of "
                     "completed writes | bytes lost\n";
        for (const FaultRecord& r : s_records) {
            std::cout << r.fault << " | " << r.error << " | " << r.milliseconds << " | "
                      << r.reached << " | " << r.completed << " | " << r.lost << '\n';
        }
        std::cout << std::flush;
        s_records.clear();
    }

    void SetUp() override {
        ASSERT_TRUE(XServerEnvironment::server().running())
            << XServerEnvironment::server().problem();
    }

    // Starts a console on the given devices and waits for its window.
    std::unique_ptr<ConsoleWindow> start(const EnvChanges& devices) {
        return start(consoleOptions(devices));
    }
    std::unique_ptr<ConsoleWindow> start(const ConsoleWindow::Options& options) {
        auto console = std::make_unique<ConsoleWindow>(options);
        if (!console->waitUntilShown()) {
            ADD_FAILURE() << "the window did not show; the console's log:\n"
                          << console->log() << "\nthe X server's log ("
                          << (XServerEnvironment::server().alive() ? "running" : "ended") << "):\n"
                          << XServerEnvironment::server().log();
            return nullptr;
        }
        return console;
    }

    // Waits for the run's error and its box; the time is counted from `since` to the box.
    struct Failure {
        RunEnd end;
        long long boxAfter;
    };
    std::optional<Failure> waitForFailure(ConsoleWindow& console, size_t from,
                                          Clock::time_point since, Milliseconds timeout = 60s) {
        const std::optional<RunEnd> end = console.waitForRunEnd(from, timeout);
        if (!end) {
            ADD_FAILURE() << "no error within " << timeout.count() << " ms; the console's log:\n"
                          << console.log();
            return std::nullopt;
        }
        if (!end->failed) {
            ADD_FAILURE() << "the run ended without an error: " << end->text;
            return std::nullopt;
        }
        if (!console.waitForErrorBox()) {
            ADD_FAILURE() << "error " << end->number << " was not shown in a box";
            return std::nullopt;
        }
        return Failure{*end, millisecondsSince(since)};
    }

    // The channel is given back right after the error: the next trace line closes it.
    static void expectReleasedAfter(ConsoleWindow& console, size_t errorLine,
                                    const std::string& closing) {
        const std::vector<std::string>& lines = console.trace().lines();
        ASSERT_GT(lines.size(), errorLine + 1) << "nothing after the error in the trace";
        EXPECT_EQ(lines[errorLine + 1], closing) << "the channel is not closed after the error";
    }

    static void record(const std::string& fault, const Failure& failure, size_t reached,
                       size_t completed, size_t lost) {
        FaultRecord r{fault,
                      failure.end.number,
                      failure.end.text + ": " + failure.end.detail,
                      failure.boxAfter,
                      reached,
                      completed,
                      lost};
        std::cout << "[ fault    ] " << r.fault << ": error " << r.error << " (" << r.says
                  << ") in a box after " << r.milliseconds << " ms; " << r.reached
                  << " bytes received, " << r.completed << " bytes of completed writes, " << r.lost
                  << " lost" << std::endl;
        s_records.push_back(std::move(r));
    }

    static inline std::vector<FaultRecord> s_records;
};

const std::string kPortClosed = R"({"op":"PortOpen","value":false})";
const std::string kFileClosed = R"({"op":"Close","file":1})";

// A port number whose device does not exist: every serial button names it, sends nothing and
// leaves the message box as it was; the serial control is free for port 3 afterwards.
TEST_F(Faults, SerialDeviceMissing) {
    TempDir nowhere;
    PtyPrinter com3;
    com3.startReading();
    FifoPrinter lpt1;
    const auto console = start({{"MPT_COM1", nowhere.file("ttyS0")},
                                {"MPT_COM3", com3.devicePath()},
                                {"MPT_LPT1", lpt1.path()},
                                {"MPT_IO_TIMEOUT_MS", "1000"}});
    ASSERT_TRUE(console);

    struct Attempt {
        const char* routine;
        const char* port;
    };
    const Attempt attempts[] = {{"cmddevice", nullptr},  {"cmddevice2", nullptr},
                                {"cmddevice4", nullptr}, {"cmddevice6", nullptr},
                                {"cmddevice8", nullptr}, {"cmddevice9", nullptr},
                                {"cmddevice12", "1"}};
    for (const Attempt& a : attempts) {
        SCOPED_TRACE(a.routine);
        const Clicked clicked =
            clickButton(*console, a.routine, "2",
                        a.port != nullptr ? std::optional<std::string>(a.port) : std::nullopt);
        const size_t from = clicked.from;
        const std::optional<Failure> failure = waitForFailure(*console, from, clicked.at);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->end.number, 8002) << failure->end.text << ": " << failure->end.detail;
        EXPECT_NE(failure->end.detail.find(nowhere.file("ttyS0")), std::string::npos)
            << "the detail does not name the device: " << failure->end.detail;
        const HandedOver handed = handedOver(console->trace().lines(), from, failure->end.line);
        EXPECT_TRUE(handed.completed.empty() && handed.refused.empty()) << "writes were made";
        if (&a == &attempts[0]) {
            record("serial device missing (port 1)", *failure, 0, handed.completed.size(),
                   expectNothingLost("", handed));
        }
        ASSERT_TRUE(console->dismissErrorBox());
    }
    EXPECT_EQ(console->read("txt2", kInitialMessage), kInitialMessage);
    EXPECT_EQ(com3.received(), "");
    EXPECT_EQ(lpt1.received(), "");

    expectSuccessfulRun(*console, "cmddevice12", "2", "3", com3);
}

// Another program has port 1 open (a second console printing a long run while its printer
// holds back): the window's click is refused, and the other program's pages arrive untouched.
// Once the other program is done, the same button prints.
TEST_F(Faults, PortHeldByAnotherProgram) {
    PtyPrinter com1;  // not reading yet: the other program's pages wait in the line
    TempDir otherDir;
    Child other({g_console, "--run", "cmddevice4", "--count", "300", "--trace",
                 otherDir.file("trace.jsonl")},
                consoleDevices({{"MPT_COM1", com1.devicePath()},
                                {"MPT_IO_TIMEOUT_MS", "120000"},
                                {"DISPLAY", std::nullopt}}),
                otherDir.file("log"));
    ASSERT_TRUE(other.started());
    TraceFile otherTrace(otherDir.file("trace.jsonl"));
    const auto waitEnd = Clock::now() + 60s;
    bool holding = false;
    while (!holding && Clock::now() < waitEnd && other.running()) {
        for (const std::string& line : otherTrace.lines()) {
            holding = holding || testing::field(line, "op") == "Output";
        }
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_TRUE(holding) << "the other program never wrote to the port";

    const auto console = start({{"MPT_COM1", com1.devicePath()}, {"MPT_IO_TIMEOUT_MS", "1000"}});
    ASSERT_TRUE(console);
    const Clicked clicked = clickButton(*console, "cmddevice4", "2");
    const size_t from = clicked.from;
    const std::optional<Failure> failure = waitForFailure(*console, from, clicked.at);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->end.number, 8005) << failure->end.text << ": " << failure->end.detail;
    const HandedOver handed = handedOver(console->trace().lines(), from, failure->end.line);
    EXPECT_TRUE(handed.completed.empty() && handed.refused.empty()) << "writes were made";
    EXPECT_TRUE(other.running()) << "the other program let go of the port before the click";
    ASSERT_TRUE(console->dismissErrorBox());

    // The other program's printer takes paper again: its 300 pages arrive as they were sent,
    // with nothing of the window's attempt among them.
    com1.startReading();
    const std::optional<int> otherExit = other.wait(180s);
    ASSERT_TRUE(otherExit) << "the other program did not finish";
    EXPECT_EQ(*otherExit, 0) << "the other program failed: " << otherTrace.lines().back();
    const std::string others = testing::expectedStream("cmddevice4", 300);
    testing::expectSameBytes(settledSince(com1, 0, others.size()), others,
                             "the other program's pages");
    record("port held by another program", *failure, 0, handed.completed.size(),
           expectNothingLost("", handed));

    expectSuccessfulRun(*console, "cmddevice4", "2", std::nullopt, com1);
}

// The console runs as a user who may not open port 1: the box names the refusal; port 3, which
// that user may open, prints afterwards.
TEST_F(Faults, PermissionRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can run the console as another user";
    }
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr) {
        GTEST_SKIP() << "this system has no user nobody";
    }
    const std::vector<std::string> runAs = {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                                            "--regid=" + std::to_string(nobody->pw_gid),
                                            "--clear-groups", "--"};
    std::vector<std::string> list = runAs;
    list.insert(list.end(), {g_console, "--list"});
    if (runCommand(list, {}).exitCode != 0) {
        GTEST_SKIP() << "the user nobody cannot run the console binary where it was built";
    }

    PtyPrinter com1;
    PtyPrinter com3;
    com3.startReading();
    ASSERT_EQ(::chmod(com1.devicePath().c_str(), 0600), 0);
    ASSERT_EQ(::chown(com3.devicePath().c_str(), nobody->pw_uid, static_cast<gid_t>(-1)), 0);
    ConsoleWindow::Options options = consoleOptions({{"MPT_COM1", com1.devicePath()},
                                                     {"MPT_COM3", com3.devicePath()},
                                                     {"MPT_IO_TIMEOUT_MS", "1000"}});
    options.runAs = runAs;
    options.otherUser = true;
    const auto console = start(options);
    ASSERT_TRUE(console);

    const Clicked clicked = clickButton(*console, "cmddevice", "2");
    const size_t from = clicked.from;
    const std::optional<Failure> failure = waitForFailure(*console, from, clicked.at);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->end.number, 70) << failure->end.text << ": " << failure->end.detail;
    const HandedOver handed = handedOver(console->trace().lines(), from, failure->end.line);
    EXPECT_TRUE(handed.completed.empty() && handed.refused.empty()) << "writes were made";
    record("permission refused (port 1)", *failure, 0, handed.completed.size(),
           expectNothingLost("", handed));
    ASSERT_TRUE(console->dismissErrorBox());

    expectSuccessfulRun(*console, "cmddevice12", "2", "3", com3);
}

// The printer on port 1 is unplugged in the middle of a long page run. The console is held still
// for the moment of unplugging, so that the printer has taken every byte handed over until then.
TEST_F(Faults, SerialDeviceVanishesMidRun) {
    PtyPrinter com1;
    PtyPrinter com3;
    com3.startReading();
    const auto console = start({{"MPT_COM1", com1.devicePath()},
                                {"MPT_COM3", com3.devicePath()},
                                {"MPT_IO_TIMEOUT_MS", "5000"}});
    ASSERT_TRUE(console);

    // 200 pages at 16 kB/s: about eight seconds of printing.
    com1.startReading(16000);
    const size_t from = clickButton(*console, "cmddevice4", "200").from;
    const std::string all = testing::expectedStream("cmddevice4", 200);
    ASSERT_GE(com1.waitFor(32000, 60s).size(), 32000u) << "the printer got too little";
    ASSERT_LT(com1.received().size(), all.size()) << "the run was over before the unplugging";

    ASSERT_TRUE(console->process().freeze());
    const std::string reached = com1.drainAll();
    com1.unplug();
    const auto unplugged = Clock::now();
    console->process().thaw();

    const std::optional<Failure> failure = waitForFailure(*console, from, unplugged);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->end.number == 57 || failure->end.number == 24)
        << failure->end.number << " " << failure->end.text << ": " << failure->end.detail;
    EXPECT_LT(failure->boxAfter, 5000 + 10000) << "the box came long after the no-progress limit";
    expectReleasedAfter(*console, failure->end.line, kPortClosed);
    const HandedOver handed = handedOver(console->trace().lines(), from, failure->end.line);
    EXPECT_EQ(reached, all.substr(0, reached.size())) << "the pages were not received in order";
    record("serial device vanishes mid-run", *failure, reached.size(), handed.completed.size(),
           expectNothingLost(reached, handed));
    ASSERT_TRUE(console->dismissErrorBox());

    expectSuccessfulRun(*console, "cmddevice12", "2", "3", com3);
}

// The console ended during a long run, as a technician or the system ends it: the window destroyed
// from outside, SIGTERM, Ctrl+C. The run is stopped at a write and the process is gone within two
// seconds, leaving no lock file behind; the trace says where the run stopped.
TEST_F(Faults, EndedDuringARun) {
    for (const char* how : {"SIGTERM", "SIGINT", "window destroyed"}) {
        SCOPED_TRACE(how);
        PtyPrinter com1;
        com1.startReading(6000);
        const auto console = start({{"MPT_COM1", com1.devicePath()}});
        ASSERT_TRUE(console);
        std::string lockName = com1.devicePath().substr(5);  // "pts/N"
        lockName.replace(lockName.find('/'), 1, "_");
        const std::string lockFile = "/var/lock/LCK.." + lockName;

        clickButton(*console, "cmddevice4", "1000");
        ASSERT_GE(com1.waitFor(4000, 30s).size(), 4000u) << "the run did not start";
        const auto asked = Clock::now();
        if (std::string(how) == "window destroyed") {
            console->destroyWindow();
        } else {
            ::kill(console->process().pid(), std::string(how) == "SIGINT" ? SIGINT : SIGTERM);
        }
        const std::optional<int> exit = console->process().wait(5s);
        ASSERT_TRUE(exit) << "the console is still running; its log:\n" << console->log();
        EXPECT_LT(millisecondsSince(asked), 2000);
        EXPECT_EQ(*exit, 0) << console->log();
        EXPECT_NE(::access(lockFile.c_str(), F_OK), 0) << "lock file left: " << lockFile;
        const std::vector<std::string>& lines = console->trace().lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(testing::field(lines[lines.size() - 2], "op"), "Stop");
        EXPECT_EQ(lines.back(), kPortClosed);
    }
}

// The console ended while an error box waits for the technician (a count that is no number): the
// termination signals and the window's destruction close the box and end the process within two
// seconds, as they do without a box; no box is left behind with a live process.
TEST_F(Faults, EndedWhileAnErrorBoxIsOpen) {
    for (const auto& [how, signal] :
         {std::pair{"SIGTERM", SIGTERM}, std::pair{"SIGINT", SIGINT}, std::pair{"SIGHUP", SIGHUP},
          std::pair{"window destroyed", 0}}) {
        SCOPED_TRACE(how);
        FifoPrinter lpt1;
        const auto console = start({{"MPT_LPT1", lpt1.path()}});
        ASSERT_TRUE(console);
        const Clicked clicked = clickButton(*console, "cmddevice1", "abc");
        const std::optional<Failure> failure = waitForFailure(*console, clicked.from, clicked.at);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->end.number, 13);
        const auto asked = Clock::now();
        if (signal == 0) {
            console->destroyWindow();
        } else {
            ::kill(console->process().pid(), signal);
        }
        const std::optional<int> exit = console->process().wait(5s);
        ASSERT_TRUE(exit) << "the console is still running with its box; its log:\n"
                          << console->log();
        EXPECT_LT(millisecondsSince(asked), 2000);
        const std::vector<std::string>& lines = console->trace().lines();
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.back(), kFileClosed) << "the file is not closed";
    }
}

// A port bound in an earlier session (the Ports dialog saved it in the user's configuration) leads
// there when no environment variable says otherwise.
TEST_F(Faults, SavedBindingLeadsThePort) {
    PtyPrinter com1;
    com1.startReading();
    TempDir config;
    ASSERT_EQ(::mkdir(config.file("mini-printer-test").c_str(), 0700), 0);
    {
        std::ofstream(config.file("mini-printer-test/ports.conf"))
            << "[ports]\ncom1=path:" << com1.devicePath() << "\n";
    }
    const auto console = start({{"XDG_CONFIG_HOME", config.path()}});
    ASSERT_TRUE(console);
    expectSuccessfulRun(*console, "cmddevice8", "1", std::nullopt, com1);
}

// A parallel printer that has stopped reading, its FIFO holding about a page.
bool holdingOnePage(FifoPrinter& lpt1) {
    if (!lpt1.ready()) {
        return false;
    }
    lpt1.stopReading();
    return lpt1.setCapacity(4096);
}

// The parallel printer goes away in the middle of the line feed test. The FIFO holds a single
// page and the printer reads slowly, so the run lasts; the console is held still for the moment
// the printer goes, so that it has taken every byte handed over until then. A new printer on the
// same FIFO then gets the whole run.
TEST_F(Faults, LptReaderGoneMidRun) {
    PtyPrinter com1;
    com1.startReading();
    FifoPrinter lpt1;
    ASSERT_TRUE(holdingOnePage(lpt1));
    const auto console = start({{"MPT_COM1", com1.devicePath()},
                                {"MPT_LPT1", lpt1.path()},
                                {"MPT_IO_TIMEOUT_MS", "5000"}});
    ASSERT_TRUE(console);

    const std::string all = testing::expectedStream("cmddevice7", 0);
    lpt1.startReading(4000);
    const size_t from = clickButton(*console, "cmddevice7", "2").from;
    ASSERT_GE(lpt1.waitFor(4000, 60s).size(), 4000u) << "the printer got too little";
    ASSERT_TRUE(console->process().freeze());
    ASSERT_LT(lpt1.received().size(), all.size()) << "the run was over before the printer went";
    const std::string reached = lpt1.takeWhatIsThere();
    lpt1.unplug();
    const auto gone = Clock::now();
    console->process().thaw();

    const std::optional<Failure> failure = waitForFailure(*console, from, gone);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->end.number, 57) << failure->end.text << ": " << failure->end.detail;
    EXPECT_LT(failure->boxAfter, 5000 + 10000) << "the box came long after the no-progress limit";
    expectReleasedAfter(*console, failure->end.line, kFileClosed);
    const HandedOver handed = handedOver(console->trace().lines(), from, failure->end.line);
    record("lpt1 reader gone mid-run", *failure, reached.size(), handed.completed.size(),
           expectNothingLost(reached, handed));
    ASSERT_TRUE(console->dismissErrorBox());

    ASSERT_TRUE(lpt1.replug());
    expectSuccessfulRun(*console, "cmddevice7", "2", std::nullopt, lpt1);
}

// The parallel printer keeps the FIFO open but takes nothing: the console gives up once the
// no-progress limit has passed, and every byte it handed over is still in the FIFO.
TEST_F(Faults, LptReaderNeverDrains) {
    PtyPrinter com1;
    com1.startReading();
    FifoPrinter lpt1;
    ASSERT_TRUE(holdingOnePage(lpt1));
    const auto console = start({{"MPT_COM1", com1.devicePath()},
                                {"MPT_LPT1", lpt1.path()},
                                {"MPT_IO_TIMEOUT_MS", "1000"}});
    ASSERT_TRUE(console);

    const Clicked clicked = clickButton(*console, "cmddevice7", "2");
    const size_t from = clicked.from;
    const std::optional<Failure> failure = waitForFailure(*console, from, clicked.at);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->end.number, 24) << failure->end.text << ": " << failure->end.detail;
    EXPECT_GE(failure->boxAfter, 1000) << "gave up before the no-progress limit";
    EXPECT_LT(failure->boxAfter, 1000 + 10000) << "the box came long after the no-progress limit";
    expectReleasedAfter(*console, failure->end.line, kFileClosed);
    const std::string reached = lpt1.takeWhatIsThere();
    const HandedOver handed = handedOver(console->trace().lines(), from, failure->end.line);
    EXPECT_FALSE(reached.empty());
    record("lpt1 reader never drains", *failure, reached.size(), handed.completed.size(),
           expectNothingLost(reached, handed));
    ASSERT_TRUE(console->dismissErrorBox());

    lpt1.startReading();
    expectSuccessfulRun(*console, "cmddevice7", "2", std::nullopt, lpt1);
}

// "lpt1 " on a device that refuses every byte: the first statement fails, twice in a row (the
// file number was given back after the first), and a serial button prints afterwards.
TEST_F(Faults, DeviceTakesNoData) {
    PtyPrinter com1;
    com1.startReading();
    const auto console = start({{"MPT_COM1", com1.devicePath()},
                                {"MPT_LPT1", "/dev/full"},
                                {"MPT_IO_TIMEOUT_MS", "1000"}});
    ASSERT_TRUE(console);

    for (int attempt = 1; attempt <= 2; ++attempt) {
        SCOPED_TRACE("attempt " + std::to_string(attempt));
        const Clicked clicked = clickButton(*console, "cmddevice5", "2");
        const size_t from = clicked.from;
        const std::optional<Failure> failure = waitForFailure(*console, from, clicked.at);
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->end.number, 57) << failure->end.text << ": " << failure->end.detail;
        expectReleasedAfter(*console, failure->end.line, kFileClosed);
        const HandedOver handed = handedOver(console->trace().lines(), from, failure->end.line);
        EXPECT_EQ(handed.completed, "") << "a statement was taken";
        EXPECT_EQ(handed.refused, testing::epsonParallelPage().front())
            << "not the first statement";
        if (attempt == 1) {
            record("lpt1 is /dev/full", *failure, 0, handed.completed.size(),
                   expectNothingLost("", handed));
        }
        ASSERT_TRUE(console->dismissErrorBox());
    }
    EXPECT_EQ(console->read("txt2", kInitialMessage), kInitialMessage);

    expectSuccessfulRun(*console, "cmddevice2", "2", std::nullopt, com1);
}

}  // namespace
}  // namespace mpt::e2e

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--console") == 0) {
            mpt::e2e::g_console = argv[i + 1];
        }
    }
    if (mpt::e2e::g_console.empty()) {
        std::fprintf(stderr, "usage: %s --console PATH [gtest options]\n", argv[0]);
        return 2;
    }
    const std::vector<std::string> missing = mpt::e2e::missingTools();
    if (!missing.empty()) {
        std::printf("SKIP: not installed:");
        for (const std::string& tool : missing) {
            std::printf(" %s", tool.c_str());
        }
        std::printf("\n");
        return mpt::e2e::kSkipped;
    }
    ::testing::AddGlobalTestEnvironment(new mpt::e2e::XServerEnvironment);
    return RUN_ALL_TESTS();
}
