// SPDX-License-Identifier: MIT
// The serial control over a real pseudo-terminal: bytes leave exactly as written, the port is
// held exclusively, closing delivers everything, and a printer that stops taking data ends in an
// error instead of a hang.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <sstream>

#include "channels/codepage.h"
#include "channels/devices.h"
#include "channels/errors.h"
#include "channels/mscomm.h"
#include "core/run_session.h"
#include "core/wording.h"
#include "support/pty.h"
#include "testpages/skeleton.h"

namespace mpt {
namespace {

using testing::PtyPrinter;
using testing::ScopedEnv;

class SerialPort : public ::testing::Test {
  protected:
    PtyPrinter printer;
    ScopedEnv com1{"MPT_COM1", printer.devicePath()};
    std::unique_ptr<Devices> devices = systemDevices();
    std::ostringstream traceText;
    Trace trace{&traceText};
    RunContext commRun = devices->startRun();
    MSComm comm{*devices, commRun, trace};

    static int errorOf(const std::function<void()>& step) {
        try {
            step();
        } catch (const ConsoleError& error) {
            return error.number();
        }
        return 0;
    }
};

TEST_F(SerialPort, BytesLeaveExactlyAsWrittenNulAndLfIncluded) {
    printer.startReading();
    openSerialPort(comm, 1);
    using namespace std::string_literals;
    const std::string text = "\x1B\x50\0 LF\n CR\r 한글 \x1C\x70\x01\0"s;
    comm.setOutput(text);
    comm.setPortOpen(false);
    EXPECT_EQ(printer.waitFor(21), "\x1B\x50\0 LF\n CR\r \xC7\xD1\xB1\xDB \x1C\x70\x01\0"s);
    EXPECT_EQ(printer.received().size(), 21u);  // two syllables of two bytes, nothing added
}

TEST_F(SerialPort, OpenWriteCloseTenTimesInARow) {
    printer.startReading();
    std::string expected;
    for (int i = 0; i < 10; ++i) {
        openSerialPort(comm, 1);
        const std::string page = "page " + std::to_string(i) + "\r\n";
        comm.setOutput(page);
        comm.setPortOpen(false);
        expected += page;
        EXPECT_FALSE(comm.portOpen());
    }
    EXPECT_EQ(printer.waitFor(expected.size()), expected);
}

TEST_F(SerialPort, ClosingRightAfterALargeWriteToASlowReaderLosesNothing) {
    std::string large;
    for (int i = 0; large.size() < 64 * 1024; ++i) {
        large += "line " + std::to_string(i) + " of the long page\r\n";
    }
    printer.startReading(100'000);  // well below what the pseudo-terminal could take
    openSerialPort(comm, 1);
    comm.setOutput(large);
    comm.setPortOpen(false);
    EXPECT_EQ(printer.waitFor(large.size(), std::chrono::seconds(20)).size(), large.size());
    EXPECT_EQ(printer.received(), large);
}

TEST_F(SerialPort, ASecondOpenerGetsPortAlreadyOpen) {
    openSerialPort(comm, 1);
    std::ostringstream otherTrace;
    Trace other(&otherTrace);
    RunContext otherRun = devices->startRun();
    MSComm second(*devices, otherRun, other);
    second.setCommPort(1);
    EXPECT_EQ(errorOf([&] { second.setPortOpen(true); }), 8005);
    EXPECT_FALSE(second.portOpen());
    comm.setPortOpen(false);
    // Released: the second control gets the port now.
    second.setPortOpen(true);
    EXPECT_TRUE(second.portOpen());
    second.setPortOpen(false);
}

// The thermal pages close and reopen the port around every page. Another program trying the port
// all the while never gets it in a gap between pages, and the run prints every page; once the run
// has ended the port is free.
TEST_F(SerialPort, ARunKeepsThePortBetweenItsPages) {
    if (::access("/var/lock", W_OK) != 0) {
        GTEST_SKIP() << "/var/lock is not writable here";
    }
    printer.startReading(40'000);  // 30 pages of 876 bytes: well over half a second
    RunSession run(*devices, trace);
    run.start("cmddevice", TextBoxStore("30"));
    const auto otherDevices = systemDevices();
    Trace other;
    RunContext otherRun = otherDevices->startRun();
    MSComm second(*otherDevices, otherRun, other);
    second.setCommPort(1);
    ASSERT_FALSE(printer.waitFor(1).empty()) << "the run never opened the port";
    int attempts = 0;
    int taken = 0;
    // Until the last page has begun: after it the run gives the port back.
    while (run.progress().repetition < 30 && !run.ended()) {
        const int error = errorOf([&] { second.setPortOpen(true); });
        ++attempts;
        if (error == 0) {
            // Taken from the run only if the run had not yet begun its last page when the open
            // succeeded: this thread may have slept between the loop's check and the open while
            // the run finished and gave the port back.
            if (run.progress().repetition < 30 && !run.ended()) {
                ++taken;
            }
            second.setPortOpen(false);
        } else {
            EXPECT_EQ(error, 8005);
        }
    }
    const RunOutcome outcome = run.finish();
    EXPECT_TRUE(outcome.end.finished()) << detailOf(*outcome.end.error);
    EXPECT_EQ(taken, 0) << "taken from the run in " << taken << " of " << attempts << " tries";
    EXPECT_GT(attempts, 30);
    EXPECT_EQ(errorOf([&] { second.setPortOpen(true); }), 0);
    second.setPortOpen(false);
}

TEST_F(SerialPort, HeldWithAUucpLockFileWhileOpen) {
    if (::access("/var/lock", W_OK) != 0) {
        GTEST_SKIP() << "/var/lock is not writable here";
    }
    std::string name = printer.devicePath().substr(5);  // "pts/N"
    std::replace(name.begin(), name.end(), '/', '_');
    const std::string lockFile = "/var/lock/LCK.." + name;
    openSerialPort(comm, 1);
    EXPECT_EQ(::access(lockFile.c_str(), F_OK), 0) << lockFile;
    comm.setPortOpen(false);
    EXPECT_NE(::access(lockFile.c_str(), F_OK), 0);
}

TEST_F(SerialPort, MissingOrWrongDevicesAreInvalidPortNumbers) {
    ScopedEnv missing("MPT_COM7", "/dev/no-such-serial-port");
    comm.setCommPort(7);
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), 8002);
    ScopedEnv notATerminal("MPT_COM8", "/dev/null");
    comm.setCommPort(8);
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), 8002);
    EXPECT_FALSE(comm.portOpen());
}

TEST_F(SerialPort, PropertiesRefusedAsTheControlDoes) {
    EXPECT_EQ(errorOf([&] { comm.setCommPort(0); }), 8002);
    EXPECT_EQ(errorOf([&] { comm.setCommPort(-3); }), 8002);
    EXPECT_EQ(errorOf([&] { comm.setOutput("x"); }), 8018);  // not open
    openSerialPort(comm, 1);
    EXPECT_EQ(errorOf([&] { comm.setCommPort(2); }), 8005);
    EXPECT_EQ(errorOf([&] { comm.setPortOpen(true); }), 8005);
    EXPECT_EQ(errorOf([&] { comm.setSettings("9600,n,8"); }), 380);
    EXPECT_EQ(errorOf([&] { comm.setSettings("9600,x,8,1"); }), 380);
    EXPECT_EQ(errorOf([&] { comm.setSettings("1234,n,8,1"); }), 8015);
    EXPECT_EQ(errorOf([&] { comm.setHandshaking(4); }), 380);
    comm.setPortOpen(false);
    // A refused value never shows in the trace as if it had been set.
    EXPECT_EQ(traceText.str().find(R"("value":0)"), std::string::npos);
    EXPECT_EQ(traceText.str().find("1234"), std::string::npos);
}

TEST_F(SerialPort, SettingsAllFourFieldsParsed) {
    const LineSettings s = parseSettings("19200,E,7,2");
    EXPECT_EQ(s.baud, 19200);
    EXPECT_EQ(s.parity, 'e');
    EXPECT_EQ(s.dataBits, 7);
    EXPECT_EQ(s.stopBits, 2);
    for (const char* bad : {"", "9600", "9600,n,8,1,1", "9600,n,9,1", "9600,n,8,3", "x,n,8,1",
                            "9600,,8,1", "9600,n,8,1 "}) {
        EXPECT_EQ(errorOf([&] { parseSettings(bad); }), 380) << bad;
    }
}

TEST_F(SerialPort, AReaderThatStopsReadingEndsInTimeoutNotAHang) {
    ScopedEnv limit("MPT_IO_TIMEOUT_MS", "300");
    RunContext timedRun = devices->startRun();
    MSComm timed(*devices, timedRun, trace);  // takes the shortened limit when it opens
    openSerialPort(timed, 1);
    const auto start = std::chrono::steady_clock::now();
    const std::string flood(1 << 20, 'x');
    EXPECT_EQ(errorOf([&] { timed.setOutput(flood); }), 24);
    timed.release();  // what a failed routine's dispatcher does
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(timed.portOpen());
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    // The port is free again for the next test.
    printer.drainAll();
    openSerialPort(comm, 1);
    comm.setPortOpen(false);
}

TEST_F(SerialPort, AVanishedDeviceIsAnIoErrorAndThePortIsReleased) {
    openSerialPort(comm, 1);
    printer.unplug();
    const int error = errorOf([&] { comm.setOutput(std::string(8192, 'y')); });
    EXPECT_TRUE(error == 57 || error == 24) << error;
    comm.release();
    EXPECT_FALSE(comm.portOpen());
}

// The thermal pages reopen the port for every page: a printer unplugged between two pages is
// named as a device that went away, not as a line setting the port refused.
TEST_F(SerialPort, ADeviceThatVanishedBetweenPagesIsAnIoError) {
    RunContext run = devices->startRun();
    run.keepsClaims = true;
    MSComm inRun(*devices, run, trace);
    openSerialPort(inRun, 1);
    inRun.setPortOpen(false);
    printer.unplug();
    std::string detail;
    try {
        openSerialPort(inRun, 1);
    } catch (const ConsoleError& error) {
        EXPECT_EQ(error.number(), 57) << error.text() << ": " << detailOf(error);
        detail = detailOf(error);
    }
    EXPECT_EQ(
        detail.rfind(printer.devicePath() + ": the device went away since the last page (", 0), 0u)
        << detail;
    EXPECT_FALSE(inRun.portOpen());
}

}  // namespace
}  // namespace mpt
