// The status line's figures: the rehearsal that tells a run's size, the progress shown during
// it, and what is said when it ends or stalls.
#include <gtest/gtest.h>

#include "app/run_progress.h"

namespace mpt {
namespace {

using namespace std::chrono_literals;

std::map<std::string, std::string> boxes(const std::string& count, const std::string& port = "3") {
    return {{"txt1", count}, {"txt2", "메시지"}, {"port", port}};
}

TEST(RunPlan, RehearsalGivesTheTotalsOfTheRun) {
    const RunPlan cutter = planRun("cmddevice8", boxes("10"));
    EXPECT_EQ(cutter.repetitions, 10);
    EXPECT_EQ(cutter.writesPerRepetition, 3);
    EXPECT_EQ(cutter.totalBytes, 331u);
    EXPECT_TRUE(cutter.totalExact);

    const RunPlan epsonPage = planRun("cmddevice5", boxes("2.5"));
    EXPECT_EQ(epsonPage.repetitions, 2);
    EXPECT_EQ(epsonPage.writesPerRepetition, 33);
    EXPECT_EQ(epsonPage.totalBytes, 2u * 649);

    // The line feed test reads no count: 306 writes, no repetitions to show.
    const RunPlan lineFeed = planRun("cmddevice6", boxes("abc"));
    EXPECT_EQ(lineFeed.repetitions, 0);
    EXPECT_EQ(lineFeed.totalBytes, 11605u);

    // A count that fails sends nothing.
    EXPECT_EQ(planRun("cmddevice", boxes("abc")).totalBytes, 0u);
}

TEST(RunPlan, AVeryLargeCountIsEstimatedNotRehearsed) {
    const RunPlan plan = planRun("cmddevice9", boxes("1e9"));
    EXPECT_EQ(plan.repetitions, 1'000'000'000);
    EXPECT_FALSE(plan.totalExact);
    EXPECT_EQ(plan.totalBytes, 11u + 1'000'000'000ull * 28);  // final cut, then "1" lines
}

TEST(StatusLine, ProgressNamesRepetitionBytesAndDevice) {
    RunPlan plan;
    plan.repetitions = 10;
    plan.writesPerRepetition = 33;
    plan.totalBytes = 8761;
    RunSnapshot now{"COM3", "/dev/ttyUSB0", 1024, 70};
    EXPECT_EQ(progressText("QLX-610/650 USB(EPSON)", plan, now),
              "QLX-610/650 USB(EPSON): repetition 3 of 10, 1,024 of 8,761 bytes, "
              "COM3 → /dev/ttyUSB0");
    plan.totalExact = false;
    now.writes = 1'000'000;  // never past the last repetition
    EXPECT_EQ(progressText(" MVR720/730  X", plan, now),
              "MVR720/730  X: repetition 10 of 10, 1,024 of about 8,761 bytes, "
              "COM3 → /dev/ttyUSB0");
}

TEST(StatusLine, FinishedRunComparesWithTheWire) {
    const RunSnapshot serial{"COM1", "/dev/ttyS0", 9600, 300};
    EXPECT_EQ(finishedText(serial, 10'300ms),
              "Sent 9,600 bytes to COM1 → /dev/ttyS0 in 10 s (the wire needs 10 s at 9600 baud)");
    const RunSnapshot parallel{"lpt1", "/dev/lp0", 874, 34};
    EXPECT_EQ(finishedText(parallel, 120ms), "Sent 874 bytes to lpt1 → /dev/lp0 in 0.1 s");
    EXPECT_EQ(finishedText(RunSnapshot{}, 1ms), "Nothing sent: no repetition asked for.");
}

TEST(StatusLine, FaultSaysHowFarTheRunGot) {
    RunPlan plan;
    plan.totalBytes = 8761;
    const RunSnapshot serial{"COM1", "/dev/ttyUSB0", 1024, 5};
    EXPECT_EQ(faultText(makeError(err::kDeviceTimeout), plan, serial, 30s),
              "stalled: the printer held CTS low for 30 s after 1,024 of 8,761 bytes");
    const RunSnapshot parallel{"lpt1", "/tmp/fifo", 0, 0};
    EXPECT_EQ(faultText(makeError(err::kDeviceTimeout), plan, parallel, 1500ms),
              "stalled: the printer took no data for 1.5 s after 0 of 8,761 bytes");
    EXPECT_EQ(faultText(makeError(err::kDeviceIoError), plan, serial, 30s),
              "failed with error 57 (Device I/O error) after 1,024 of 8,761 bytes");
}

TEST(StatusLine, Thousands) {
    EXPECT_EQ(withThousands(0), "0");
    EXPECT_EQ(withThousands(999), "999");
    EXPECT_EQ(withThousands(1000), "1,000");
    EXPECT_EQ(withThousands(175200), "175,200");
    EXPECT_EQ(withThousands(1234567890), "1,234,567,890");
}

}  // namespace
}  // namespace mpt
