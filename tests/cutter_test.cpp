// SPDX-License-Identifier: MIT
// The four cutter tests, write by write: for every repetition the double-width command, the
// numbered line and a cut, then the final feed and cut; the message is set before the channel
// closes. Expected writes are the shared pages', spelled out there control byte by control byte.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "support/expected_pages.h"
#include "support/pty.h"
#include "support/stream.h"

namespace mpt {
namespace {

using namespace std::string_literals;
using testing::runTraced;
using testing::TracedRun;
using Writes = std::vector<std::string>;

constexpr const char* kPortClosed = R"({"op":"PortOpen","value":false})";
constexpr const char* kFileClosed = R"({"op":"Close","file":1})";

struct Cutter {
    const char* routine;
    std::string cut;
    const char* closeLine;  // the trace line of the closing
};

const std::vector<Cutter>& cutters() {
    static const std::vector<Cutter> all = {
        {"cmddevice8", "\x1B\x6D", kPortClosed},
        {"cmddevice10", "\x1B\x6D", kFileClosed},
        {"cmddevice9", "\x1B\x50\0"s, kPortClosed},
        {"cmddevice11", "\x1B\x50\0"s, kFileClosed},
    };
    return all;
}

const Cutter& cutter(const std::string& routine) {
    for (const Cutter& c : cutters()) {
        if (routine == c.routine) {
            return c;
        }
    }
    throw std::invalid_argument(routine);
}

size_t occurrences(const std::string& stream, const std::string& what) {
    size_t n = 0;
    for (size_t at = stream.find(what); at != std::string::npos; at = stream.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// ---- The whole stream, write by write, for counts of every kind --------------------------------

struct Count {
    const char* text;
    int repetitions;
};

class CutterWrites : public ::testing::TestWithParam<std::tuple<const char* /*routine*/, Count>> {};

TEST_P(CutterWrites, EveryWriteAsOnThePage) {
    const auto& [routine, count] = GetParam();
    const TracedRun run = runTraced(routine, count.text);
    ASSERT_FALSE(run.error) << run.error->what();
    EXPECT_EQ(run.writes(), testing::expectedWrites(routine, count.repetitions));
}

INSTANTIATE_TEST_SUITE_P(
    AllFour, CutterWrites,
    ::testing::Combine(::testing::Values("cmddevice8", "cmddevice10", "cmddevice9", "cmddevice11"),
                       ::testing::Values(Count{"1", 1}, Count{"2", 2}, Count{"10", 10},
                                         // Below 1: only the final feed and cut.
                                         Count{"0", 0}, Count{"-2", 0},
                                         // The counter runs while it does not exceed 2.5.
                                         Count{"2.5", 2})),
    [](const auto& info) {
        std::string count;
        for (const char ch : std::string(std::get<1>(info.param).text)) {
            count += ch == '-' ? "minus" : ch == '.' ? "_" : std::string(1, ch);
        }
        return std::string(std::get<0>(info.param)) + "_" + count;
    });

// ---- A count of 1, byte for byte ---------------------------------------------------------------

TEST(CutterCountOne, EpsonSerialSendsFourWritesOf42Bytes) {
    const TracedRun run = runTraced("cmddevice8", "1");
    const Writes expected = {
        "\x1B!\x21",
        "\x31 cutter testing\x1B!\x01\r\n\r\n\r\n",
        "\x1Bm\r\n",
        "\r\n\r\n\r\n\x1Bm\r\n",
    };
    EXPECT_EQ(run.writes(), expected);
    EXPECT_EQ(run.stream().size(), 42u);
}

TEST(CutterCountOne, CbmParallelSendsFourStatementsOf39Bytes) {
    const TracedRun run = runTraced("cmddevice11", "1");
    const Writes expected = {
        "\x0E",
        "1 cutter testing\r\n\r\n\r\n",
        "\x1BP\0\r\n"s,
        "\r\n\r\n\r\n\x1BP\0\r\n"s,
    };
    EXPECT_EQ(run.writes(), expected);
    EXPECT_EQ(run.stream().size(), 39u);
}

// ---- Totals ------------------------------------------------------------------------------------

struct Totals {
    const char* routine;
    const char* count;
    size_t bytes;
    size_t writes;
    size_t cuts;
};

class CutterTotals : public ::testing::TestWithParam<Totals> {};

TEST_P(CutterTotals, BytesWritesAndCuts) {
    const Totals& t = GetParam();
    const TracedRun run = runTraced(t.routine, t.count);
    EXPECT_EQ(run.stream().size(), t.bytes);
    EXPECT_EQ(run.writes().size(), t.writes);
    EXPECT_EQ(occurrences(run.stream(), cutter(t.routine).cut), t.cuts);
}

INSTANTIATE_TEST_SUITE_P(
    AllFour, CutterTotals,
    ::testing::Values(Totals{"cmddevice8", "1", 42, 4, 2}, Totals{"cmddevice10", "1", 42, 5, 2},
                      Totals{"cmddevice9", "1", 39, 4, 2}, Totals{"cmddevice11", "1", 39, 4, 2},
                      Totals{"cmddevice8", "10", 331, 31, 11},
                      Totals{"cmddevice10", "10", 331, 32, 11},
                      Totals{"cmddevice9", "10", 292, 31, 11},
                      Totals{"cmddevice11", "10", 292, 31, 11}, Totals{"cmddevice8", "0", 10, 1, 1},
                      Totals{"cmddevice10", "0", 10, 2, 1}, Totals{"cmddevice9", "0", 11, 1, 1},
                      Totals{"cmddevice11", "0", 11, 1, 1}));

// ---- The counter and the message ---------------------------------------------------------------

class CutterEach : public ::testing::TestWithParam<const char*> {};

// The tenth numbered line starts with the two digits, joined to the text without a blank: on the
// parallel channel too, where a bare number would get blanks around it.
TEST_P(CutterEach, TenthLineDigitsHaveNoBlanks) {
    const Writes writes = runTraced(GetParam(), "10").writes();
    ASSERT_GE(writes.size(), 29u);
    const std::string& tenth = writes[3 * 9 + 1];
    EXPECT_EQ(tenth.substr(0, 17), "\x31\x30 cutter testing");
}

// The message goes into the box after the last write and before the channel is closed, and the
// close is the last step.
TEST_P(CutterEach, MessageIsSetAfterTheLastWriteAndBeforeTheClose) {
    const Cutter& c = cutter(GetParam());
    const TracedRun run = runTraced(c.routine, "2");
    ASSERT_FALSE(run.error);
    EXPECT_EQ(run.txt2, testing::resultMessage(c.routine));
    const std::vector<std::string> ops = run.ops();
    ASSERT_GE(ops.size(), 3u);
    const size_t last = ops.size() - 1;
    EXPECT_EQ(run.lines[last], c.closeLine);
    EXPECT_EQ(ops[last - 1], "SetText");
    EXPECT_EQ(testing::field(run.lines[last - 1], "control"), "txt2");
    EXPECT_EQ(testing::field(run.lines[last - 1], "text"), testing::resultMessage(c.routine));
    EXPECT_TRUE(ops[last - 2] == "Output" || ops[last - 2] == "Print") << ops[last - 2];
}

// A count that is not a number stops the test after the channel is opened and before any write.
TEST_P(CutterEach, CountNotANumberSendsNothing) {
    const TracedRun run = runTraced(GetParam(), "abc");
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->number(), 13);
    EXPECT_TRUE(run.writes().empty());
    EXPECT_EQ(run.txt2, "메시지");
}

INSTANTIATE_TEST_SUITE_P(AllFour, CutterEach,
                         ::testing::Values("cmddevice8", "cmddevice10", "cmddevice9",
                                           "cmddevice11"));

// ---- Over a real pseudo-terminal ---------------------------------------------------------------

TEST(CutterOnDevices, EpsonSerialCountTwoReachesThePrinter) {
    testing::PtyPrinter printer;
    testing::ScopedEnv com1("MPT_COM1", printer.devicePath());
    printer.startReading();
    const TracedRun run = testing::runOnDevices("cmddevice8", "2");
    ASSERT_FALSE(run.error) << run.error->what();
    const std::string expected =
        "\x1B!\x21"
        "1 cutter testing\x1B!\x01\r\n\r\n\r\n"
        "\x1Bm\r\n"
        "\x1B!\x21"
        "2 cutter testing\x1B!\x01\r\n\r\n\r\n"
        "\x1Bm\r\n"
        "\r\n\r\n\r\n\x1Bm\r\n";
    ASSERT_EQ(expected.size(), 2 * 32 + 10u);
    printer.waitFor(expected.size());
    EXPECT_EQ(printer.drainAll(), expected);
    EXPECT_EQ(run.txt2, "EPSON/SERIAL/CUTTER 정상 작동!!");
}

}  // namespace
}  // namespace mpt
