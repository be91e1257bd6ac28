// SPDX-License-Identifier: MIT
// The status line's figures: the progress a routine's own loop reports while it runs, and what is
// said during a run and when it ends, stalls or is stopped.
#include <gtest/gtest.h>

#include "core/run_progress.h"
#include "core/run_session.h"
#include "core/texts.h"
#include "core/wording.h"
#include "testpages/skeleton.h"

namespace mpt {
namespace {

using namespace std::chrono_literals;

// Where a run stands: its port and device and the bytes taken.
RunSnapshot at(const std::string& port, const std::string& device, std::uint64_t taken = 0) {
    RunSnapshot s;
    s.port = port;
    s.device = device;
    s.taken = taken;
    return s;
}

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
    RunSnapshot now = at("COM3", "/dev/ttyUSB0", 1024);
    now.repetition = 1;
    now.repetitions = 1;
    EXPECT_EQ(progressText(" MVR720/730  X", now),
              "MVR720/730  X: repetition 1 of 1, 1,024 bytes, COM3 → /dev/ttyUSB0");
    EXPECT_EQ(progressText("CUTTER TEST EPSON SERIAL", RunSnapshot{}),
              "CUTTER TEST EPSON SERIAL: 0 bytes, no port yet");
}

TEST(StatusLine, FinishedRunComparesWithTheWire) {
    const RunSnapshot serial = at("COM1", "/dev/ttyS0", 9600);
    EXPECT_EQ(finishedText(serial, 10'300ms),
              "Sent 9,600 bytes to COM1 → /dev/ttyS0 in 10 s (the wire needs 10 s at 9600 baud)");
    const RunSnapshot parallel = at("lpt1", "/dev/lp0", 874);
    EXPECT_EQ(finishedText(parallel, 120ms), "Sent 874 bytes to lpt1 → /dev/lp0 in 0.1 s");
    EXPECT_EQ(finishedText(RunSnapshot{}, 1ms), "Nothing sent: no repetition asked for.");
}

// A stall is named by what the device was last seen doing; where it could not tell, by what the
// console saw. An I/O error says the last state seen.
TEST(StatusLine, FaultSaysWhatWasSeenAndHowFarTheRunGot) {
    const auto serial = [](bool cts, bool dsr) {
        DeviceState state;
        state.cts = cts;
        state.dsr = dsr;
        return state;
    };
    const auto printer = [](bool paperOut, bool offLine) {
        DeviceState state;
        state.kind = DeviceState::Kind::Printer;
        state.paperOut = paperOut;
        state.offLine = offLine;
        return state;
    };
    using Kind = FaultCause::Kind;
    DeviceState printerError = printer(false, false);
    printerError.error = true;
    const struct {
        std::optional<DeviceState> seen;
        int error;
        Kind cause;
        std::string text;
    } rows[] = {
        {serial(false, true), err::kDeviceTimeout, Kind::CtsLow,
         "stalled: CTS low for 30 s (the printer is busy or its buffer is full) after 1,024 bytes"},
        {serial(false, false), err::kDeviceTimeout, Kind::DsrLow,
         "stalled: DSR low: the printer is off or the cable is out after 1,024 bytes"},
        {printer(true, false), err::kDeviceTimeout, Kind::PaperOut,
         "stalled: paper out after 1,024 bytes"},
        {printer(false, true), err::kDeviceTimeout, Kind::OffLine,
         "stalled: off line after 1,024 bytes"},
        {printerError, err::kDeviceTimeout, Kind::PrinterError,
         "stalled: the printer reports an error after 1,024 bytes"},
        {printer(false, false), err::kDeviceTimeout, Kind::NoData,
         "stalled: the device took no data for 30 s after 1,024 bytes"},
        {std::nullopt, err::kDeviceTimeout, Kind::NoData,
         "stalled: the device took no data for 30 s after 1,024 bytes"},
        {serial(true, true), err::kDeviceTimeout, Kind::NoData,
         "stalled: the device took no data for 30 s after 1,024 bytes"},
        {std::nullopt, err::kDeviceIoError, Kind::Failed,
         "failed with error 57 (Device I/O error) after 1,024 bytes"},
        {serial(false, false), err::kDeviceIoError, Kind::Failed,
         "failed with error 57 (Device I/O error); last seen: CTS ○ DSR ○ DCD ○ after 1,024 "
         "bytes"},
    };
    for (const auto& row : rows) {
        RunSnapshot end = at("COM1", "/dev/ttyUSB0", 1024);
        end.deviceState = row.seen;
        const FaultCause cause = faultCauseOf(makeError(row.error), row.seen, 30s);
        EXPECT_EQ(cause.kind, row.cause) << row.text;
        EXPECT_EQ(cause.number, row.error);
        EXPECT_EQ(cause.seen, row.seen);
        EXPECT_EQ(faultText(cause, end), row.text);
        EXPECT_EQ(faultText(makeError(row.error), end, 30s), row.text);
    }
    RunSnapshot discarded = at("lpt1", "/tmp/fifo");
    discarded.notTaken = 512;
    EXPECT_EQ(faultText(makeError(err::kDeviceTimeout), discarded, 1500ms),
              "stalled: the device took no data for 1.5 s after 0 bytes; 512 bytes handed over "
              "were not taken and were discarded");
}

TEST(StatusLine, ProgressShowsWhatTheDeviceSays) {
    RunSnapshot now = at("COM1", "/dev/ttyUSB0", 10);
    EXPECT_EQ(progressText("X", now), "X: 10 bytes, COM1 → /dev/ttyUSB0");  // it cannot tell
    DeviceState lines;
    lines.cts = true;
    lines.dsr = true;
    now.deviceState = lines;
    EXPECT_EQ(progressText("X", now), "X: 10 bytes, COM1 → /dev/ttyUSB0 · CTS ● DSR ● DCD ○");
    DeviceState status;
    status.kind = DeviceState::Kind::Printer;
    status.paperOut = true;
    now.deviceState = status;
    EXPECT_EQ(progressText("X", now),
              "X: 10 bytes, COM1 → /dev/ttyUSB0 · paper out, on line, no error");
}

// A stop between repetitions is "after" the last one done; within one, "in" it; in the closing
// once the last was handed over, "after" it. Bytes dropped from a queue were taken but never
// sent; both they and a write cut short count as discarded, and a page is complete only when
// every byte of it was sent.
TEST(StatusLine, StoppedSaysWhereHowManyPagesWereCompleteAndWhatWasDiscarded) {
    // Five bytes before the loop, then pages of 876 bytes.
    const auto progress = [](long long repetitions, long long upTo, std::uint64_t intoLast) {
        auto p = std::make_unique<RunProgress>();
        p->opened("COM1", "/dev/ttyS0");
        p->taken(5);
        for (long long r = 1; r <= upTo; ++r) {
            p->repetition(r, repetitions);
            p->taken(r < upTo ? 876 : intoLast);
        }
        return p;
    };
    const struct {
        const char* what;
        long long upTo;
        std::uint64_t intoLast;
        std::uint64_t dropped, notTaken;
        std::optional<RunStopped::At> at;
        std::string text;
    } rows[] = {
        {"between pages", 4, 0, 0, 0, RunStopped::At::Step,
         "Stopped after repetition 3 of 1,000: 3 complete; 2,633 of about 876,005 bytes sent, "
         "0 discarded"},
        {"in a page", 4, 100, 40, 12, RunStopped::At::Write,
         "Stopped in repetition 4 of 1,000: 3 complete; 2,693 of about 876,005 bytes sent, "
         "52 discarded"},
        {"a queue dropped reaching into the pages before", 39, 800, 1700, 0, RunStopped::At::Write,
         "Stopped in repetition 39 of 1,000: 36 complete; 32,393 of about 876,005 bytes sent, "
         "1,700 discarded"},
        {"in the closing, nothing dropped", 1000, 876, 0, 0, RunStopped::At::Close,
         "Stopped after repetition 1,000 of 1,000: 1,000 complete; 876,005 of about 876,005 "
         "bytes sent, 0 discarded"},
        {"in the closing, the tail dropped", 1000, 876, 900, 0, RunStopped::At::Close,
         "Stopped in repetition 1,000 of 1,000: 998 complete; 875,105 of about 876,005 bytes "
         "sent, 900 discarded"},
        {"after the routine's last step", 1000, 876, 0, 0, RunStopped::At::End,
         "Stopped after repetition 1,000 of 1,000: 1,000 complete; 876,005 of about 876,005 "
         "bytes sent, 0 discarded"},
        {"before the first page", 1, 0, 0, 0, RunStopped::At::Step,
         "Stopped before the first repetition: 5 bytes sent, 0 discarded"},
        {"before the loop", 0, 0, 0, 0, RunStopped::At::Step,
         "Stopped before the first repetition: 5 bytes sent, 0 discarded"},
    };
    for (const auto& row : rows) {
        const auto p = progress(1000, row.upTo, row.intoLast);
        p->dropped(row.dropped);
        p->notTaken(row.notTaken);
        if (row.at) {
            p->stopped(*row.at);
        }
        EXPECT_EQ(stoppedText(p->snapshot()), row.text) << row.what;
    }
}

// The total of a huge count is reckoned without wrapping; a count the loop's counter cannot
// reach is said as "more than".
TEST(StatusLine, TotalsOfHugeCountsNeverWrap) {
    const struct {
        const char* count;
        std::string says;
    } rows[] = {
        {"1000", "repetition 2 of 1,000, 879 of about 874,003 bytes"},
        {"1e18",
         "repetition 2 of 1,000,000,000,000,000,000, 879 of about "
         "874,000,000,000,000,000,003 bytes"},
        {"9223372036854775807",
         "repetition 2 of more than 9,223,372,036,854,775,807, 879 of "
         "more than 8,061,227,160,211,074,055,321 bytes"},
        {"1e300",
         "repetition 2 of more than 9,223,372,036,854,775,807, 879 of more than "
         "8,061,227,160,211,074,055,321 bytes"},
    };
    for (const auto& row : rows) {
        // The thermal page on the parallel port, as its loop reports it: 3 bytes before the loop
        // and 874 for the first page.
        TextBoxStore boxes(row.count);
        RunProgress progress;
        Trace silent;
        const auto devices = dryRunDevices();
        Console con(boxes, *devices, silent, &progress);
        progress.opened("lpt1", "/dev/lp0");
        progress.taken(3);
        con.repetition(1, toCount(row.count));
        progress.taken(874);
        con.repetition(2, toCount(row.count));
        progress.taken(2);
        EXPECT_EQ(progressText("X", progress.snapshot()), "X: " + row.says + ", lpt1 → /dev/lp0")
            << row.count;
    }
}

// The words are looked up in the user's language, and a language may put the figures in its own
// order; a figure that looks like a marker is never filled again.
TEST(StatusLine, WordsInTheUsersLanguage) {
    const struct {
        std::string_view pattern;
        std::initializer_list<std::string_view> values;
        std::string filled;
    } cases[] = {
        {"%1 of %2", {"3", "10"}, "3 of 10"},   {"%2 중 %1", {"3", "10"}, "10 중 3"},
        {"%1 and %2", {"%2", "x"}, "%2 and x"}, {"%1 %3", {"a"}, "a %3"},
        {"100% done, %", {}, "100% done, %"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fill(c.pattern, c.values), c.filled) << c.pattern;
    }

    setTextLookup([](const char* context, const char* source) {
        return std::string(context) == "Run" &&
                       std::string(source) ==
                           "Stopped in repetition %1 of %2: %3 complete; %4 sent, %5 discarded"
                   ? std::string("%5 / %4 / %3 / %2 / %1")
                   : std::string(source);
    });
    RunSnapshot within = at("COM1", "/dev/ttyS0", 10);
    within.repetition = 1;
    within.repetitions = 5;
    within.takenAtCurrent = 4;
    const std::string stopped = stoppedText(within);
    setTextLookup({});
    EXPECT_EQ(stopped, "0 / 10 bytes / 0 / 5 / 1");
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
