// SPDX-License-Identifier: MIT
// The skeleton of every routine, read from its trace: when the channel opens and closes, when the
// count is read, when the message is set, and what happens when the count is not a number. The
// writes of the pages are left out here; their bytes are checked page by page elsewhere.
#include <gtest/gtest.h>

#include "support/stream.h"

namespace mpt {
namespace {

using testing::runTraced;
using testing::TracedRun;

// The ops of a run without its writes, one word each, blank-separated; PortOpen shows as
// "Open+"/"Open-" to tell opening from closing.
std::string steps(const TracedRun& run) {
    std::string out;
    for (const std::string& line : run.lines) {
        std::string op = testing::field(line, "op");
        if (op == "Output" || op == "Print") {
            continue;
        }
        if (op == "PortOpen") {
            op = testing::field(line, "value") == "true" ? "Open+" : "Open-";
        } else if (op == "Error") {
            op += testing::field(line, "number");
        }
        out += (out.empty() ? "" : " ") + op;
    }
    return out;
}

constexpr const char* kSerialOpen = "CommPort Open+ Settings Handshaking";

struct SkeletonCase {
    const char* routine;
    const char* count;
    std::string expected;
};

class Skeleton : public ::testing::TestWithParam<SkeletonCase> {};

TEST_P(Skeleton, StepsInOrder) {
    const SkeletonCase& c = GetParam();
    const TracedRun run = runTraced(c.routine, c.count);
    EXPECT_EQ(steps(run), c.expected) << c.routine << " with count \"" << c.count << '"';
    if (run.error) {
        EXPECT_EQ(run.txt2, "메시지") << "the message box keeps its text after an error";
    } else {
        EXPECT_NE(run.txt2, "메시지");
    }
}

std::string serial(const std::string& rest) {
    return std::string(kSerialOpen) + " " + rest;
}

INSTANTIATE_TEST_SUITE_P(
    CountZero, Skeleton,
    ::testing::Values(
        // Thermal serial and USB pages read the count first and never touch the port below 1.
        SkeletonCase{"cmddevice", "0", "GetText SetText"},
        SkeletonCase{"cmddevice12", "0", "GetText SetText"},
        SkeletonCase{"cmddevice1", "0", "Open GetText Close SetText"},
        SkeletonCase{"cmddevice2", "0", serial("GetText Open- SetText")},
        SkeletonCase{"cmddevice3", "0", "Open GetText Close SetText"},
        SkeletonCase{"cmddevice4", "0", serial("GetText Open- SetText")},
        SkeletonCase{"cmddevice5", "0", "Open GetText Close SetText"},
        // Line feed tests never read the count.
        SkeletonCase{"cmddevice6", "0", serial("Open- SetText")},
        SkeletonCase{"cmddevice7", "0", "Open Close SetText"},
        // Cutter tests set the message before closing.
        SkeletonCase{"cmddevice8", "0", serial("GetText SetText Open-")},
        SkeletonCase{"cmddevice9", "0", serial("GetText SetText Open-")},
        SkeletonCase{"cmddevice10", "0", "Open GetText SetText Close"},
        SkeletonCase{"cmddevice11", "0", "Open GetText SetText Close"}));

// A count that is not a number stops the routine where it is converted; the channel it had
// opened is then released, and nothing else happens.
INSTANTIATE_TEST_SUITE_P(
    CountNotANumber, Skeleton,
    ::testing::Values(SkeletonCase{"cmddevice", "abc", "GetText Error13"},
                      SkeletonCase{"cmddevice12", "abc", "GetText Error13"},
                      SkeletonCase{"cmddevice1", "abc", "Open GetText Error13 Close"},
                      SkeletonCase{"cmddevice2", "abc", serial("GetText Error13 Open-")},
                      SkeletonCase{"cmddevice3", "abc", "Open GetText Error13 Close"},
                      SkeletonCase{"cmddevice4", "abc", serial("GetText Error13 Open-")},
                      SkeletonCase{"cmddevice5", "abc", "Open GetText Error13 Close"},
                      SkeletonCase{"cmddevice6", "abc", serial("Open- SetText")},
                      SkeletonCase{"cmddevice7", "abc", "Open Close SetText"},
                      SkeletonCase{"cmddevice8", "abc", serial("GetText Error13 Open-")},
                      SkeletonCase{"cmddevice9", "abc", serial("GetText Error13 Open-")},
                      SkeletonCase{"cmddevice10", "abc", "Open GetText Error13 Close"},
                      SkeletonCase{"cmddevice11", "abc", "Open GetText Error13 Close"}));

INSTANTIATE_TEST_SUITE_P(
    CountEmpty, Skeleton,
    ::testing::Values(SkeletonCase{"cmddevice", "", "GetText Error13"},
                      SkeletonCase{"cmddevice12", "", "GetText Error13"},
                      SkeletonCase{"cmddevice1", "", "Open GetText Error13 Close"},
                      SkeletonCase{"cmddevice2", "", serial("GetText Error13 Open-")},
                      SkeletonCase{"cmddevice3", "", "Open GetText Error13 Close"},
                      SkeletonCase{"cmddevice4", "", serial("GetText Error13 Open-")},
                      SkeletonCase{"cmddevice5", "", "Open GetText Error13 Close"},
                      SkeletonCase{"cmddevice6", "", serial("Open- SetText")},
                      SkeletonCase{"cmddevice7", "", "Open Close SetText"},
                      SkeletonCase{"cmddevice8", "", serial("GetText Error13 Open-")},
                      SkeletonCase{"cmddevice9", "", serial("GetText Error13 Open-")},
                      SkeletonCase{"cmddevice10", "", "Open GetText Error13 Close"},
                      SkeletonCase{"cmddevice11", "", "Open GetText Error13 Close"}));

// The thermal serial and USB pages open and close the port around every page.
INSTANTIATE_TEST_SUITE_P(
    PortPerPage, Skeleton,
    ::testing::Values(
        SkeletonCase{"cmddevice", "2", "GetText " + serial("Open- ") + serial("Open- SetText")},
        SkeletonCase{"cmddevice", "2.5", "GetText " + serial("Open- ") + serial("Open- SetText")},
        SkeletonCase{"cmddevice", "-2", "GetText SetText"},
        SkeletonCase{"cmddevice12", "2",
                     "GetText GetText " + serial("Open- GetText ") + serial("Open- SetText")}));

TEST(SkeletonValues, SerialOpeningSequenceAndItsValues) {
    const TracedRun run = runTraced("cmddevice8", "0");
    ASSERT_GE(run.lines.size(), 5u);
    EXPECT_EQ(run.lines[0], R"({"op":"CommPort","value":1})");
    EXPECT_EQ(run.lines[1], R"({"op":"PortOpen","value":true})");
    EXPECT_EQ(run.lines[2], R"({"op":"Settings","value":"9600,n,8,1"})");
    EXPECT_EQ(run.lines[3], R"({"op":"Handshaking","value":2})");
    EXPECT_EQ(run.lines[4], R"({"op":"GetText","control":"txt1","text":"0"})");
    EXPECT_EQ(run.lines.back(), R"({"op":"PortOpen","value":false})");
}

TEST(SkeletonValues, ParallelOpenAndCloseUseFileOneOnLpt1) {
    const TracedRun run = runTraced("cmddevice5", "0");
    EXPECT_EQ(run.lines.front(), R"({"op":"Open","name":"lpt1 ","file":1})");
    EXPECT_EQ(run.lines[run.lines.size() - 2], R"({"op":"Close","file":1})");
    EXPECT_EQ(
        run.lines.back(),
        R"({"op":"SetText","control":"txt2","text":"MVR-720/730 PARALLEL/EPSON 정상출력!!"})");
}

TEST(SkeletonValues, TypeMismatchIsTracedWithItsDetail) {
    const TracedRun run = runTraced("cmddevice10", "abc");
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->number(), 13);
    EXPECT_EQ(
        run.lines[2],
        R"({"op":"Error","number":13,"text":"Type mismatch","detail":"the count box holds \"abc\", which is not a number"})");
}

TEST(UsbPort, PortTextIsReadAndConvertedBeforeEveryCommPort) {
    const TracedRun run = runTraced("cmddevice12", "2", "1");
    int commPorts = 0;
    for (const std::string& line : run.lines) {
        if (testing::field(line, "op") == "CommPort") {
            EXPECT_EQ(line, R"({"op":"CommPort","value":1})");
            ++commPorts;
        }
    }
    EXPECT_EQ(commPorts, 2);
    const TracedRun rounded = runTraced("cmddevice12", "1", "2.5");
    EXPECT_EQ(rounded.lines[2], R"({"op":"CommPort","value":2})");
}

struct BadPort {
    const char* port;
    int error;
};

class UsbBadPort : public ::testing::TestWithParam<BadPort> {};

// A refused port number fails before CommPort is set: no CommPort event, nothing opened.
TEST_P(UsbBadPort, FailsBeforeCommPort) {
    const TracedRun run = runTraced("cmddevice12", "1", GetParam().port);
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->number(), GetParam().error);
    EXPECT_EQ(steps(run), "GetText GetText Error" + std::to_string(GetParam().error));
    EXPECT_EQ(run.txt2, "메시지");
}

INSTANTIATE_TEST_SUITE_P(Forms, UsbBadPort,
                         ::testing::Values(BadPort{"abc", 13}, BadPort{"", 13}, BadPort{"40000", 6},
                                           BadPort{"-32769", 6}, BadPort{"0", 8002},
                                           BadPort{"-1", 8002}, BadPort{"0.4", 8002}));

}  // namespace
}  // namespace mpt
