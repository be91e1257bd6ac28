// SPDX-License-Identifier: MIT
// The thermal receipt page that describes the printer, on its three buttons: every write of the
// page as the receipt is printed (logos, numbered title, headings, the lines padded with ruler
// digits, the bar code sample, the feed and the cut), the port opened and closed around every page
// on the serial and USB buttons, what the parallel button sends instead, and the bytes a real
// pseudo-terminal and a real FIFO receive.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/expected_pages.h"
#include "support/on_devices.h"
#include "support/pages.h"
#include "support/stream.h"

namespace mpt {
namespace {

using namespace std::string_literals;
using testing::expectSameTrace;
using testing::expectSameWrites;
using testing::joined;
using testing::repeated;
using testing::runTraced;
using testing::thermalParallelPage;
using testing::thermalSerialPage;
using testing::TracedRun;
namespace traced = testing::traced;

const std::string kSerialMessage = testing::resultMessage("cmddevice");
const std::string kUsbMessage = testing::resultMessage("cmddevice12");
const std::string kParallelMessage = testing::resultMessage("cmddevice1");

// The whole trace of a serial or USB run: the port is set, opened and configured before every
// page and closed after it; the USB button reads `port` before every CommPort.
std::vector<std::string> serialTrace(int count, const std::string& portText, int commPort,
                                     const std::string& message, bool usb) {
    std::vector<std::string> lines = {traced::getText("txt1", std::to_string(count))};
    for (int page = 1; page <= count; ++page) {
        if (usb) {
            lines.push_back(traced::getText("port", portText));
        }
        lines.push_back(traced::commPort(commPort));
        lines.push_back(traced::portOpen(true));
        lines.push_back(traced::settings());
        lines.push_back(traced::handshaking());
        for (const std::string& w : thermalSerialPage(page)) {
            lines.push_back(traced::output(w));
        }
        lines.push_back(traced::portOpen(false));
    }
    lines.push_back(traced::setMessage(message));
    return lines;
}

TEST(ThermalSerialPage, CountOneByteByByteAndWriteByWrite) {
    const TracedRun run = runTraced("cmddevice", "1");
    ASSERT_FALSE(run.error);
    const std::vector<std::string> page = thermalSerialPage(1);
    ASSERT_EQ(page.size(), 33u);
    expectSameWrites(run.writes(), page);
    expectSameTrace(run.lines, serialTrace(1, "", 1, kSerialMessage, false));
    EXPECT_EQ(run.txt2, kSerialMessage);
}

TEST(ThermalSerialPage, TenPagesNumberedOneToTen) {
    const TracedRun run = runTraced("cmddevice", "10");
    ASSERT_FALSE(run.error);
    std::vector<std::string> expected;
    for (int page = 1; page <= 10; ++page) {
        const std::vector<std::string> one = thermalSerialPage(page);
        expected.insert(expected.end(), one.begin(), one.end());
    }
    expectSameWrites(run.writes(), expected);
    expectSameTrace(run.lines, serialTrace(10, "", 1, kSerialMessage, false));
    // The tenth title: the two digits right after the print mode, the first blank right after.
    const std::vector<std::string> writes = run.writes();
    ASSERT_EQ(writes.size(), 330u);
    EXPECT_EQ(writes[9 * 33 + 2].substr(0, 6), "\x1B\x21\x21\x31\x30\x20");
}

// Lines that end in ruler digits, and the unpadded ones, by their length before the line end:
// (write, bytes of the text).
struct PaddedLine {
    int write;
    size_t bytes;
};

void PrintTo(const PaddedLine& l, std::ostream* os) {
    *os << "write " << l.write << ", " << l.bytes << " bytes";
}

class ThermalPaddedLine : public ::testing::TestWithParam<PaddedLine> {};

TEST_P(ThermalPaddedLine, HasItsLengthOnEveryButton) {
    const PaddedLine line = GetParam();
    const std::vector<std::string> serial = runTraced("cmddevice", "1").writes();
    // The parallel page has one logo statement in place of two writes.
    const std::vector<std::string> parallel = runTraced("cmddevice1", "1").writes();
    ASSERT_EQ(serial.size(), 33u);
    ASSERT_EQ(parallel.size(), 34u);
    for (const std::string& w : {serial[line.write - 1], parallel[line.write - 2]}) {
        ASSERT_GE(w.size(), 2u);
        EXPECT_EQ(w.substr(w.size() - 2), "\r\n");
        EXPECT_EQ(w.size() - 2, line.bytes) << "write " << line.write << ": " << w;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ThermalPaddedLine,
    ::testing::Values(PaddedLine{4, 42}, PaddedLine{9, 42}, PaddedLine{10, 42}, PaddedLine{11, 42},
                      PaddedLine{12, 42}, PaddedLine{13, 42}, PaddedLine{14, 42},
                      PaddedLine{17, 42}, PaddedLine{20, 41}, PaddedLine{21, 42},
                      PaddedLine{22, 42}, PaddedLine{23, 42}, PaddedLine{24, 42},
                      PaddedLine{25, 43}, PaddedLine{26, 25},
                      // the buffer line: 25 bytes of text, then the print mode, then the end
                      PaddedLine{19, 25 + 3}));

struct PagesCase {
    const char* routine;
    const char* port;
    size_t writesPerPage;
};

void PrintTo(const PagesCase& c, std::ostream* os) {
    *os << c.routine;
}

class ThermalEveryPage : public ::testing::TestWithParam<PagesCase> {};

// The cut is the last byte of every page: nothing follows it before the next page's logo.
TEST_P(ThermalEveryPage, EndsWithThePartialCut) {
    const PagesCase c = GetParam();
    const std::vector<std::string> writes = runTraced(c.routine, "3", c.port).writes();
    ASSERT_EQ(writes.size(), 3 * c.writesPerPage);
    for (size_t page = 1; page <= 3; ++page) {
        const std::string& last = writes[page * c.writesPerPage - 1];
        EXPECT_EQ(last, "\x1B\x6D") << "page " << page;
        if (page < 3) {
            EXPECT_EQ(writes[page * c.writesPerPage].substr(0, 2), "\x1C\x70") << "page " << page;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, ThermalEveryPage,
                         ::testing::Values(PagesCase{"cmddevice", "3", 33},
                                           PagesCase{"cmddevice12", "3", 33},
                                           PagesCase{"cmddevice1", "3", 34}));

TEST(ThermalUsbPage, OnPortOneSendsWhatTheSerialButtonSends) {
    const TracedRun usb = runTraced("cmddevice12", "2", "1");
    const TracedRun serial = runTraced("cmddevice", "2");
    ASSERT_FALSE(usb.error);
    EXPECT_EQ(usb.writes(), serial.writes());
    expectSameTrace(usb.lines, serialTrace(2, "1", 1, kUsbMessage, true));
    EXPECT_EQ(usb.txt2, kUsbMessage);
}

TEST(ThermalUsbPage, OnPortThreeOpensAndClosesPortThreeAroundEveryPage) {
    const TracedRun run = runTraced("cmddevice12", "3", "3");
    ASSERT_FALSE(run.error);
    expectSameTrace(run.lines, serialTrace(3, "3", 3, kUsbMessage, true));
}

struct BadPort {
    const char* port;
    int error;
};

void PrintTo(const BadPort& c, std::ostream* os) {
    *os << '"' << c.port << '"';
}

class ThermalUsbBadPort : public ::testing::TestWithParam<BadPort> {};

// A port text that is no number, or one beyond the 16-bit range, fails before CommPort is set:
// the port is never touched, nothing is sent and the message stays.
TEST_P(ThermalUsbBadPort, FailsBeforeCommPort) {
    const BadPort c = GetParam();
    const TracedRun run = runTraced("cmddevice12", "1", c.port);
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->number(), c.error);
    ASSERT_EQ(run.lines.size(), 3u);
    EXPECT_EQ(run.lines[0], traced::getText("txt1", "1"));
    EXPECT_EQ(run.lines[1], traced::getText("port", c.port));
    EXPECT_EQ(run.lines[2].rfind(traced::errorStart(c.error), 0), 0u) << run.lines[2];
    EXPECT_EQ(run.txt2, "메시지");
}

INSTANTIATE_TEST_SUITE_P(Texts, ThermalUsbBadPort,
                         ::testing::Values(BadPort{"abc", 13}, BadPort{"3a", 13},
                                           BadPort{"32768", 6}, BadPort{"-32769", 6}));

TEST(ThermalParallelPage, CountOneByteByByteAndStatementByStatement) {
    const TracedRun run = runTraced("cmddevice1", "1");
    ASSERT_FALSE(run.error);
    const std::vector<std::string> page = thermalParallelPage();
    ASSERT_EQ(page.size(), 34u);
    expectSameWrites(run.writes(), page);
    std::vector<std::string> trace = {traced::openLpt1(), traced::getText("txt1", "1")};
    for (const std::string& statement : page) {
        trace.push_back(traced::print(statement));
    }
    trace.push_back(traced::closeLpt1());
    trace.push_back(traced::setMessage(kParallelMessage));
    expectSameTrace(run.lines, trace);
    EXPECT_EQ(run.txt2, kParallelMessage);
}

TEST(ThermalParallelPage, EveryPageHasTheSameUnnumberedTitle) {
    const TracedRun run = runTraced("cmddevice1", "10");
    ASSERT_FALSE(run.error);
    expectSameWrites(run.writes(), repeated(thermalParallelPage(), 10));
}

// Against the serial page: one logo statement, no number in the title, the bar code text below
// the bars, the feed as three LF statements; everything else the same bytes.
TEST(ThermalParallelPage, DiffersFromTheSerialPageOnlyWhereThePageSays) {
    const std::vector<std::string> serial = runTraced("cmddevice", "1").writes();
    const std::vector<std::string> parallel = runTraced("cmddevice1", "1").writes();
    ASSERT_EQ(serial.size(), 33u);
    ASSERT_EQ(parallel.size(), 34u);
    EXPECT_EQ(parallel[0], "\x1C\x70\x00\x01"s);
    EXPECT_EQ(parallel[1].substr(0, 7), "\x1B\x21\x21    ");
    EXPECT_EQ(serial[2].substr(0, 8),
              "\x1B\x21\x21"
              "1    ");
    for (int row = 4; row <= 31; ++row) {
        if (row == 29) {
            EXPECT_EQ(serial[row - 1], "\x1D\x48\x03");
            EXPECT_EQ(parallel[row - 2], "\x1D\x48\x02");
        } else {
            EXPECT_EQ(parallel[row - 2], serial[row - 1]) << "row " << row;
        }
    }
    EXPECT_EQ(serial[31], "\r\n\r\n\r\n");
    EXPECT_EQ(parallel[30] + parallel[31] + parallel[32], "\n\r\n\n\r\n\n\r\n");
    EXPECT_EQ(parallel[33], serial[32]);
}

struct ZeroCase {
    const char* routine;
    std::vector<std::string> trace;
};

void PrintTo(const ZeroCase& c, std::ostream* os) {
    *os << c.routine;
}

class ThermalCountZero : public ::testing::TestWithParam<ZeroCase> {};

// No page: the serial and USB buttons never touch the port, the parallel one opens and closes
// "lpt1 " without a statement; all three set their message.
TEST_P(ThermalCountZero, SendsNothing) {
    const ZeroCase& c = GetParam();
    const TracedRun run = runTraced(c.routine, "0");
    ASSERT_FALSE(run.error);
    expectSameTrace(run.lines, c.trace);
    EXPECT_TRUE(run.writes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ThermalCountZero,
    ::testing::Values(
        ZeroCase{"cmddevice", {traced::getText("txt1", "0"), traced::setMessage(kSerialMessage)}},
        ZeroCase{"cmddevice12", {traced::getText("txt1", "0"), traced::setMessage(kUsbMessage)}},
        ZeroCase{"cmddevice1",
                 {traced::openLpt1(), traced::getText("txt1", "0"), traced::closeLpt1(),
                  traced::setMessage(kParallelMessage)}}));

TEST(ThermalOnDevices, SerialPagesReachAPseudoTerminal) {
    testing::expectReachesPseudoTerminal(
        "cmddevice", "2", 1, joined(thermalSerialPage(1)) + joined(thermalSerialPage(2)));
}

TEST(ThermalOnDevices, UsbPagesReachAPseudoTerminalOnTheTypedPort) {
    testing::expectReachesPseudoTerminal("cmddevice12", "1", 3, joined(thermalSerialPage(1)), "3");
}

TEST(ThermalOnDevices, ParallelPagesReachAFifo) {
    testing::expectReachesFifo("cmddevice1", "2", joined(repeated(thermalParallelPage(), 2)));
}

}  // namespace
}  // namespace mpt
