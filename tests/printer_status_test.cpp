// SPDX-License-Identifier: MIT
// Asking the printer: the requests and answers as the command sets define them (bytes written out
// by hand from the bit tables), and the console asking scripted printers on real
// pseudo-terminals that answer, answer late, with garbage, with extra bytes or never; a FIFO, a
// file and a missing file on "lpt1 " cannot answer and are left as they were.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "channels/devices.h"
#include "channels/printer_status.h"
#include "channels/trace.h"
#include "core/runner.h"
#include "support/fifo.h"
#include "support/pty.h"
#include "support/stream.h"

namespace mpt {
namespace {

using namespace std::chrono_literals;
using status::Reach;
using status::Scan;
using status::Shape;
using status::Verdict;

using mpt::testing::bytes;

TEST(PrinterStatus, RequestsAreTheCommandSetsBytes) {
    EXPECT_EQ(status::realTimeRequest(1), bytes({0x10, 0x04, 0x01}));
    EXPECT_EQ(status::realTimeRequest(4), bytes({0x10, 0x04, 0x04}));
    EXPECT_EQ(status::identityRequest(2), bytes({0x1D, 0x49, 0x02}));
    EXPECT_EQ(status::identityRequest(status::kModelName), bytes({0x1D, 0x49, 0x43}));
    EXPECT_EQ(status::shapeOf(status::realTimeRequest(2)), Shape::StatusByte);
    EXPECT_EQ(status::shapeOf(status::identityRequest(1)), Shape::IdentityByte);
    EXPECT_EQ(status::shapeOf(status::identityRequest(status::kMakerName)), Shape::Text);
}

TEST(PrinterStatus, AnswersAreFoundAmongWhatComesBack) {
    const std::string longText = "_" + std::string(81, 'a');
    struct Row {
        const char* what;
        Shape shape;
        std::string got;
        Scan::State state;
        std::size_t end;
        int byte;
        std::string text;
    };
    const Row rows[] = {
        {"nothing yet", Shape::StatusByte, "", Scan::State::NeedMore, 0, 0, ""},
        {"a status byte", Shape::StatusByte, bytes({0x12}), Scan::State::Complete, 1, 0x12, ""},
        {"one byte is the answer, the rest extra", Shape::StatusByte, bytes({0x1A, 0x12, 0x12}),
         Scan::State::Complete, 1, 0x1A, ""},
        {"automatic status ahead is passed over", Shape::StatusByte,
         bytes({0x18, 0x00, 0x0F, 0x00, 0x7E}), Scan::State::Complete, 5, 0x7E, ""},
        {"automatic status cut short waits", Shape::StatusByte, bytes({0x10, 0x00}),
         Scan::State::NeedMore, 0, 0, ""},
        {"a status byte without its fixed bits", Shape::StatusByte, bytes({0xFF, 0x00}),
         Scan::State::Garbled, 2, 0, ""},
        {"an identity byte", Shape::IdentityByte, bytes({0x20}), Scan::State::Complete, 1, 0x20,
         ""},
        {"bit 4 set is no identity byte", Shape::IdentityByte, bytes({0x12}), Scan::State::Garbled,
         1, 0, ""},
        {"a text", Shape::Text, std::string("_1.2.3\0", 7), Scan::State::Complete, 7, 0, "1.2.3"},
        {"a text still coming", Shape::Text, "_VIRT", Scan::State::NeedMore, 0, 0, ""},
        {"a text without its header", Shape::Text, std::string("1.2\0", 4), Scan::State::Garbled, 4,
         0, ""},
        {"a text longer than any printer's", Shape::Text, longText, Scan::State::Garbled,
         longText.size(), 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Scan scan = status::scanAnswer(row.shape, row.got);
        EXPECT_EQ(scan.state, row.state);
        EXPECT_EQ(scan.end, row.end);
        if (row.state == Scan::State::Complete) {
            EXPECT_EQ(scan.byte, row.byte);
            EXPECT_EQ(scan.text, row.text);
        }
    }
}

// The answers to DLE EOT 1 to 4 of a printer in each state, from the bit tables: 0x12 is the fixed
// pattern; off line is bit 3 of n = 1; cover open bit 2, paper-end stop bit 5, error bit 6 of
// n = 2; recoverable bit 2, cutter bit 3, unrecoverable bit 5 of n = 3; near end bits 2 and 3,
// paper end bits 5 and 6 of n = 4. The virtual printer gives them from its switches, and the
// console reads the same verdict back from them.
TEST(PrinterStatus, EachStateAnswersAndReadsBack) {
    struct Row {
        const char* switches;
        std::array<int, 4> answers;
        std::string automatic;
        Verdict verdict;
        int exitCode;
    };
    const Row rows[] = {
        {"", {0x12, 0x12, 0x12, 0x12}, bytes({0x10, 0, 0, 0}), Verdict::Ready, 0},
        {"near-end", {0x12, 0x12, 0x12, 0x1E}, bytes({0x10, 0, 0x03, 0}), Verdict::PaperNearEnd, 6},
        {"paper-out", {0x1A, 0x32, 0x12, 0x7E}, bytes({0x18, 0, 0x0F, 0}), Verdict::PaperOut, 5},
        {"cover-open", {0x1A, 0x16, 0x12, 0x12}, bytes({0x38, 0, 0, 0}), Verdict::CoverOpen, 4},
        {"off-line", {0x1A, 0x12, 0x12, 0x12}, bytes({0x18, 0, 0, 0}), Verdict::OffLine, 3},
        {"drawer-open", {0x16, 0x12, 0x12, 0x12}, bytes({0x14, 0, 0, 0}), Verdict::Ready, 0},
        {"recoverable-error",
         {0x3A, 0x52, 0x16, 0x12},
         bytes({0x18, 0x04, 0, 0}),
         Verdict::PrinterError,
         7},
        {"cutter-jam",
         {0x1A, 0x52, 0x1A, 0x12},
         bytes({0x18, 0x08, 0, 0}),
         Verdict::PrinterError,
         7},
        {"unrecoverable-error",
         {0x1A, 0x52, 0x32, 0x12},
         bytes({0x18, 0x20, 0, 0}),
         Verdict::PrinterError,
         7},
        {"near-end,cover-open",
         {0x1A, 0x16, 0x12, 0x1E},
         bytes({0x38, 0, 0x03, 0}),
         Verdict::CoverOpen,
         4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.switches);
        const auto switches = status::parseSwitches(row.switches);
        ASSERT_TRUE(switches);
        status::Report report;
        report.reach = Reach::Answered;
        for (int n = 1; n <= 4; ++n) {
            EXPECT_EQ(status::realTimeAnswer(n, *switches), row.answers[n - 1]) << "DLE EOT " << n;
            status::applyRealTime(n, static_cast<std::uint8_t>(row.answers[n - 1]), report.facts);
        }
        EXPECT_EQ(status::automaticStatus(*switches), row.automatic);
        EXPECT_EQ(status::verdictOf(report), row.verdict);
        EXPECT_EQ(exitCodeOf(row.verdict), row.exitCode);
    }
    EXPECT_FALSE(status::parseSwitches("paper-low"));
    EXPECT_FALSE(status::parseSwitches("near-end,"));
}

TEST(PrinterStatus, SensorsAndIdentity) {
    status::Switches out;
    out.paper = status::Switches::Paper::Out;
    out.drawerOpen = true;
    EXPECT_EQ(status::sensorAnswer(1, out), 0x0F);
    EXPECT_EQ(status::sensorAnswer('1', status::Switches{}), 0x00);
    EXPECT_EQ(status::sensorAnswer(2, out), 0x01);
    EXPECT_FALSE(status::sensorAnswer(3, out));
    status::Identity identity;
    identity.firmware = "0.1.0";
    identity.maker = "MAKER";
    identity.modelName = "VIRTUAL PRINTER";
    EXPECT_EQ(status::identityAnswer(1, identity), bytes({0x20}));
    EXPECT_EQ(status::identityAnswer(2, identity), bytes({0x03}));
    EXPECT_EQ(status::identityAnswer(0x41, identity), std::string("_0.1.0\0", 7));
    EXPECT_EQ(status::identityAnswer(0x43, identity), std::string("_VIRTUAL PRINTER\0", 17));
    EXPECT_FALSE(status::identityAnswer(0x44, identity));
}

// A printer on a real pseudo-terminal that answers each request as its script says, after a
// delay.
class ScriptedPrinter {
  public:
    using Script = std::function<std::string(const std::string& request)>;

    ScriptedPrinter(Script script, std::chrono::milliseconds delay)
        : m_script(std::move(script)), m_delay(delay) {
        const testing::RawPty pty = testing::openRawPty();
        m_master = pty.master;
        m_holder = pty.holder;
        m_path = pty.slavePath;
        m_reader.start([this] { serve(); });
    }
    ~ScriptedPrinter() {
        m_reader.stop();
        ::close(m_holder);
        ::close(m_master);
    }
    const std::string& path() const { return m_path; }
    std::string received() { return m_received.all(); }

  private:
    void serve() {
        std::string pending;
        while (!m_reader.stopRequested()) {
            pollfd pfd{m_master, POLLIN, 0};
            if (::poll(&pfd, 1, 10) <= 0) {
                continue;
            }
            char buffer[256];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0) {
                continue;
            }
            m_received.append(buffer, static_cast<std::size_t>(n));
            pending.append(buffer, static_cast<std::size_t>(n));
            while (pending.size() >= 3) {
                const std::string reply = m_script(pending.substr(0, 3));
                pending.erase(0, 3);
                std::this_thread::sleep_for(m_delay);
                if (!reply.empty()) {
                    (void)!::write(m_master, reply.data(), reply.size());
                }
            }
        }
    }

    Script m_script;
    std::chrono::milliseconds m_delay;
    int m_master = -1;
    int m_holder = -1;
    std::string m_path;
    testing::ReceivedBytes m_received;
    testing::ReaderThread m_reader;  // last: stopped before what it reads into goes
};

// A printer near the end of its paper that answers as the command sets say.
std::string nearEndPrinter(const std::string& request) {
    if (request[0] == 0x10) {
        return std::string(1, request[2] == 4 ? 0x1E : 0x12);
    }
    switch (request[2]) {
        case 1: return bytes({0x20});
        case 2: return bytes({0x03});
        case 0x41: return std::string("_2.01\0", 6);
        case 0x42: return std::string("_MAKER\0", 7);
        case 0x43: return std::string("_MODEL X\0", 9);
        default: return {};
    }
}

TEST(AskingPrinter, ScriptedPrintersOnAPseudoTerminal) {
    const auto asb = bytes({0x10, 0x00, 0x03, 0x00});
    struct Row {
        const char* what;
        ScriptedPrinter::Script script;
        std::chrono::milliseconds delay;
        Reach reach;
        Verdict verdict;
        int questions;  // how many were asked
    };
    const Row rows[] = {
        {"answers at once", nearEndPrinter, 0ms, Reach::Answered, Verdict::PaperNearEnd, 9},
        {"answers within the limit", nearEndPrinter, 60ms, Reach::Answered, Verdict::PaperNearEnd,
         9},
        {"answers after the limit", nearEndPrinter, 400ms, Reach::NoAnswer, Verdict::NoAnswer, 1},
        {"never answers", [](const std::string&) { return std::string(); }, 0ms, Reach::NoAnswer,
         Verdict::NoAnswer, 1},
        {"answers garbage",
         [](const std::string&) {
             return bytes({0xFF, 0x00});
         },
         0ms, Reach::Garbled, Verdict::NoAnswer, 1},
        {"answers with extra bytes",
         [](const std::string& r) {
             return nearEndPrinter(r) + bytes({0x12, 0x12});
         },
         0ms, Reach::Answered, Verdict::PaperNearEnd, 9},
        {"sends automatic status ahead of each answer",
         [&](const std::string& r) { return asb + nearEndPrinter(r); }, 0ms, Reach::Answered,
         Verdict::PaperNearEnd, 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ScriptedPrinter printer(row.script, row.delay);
        PortMap map;
        map.serial[1] = printer.path();
        const auto devices = systemDevices(map);
        std::ostringstream traced;
        Trace trace(&traced);
        const status::Report report = status::ask(*devices, 1, trace, 200ms);
        EXPECT_EQ(report.reach, row.reach);
        EXPECT_EQ(status::verdictOf(report), row.verdict);
        EXPECT_EQ(report.port, "COM1");
        EXPECT_EQ(report.device, printer.path());
        // Every question is its own event, followed by what it got back.
        std::size_t asks = 0;
        for (std::size_t at = 0;
             (at = traced.str().find("{\"op\":\"Ask\"", at)) != std::string::npos; ++at) {
            ++asks;
        }
        EXPECT_EQ(asks, static_cast<std::size_t>(row.questions));
        EXPECT_EQ(traced.str().rfind("{\"op\":\"Ask\",\"hex\":\"100401\"}\n", 0), 0u);
        if (row.reach == Reach::Answered) {
            EXPECT_EQ(report.facts.firmware, "2.01");
            EXPECT_EQ(report.facts.maker, "MAKER");
            EXPECT_EQ(report.facts.modelName, "MODEL X");
            EXPECT_EQ(report.facts.modelId, 0x20);
            EXPECT_EQ(report.facts.cutter, true);
            EXPECT_EQ(report.facts.offLine, false);
            EXPECT_NE(traced.str().find("1e\"}\n{\"op\":\"Ask\",\"hex\":\"1d4901\"}"),
                      std::string::npos);
        } else if (row.reach == Reach::NoAnswer) {
            EXPECT_NE(traced.str().find("{\"op\":\"Answer\",\"hex\":\"\"}"), std::string::npos);
        }
        EXPECT_EQ(printer.received().substr(0, 3), bytes({0x10, 0x04, 0x01}));
    }
}

// Nothing is sent into a captured stream, no file is emptied or made: a port that cannot answer
// says so at once.
TEST(AskingPrinter, AFifoOrAFileCannotAnswer) {
    testing::FifoPrinter fifo;
    ASSERT_TRUE(fifo.ready());
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("mpt-status-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "capture.bin").string();
    std::ofstream(file) << "kept";
    const std::string missing = (dir / "missing.bin").string();
    for (const std::string& path : {fifo.path(), file, missing}) {
        SCOPED_TRACE(path);
        PortMap map;
        map.lpt1 = path;
        map.serial[2] = path;
        const auto devices = systemDevices(map);
        std::ostringstream traced;
        Trace trace(&traced);
        const auto started = std::chrono::steady_clock::now();
        const status::Report report = status::ask(*devices, 0, trace);
        EXPECT_EQ(report.reach, Reach::CannotAnswer);
        EXPECT_EQ(status::verdictOf(report), Verdict::CannotAnswer);
        EXPECT_EQ(exitCodeOf(Verdict::CannotAnswer), 9);
        EXPECT_EQ(report.device, path);
        EXPECT_EQ(traced.str(), "");
        EXPECT_LT(std::chrono::steady_clock::now() - started, 100ms);
        if (path != missing) {
            EXPECT_EQ(status::ask(*devices, 2, trace).reach, Reach::CannotAnswer);
        }
    }
    EXPECT_EQ(fifo.received(), "");
    std::ifstream kept(file);
    std::string content;
    kept >> content;
    EXPECT_EQ(content, "kept");
    EXPECT_FALSE(std::filesystem::exists(missing));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace mpt
