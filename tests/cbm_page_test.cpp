// The dot-matrix CBM-mode sample page on its serial and parallel buttons: every write as the page
// is printed (the page bracket, ruler, heading with the line attribute, double-width lines, the
// model and data lines, the feed, the cut), the second page's bracket right after the
// first page's, a count of nothing and a count that is no number, and the bytes a real
// pseudo-terminal and a real FIFO receive.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/expected_pages.h"
#include "support/fifo.h"
#include "support/pages.h"
#include "support/pty.h"
#include "support/stream.h"

namespace mpt {
namespace {

using namespace std::string_literals;
using testing::cbmParallelPage;
using testing::cbmSerialPage;
using testing::expectSameBytes;
using testing::expectSameTrace;
using testing::expectSameWrites;
using testing::inCodePage;
using testing::joined;
using testing::repeated;
using testing::runTraced;
using testing::TracedRun;
namespace traced = testing::traced;

const std::string kSerialMessage = testing::resultMessage("cmddevice2");
const std::string kParallelMessage = testing::resultMessage("cmddevice3");

std::vector<std::string> serialOpening() {
    return {traced::commPort(1), traced::portOpen(true), traced::settings(), traced::handshaking()};
}

struct PageCase {
    const char* routine;
    std::vector<std::string> (*page)();
    size_t writes;
    size_t bytes;
    bool serial;
    const std::string* message;
};

void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.routine;
}

class CbmPage : public ::testing::TestWithParam<PageCase> {
  protected:
    std::vector<std::string> opening() const {
        return GetParam().serial ? serialOpening() : std::vector<std::string>{traced::openLpt1()};
    }
    std::string closing() const {
        return GetParam().serial ? traced::portOpen(false) : traced::closeLpt1();
    }
};

TEST_P(CbmPage, CountOneByteByByteAndWriteByWrite) {
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
    trace.push_back(traced::setMessage(*c.message));
    expectSameTrace(run.lines, trace);
    EXPECT_EQ(run.txt2, *c.message);
}

// The second page's SYN SOH directly after the first page's cut and SYN NUL.
TEST_P(CbmPage, SecondPageOpensRightAfterTheFirstCloses) {
    const PageCase& c = GetParam();
    const TracedRun run = runTraced(c.routine, "2");
    ASSERT_FALSE(run.error);
    expectSameWrites(run.writes(), repeated(c.page(), 2));
    const std::string stream = run.stream();
    ASSERT_EQ(stream.size(), 2 * c.bytes);
    EXPECT_EQ(stream.substr(c.bytes - 5, 9),
              "\x1B\x50\x00\x16\x00\x16\x01"
              "12"s);
}

TEST_P(CbmPage, CountZeroOpensAndClosesTheChannelAndWritesNothing) {
    const PageCase& c = GetParam();
    const TracedRun run = runTraced(c.routine, "0");
    ASSERT_FALSE(run.error);
    std::vector<std::string> trace = opening();
    trace.push_back(traced::getText("txt1", "0"));
    trace.push_back(closing());
    trace.push_back(traced::setMessage(*c.message));
    expectSameTrace(run.lines, trace);
    EXPECT_EQ(run.txt2, *c.message);
}

// A count that is no number fails after the channel was opened and before any write; the
// channel is released and the message box keeps its text.
TEST_P(CbmPage, CountNotANumberFailsAfterTheChannelOpened) {
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

INSTANTIATE_TEST_SUITE_P(
    Buttons, CbmPage,
    ::testing::Values(PageCase{"cmddevice2", cbmSerialPage, 27, 540, true, &kSerialMessage},
                      PageCase{"cmddevice3", cbmParallelPage, 24, 539, false, &kParallelMessage}),
    [](const auto& info) { return std::string(info.param.routine); });

TEST(CbmOnDevices, SerialPageReachesAPseudoTerminal) {
    testing::PtyPrinter printer;
    testing::ScopedEnv com1("MPT_COM1", printer.devicePath());
    printer.startReading();
    const TracedRun run = testing::runOnDevices("cmddevice2", "2");
    ASSERT_FALSE(run.error) << run.error->what();
    const std::string expected = joined(repeated(cbmSerialPage(), 2));
    printer.waitFor(expected.size());
    expectSameBytes(printer.drainAll(), expected, "bytes received on the pseudo-terminal");
}

TEST(CbmOnDevices, ParallelPageReachesAFifo) {
    testing::FifoPrinter printer;
    ASSERT_TRUE(printer.ready());
    testing::ScopedEnv lpt1("MPT_LPT1", printer.path());
    const TracedRun run = testing::runOnDevices("cmddevice3", "2");
    ASSERT_FALSE(run.error) << run.error->what();
    expectSameBytes(printer.finish(), joined(repeated(cbmParallelPage(), 2)),
                    "bytes received on the FIFO");
}

}  // namespace
}  // namespace mpt
