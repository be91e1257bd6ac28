// SPDX-License-Identifier: MIT
// Ports that lead to a network printer: every page reaches a printer listening on the loopback
// address byte for byte, and a printer that refuses, does not answer, drops the connection or
// stops reading ends the run in its error, with the bytes reported as sent those it took.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "channels/network.h"
#include "core/run_progress.h"
#include "core/run_session.h"
#include "core/wording.h"
#include "support/expected_pages.h"
#include "support/pages.h"
#include "support/pty.h"
#include "support/stream.h"
#include "support/tcp_printer.h"
#include "testpages/routines.h"

namespace mpt {
namespace {

using testing::ScopedEnv;
using testing::TcpPrinter;
using namespace std::chrono_literals;

// One run on the system's devices, every port leading to `address`; its outcome and the trace.
struct NetworkRun {
    RunOutcome outcome;
    std::string trace;
    std::chrono::milliseconds took{};
};

NetworkRun runTo(const std::string& address, const std::string& routine, const std::string& count) {
    ScopedEnv com1("MPT_COM1", address);
    ScopedEnv com3("MPT_COM3", address);
    ScopedEnv lpt1("MPT_LPT1", address);
    const auto devices = systemDevices();
    std::ostringstream traceText;
    Trace trace(&traceText);
    RunSession session(*devices, trace);
    const auto start = std::chrono::steady_clock::now();
    session.start(routine, TextBoxStore(count));
    NetworkRun run{session.finish(), {}, {}};
    run.took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    run.trace = traceText.str();
    return run;
}

TEST(NetworkAddress, ReadAsTheBenchWritesThem) {
    const struct {
        const char* text;
        const char* host;  // nullptr: refused
        const char* port;
    } cases[] = {
        {"tcp://127.0.0.1:9100", "127.0.0.1", "9100"},
        {"tcp://printer.local:9100", "printer.local", "9100"},
        {"tcp://[::1]:4001", "::1", "4001"},
        {"tcp://host:65535", "host", "65535"},
        {"tcp://host", nullptr, nullptr},
        {"tcp://:9100", nullptr, nullptr},
        {"tcp://host:0", nullptr, nullptr},
        {"tcp://host:65536", nullptr, nullptr},
        {"tcp://host:+91", nullptr, nullptr},
        {"tcp://host:91x", nullptr, nullptr},
        {"tcp://::1:9100", nullptr, nullptr},
        {"tcp://[::1]9100", nullptr, nullptr},
        {"tcp://a b:9100", nullptr, nullptr},
        {"tcp://[fe80::1%eth0]:9100", "fe80::1%eth0", "9100"},
        {"tcp://print_server-2.example:9100", "print_server-2.example", "9100"},
        {"tcp://user@host:9100", nullptr, nullptr},
        {"tcp://host?x=1:9100", nullptr, nullptr},
        {"tcp://host#a:9100", nullptr, nullptr},
        {"tcp://[::1@x]:9100", nullptr, nullptr},
        {"tcp://h\x01st:9100", nullptr, nullptr},
        {"/dev/ttyS0", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        const auto address = parseNetworkAddress(c.text);
        EXPECT_EQ(address.has_value(), c.host != nullptr) << c.text;
        if (address && c.host != nullptr) {
            EXPECT_EQ(address->host, c.host) << c.text;
            EXPECT_EQ(address->port, c.port) << c.text;
        }
    }
}

// Every button's stream, serial, USB and parallel alike, arrives as it is: nothing added, nothing
// lost, connection after connection where a routine opens its port anew for each page.
TEST(NetworkPrinter, EveryPageArrivesByteForByte) {
    for (const RoutineInfo& routine : routines()) {
        const std::string name(routine.name);
        SCOPED_TRACE(name);
        TcpPrinter printer;
        NetworkRun run = runTo(printer.address(), name, "2");
        ASSERT_FALSE(run.outcome.end.error) << detailOf(*run.outcome.end.error);
        const std::string expected = testing::expectedStream(name, 2);
        testing::expectSameBytes(printer.waitFor(expected.size()), expected, "bytes received");
        EXPECT_EQ(run.outcome.last.sent(), expected.size());
        EXPECT_EQ(run.outcome.boxes.text("txt2"), testing::resultMessage(name));
    }
}

// An address typed in the Ports dialog is kept as a binding, and leads there like a device.
TEST(NetworkPrinter, ABindingLeadsThere) {
    TcpPrinter printer;
    PortMap map;
    map.boundSerial[1] = "path:" + printer.address();
    map.boundLpt1 = "path:" + printer.address();
    const auto devices = systemDevices(map);
    Trace silent;
    std::string expected;
    for (const char* routine : {"cmddevice8", "cmddevice7"}) {
        RunSession session(*devices, silent);
        session.start(routine, TextBoxStore("1"));
        const RunOutcome outcome = session.finish();
        ASSERT_FALSE(outcome.end.error) << detailOf(*outcome.end.error);
        EXPECT_EQ(outcome.last.device, printer.address());
        expected += testing::expectedStream(routine, 1);
    }
    testing::expectSameBytes(printer.waitFor(expected.size()), expected, "bytes received");
}

// The serial properties are the control's: taken and recorded, with no line to apply them to;
// the status line tells no baud time for a network port.
TEST(NetworkPrinter, SerialPropertiesRecordedAndNoBaudTime) {
    TcpPrinter printer;
    const NetworkRun run = runTo(printer.address(), "cmddevice8", "1");
    ASSERT_FALSE(run.outcome.end.error);
    EXPECT_NE(run.trace.find(R"({"op":"Settings","value":"9600,n,8,1"})"), std::string::npos)
        << run.trace;
    EXPECT_NE(run.trace.find(R"("op":"Handshaking")"), std::string::npos);
    const std::string finished = finishedText(run.outcome.last, run.outcome.took);
    EXPECT_TRUE(finished.ends_with(" (network)")) << finished;
    EXPECT_NE(finished.find("COM1 → " + printer.address()), std::string::npos) << finished;
}

// A printer that is not there: each port says so in its own error, naming the address and why.
TEST(NetworkPrinter, NoConnectionIsThePortsNotThereError) {
    ScopedEnv limit("MPT_IO_TIMEOUT_MS", "300");
    std::string refusedAddress;
    {
        TcpPrinter gone;
        refusedAddress = gone.address();
    }
    TcpPrinter neverAccepts(TcpPrinter::Behaviour::NeverAccepts);
    const struct {
        std::string address;
        const char* routine;
        int error;
        std::string detail;
    } cases[] = {
        {refusedAddress, "cmddevice8", err::kInvalidPortNumber,
         refusedAddress + ": no connection: Connection refused"},
        {refusedAddress, "cmddevice7", err::kDeviceUnavailable,
         refusedAddress + ": no connection: Connection refused"},
        {neverAccepts.address(), "cmddevice4", err::kInvalidPortNumber,
         neverAccepts.address() + ": no connection: no answer within 0.3 s"},
        {neverAccepts.address(), "cmddevice11", err::kDeviceUnavailable,
         neverAccepts.address() + ": no connection: no answer within 0.3 s"},
        {"tcp://127.0.0.1", "cmddevice8", err::kInvalidPortNumber,
         "tcp://127.0.0.1: no connection: not an address such as tcp://HOST:PORT"},
        {"tcp://no-such-printer.invalid:9100", "cmddevice7", err::kDeviceUnavailable,
         "tcp://no-such-printer.invalid:9100: no connection: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address + " " + c.routine);
        const NetworkRun run = runTo(c.address, c.routine, "1");
        ASSERT_TRUE(run.outcome.end.error);
        EXPECT_EQ(run.outcome.end.error->number(), c.error);
        EXPECT_TRUE(detailOf(*run.outcome.end.error).starts_with(c.detail))
            << detailOf(*run.outcome.end.error);
        EXPECT_LT(run.took, 2s);
        EXPECT_EQ(run.outcome.last.sent(), 0u);
    }
}

// A printer that goes away in the middle of a run: "Device I/O error"; what it read is the start
// of the stream. Bytes count as sent once its side acknowledged them; the rest handed over counts
// as discarded (its last acknowledgement may never come, so it may have read a little more).
TEST(NetworkPrinter, ADroppedConnectionIsAnIoError) {
    TcpPrinter printer(TcpPrinter::Behaviour::Drops, 20000);
    const NetworkRun run = runTo(printer.address(), "cmddevice1", "200");
    ASSERT_TRUE(run.outcome.end.error);
    EXPECT_EQ(run.outcome.end.error->number(), err::kDeviceIoError)
        << detailOf(*run.outcome.end.error);
    const std::string received = printer.received();
    const std::string expected = testing::expectedStream("cmddevice1", 200);
    EXPECT_GE(received.size(), 20000u);
    testing::expectSameBytes(received, expected.substr(0, received.size()), "the start");
    const RunSnapshot& last = run.outcome.last;
    EXPECT_GT(last.discarded(), 0u);
    EXPECT_LE(received.size(), last.sent() + last.discarded());
    EXPECT_EQ(last.sent() + last.discarded(), last.taken + last.notTaken);
    EXPECT_LT(last.sent(), expected.size());
}

// A printer that resets the connection after the last write but before the close: the close says
// so at once ("Device I/O error"), rather than waiting out the limit for acknowledgements that
// will never come.
TEST(NetworkPrinter, AResetBeforeTheCloseIsAnIoError) {
    ScopedEnv limit("MPT_IO_TIMEOUT_MS", "5000");
    TcpPrinter printer(TcpPrinter::Behaviour::Drops, 100);
    ScopedEnv lpt1("MPT_LPT1", printer.address());
    const auto devices = systemDevices();
    RunProgress progress;
    RunContext run = devices->startRun(&progress);
    const auto file = devices->openLpt1(run);
    file->write(std::string(20000, 'x'));
    while (printer.received().size() < 100) {
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(200ms);
    const auto start = std::chrono::steady_clock::now();
    try {
        file->close();
        ADD_FAILURE() << "the close succeeded";
    } catch (const ConsoleError& error) {
        EXPECT_EQ(error.number(), err::kDeviceIoError) << detailOf(error);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(progress.snapshot().taken, 20000u);  // the write itself went through
}

// A printer that stops reading: "Device timeout" after the no-progress limit, whether the run
// is still writing or already closing; afterwards the printer holds exactly what was reported
// as sent, and the rest was counted as discarded.
TEST(NetworkPrinter, APrinterThatStopsReadingIsATimeout) {
    ScopedEnv limit("MPT_IO_TIMEOUT_MS", "300");
    const struct {
        const char* routine;
        const char* count;
        const char* detail;
    } cases[] = {
        {"cmddevice1", "3000", "bytes of this write not sent"},  // stalls in a write
        {"cmddevice1", "12", "without progress"},                // stalls in the close
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.routine);
        TcpPrinter printer(TcpPrinter::Behaviour::TakesNothing);
        const NetworkRun run = runTo(printer.address(), c.routine, c.count);
        ASSERT_TRUE(run.outcome.end.error);
        EXPECT_EQ(run.outcome.end.error->number(), err::kDeviceTimeout);
        EXPECT_NE(detailOf(*run.outcome.end.error).find(c.detail), std::string::npos)
            << detailOf(*run.outcome.end.error);
        EXPECT_LT(run.took, 3s);
        const std::string received = printer.takeWhatIsThere();
        const std::string expected = testing::expectedStream(c.routine, std::stoi(c.count));
        EXPECT_EQ(received.size(), run.outcome.last.sent());
        EXPECT_GT(run.outcome.last.discarded(), 0u);
        testing::expectSameBytes(received, expected.substr(0, received.size()), "the start");
    }
}

// A stop while the printer takes nothing ends the run within the grace; the printer then holds
// exactly what was reported as sent, and what the system still held is counted as discarded.
TEST(NetworkPrinter, AStopGivesUpOnAPrinterThatTakesNothing) {
    TcpPrinter printer(TcpPrinter::Behaviour::TakesNothing);
    ScopedEnv lpt1("MPT_LPT1", printer.address());
    const auto devices = systemDevices();
    Trace silent;
    RunSession session(*devices, silent);
    session.start("cmddevice1", TextBoxStore("3000"));
    std::this_thread::sleep_for(300ms);
    const auto stoppedAt = std::chrono::steady_clock::now();
    session.requestStop();
    const RunOutcome outcome = session.finish();
    EXPECT_LT(std::chrono::steady_clock::now() - stoppedAt, 1s);
    EXPECT_TRUE(outcome.end.stopped);
    EXPECT_FALSE(outcome.end.error);
    EXPECT_GT(outcome.last.discarded(), 0u);
    const std::string received = printer.takeWhatIsThere();
    EXPECT_EQ(received.size(), outcome.last.sent());
    const std::string expected = testing::expectedStream("cmddevice1", 3000);
    testing::expectSameBytes(received, expected.substr(0, received.size()), "the start");
}

}  // namespace
}  // namespace mpt
