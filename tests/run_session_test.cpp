// SPDX-License-Identifier: MIT
// How a run ends, through the run session both shells use, over real pseudo-terminals and FIFOs.
// Stopped: within a second, every write completed before the stop reaches the printer, no write
// follows it, and whatever the printer never took is counted. Stalled: what is reported as sent is
// what the printer gets. Then what escapes a routine and the runner's answer to Ctrl+C and
// SIGTERM, and what the signal handler leaves the code it interrupts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "core/run_session.h"
#include "core/termination.h"
#include "core/wording.h"
#include "support/expected_pages.h"
#include "support/fifo.h"
#include "support/junit_schema.h"
#include "support/pty.h"
#include "support/stream.h"
#include "support/tcp_printer.h"
#include "support/temp_dir.h"

extern char** environ;

namespace mpt {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using testing::FifoPrinter;
using testing::PtyPrinter;
using testing::ScopedEnv;
using testing::TcpPrinter;

// Waits until the run has made no progress for `quiet`: the printer takes nothing more.
void waitUntilHeldBack(const RunSession& run, std::chrono::milliseconds quiet) {
    std::uint64_t before = run.progress().taken;
    for (auto still = Clock::now(); Clock::now() - still < quiet;) {
        std::this_thread::sleep_for(20ms);
        if (const std::uint64_t now = run.progress().taken; now != before) {
            before = now;
            still = Clock::now();
        }
    }
}

enum class Channel { Serial, Parallel };

// One printer on each channel, COM1 on a pseudo-terminal and "lpt1 " on a FIFO, and a session on
// the system's devices that leads there.
class Stop : public ::testing::TestWithParam<Channel> {
  protected:
    PtyPrinter pty;
    FifoPrinter fifo;
    ScopedEnv com1{"MPT_COM1", pty.devicePath()};
    ScopedEnv lpt1{"MPT_LPT1", fifo.path()};
    std::unique_ptr<Devices> devices = systemDevices();
    std::ostringstream traceText;
    Trace trace{&traceText};
    RunSession session{*devices, trace};

    bool serial() const { return GetParam() == Channel::Serial; }

    void startReading(int bytesPerSecond) {
        if (serial()) {
            pty.startReading(bytesPerSecond);
        } else {
            fifo.startReading(bytesPerSecond);
        }
    }

    // Everything the printer got, once the console has closed the port: read at full speed.
    std::string receivedInAll(size_t expected) {
        if (serial()) {
            pty.stopReading();
            pty.startReading();
            pty.waitFor(expected);
            return pty.drainAll();
        }
        fifo.stopReading();
        fifo.startReading();
        return fifo.finish();
    }

    void waitUntilHeldBack(std::chrono::milliseconds quiet) {
        mpt::waitUntilHeldBack(session, quiet);
    }

    // Asks the run to stop; how long it took to end.
    std::chrono::milliseconds stopAndTime() {
        const auto asked = Clock::now();
        session.requestStop();
        EXPECT_TRUE(session.waitUntilEnded(5s));
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked);
    }

    testing::TracedRun tracedRun() const {
        testing::TracedRun run;
        std::istringstream in(traceText.str());
        for (std::string line; std::getline(in, line);) {
            run.lines.push_back(line);
        }
        return run;
    }

    // The Stop event follows the last write, nothing is written after it, and it says how much of
    // that write the device never took.
    std::uint64_t notTakenByTrace() const {
        const std::vector<std::string> ops = tracedRun().ops();
        const auto stop = std::find(ops.begin(), ops.end(), "Stop");
        EXPECT_NE(stop, ops.end());
        EXPECT_EQ(std::count(stop, ops.end(), "Output") + std::count(stop, ops.end(), "Print"), 0);
        return std::stoull(testing::field(tracedRun().lines[stop - ops.begin()], "notTaken"));
    }

    const char* routine() const { return serial() ? "cmddevice4" : "cmddevice5"; }
};

// A long run to a printer that reads slowly: stopped within a second; the printer receives every
// write handed over before the stop, in order, and of a write cut short only what it took.
TEST_P(Stop, WriteBoundRunEndsWithinASecondWithEveryCompletedWrite) {
    if (!serial()) {
        ASSERT_TRUE(fifo.ready());
        fifo.stopReading();
        ASSERT_TRUE(fifo.setCapacity(4096));
    }
    startReading(6000);
    session.start(routine(), TextBoxStore("1000"));
    std::this_thread::sleep_for(400ms);
    EXPECT_LT(stopAndTime(), 1s);
    const RunOutcome outcome = session.finish();
    EXPECT_TRUE(outcome.end.stopped);
    EXPECT_FALSE(outcome.boxes.written("txt2"));

    const std::uint64_t notTaken = notTakenByTrace();
    EXPECT_EQ(outcome.last.notTaken, notTaken);
    std::string handedOver = tracedRun().stream();
    handedOver.resize(handedOver.size() - notTaken);
    EXPECT_GT(handedOver.size(), 0u);
    const std::string received = receivedInAll(handedOver.size());
    EXPECT_EQ(received.size(), handedOver.size());
    EXPECT_TRUE(received == handedOver) << "the printer got other bytes than were handed over";
    EXPECT_EQ(outcome.last.sent(), received.size());
}

// A printer that takes nothing more (a pseudo-terminal nobody reads, a FIFO never drained): the
// wait ends at once, the rest of the write is counted as discarded, the port is free again.
TEST_P(Stop, PrinterTakingNothingIsGivenUpAtOnceAndThePortFreed) {
    if (!serial()) {
        ASSERT_TRUE(fifo.ready());
        fifo.stopReading();
        ASSERT_TRUE(fifo.setCapacity(4096));
    }
    session.start(routine(), TextBoxStore("1000"));
    waitUntilHeldBack(300ms);
    EXPECT_LT(stopAndTime(), 1s);
    const RunOutcome outcome = session.finish();
    EXPECT_TRUE(outcome.end.stopped);
    EXPECT_GT(outcome.last.notTaken, 0u);
    EXPECT_EQ(outcome.last.notTaken, notTakenByTrace());
    EXPECT_EQ(outcome.last.discarded(), outcome.last.notTaken);
    EXPECT_NE(
        stoppedText(outcome.last).find(", " + withThousands(outcome.last.notTaken) + " discarded"),
        std::string::npos);

    if (serial()) {
        std::string name = pty.devicePath().substr(5);  // "pts/N"
        name.replace(name.find('/'), 1, "_");
        EXPECT_NE(::access(("/var/lock/LCK.." + name).c_str(), F_OK), 0) << "lock file left";
    }
    // The printer reads again: the next run goes through.
    startReading(0);
    session.start(serial() ? "cmddevice8" : "cmddevice10", TextBoxStore("1"));
    const RunOutcome next = session.finish();
    EXPECT_TRUE(next.end.finished()) << (next.end.error ? detailOf(*next.end.error) : "");
}

// A printer that stops taking data part-way through a long run: after the no-progress limit the
// run fails, and the bytes it reports as having reached the printer are exactly the bytes the
// printer gets, none of the earlier pages thrown away on closing; what was handed over and not
// taken is counted as discarded.
TEST_P(Stop, StalledRunReportsWhatReachedThePrinter) {
    ScopedEnv limit("MPT_IO_TIMEOUT_MS", "500");
    if (!serial()) {
        ASSERT_TRUE(fifo.ready());
        fifo.stopReading();
        ASSERT_TRUE(fifo.setCapacity(4096));
    }
    // The thermal pages open and close the serial port around every page, so the line holds
    // pages already closed when the stall comes.
    session.start(serial() ? "cmddevice" : "cmddevice1", TextBoxStore("200"));
    const RunOutcome outcome = session.finish();
    ASSERT_TRUE(outcome.end.error);
    EXPECT_EQ(outcome.end.error->number(), err::kDeviceTimeout);
    // A pseudo-terminal and a FIFO cannot say what the printer does: nothing is made up.
    EXPECT_FALSE(outcome.last.deviceState);
    EXPECT_EQ(traceText.str().find("\"op\":\"Lines\""), std::string::npos);
    const std::string handedOver = tracedRun().stream();
    const std::string received = receivedInAll(outcome.last.sent());
    EXPECT_EQ(received.size(), outcome.last.sent());
    EXPECT_TRUE(received == handedOver.substr(0, received.size()));
    EXPECT_EQ(received.size() + outcome.last.discarded(), handedOver.size());
    const std::string text = faultText(*outcome.end.error, outcome.last, 500ms);
    // The cause comes from the facts the session put on the error, for the status line and the
    // error's detail: a stall of a device that could not say why, measured against the run's
    // no-progress limit.
    const FaultCause cause = faultCauseOf(*outcome.end.error);
    EXPECT_EQ(cause.kind, FaultCause::Kind::NoData);
    EXPECT_EQ(cause.number, err::kDeviceTimeout);
    EXPECT_EQ(cause.limit, 500ms);
    EXPECT_FALSE(cause.seen);
    EXPECT_EQ(faultText(cause, outcome.last), text);
    EXPECT_NE(text.find(" after " + withThousands(received.size()) + " of about "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("; " + withThousands(outcome.last.discarded()) +
                        " bytes handed over were not taken and were discarded"),
              std::string::npos)
        << text;
}

INSTANTIATE_TEST_SUITE_P(Channels, Stop, ::testing::Values(Channel::Serial, Channel::Parallel),
                         [](const auto& info) {
                             return info.param == Channel::Serial ? "Serial" : "Parallel";
                         });

// ---- A stop at each point of a run, on every channel
// ---------------------------------------------

enum class StopPoint { BeforeFirstWrite, InWrite, InClose };

// The system's devices, the run asked to stop from inside at a chosen point: as the channel has
// opened, or as it begins to close. A stop in a write comes from the test while the printer takes
// nothing. Everything else is the real channel's.
class StoppingDevices final : public Devices {
  public:
    StoppingDevices(StopPoint point, RunSession*& session)
        : m_point(point), m_session(session), m_system(systemDevices()) {}

    std::unique_ptr<SerialLine> openSerial(RunContext& run, int n, const LineSettings& s,
                                           int h) override {
        auto line = m_system->openSerial(run, n, s, h);
        opened();
        return m_point == StopPoint::InClose
                   ? std::make_unique<SerialStopOnClose>(std::move(line), m_session)
                   : std::move(line);
    }
    std::unique_ptr<OutputFile> openLpt1(RunContext& run) override {
        auto file = m_system->openLpt1(run);
        opened();
        return m_point == StopPoint::InClose
                   ? std::make_unique<StopOnClose<OutputFile>>(std::move(file), m_session)
                   : std::move(file);
    }

  private:
    template <typename Channel>
    class StopOnClose : public Channel {
      public:
        StopOnClose(std::unique_ptr<Channel> inner, RunSession* session)
            : m_inner(std::move(inner)), m_session(session) {}
        void write(std::string_view bytes) override { m_inner->write(bytes); }
        void close() override {
            m_session->requestStop();
            m_inner->close();
        }

      protected:
        std::unique_ptr<Channel> m_inner;

      private:
        RunSession* m_session;
    };
    // A serial line has its settings besides.
    class SerialStopOnClose final : public StopOnClose<SerialLine> {
      public:
        using StopOnClose::StopOnClose;
        void apply(const LineSettings& s) override { m_inner->apply(s); }
        void setHandshaking(int mode) override { m_inner->setHandshaking(mode); }
    };

    void opened() {
        if (m_point == StopPoint::BeforeFirstWrite) {
            m_session->requestStop();
        }
    }

    StopPoint m_point;
    RunSession*& m_session;
    std::unique_ptr<Devices> m_system;
};

// Before the first write, in a write, in the closing: on a pseudo-terminal, a FIFO, a plain file
// and a network printer, on a serial port and on "lpt1 ". Each ends as a stop (never as a
// success), with a Stop event saying where and what was not taken, nothing written after it, and
// the printer holding exactly what was reported as sent. A stop in the closing was reported as a
// success before: the close gave up its wait and returned as if it had delivered.
TEST(StopPoints, EveryPointOfARunOnEveryChannelEndsAsAStop) {
    enum class Printer { Pty, Fifo, File, Network };
    const struct Row {
        const char* what;
        Printer printer;
        bool serial;
        const char* routine;
        StopPoint point;
        const char* at;  // the Stop event's place
    } rows[] = {
        {"pty, before the first write", Printer::Pty, true, "cmddevice4",
         StopPoint::BeforeFirstWrite, "step"},
        {"pty, in a write", Printer::Pty, true, "cmddevice4", StopPoint::InWrite, "write"},
        {"pty, in the close", Printer::Pty, true, "cmddevice4", StopPoint::InClose, "close"},
        {"FIFO, before the first write", Printer::Fifo, false, "cmddevice10",
         StopPoint::BeforeFirstWrite, "step"},
        {"FIFO, in a write", Printer::Fifo, false, "cmddevice10", StopPoint::InWrite, "write"},
        {"FIFO, in the close", Printer::Fifo, false, "cmddevice10", StopPoint::InClose, "close"},
        {"file, before the first write", Printer::File, false, "cmddevice5",
         StopPoint::BeforeFirstWrite, "step"},
        {"file, in the close", Printer::File, false, "cmddevice5", StopPoint::InClose, "close"},
        {"network COM1, before the first write", Printer::Network, true, "cmddevice8",
         StopPoint::BeforeFirstWrite, "step"},
        {"network COM1, in a write", Printer::Network, true, "cmddevice4", StopPoint::InWrite,
         "write"},
        {"network COM1, in the close", Printer::Network, true, "cmddevice8", StopPoint::InClose,
         "close"},
        {"network lpt1, in a write", Printer::Network, false, "cmddevice1", StopPoint::InWrite,
         "write"},
        {"network lpt1, in the close", Printer::Network, false, "cmddevice1", StopPoint::InClose,
         "close"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PtyPrinter pty;
        FifoPrinter fifo;
        TcpPrinter tcp(TcpPrinter::Behaviour::TakesNothing);
        const std::string file = fifo.path() + ".bin";
        std::string where = row.printer == Printer::Pty    ? pty.devicePath()
                            : row.printer == Printer::Fifo ? fifo.path()
                            : row.printer == Printer::File ? file
                                                           : tcp.address();
        ScopedEnv port(row.serial ? "MPT_COM1" : "MPT_LPT1", where);
        const bool takesNothing = row.point == StopPoint::InWrite;
        if (row.printer == Printer::Pty && !takesNothing) {
            pty.startReading();
        }
        if (row.printer == Printer::Fifo && takesNothing) {
            ASSERT_TRUE(fifo.ready());
            fifo.stopReading();
            ASSERT_TRUE(fifo.setCapacity(4096));
        }

        RunSession* session = nullptr;
        StoppingDevices devices(row.point, session);
        std::ostringstream traceText;
        Trace trace(&traceText);
        RunSession run(devices, trace);
        session = &run;
        run.start(row.routine, TextBoxStore(takesNothing ? "1000" : "10"));
        if (takesNothing) {
            waitUntilHeldBack(run, 300ms);
            run.requestStop();
        }
        ASSERT_TRUE(run.waitUntilEnded(5s));
        const RunOutcome outcome = run.finish();
        EXPECT_TRUE(outcome.end.stopped);
        EXPECT_FALSE(outcome.end.error) << detailOf(*outcome.end.error);
        EXPECT_EQ(stoppedText(outcome.last).rfind("Stopped ", 0), 0u) << stoppedText(outcome.last);

        testing::TracedRun traced;
        std::istringstream in(traceText.str());
        for (std::string line; std::getline(in, line);) {
            traced.lines.push_back(line);
        }
        const std::vector<std::string> ops = traced.ops();
        const auto stop = std::find(ops.begin(), ops.end(), "Stop");
        ASSERT_NE(stop, ops.end()) << traceText.str();
        const std::string& stopLine = traced.lines[static_cast<size_t>(stop - ops.begin())];
        EXPECT_EQ(testing::field(stopLine, "at"), row.at);
        EXPECT_EQ(std::count(stop, ops.end(), "Output") + std::count(stop, ops.end(), "Print"), 0);
        // What the Stop event counts as not taken: the rest of the write, or what the device
        // still held when its closing was given up.
        const std::uint64_t notTaken = std::stoull(testing::field(stopLine, "notTaken"));
        EXPECT_EQ(notTaken,
                  row.point == StopPoint::InClose ? outcome.last.dropped : outcome.last.notTaken);
        const std::string handedOver = traced.stream();
        EXPECT_EQ(outcome.last.sent() + outcome.last.discarded(), handedOver.size());

        std::string received;
        switch (row.printer) {
            case Printer::Pty:
                pty.stopReading();
                pty.startReading();
                pty.waitFor(outcome.last.sent());
                received = pty.drainAll();
                break;
            case Printer::Fifo:
                fifo.stopReading();
                fifo.startReading();
                received = fifo.finish();
                break;
            case Printer::File: {
                std::ifstream bytes(file, std::ios::binary);
                received.assign(std::istreambuf_iterator<char>(bytes), {});
                std::remove(file.c_str());
                break;
            }
            case Printer::Network: received = tcp.takeWhatIsThere(); break;
        }
        EXPECT_EQ(received.size(), outcome.last.sent());
        EXPECT_TRUE(received == handedOver.substr(0, received.size()));
    }
}

// A parallel printer on a FIFO that quits part-way, leaving what it had not read in the FIFO: those
// bytes were taken and never printed. They count as discarded, and what is reported as sent is
// exactly what the printer read. (A pseudo-terminal cannot tell: its bytes wait on the reader's
// side, which takes them away when it closes.)
TEST(ReaderGone, WhatAFifoReaderLeftUnreadCountsAsDiscarded) {
    FifoPrinter fifo;
    ASSERT_TRUE(fifo.ready());
    ScopedEnv lpt1("MPT_LPT1", fifo.path());
    fifo.startReading(5000);
    const auto devices = systemDevices();
    std::ostringstream traceText;
    Trace trace(&traceText);
    RunSession session(*devices, trace);
    session.start("cmddevice5", TextBoxStore("1000"));
    ASSERT_GE(fifo.waitFor(5000).size(), 5000u);
    // The printer stops reading until the FIFO is full, then quits.
    fifo.stopReading();
    waitUntilHeldBack(session, 300ms);
    fifo.unplug();
    const RunOutcome outcome = session.finish();
    ASSERT_TRUE(outcome.end.error);
    EXPECT_EQ(outcome.end.error->number(), err::kDeviceIoError);
    const std::string received = fifo.received();
    EXPECT_EQ(outcome.last.sent(), received.size());
    EXPECT_GT(outcome.last.dropped, 0u) << "nothing was left in the FIFO";
    testing::TracedRun traced;
    std::istringstream in(traceText.str());
    for (std::string line; std::getline(in, line);) {
        traced.lines.push_back(line);
    }
    const std::string handedOver = traced.stream();
    EXPECT_EQ(outcome.last.sent() + outcome.last.discarded(), handedOver.size());
    EXPECT_TRUE(received == handedOver.substr(0, received.size()));
    EXPECT_NE(faultText(*outcome.end.error, outcome.last, 30s)
                  .find(" after " + withThousands(received.size()) + " of about "),
              std::string::npos)
        << faultText(*outcome.end.error, outcome.last, 30s);
    EXPECT_EQ(faultCauseOf(*outcome.end.error),
              (FaultCause{FaultCause::Kind::Failed, err::kDeviceIoError, "Device I/O error",
                          std::nullopt, noProgressLimit()}));
    EXPECT_EQ(faultText(faultCauseOf(*outcome.end.error), outcome.last),
              faultText(*outcome.end.error, outcome.last, noProgressLimit()));
}

// Devices whose port map the Ports dialog changes as the run opens its first page: COM1 is bound
// anew, from `before` to `after`, on the same object the session's run started from.
class RebindingDevices final : public Devices {
  public:
    RebindingDevices(PortMap before, PortMap after)
        : Devices(std::move(before)), m_after(std::move(after)) {}
    std::unique_ptr<SerialLine> openSerial(RunContext& run, int n, const LineSettings& s,
                                           int h) override {
        if (!m_rebound) {
            m_rebound = true;
            setPortMap(m_after);
        }
        return m_system->openSerial(run, n, s, h);
    }
    std::unique_ptr<OutputFile> openLpt1(RunContext& run) override {
        return m_system->openLpt1(run);
    }

  private:
    PortMap m_after;
    bool m_rebound = false;
    std::unique_ptr<Devices> m_system = systemDevices();
};

// A run keeps the port map it started with: every page of it goes where COM1 led at the click,
// whatever the Ports dialog binds meanwhile; the next run goes where the new binding leads.
TEST(RunSession, ARunKeepsThePortMapItStartedWith) {
    PtyPrinter first;
    PtyPrinter second;
    first.startReading();
    second.startReading();
    PortMap before;
    PortMap after;
    before.serial[1] = first.devicePath();
    after.serial[1] = second.devicePath();
    RebindingDevices devices(before, after);
    Trace silent;
    RunSession session(devices, silent);
    session.start("cmddevice", TextBoxStore("2"));
    ASSERT_TRUE(session.finish().end.finished());
    const std::string twoPages = testing::expectedStream("cmddevice", 2);
    EXPECT_EQ(first.waitFor(twoPages.size()), twoPages);
    EXPECT_EQ(devices.portMap().serial.at(1), second.devicePath());

    session.start("cmddevice", TextBoxStore("1"));
    ASSERT_TRUE(session.finish().end.finished());
    const std::string onePage = testing::expectedStream("cmddevice", 1);
    EXPECT_EQ(second.waitFor(onePage.size()), onePage);
    EXPECT_EQ(first.received(), twoPages);
}

// A device that raises what no channel should: the routine's dispatch names it as an error.
class RaisingDevices final : public Devices {
  public:
    std::unique_ptr<SerialLine> openSerial(RunContext&, int, const LineSettings&, int) override {
        throw std::runtime_error("scripted failure in the serial driver");
    }
    std::unique_ptr<OutputFile> openLpt1(RunContext&) override { throw 42; }
};

TEST(RunSession, WhatEscapesARoutineReachesTheCaller) {
    RaisingDevices devices;
    Trace silent;
    RunSession session(devices, silent);
    for (const auto& [routine, detail] :
         {std::pair{"cmddevice8", "scripted failure in the serial driver"},
          std::pair{"cmddevice10", "an exception of unknown type"}}) {
        session.start(routine, TextBoxStore());
        const RunOutcome outcome = session.finish();
        ASSERT_TRUE(outcome.end.error) << routine;
        EXPECT_EQ(outcome.end.error->number(), err::kInternalError);
        EXPECT_EQ(detailOf(*outcome.end.error), detail);
    }
    // Not a routine at all: handed back on the caller's thread, not lost on the worker's.
    session.start("cmddevice13", TextBoxStore());
    EXPECT_THROW(session.finish(), std::invalid_argument);
}

// A serial printer that tells its modem lines: CTS goes low after its third write and stays low,
// and the fifth write is where the console gives up.
class ScriptedLines final : public Devices {
  public:
    std::unique_ptr<SerialLine> openSerial(RunContext& run, int port, const LineSettings&,
                                           int) override {
        if (run.observer != nullptr) {
            run.observer->opened(portName(port), "scripted");
        }
        return std::make_unique<Line>(run.observer);
    }
    std::unique_ptr<OutputFile> openLpt1(RunContext&) override {
        throw makeError(err::kDeviceUnavailable);
    }

  private:
    class Line final : public SerialLine {
      public:
        explicit Line(DeviceObserver* observer) : m_observer(observer) {}
        void apply(const LineSettings&) override {}
        void setHandshaking(int) override {}
        void write(std::string_view bytes) override {
            ++m_writes;
            DeviceState state;
            state.cts = m_writes <= 3;
            state.dsr = true;
            if (m_observer != nullptr && (!m_last || *m_last != state)) {
                m_last = state;
                m_observer->state(state);
            }
            if (m_writes == 5) {
                throw makeError(err::kDeviceTimeout, {.fault = Fault::NoProgress,
                                                      .device = "scripted",
                                                      .notTaken = bytes.size(),
                                                      .limit = std::chrono::seconds(30)});
            }
            if (m_observer != nullptr) {
                m_observer->taken(bytes.size());
            }
        }
        void close() override {}

      private:
        DeviceObserver* m_observer;
        int m_writes = 0;
        std::optional<DeviceState> m_last;
    };
};

// What the device says is recorded as it changes, shown with the progress, and names the stall in
// the status line and in the error's own detail.
TEST(RunSession, DeviceStateIsRecordedAndNamesTheStall) {
    ScriptedLines devices;
    std::ostringstream traceText;
    Trace trace(&traceText);
    RunSession session(devices, trace);
    session.start("cmddevice8", TextBoxStore("3"));
    const RunOutcome outcome = session.finish();
    ASSERT_TRUE(outcome.end.error);
    EXPECT_EQ(detailOf(*outcome.end.error),
              "scripted: the device took no data for 30 s (25 bytes of this write not sent); "
              "stalled: CTS low for 30 s (the printer is busy or its buffer is full)");
    ASSERT_TRUE(outcome.last.deviceState);
    EXPECT_EQ(progressText("CUTTER TEST EPSON SERIAL", outcome.last),
              "CUTTER TEST EPSON SERIAL: repetition 2 of 3, 35 of about 96 bytes, COM1 → "
              "scripted · CTS ○ DSR ● DCD ○");  // 32 bytes a repetition, then one write of 3
    std::vector<std::string> changes;
    std::istringstream lines(traceText.str());
    for (std::string line; std::getline(lines, line);) {
        if (line.find("\"op\":\"Lines\"") != std::string::npos) {
            changes.push_back(line);
        }
    }
    EXPECT_EQ(changes,
              (std::vector<std::string>{R"({"op":"Lines","cts":true,"dsr":true,"dcd":false})",
                                        R"({"op":"Lines","cts":false,"dsr":true,"dcd":false})"}));
}

// ---- The runner and its signals -----------------------------------------------------------------

#ifdef MPT_CONSOLE_BINARY
struct Exit {
    int code = -1;
    std::string err;
};

// The console binary with --run, its stderr captured; `signal` is sent once `after` has passed
// (counted from when `ready`, if given, first holds).
Exit runAndSignal(const std::vector<std::string>& args, int signal, std::chrono::milliseconds after,
                  const std::function<bool()>& ready = {}) {
    int pipeFds[2];
    EXPECT_EQ(::pipe(pipeFds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> argv{const_cast<char*>(MPT_CONSOLE_BINARY)};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, MPT_CONSOLE_BINARY, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    Exit result;
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return result;
    }
    for (const auto end = Clock::now() + 10s; ready && !ready() && Clock::now() < end;) {
        std::this_thread::sleep_for(10ms);
    }
    std::this_thread::sleep_for(after);
    ::kill(pid, signal);
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        result.err.append(buffer, static_cast<size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

// In a write to a slow printer, or in the closing, waiting on a network printer that took the
// whole stream and acknowledges none of it: the stopped line, the shell's code, a Stop event in
// the trace, and no result message.
TEST(Runner, SignalsStopTheRunAndSayHowFarItGot) {
    const struct {
        int signal, code;
        bool network;
        const char* count;
        const char* at;
    } rows[] = {
        {SIGINT, 130, false, "1000", "write"},
        {SIGTERM, 143, false, "1000", "write"},
        {SIGHUP, 129, false, "1000", "write"},
        {SIGTERM, 143, true, "10", "close"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.signal);
        PtyPrinter pty;
        pty.startReading(6000);
        TcpPrinter tcp(TcpPrinter::Behaviour::TakesNothing);
        ScopedEnv com1("MPT_COM1", pty.devicePath());
        ScopedEnv lpt1("MPT_LPT1", tcp.address());
        FifoPrinter dir;  // a directory of its own for the trace
        const std::string trace = dir.path() + ".jsonl";
        const auto start = Clock::now();
        const Exit exit = runAndSignal({"--run", row.network ? "cmddevice1" : "cmddevice4",
                                        "--count", row.count, "--trace", trace},
                                       row.signal, 500ms);
        EXPECT_LT(Clock::now() - start, 1500ms);
        EXPECT_EQ(exit.code, row.code) << exit.err;
        EXPECT_EQ(exit.err.rfind("mini-printer-test: Stopped ", 0), 0u) << exit.err;
        EXPECT_NE(exit.err.find(std::string(" of ") + (row.network ? "10" : "1,000") + ": "),
                  std::string::npos)
            << exit.err;
        std::ifstream in(trace);
        std::string line, last;
        while (std::getline(in, line)) {
            last = line;
        }
        std::remove(trace.c_str());
        EXPECT_EQ(testing::field(last, "op"), row.network ? "Stop" : "PortOpen") << last;
        if (row.network) {
            EXPECT_EQ(testing::field(last, "at"), row.at) << last;
            EXPECT_GT(std::stoull(testing::field(last, "notTaken")), 0u) << last;
        }
    }
}

// A suite stopped by SIGTERM in its second routine: the shell's code, and a report that
// validates, in which the first routine passed and the stopped one and the one never begun are
// skipped; nothing is left beside it.
TEST(Runner, ASignalEndsTheWholeSuiteAndLeavesAValidReport) {
    PtyPrinter pty;
    pty.startReading(6000);
    ScopedEnv com1("MPT_COM1", pty.devicePath());
    const testing::TempDir dir;
    const std::string suite =
        dir.write("station.suite", "cmddevice8 1\ncmddevice4 1000\ncmddevice9 1\n");
    const std::string report = dir.file("report.xml");
    // Once the first routine has ended and the report says so, well into the second.
    const Exit exit = runAndSignal({"--suite", suite, "--report", report}, SIGTERM, 300ms, [&] {
        return testing::fileText(report).find("<system-out>") != std::string::npos;
    });
    EXPECT_EQ(exit.code, 143) << exit.err;
    EXPECT_EQ(exit.err.rfind("mini-printer-test: cmddevice4: Stopped in repetition ", 0), 0u)
        << exit.err;
    EXPECT_EQ(testing::junitSchemaProblems(report), "");
    const std::string xml = testing::fileText(report);
    EXPECT_NE(xml.find("tests=\"3\" failures=\"0\" errors=\"0\" skipped=\"2\""), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("<testcase classname=\"cmddevice8\" name=\"CUTTER TEST EPSON SERIAL\" "
                       "time=\""),
              std::string::npos);
    const std::size_t stopped = xml.find("<testcase classname=\"cmddevice4\"");
    ASSERT_NE(stopped, std::string::npos) << xml;
    EXPECT_EQ(xml.find("<skipped message=\"Stopped in repetition "), xml.find("<skipped")) << xml;
    EXPECT_GT(xml.find("<skipped"), stopped) << xml;
    EXPECT_NE(xml.find("<skipped message=\"not run: the suite ended before it\"/>"),
              std::string::npos)
        << xml;
    EXPECT_EQ(testing::namesIn(dir.path), "report.xml station.suite");
}
#endif

// A signal that finds its pipe full (a burst nobody has read yet) fails to write its byte; the
// code it interrupted must still read its own errno afterwards, and the signal still counts.
TEST(TerminationSignals, HandlerLeavesTheInterruptedCodesErrno) {
    const int fd = terminationSignals();
    ASSERT_GE(fd, 0);
    const int capacity = ::fcntl(fd, F_GETPIPE_SZ);
    ASSERT_GT(capacity, 0);
    int queued = 0;
    while (::ioctl(fd, FIONREAD, &queued) == 0 && queued < capacity) {
        ::raise(SIGHUP);
    }
    ASSERT_EQ(queued, capacity);
    errno = EDOM;
    ::raise(SIGHUP);  // its write finds the pipe full
    EXPECT_EQ(errno, EDOM);
    EXPECT_EQ(takeTerminationSignal(), SIGHUP);
    EXPECT_EQ(takeTerminationSignal(), 0);
}

}  // namespace
}  // namespace mpt
