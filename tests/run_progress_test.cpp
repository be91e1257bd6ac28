// The status line's figures: the progress a routine's own loop reports while it runs, and what is
// said during a run and when it ends, stalls or is stopped.
#include <gtest/gtest.h>

#include "core/run_progress.h"
#include "core/run_session.h"

namespace mpt {
namespace {

using namespace std::chrono_literals;

// One run on dry-run devices through the session; the progress as it stood at the end.
RunSnapshot progressOf(const std::string& routine, const std::string& count) {
    const auto devices = dryRunDevices();
    Trace silent;
    RunSession session(*devices, silent);
    session.start(routine, TextBoxStore(count));
    return session.finish().last;
}

// Each routine's loop says which repetition starts and how many there are; the bytes are those
// the devices took. No routine is run ahead of time to learn this.
TEST(RunProgress, ComesFromTheRoutinesOwnLoop) {
    struct Row {
        const char* routine;
        const char* count;
        long long repetition, repetitions;
        std::uint64_t sent;
    };
    for (const Row& row : {
             Row{"cmddevice8", "10", 10, 10, 331},       // cutter: ten lines and cuts, the last cut
             Row{"cmddevice5", "2.5", 2, 2, 2 * 649},    // a count with a fraction is rounded down
             Row{"cmddevice6", "abc", 300, 300, 11605},  // line feed: 300 lines, no count read
             Row{"cmddevice", "0", 0, 0, 0},             // the thermal page opens no port
             Row{"cmddevice9", "abc", 0, 0, 0},          // no number: fails before its loop
         }) {
        const RunSnapshot end = progressOf(row.routine, row.count);
        EXPECT_EQ(end.repetition, row.repetition) << row.routine;
        EXPECT_EQ(end.repetitions, row.repetitions) << row.routine;
        EXPECT_EQ(end.sent(), row.sent) << row.routine;
        EXPECT_EQ(end.discarded(), 0u) << row.routine;
    }
}

// The total is reckoned from the first repetition once the second starts: "about", since the
// counter's digits grow, and never below what has been sent.
TEST(RunProgress, TotalReckonedFromTheFirstRepetition) {
    RunProgress progress;
    progress.opened("COM1", "/dev/ttyS0");
    progress.taken(5);  // before the loop
    progress.repetition(1, 1000);
    EXPECT_FALSE(progress.snapshot().estimatedTotal());
    progress.taken(876);
    progress.repetition(2, 1000);
    EXPECT_EQ(progress.snapshot().estimatedTotal(), 5u + 876'000u);
    progress.taken(876);
    progress.repetition(3, 1000);
    EXPECT_EQ(progressText("QLX-610/650 SERIAL(EPSON)", progress.snapshot()),
              "QLX-610/650 SERIAL(EPSON): repetition 3 of 1,000, 1,757 of about 876,005 bytes, "
              "COM1 → /dev/ttyS0");
}

TEST(StatusLine, ProgressBeforeTheTotalIsKnown) {
    RunSnapshot now{.port = "COM3", .device = "/dev/ttyUSB0", .taken = 1024};
    now.repetition = 1;
    now.repetitions = 1;
    EXPECT_EQ(progressText(" MVR720/730  X", now),
              "MVR720/730  X: repetition 1 of 1, 1,024 bytes, COM3 → /dev/ttyUSB0");
    EXPECT_EQ(progressText("CUTTER TEST EPSON SERIAL", RunSnapshot{}),
              "CUTTER TEST EPSON SERIAL: 0 bytes, no port yet");
}

TEST(StatusLine, FinishedRunComparesWithTheWire) {
    const RunSnapshot serial{.port = "COM1", .device = "/dev/ttyS0", .taken = 9600};
    EXPECT_EQ(finishedText(serial, 10'300ms),
              "Sent 9,600 bytes to COM1 → /dev/ttyS0 in 10 s (the wire needs 10 s at 9600 baud)");
    const RunSnapshot parallel{.port = "lpt1", .device = "/dev/lp0", .taken = 874};
    EXPECT_EQ(finishedText(parallel, 120ms), "Sent 874 bytes to lpt1 → /dev/lp0 in 0.1 s");
    EXPECT_EQ(finishedText(RunSnapshot{}, 1ms), "Nothing sent: no repetition asked for.");
}

TEST(StatusLine, FaultSaysHowFarTheRunGot) {
    const RunSnapshot serial{.port = "COM1", .device = "/dev/ttyUSB0", .taken = 1024};
    EXPECT_EQ(faultText(makeError(err::kDeviceTimeout), serial, 30s),
              "stalled: the printer held CTS low for 30 s after 1,024 bytes");
    const RunSnapshot parallel{.port = "lpt1", .device = "/tmp/fifo"};
    EXPECT_EQ(faultText(makeError(err::kDeviceTimeout), parallel, 1500ms),
              "stalled: the printer took no data for 1.5 s after 0 bytes");
    EXPECT_EQ(faultText(makeError(err::kDeviceIoError), serial, 30s),
              "failed with error 57 (Device I/O error) after 1,024 bytes");
}

// A stop between repetitions is "after" the last one done; within one, "in" it. Bytes dropped
// from a queue were taken but never sent; both they and a write cut short count as discarded.
TEST(StatusLine, StoppedSaysWhereAndWhatWasDiscarded) {
    RunSnapshot between{.port = "COM1",
                        .device = "/dev/ttyS0",
                        .taken = 2628 + 5,
                        .repetition = 4,
                        .repetitions = 1000};
    between.takenAtFirst = 5;
    between.takenAtSecond = 5 + 876;
    between.takenAtCurrent = between.taken;
    EXPECT_EQ(stoppedText(between),
              "Stopped after repetition 3 of 1,000: 2,633 of about 876,005 bytes sent, "
              "0 bytes discarded");

    RunSnapshot within = between;
    within.taken += 100;
    within.dropped = 40;
    within.notTaken = 12;
    EXPECT_EQ(stoppedText(within),
              "Stopped in repetition 4 of 1,000: 2,693 of about 876,005 bytes sent, "
              "52 bytes discarded");

    const RunSnapshot first{
        .port = "lpt1", .device = "/dev/lp0", .repetition = 1, .repetitions = 10};
    EXPECT_EQ(stoppedText(first),
              "Stopped before the first repetition: 0 bytes sent, "
              "0 bytes discarded");
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
