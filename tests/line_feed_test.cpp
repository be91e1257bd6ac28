// SPDX-License-Identifier: MIT
// The line feed tests: 300 numbered lines whatever the count box holds, the feed, then the cut of
// each command set, CBM first. Serial lines carry their own CR LF; parallel lines are print
// statements that put a blank on each side of the bare number and end with CR LF.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "support/expected_pages.h"
#include "support/on_devices.h"
#include "support/stream.h"

namespace mpt {
namespace {

using namespace std::string_literals;
using testing::runTraced;
using testing::TracedRun;
using Writes = std::vector<std::string>;

using testing::lineFeedParallelWrites;
using testing::lineFeedSerialWrites;
using testing::lineFeedText;

struct LineFeed {
    const char* routine;
    Writes (*writes)();
    const char* message;
    const char* closeLine;  // the trace line of the closing
};

const LineFeed kSerial{"cmddevice6", lineFeedSerialWrites,
                       testing::resultMessage("cmddevice6").c_str(),
                       R"({"op":"PortOpen","value":false})"};
const LineFeed kParallel{"cmddevice7", lineFeedParallelWrites,
                         testing::resultMessage("cmddevice7").c_str(),
                         R"({"op":"Close","file":1})"};

// ---- The whole run, whatever the count box holds -----------------------------------------------

class LineFeedWrites
    : public ::testing::TestWithParam<std::tuple<LineFeed, const char* /*count box*/>> {};

TEST_P(LineFeedWrites, ThreeHundredLinesFeedAndBothCuts) {
    const auto& [test, count] = GetParam();
    const TracedRun run = runTraced(test.routine, count);
    ASSERT_FALSE(run.error) << run.error->what();
    EXPECT_EQ(run.writes(), test.writes());
    const std::vector<std::string> ops = run.ops();
    EXPECT_EQ(std::count(ops.begin(), ops.end(), "GetText"), 0) << "the count is never read";
}

INSTANTIATE_TEST_SUITE_P(BothChannels, LineFeedWrites,
                         ::testing::Combine(::testing::Values(kSerial, kParallel),
                                            ::testing::Values("10", "abc", "", "0", "5")),
                         [](const auto& info) {
                             const std::string count = std::get<1>(info.param);
                             return std::string(std::get<0>(info.param).routine) + "_" +
                                    (count.empty() ? "empty" : count);
                         });

// ---- Lines and totals, byte for byte -----------------------------------------------------------

TEST(LineFeedSerial, FirstAndLastNumberedLinesAndTotals) {
    const Writes writes = runTraced("cmddevice6").writes();
    ASSERT_EQ(writes.size(), 306u);
    // The two Hangul syllables are two bytes each: 34 bytes of text, the digit, CR LF.
    EXPECT_EQ(writes[0], "MVR-720/730 LF \xBB\xF3\xC5\xC2 TEST LINE NO :\x31\r\n");
    EXPECT_EQ(writes[0].size(), 37u);
    EXPECT_EQ(writes[299], lineFeedText() + "300\r\n");
    EXPECT_EQ(writes[299].size(), 34u + 5u);
}

TEST(LineFeedParallel, FirstAndLastNumberedLinesAndTotals) {
    const Writes writes = runTraced("cmddevice7").writes();
    ASSERT_EQ(writes.size(), 305u);
    EXPECT_EQ(writes[0], "MVR-720/730 LF \xBB\xF3\xC5\xC2 TEST LINE NO : \x31 \r\n");
    EXPECT_EQ(writes[0].size(), 39u);
    EXPECT_EQ(writes[6], lineFeedText() + " 7 \r\n");
    EXPECT_EQ(writes[299], lineFeedText() + " 300 \r\n");
    EXPECT_EQ(writes[299].size(), 34u + 7u);
}

// After the numbered lines: the feed, then the CBM cut with its NUL (on the parallel channel
// followed by CR LF), then the EPSON partial cut.
TEST(LineFeedSerial, FeedThenCbmCutWithItsNulThenPartialCut) {
    const Writes writes = runTraced("cmddevice6").writes();
    ASSERT_EQ(writes.size(), 306u);
    const Writes tail(writes.begin() + 300, writes.end());
    EXPECT_EQ(tail, (Writes{"\n\n", "\n\n", "\n\n", "\n\n", "\x1BP\0"s, "\x1Bm"}));
    EXPECT_EQ(tail[4].size(), 3u);
}

TEST(LineFeedParallel, FeedThenCbmCutWithItsNulThenPartialCut) {
    const Writes writes = runTraced("cmddevice7").writes();
    ASSERT_EQ(writes.size(), 305u);
    const Writes tail(writes.begin() + 300, writes.end());
    EXPECT_EQ(tail, (Writes{"\n\r\n", "\n\r\n", "\n\r\n", "\x1BP\0\r\n"s, "\x1Bm\r\n"}));
    EXPECT_EQ(tail[3].size(), 5u);
}

// ---- The message -------------------------------------------------------------------------------

class LineFeedMessage : public ::testing::TestWithParam<LineFeed> {};

TEST_P(LineFeedMessage, SetAfterTheChannelIsClosed) {
    const LineFeed& test = GetParam();
    const TracedRun run = runTraced(test.routine);
    ASSERT_GE(run.lines.size(), 2u);
    EXPECT_EQ(run.txt2, test.message);
    EXPECT_EQ(run.lines[run.lines.size() - 2], test.closeLine);
    EXPECT_EQ(testing::field(run.lines.back(), "op"), "SetText");
    EXPECT_EQ(testing::field(run.lines.back(), "text"), test.message);
}

INSTANTIATE_TEST_SUITE_P(BothChannels, LineFeedMessage, ::testing::Values(kSerial, kParallel),
                         [](const auto& info) { return std::string(info.param.routine); });

// ---- On real devices ---------------------------------------------------------------------------

std::string joined(const Writes& writes) {
    std::string all;
    for (const std::string& w : writes) {
        all += w;
    }
    return all;
}

// The line feed test converts no count: a text that is no number still prints the 300 lines.
TEST(LineFeedOnDevices, SerialOverAPseudoTerminal) {
    testing::expectReachesPseudoTerminal("cmddevice6", "abc", 1, joined(lineFeedSerialWrites()));
}

TEST(LineFeedOnDevices, ParallelOverAFifo) {
    testing::expectReachesFifo("cmddevice7", "0", joined(lineFeedParallelWrites()));
}

}  // namespace
}  // namespace mpt
