// SPDX-License-Identifier: MIT
#include "channels/printer_status.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "channels/run_events.h"

namespace mpt::status {

namespace {

constexpr char kDle = 0x10;
constexpr char kEot = 0x04;
constexpr char kGs = 0x1D;
constexpr std::uint8_t kTextHeader = 0x5F;

bool bit(std::uint8_t byte, int n) {
    return (byte >> n & 1) != 0;
}

std::uint8_t set(bool on, int n) {
    return on ? static_cast<std::uint8_t>(1u << n) : 0;
}

bool isStatusByte(std::uint8_t b) {
    return (b & 0x93) == 0x12;
}
bool isIdentityByte(std::uint8_t b) {
    return (b & 0x90) == 0x00;
}
bool isAutomaticStatusStart(std::uint8_t b) {
    return (b & 0x93) == 0x10;
}

}  // namespace

std::string realTimeRequest(int n) {
    return {kDle, kEot, static_cast<char>(n)};
}

std::string identityRequest(int n) {
    return {kGs, 'I', static_cast<char>(n)};
}

Shape shapeOf(std::string_view request) {
    if (request.size() == 3 && request[0] == kGs) {
        const auto n = static_cast<std::uint8_t>(request[2]);
        return n >= kFirmwareVersion ? Shape::Text : Shape::IdentityByte;
    }
    return Shape::StatusByte;
}

Scan scanAnswer(Shape shape, std::string_view got) {
    Scan scan;
    std::size_t at = 0;
    // Automatic status blocks that a printer with them enabled sent ahead of the answer.
    while (at < got.size() && isAutomaticStatusStart(static_cast<std::uint8_t>(got[at]))) {
        if (got.size() - at < 4) {
            return scan;
        }
        at += 4;
    }
    if (at == got.size()) {
        return scan;
    }
    const auto first = static_cast<std::uint8_t>(got[at]);
    const auto garbled = [&] {
        scan.state = Scan::State::Garbled;
        scan.end = got.size();
        return scan;
    };
    switch (shape) {
        case Shape::StatusByte:
        case Shape::IdentityByte:
            if (shape == Shape::StatusByte ? !isStatusByte(first) : !isIdentityByte(first)) {
                return garbled();
            }
            scan.state = Scan::State::Complete;
            scan.end = at + 1;
            scan.byte = first;
            return scan;
        case Shape::Text: {
            if (first != kTextHeader) {
                return garbled();
            }
            const std::size_t nul = got.find('\0', at + 1);
            if (nul == std::string_view::npos) {
                return got.size() - at - 1 > kMaxText ? garbled() : scan;
            }
            if (nul - at - 1 > kMaxText) {
                return garbled();
            }
            scan.state = Scan::State::Complete;
            scan.end = nul + 1;
            scan.text = std::string(got.substr(at + 1, nul - at - 1));
            return scan;
        }
    }
    return scan;
}

void applyRealTime(int n, std::uint8_t answer, PrinterFacts& facts) {
    switch (n) {
        case 1:
            facts.drawerOpen = bit(answer, 2);
            facts.offLine = bit(answer, 3);
            facts.feedButton = bit(answer, 6);
            break;
        case 2:
            facts.coverOpen = bit(answer, 2);
            facts.feedButton = facts.feedButton.value_or(false) || bit(answer, 3);
            facts.stoppedByPaperEnd = bit(answer, 5);
            facts.errorOccurred = bit(answer, 6);
            break;
        case 3:
            facts.recoverableError = bit(answer, 2);
            facts.cutterError = bit(answer, 3);
            facts.unrecoverableError = bit(answer, 5);
            facts.autoRecoverableError = bit(answer, 6);
            break;
        case 4:
            // Each sensor is reported on two bits; either one set means it sees the state.
            facts.paperNearEnd = bit(answer, 2) || bit(answer, 3);
            facts.paperOut = bit(answer, 5) || bit(answer, 6);
            break;
        default: break;
    }
}

void applyIdentity(int n, std::uint8_t answer, PrinterFacts& facts) {
    if (n == 1) {
        facts.modelId = answer;
    } else if (n == 2) {
        facts.twoByteCharacters = bit(answer, 0);
        facts.cutter = bit(answer, 1);
    }
}

Verdict verdictOf(const Report& report) {
    switch (report.reach) {
        case Reach::NoAnswer:
        case Reach::Garbled: return Verdict::NoAnswer;
        case Reach::CannotAnswer: return Verdict::CannotAnswer;
        case Reach::Answered: break;
    }
    const PrinterFacts& f = report.facts;
    const auto yes = [](const std::optional<bool>& fact) { return fact.value_or(false); };
    if (yes(f.errorOccurred) || yes(f.recoverableError) || yes(f.cutterError) ||
        yes(f.unrecoverableError) || yes(f.autoRecoverableError)) {
        return Verdict::PrinterError;
    }
    if (yes(f.coverOpen)) {
        return Verdict::CoverOpen;
    }
    if (yes(f.paperOut) || yes(f.stoppedByPaperEnd)) {
        return Verdict::PaperOut;
    }
    if (yes(f.offLine)) {
        return Verdict::OffLine;
    }
    if (yes(f.paperNearEnd)) {
        return Verdict::PaperNearEnd;
    }
    return Verdict::Ready;
}

int portOfRun(std::string_view port) {
    if (port == "lpt1") {
        return 0;
    }
    int number = 0;
    if (port.substr(0, 3) == "COM" && port.size() > 3) {
        const auto [end, error] =
            std::from_chars(port.data() + 3, port.data() + port.size(), number);
        if (error == std::errc() && end == port.data() + port.size() && number > 0) {
            return number;
        }
    }
    return -1;
}

Report ask(Devices& devices, int portNumber, RunEvents& events, std::chrono::milliseconds limit) {
    Report report;
    report.port = portNumber > 0 ? portName(portNumber) : "lpt1";
    report.device = portNumber > 0 ? devices.serialPath(portNumber) : devices.lpt1Path();
    std::unique_ptr<AskingPort> port = devices.openToAsk(portNumber);
    if (!port) {
        report.reach = Reach::CannotAnswer;
        return report;
    }
    // One question: how the port replied, and the answer as its end was found in what came back
    // (nothing when no whole answer came).
    struct Answer {
        Reply::Kind kind;
        std::optional<Scan> scan;
    };
    const auto put = [&](const std::string& request) -> Answer {
        const Shape shape = shapeOf(request);
        Scan last;
        const Reply reply = port->ask(
            request,
            [shape, &last](std::string_view got) {
                last = scanAnswer(shape, got);
                return last.state == Scan::State::NeedMore ? std::size_t{0} : last.end;
            },
            limit);
        if (reply.kind == Reply::Kind::CannotAnswer) {
            return {reply.kind, std::nullopt};
        }
        events.record(event::Asked{request});
        events.record(event::Answered{reply.bytes});
        if (reply.kind == Reply::Kind::NoAnswer) {
            return {reply.kind, std::nullopt};
        }
        return {reply.kind, last};  // a whole answer, or garbage: the end never needs more
    };
    try {
        // The first question decides whether and how the printer answers at all.
        const Answer first = put(realTimeRequest(1));
        if (first.kind == Reply::Kind::CannotAnswer) {
            report.reach = Reach::CannotAnswer;
        } else if (!first.scan) {
            report.reach = Reach::NoAnswer;
        } else if (first.scan->state == Scan::State::Garbled) {
            report.reach = Reach::Garbled;
        } else {
            report.reach = Reach::Answered;
            applyRealTime(1, first.scan->byte, report.facts);
            for (int n = 2; n <= 4; ++n) {
                if (const auto scan = put(realTimeRequest(n)).scan;
                    scan && scan->state == Scan::State::Complete) {
                    applyRealTime(n, scan->byte, report.facts);
                }
            }
            for (const int n : {1, 2, kFirmwareVersion, kMakerName, kModelName}) {
                const auto scan = put(identityRequest(n)).scan;
                if (!scan || scan->state != Scan::State::Complete) {
                    continue;
                }
                if (n == kFirmwareVersion) {
                    report.facts.firmware = scan->text;
                } else if (n == kMakerName) {
                    report.facts.maker = scan->text;
                } else if (n == kModelName) {
                    report.facts.modelName = scan->text;
                } else {
                    applyIdentity(n, scan->byte, report.facts);
                }
            }
        }
    } catch (...) {
        try {
            port->close();
        } catch (...) {
        }
        throw;
    }
    port->close();
    return report;
}

bool Switches::halted() const {
    return paper == Paper::Out || coverOpen || offLine || error != Error::None;
}

namespace {

struct SwitchName {
    std::string_view name;
    void (*apply)(Switches&);
};

constexpr std::array<SwitchName, 8> kSwitchNames{{
    {"near-end", [](Switches& s) { s.paper = Switches::Paper::NearEnd; }},
    {"paper-out", [](Switches& s) { s.paper = Switches::Paper::Out; }},
    {"cover-open", [](Switches& s) { s.coverOpen = true; }},
    {"off-line", [](Switches& s) { s.offLine = true; }},
    {"drawer-open", [](Switches& s) { s.drawerOpen = true; }},
    {"recoverable-error", [](Switches& s) { s.error = Switches::Error::Recoverable; }},
    {"cutter-jam", [](Switches& s) { s.error = Switches::Error::CutterJam; }},
    {"unrecoverable-error", [](Switches& s) { s.error = Switches::Error::Unrecoverable; }},
}};

// The error's cause, one bit each: recoverable (2), the cutter (3), unrecoverable (5).
std::uint8_t errorCauseBits(const Switches& s) {
    return set(s.error == Switches::Error::Recoverable, 2) |
           set(s.error == Switches::Error::CutterJam, 3) |
           set(s.error == Switches::Error::Unrecoverable, 5);
}

// The paper sensors: near the end (bits 0 and 1) and out (bits 2 and 3).
std::uint8_t paperSensorBits(const Switches& s) {
    const bool low = s.paper != Switches::Paper::Loaded;
    const bool out = s.paper == Switches::Paper::Out;
    return set(low, 0) | set(low, 1) | set(out, 2) | set(out, 3);
}

}  // namespace

std::optional<Switches> parseSwitches(std::string_view text) {
    Switches switches;
    if (text.empty()) {
        return switches;
    }
    while (true) {
        const std::size_t comma = text.find(',');
        const std::string_view name = text.substr(0, comma);
        const auto* entry = std::find_if(kSwitchNames.begin(), kSwitchNames.end(),
                                         [&](const SwitchName& e) { return e.name == name; });
        if (entry == kSwitchNames.end()) {
            return std::nullopt;  // an unknown name, or an empty one between commas
        }
        entry->apply(switches);
        if (comma == std::string_view::npos) {
            return switches;
        }
        text.remove_prefix(comma + 1);
    }
}

std::uint8_t realTimeAnswer(int n, const Switches& s) {
    constexpr std::uint8_t kFixed = 0x12;
    const bool error = s.error != Switches::Error::None;
    const bool paperOut = s.paper == Switches::Paper::Out;
    switch (n) {
        case 1:
            return kFixed | set(s.drawerOpen, 2) | set(s.halted(), 3) |
                   set(s.error == Switches::Error::Recoverable, 5);
        case 2: return kFixed | set(s.coverOpen, 2) | set(paperOut, 5) | set(error, 6);
        case 3: return kFixed | errorCauseBits(s);
        case 4: {
            const bool low = s.paper != Switches::Paper::Loaded;
            return kFixed | set(low, 2) | set(low, 3) | set(paperOut, 5) | set(paperOut, 6);
        }
        default: return kFixed;
    }
}

std::optional<std::uint8_t> sensorAnswer(int n, const Switches& s) {
    if (n == 1 || n == '1') {
        return paperSensorBits(s);
    }
    if (n == 2 || n == '2') {
        return set(s.drawerOpen, 0);
    }
    return std::nullopt;
}

std::string automaticStatus(const Switches& s) {
    const std::uint8_t first =
        0x10 | set(s.drawerOpen, 2) | set(s.halted(), 3) | set(s.coverOpen, 5);
    return {static_cast<char>(first), static_cast<char>(errorCauseBits(s)),
            static_cast<char>(paperSensorBits(s)), '\0'};
}

std::optional<std::string> identityAnswer(int n, const Identity& identity) {
    const auto text = [](const std::string& value) {
        return std::string(1, static_cast<char>(kTextHeader)) + value + '\0';
    };
    switch (n) {
        case 1:
        case '1': return std::string(1, static_cast<char>(identity.modelId & 0x6F));
        case 2:
        case '2':
            return std::string(
                1, static_cast<char>(set(identity.twoByteCharacters, 0) | set(identity.cutter, 1)));
        case kFirmwareVersion: return text(identity.firmware);
        case kMakerName: return text(identity.maker);
        case kModelName: return text(identity.modelName);
        default: return std::nullopt;
    }
}

}  // namespace mpt::status
