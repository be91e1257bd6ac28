// SPDX-License-Identifier: MIT
// The two dot-matrix sample pages, CBM mode and EPSON mode, on their serial and parallel buttons.
//
// On all four buttons alike: every write as the page is printed, byte by byte, inside the channel
// opened before the count is read and closed after the last page; a count of zero and a count
// that is no number; the bytes a real pseudo-terminal and a real FIFO receive.
//
// The CBM-mode page (bracket, ruler, heading with the line attribute, double-width lines, the
// model and data lines, the feed, the cut): the second page's bracket right after the first
// page's.
//
// The EPSON-mode page (bracket, title, red heading, double-size and underlined lines, the model
// and data lines with their blanks, the six-line feed, the cut and the drawer pulse): pages joined
// with nothing between them, and ten pages on the default count.
//
// Both pages: the texts in which they differ only by trailing blanks.
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
using testing::expectSameBytes;
using testing::expectSameTrace;
using testing::expectSameWrites;
using testing::joined;
using testing::repeated;
using testing::runTraced;
using testing::TracedRun;
namespace traced = testing::traced;

struct PageCase {
    const char* routine;
    std::vector<std::string> (*page)();
    size_t writes;
    size_t bytes;
    bool serial;
};

void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.routine;
}

std::string caseName(const ::testing::TestParamInfo<PageCase>& info) {
    return info.param.routine;
}

const PageCase kCbmSerial{"cmddevice2", testing::cbmSerialPage, 27, 540, true};
const PageCase kCbmParallel{"cmddevice3", testing::cbmParallelPage, 24, 539, false};
const PageCase kEpsonSerial{"cmddevice4", testing::epsonSerialPage, 37, 648, true};
const PageCase kEpsonParallel{"cmddevice5", testing::epsonParallelPage, 33, 649, false};

// ---- Every dot-matrix button -------------------------------------------------------------------

class DotMatrixPage : public ::testing::TestWithParam<PageCase> {
  protected:
    // The serial buttons set up COM1 before the count is read, the parallel ones open "lpt1 ".
    std::vector<std::string> opening() const {
        if (GetParam().serial) {
            return {traced::commPort(1), traced::portOpen(true), traced::settings(),
                    traced::handshaking()};
        }
        return {traced::openLpt1()};
    }
    std::string closing() const {
        return GetParam().serial ? traced::portOpen(false) : traced::closeLpt1();
    }
    const std::string& message() const { return testing::resultMessage(GetParam().routine); }
};

TEST_P(DotMatrixPage, CountOneByteByByteAndWriteByWrite) {
    const PageCase& c = GetParam();
    const TracedRun run = runTraced(c.routine, "1");
    ASSERT_FALSE(run.error);
    const std::vector<std::string> page = c.page();
    ASSERT_EQ(page.size(), c.writes);
    ASSERT_EQ(joined(page).size(), c.bytes);
    expectSameWrites(run.writes(), page);
    std::vector<std::string> trace = opening();
    trace.push_back(traced::getText("txt1", "1"));
    for (const std::string& w : page) {
        trace.push_back(c.serial ? traced::output(w) : traced::print(w));
    }
    trace.push_back(closing());
    trace.push_back(traced::setMessage(message()));
    expectSameTrace(run.lines, trace);
    EXPECT_EQ(run.txt2, message());
}

TEST_P(DotMatrixPage, CountZeroOpensAndClosesTheChannelAndWritesNothing) {
    const PageCase& c = GetParam();
    const TracedRun run = runTraced(c.routine, "0");
    ASSERT_FALSE(run.error);
    std::vector<std::string> trace = opening();
    trace.push_back(traced::getText("txt1", "0"));
    trace.push_back(closing());
    trace.push_back(traced::setMessage(message()));
    expectSameTrace(run.lines, trace);
    EXPECT_EQ(run.txt2, message());
}

// A count that is no number fails after the channel was opened and before any write; the
// channel is released and the message box keeps its text.
TEST_P(DotMatrixPage, CountNotANumberFailsAfterTheChannelOpened) {
    const PageCase& c = GetParam();
    const TracedRun run = runTraced(c.routine, "abc");
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->number(), 13);
    std::vector<std::string> before = opening();
    before.push_back(traced::getText("txt1", "abc"));
    ASSERT_EQ(run.lines.size(), before.size() + 2);
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(run.lines[i], before[i]) << "trace line " << i + 1;
    }
    EXPECT_EQ(run.lines[before.size()].rfind(traced::errorStart(13), 0), 0u);
    EXPECT_EQ(run.lines.back(), closing());
    EXPECT_EQ(run.txt2, "메시지");
}

INSTANTIATE_TEST_SUITE_P(Buttons, DotMatrixPage,
                         ::testing::Values(kCbmSerial, kCbmParallel, kEpsonSerial, kEpsonParallel),
                         caseName);

// Two pages on the real devices: a pseudo-terminal as COM1 for the serial buttons, a FIFO as
// "lpt1 " for the parallel ones.
class DotMatrixOnDevices : public ::testing::TestWithParam<PageCase> {};

TEST_P(DotMatrixOnDevices, TwoPagesReachThePrinter) {
    const PageCase& c = GetParam();
    const std::string expected = joined(repeated(c.page(), 2));
    if (c.serial) {
        testing::expectReachesPseudoTerminal(c.routine, "2", 1, expected);
    } else {
        testing::expectReachesFifo(c.routine, "2", expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, DotMatrixOnDevices,
                         ::testing::Values(kCbmSerial, kCbmParallel, kEpsonSerial, kEpsonParallel),
                         [](const ::testing::TestParamInfo<PageCase>& info) {
                             return info.param.routine +
                                    (info.param.serial ? "_OnAPseudoTerminal"s : "_OnAFifo"s);
                         });

// Two pages, each write as the page gives it; returns the `length` bytes where they meet, from
// `before` bytes ahead of the end of the first page.
std::string whereTwoPagesMeet(const PageCase& c, size_t before, size_t length) {
    const TracedRun run = runTraced(c.routine, "2");
    EXPECT_FALSE(run.error);
    expectSameWrites(run.writes(), repeated(c.page(), 2));
    const std::string stream = run.stream();
    EXPECT_EQ(stream.size(), 2 * c.bytes);
    return stream.size() == 2 * c.bytes ? stream.substr(c.bytes - before, length) : std::string();
}

// ---- The CBM-mode page -------------------------------------------------------------------------

class CbmPage : public ::testing::TestWithParam<PageCase> {};

// The second page's SYN SOH directly after the first page's cut and SYN NUL.
TEST_P(CbmPage, SecondPageOpensRightAfterTheFirstCloses) {
    EXPECT_EQ(whereTwoPagesMeet(GetParam(), 5, 9),
              "\x1B\x50\x00\x16\x00\x16\x01"
              "12"s);
}

INSTANTIATE_TEST_SUITE_P(Buttons, CbmPage, ::testing::Values(kCbmSerial, kCbmParallel), caseName);

// ---- The EPSON-mode page -----------------------------------------------------------------------

class EpsonPage : public ::testing::TestWithParam<PageCase> {};

// Repeated pages follow one another with nothing between them, each with its own feed, cut and
// drawer pulse.
TEST_P(EpsonPage, TwoPagesJoinedWithNothingBetween) {
    // The end of the first page and the start of the second.
    EXPECT_EQ(whereTwoPagesMeet(GetParam(), 4, 8),
              GetParam().serial ? "\x02\n\x16\x00\x16\x01MV"s : "\x02\n\r\nMVR-"s);
}

// The default count: ten pages, ten cuts and ten drawer pulses.
TEST_P(EpsonPage, DefaultCountSendsTenPages) {
    const PageCase& c = GetParam();
    const TracedRun run = runTraced(c.routine, "10");
    ASSERT_FALSE(run.error);
    EXPECT_EQ(run.writes().size(), 10 * c.writes);
    expectSameBytes(run.stream(), joined(repeated(c.page(), 10)), "ten pages");
}

INSTANTIATE_TEST_SUITE_P(Buttons, EpsonPage, ::testing::Values(kEpsonSerial, kEpsonParallel),
                         caseName);

// ---- Both pages --------------------------------------------------------------------------------

// Lines printed by both dot-matrix pages from texts of their own: the EPSON-mode page sends
// them with the trailing blanks given here, the CBM-mode page with its own. Positions are the
// 1-based write on each button.
struct TwinLine {
    const char* text;  // without trailing blanks
    int epsonBlanks;
    int cbmBlanks;
    int epsonSerial;
    int epsonParallel;
    int cbm;  // the same on both CBM buttons
    const char* cbmPrefix;
};

void PrintTo(const TwinLine& t, std::ostream* os) {
    *os << '"' << t.text << '"';
}

class TwinLines : public ::testing::TestWithParam<TwinLine> {};

TEST_P(TwinLines, TrailingBlanksTellThePagesApart) {
    const TwinLine t = GetParam();
    const std::string text = toCp949(t.text);
    const std::string epson = text + std::string(t.epsonBlanks, ' ') + "\r\n";
    const std::string cbm = t.cbmPrefix + text + std::string(t.cbmBlanks, ' ') + "\r\n";
    EXPECT_EQ(runTraced(kEpsonSerial.routine, "1").writes().at(t.epsonSerial - 1), epson);
    EXPECT_EQ(runTraced(kEpsonParallel.routine, "1").writes().at(t.epsonParallel - 1), epson);
    EXPECT_EQ(runTraced(kCbmSerial.routine, "1").writes().at(t.cbm - 1), cbm);
    EXPECT_EQ(runTraced(kCbmParallel.routine, "1").writes().at(t.cbm - 1), cbm);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TwinLines,
    ::testing::Values(TwinLine{"프린터 종류", 1, 1, 9, 8, 6, ""},
                      TwinLine{"MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL", 1, 0, 11, 10, 7, ""},
                      TwinLine{"        양방향인쇄", 17, 1, 15, 14, 11, ""},
                      TwinLine{"폰트 사이즈 영문,숫자: 7*9  한글 :9*9", 1, 0, 16, 15, 12, ""},
                      TwinLine{"DATA BUFFER : 16K BYTE", 1, 0, 21, 21, 15, ""},
                      TwinLine{"에뮬레이션 EPSON TM-U300,TM-U200", 1, 0, 23, 23, 16, ""},
                      TwinLine{"전원공급장치:외부 어댑터", 1, 0, 25, 25, 17, ""},
                      TwinLine{"ALL MODEL PRINTER INCLUDE CASH PORT", 1, 0, 28, 28, 19, "\x13"}));

}  // namespace
}  // namespace mpt
