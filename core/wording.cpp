// SPDX-License-Identifier: MIT
#include "core/wording.h"

#include <netdb.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>

#include "channels/network.h"
#include "core/texts.h"

namespace mpt {

using status::Verdict;

namespace {

// "DEVICE: the system's reason", the system's own words.
std::string where(const ErrorFacts& f) {
    return f.device + ": " + systemErrorText(f.errnoValue);
}

std::string number(const ErrorFacts& f) {
    return std::to_string(f.number);
}

// Why a connection was not made.
std::string connectionWhy(const ConnectFailure& failure) {
    switch (failure.why()) {
        case ConnectFailure::Why::NotAnAddress:
            return translate("Errors", "not an address such as tcp://HOST:PORT");
        case ConnectFailure::Why::NameNotFoundInTime:
            return fill(translate("Errors", "the name was not found within %1"),
                        {seconds(failure.limit)});
        case ConnectFailure::Why::LookupFailed: return ::gai_strerror(failure.lookupResult);
        case ConnectFailure::Why::NoAnswerInTime:
            return fill(translate("Errors", "no answer within %1"), {seconds(failure.limit)});
        case ConnectFailure::Why::System: break;
    }
    return systemErrorText(failure.errnoValue);
}

// " (process 1234, mini-printer-te)"
std::string holderWords(const std::optional<LockHolder>& holder) {
    if (!holder) {
        return {};
    }
    const std::string pid = std::to_string(holder->pid);
    return holder->name.empty()
               ? fill(translate("Errors", " (process %1)"), {pid})
               : fill(translate("Errors", " (process %1, %2)"), {pid, holder->name});
}

using Words = std::string (*)(const ErrorFacts&);
struct FaultWords {
    Fault fault;
    Words words;
};

// Each fault in words, in the order of Fault.
const FaultWords kFaultWords[] = {
    {Fault::None, [](const ErrorFacts&) { return std::string(); }},
    {Fault::System, [](const ErrorFacts& f) { return where(f); }},
    {Fault::AccessDenied,
     [](const ErrorFacts& f) {
         return fill("%1 (%2)", {where(f), adviceInWords(f.advice)});
     }},
    {Fault::InUse,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: in use by another program"), {f.device}) +
                holderWords(f.holder);
     }},
    {Fault::InUseLockFile,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: in use by another program (process %2 holds %3)"),
                     {f.device, number(f), f.seen});
     }},
    {Fault::WentAway,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: the device went away (%2)"),
                     {f.device, systemErrorText(f.errnoValue)});
     }},
    {Fault::Gone,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: the device went away"), {f.device});
     }},
    {Fault::NoSerialDevice,
     [](const ErrorFacts& f) { return where(f) + ". " + serialDevicesLine(f.serialDevices); }},
    {Fault::NotASerialDevice,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: not a serial device"), {f.device}) + ". " +
                serialDevicesLine(f.serialDevices);
     }},
    {Fault::NoReader,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: no printer is reading it"), {f.device});
     }},
    {Fault::LinkToNothing,
     [](const ErrorFacts& f) {
         return fill(translate("Errors",
                               "%1 is a link to %2, which does not exist; nothing is "
                               "created through a link"),
                     {f.device, f.seen});
     }},
    {Fault::NoLpt1,
     [](const ErrorFacts&) {
         return translate("Errors",
                          "lpt1: no parallel printer port here (neither /dev/lp0 nor "
                          "/dev/usb/lp0 exists; set MPT_LPT1 to the printer's device)");
     }},
    {Fault::NotPluggedIn,
     [](const ErrorFacts& f) {
         return fill(translate("Errors",
                               "%1 is bound to %2, which is not plugged in: plug it in, or "
                               "choose another device under Ports… (Ctrl+,)"),
                     {f.device, identityInWords(f.identity)});
     }},
    {Fault::NoProgress,
     [](const ErrorFacts& f) {
         return fill(translate("Errors",
                               "%1: the device took no data for %2 (%3 bytes of this write not "
                               "sent)"),
                     {f.device, seconds(f.limit), std::to_string(f.notTaken)});
     }},
    {Fault::LastNotTaken,
     [](const ErrorFacts& f) {
         return fill(
             translate("Errors", "%1: the printer had not taken the last statement after %2"),
             {f.device, seconds(f.limit)});
     }},
    {Fault::StillQueued,
     [](const ErrorFacts& f) {
         return fill(translate("Errors",
                               "%1: %2 bytes were still waiting to be sent after %3 without "
                               "progress"),
                     {f.device, std::to_string(f.notTaken), seconds(f.limit)});
     }},
    {Fault::NonStandardRate,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: %2 baud is not a standard rate"),
                     {f.device, number(f)});
     }},
    {Fault::MarkSpaceParity,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: mark and space parity"), {f.device});
     }},
    {Fault::BadSettings,
     [](const ErrorFacts& f) {
         return fill(translate("Errors",
                               "Settings \"%1\": expected baud,parity,data bits,stop bits such as "
                               "9600,n,8,1"),
                     {f.seen});
     }},
    {Fault::NoConnection,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "%1: no connection: %2"),
                     {f.device, connectionWhy(f.connection)});
     }},
    {Fault::CommPortBelowOne,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "CommPort %1: port numbers start at 1"), {number(f)});
     }},
    {Fault::CommPortWhileOpen,
     [](const ErrorFacts&) {
         return translate("Errors", "CommPort cannot change while the port is open");
     }},
    {Fault::ComAlreadyOpen,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "COM%1 is already open"), {number(f)});
     }},
    {Fault::BadHandshaking,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "Handshaking %1: expected 0 to 3"), {number(f)});
     }},
    {Fault::OutputWhileClosed,
     [](const ErrorFacts& f) { return fill(translate("Errors", "Output to COM%1"), {number(f)}); }},
    {Fault::FileNumber,
     [](const ErrorFacts& f) { return fill(translate("Errors", "file number %1"), {number(f)}); }},
    {Fault::FileNotOpen,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "file number %1 is not open"), {number(f)});
     }},
    {Fault::NotLpt1,
     [](const ErrorFacts& f) {
         return fill(translate("Errors", "\"%1\": the only device file is \"lpt1 \""), {f.seen});
     }},
    {Fault::CountNotANumber,
     [](const ErrorFacts& f) {
         return fill(translate("Conversion", "the count box holds \"%1\", which is not a number"),
                     {f.seen});
     }},
    {Fault::PortNotANumber,
     [](const ErrorFacts& f) {
         return fill(translate("Conversion", "the port box holds \"%1\", which is not a number"),
                     {f.seen});
     }},
    {Fault::CountTooLarge,
     [](const ErrorFacts& f) {
         return fill(translate("Conversion", "the count box holds \"%1\", too large a number"),
                     {f.seen});
     }},
    {Fault::PortTooLarge,
     [](const ErrorFacts& f) {
         return fill(translate("Conversion", "the port box holds \"%1\", too large a number"),
                     {f.seen});
     }},
    {Fault::PortOutOfRange,
     [](const ErrorFacts& f) {
         return fill(translate("Conversion",
                               "the port box holds \"%1\", outside the port numbers -32768 to "
                               "32767"),
                     {f.seen});
     }},
    {Fault::TraceNotWritten,
     [](const ErrorFacts& f) {
         const std::string why = f.errnoValue != 0 ? systemErrorText(f.errnoValue)
                                                   : translate("Errors", "cannot be written");
         return fill(translate("Run", "%1 (the trace was not written, from that step on)"),
                     {f.device + ": " + why});
     }},
    {Fault::Unexpected, [](const ErrorFacts& f) { return f.seen; }},
    {Fault::UnknownException,
     [](const ErrorFacts&) { return translate("Errors", "an exception of unknown type"); }},
};

// The port a run had open for an earlier page is not there now: it was unplugged.
std::string goneSinceLastPage(const ErrorFacts& f) {
    const std::string reason = f.fault == Fault::NotASerialDevice
                                   ? translate("Errors", "not a serial device")
                                   : systemErrorText(f.errnoValue);
    return fill(translate("Errors", "%1: the device went away since the last page (%2)"),
                {f.device, reason});
}

std::string where(const RunSnapshot& s) {
    return s.port.empty() ? translate("Run", "no port yet") : s.port + " → " + s.device;
}

// "1,024 of about 8,761 bytes", or "1,024 bytes" while the total is not known; for a count
// beyond what the loop's counter reaches, "1,024 of more than 80,…,096 bytes".
std::string ofTotal(const RunSnapshot& s) {
    if (const auto total = s.estimatedTotal()) {
        const std::string whole = withThousands(std::max(*total, ByteCount{s.sent()}));
        return fill(s.repetitions == kCountBeyond ? translate("Run", "%1 of more than %2 bytes")
                                                  : translate("Run", "%1 of about %2 bytes"),
                    {withThousands(s.sent()), whole});
    }
    return fill(translate("Run", "%1 bytes"), {withThousands(s.sent())});
}

std::string repetitions(long long n) {
    if (n == kCountBeyond) {
        return fill(translate("Run", "more than %1"),
                    {withThousands(static_cast<std::uint64_t>(n))});
    }
    return withThousands(static_cast<std::uint64_t>(n));
}

const char* yesNo(bool value) {
    return value ? "yes" : "no";
}

const char* verdictKey(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ready: return "ready";
        case Verdict::OffLine: return "off-line";
        case Verdict::CoverOpen: return "cover-open";
        case Verdict::PaperOut: return "paper-out";
        case Verdict::PaperNearEnd: return "paper-near-end";
        case Verdict::PrinterError: return "printer-error";
        case Verdict::NoAnswer: return "no-answer";
        case Verdict::CannotAnswer: return "cannot-answer";
    }
    return "";
}

}  // namespace

std::string detailOf(const ErrorFacts& f) {
    const auto row = static_cast<std::size_t>(f.fault);
    std::string detail = row < std::size(kFaultWords) && kFaultWords[row].fault == f.fault
                             ? kFaultWords[row].words(f)
                             : std::string();
    if (f.openEarlier) {
        detail = goneSinceLastPage(f);
    } else if (!f.boundIdentity.empty()) {
        // The environment variable the detail may suggest is not what decided the port.
        detail = fill(translate("Errors",
                                "%1 %2 is bound to %3 under Ports… (Ctrl+,): choose another "
                                "device there."),
                      {detail, f.boundPort, identityInWords(f.boundIdentity)});
    }
    return detail;
}

std::string detailOf(const ConsoleError& error) {
    std::string detail = detailOf(error.facts());
    // What the device was seen doing, as the status line says it.
    if (const ErrorFacts& f = error.facts(); f.lastSeen && error.number() != err::kInternalError) {
        detail += "; " + causeText(faultCauseOf(error));
    }
    return detail;
}

std::string adviceInWords(const AccessAdvice& advice) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", advice.mode);
    const auto owned = [&] {
        return fill(translate("Ports", "owned by %1:%2 with mode %3"),
                    {advice.owner, advice.group, mode});
    };
    switch (advice.kind) {
        case AccessAdvice::Kind::JoinGroup:
            return fill(translate("Ports", "join the %1 group, then log in again"), {advice.group});
        case AccessAdvice::Kind::NoGroup:
            return fill(translate("Ports",
                                  "%1, so no group may write to it; ask for write access, "
                                  "or run as its owner"),
                        {owned()});
        case AccessAdvice::Kind::CannotMake:
            return fill(translate("Ports", "it cannot be made in %1, %2"),
                        {advice.directory, owned()});
        case AccessAdvice::Kind::CannotLookAt: break;
    }
    return translate("Ports", "neither it nor its directory can be looked at");
}

std::string identityInWords(const std::string& identity) {
    const IdentityParts parts = identityParts(identity);
    switch (parts.kind) {
        case IdentityParts::Kind::SerialById:
            return fill(translate("Ports", "the serial device %1"), {parts.name});
        case IdentityParts::Kind::Printer:
            if (parts.serial.empty()) {
                return fill(translate("Ports", "the printer %1 %2"), {parts.maker, parts.product});
            }
            return fill(translate("Ports", "the printer %1 %2 (serial %3)"),
                        {parts.maker, parts.product, parts.serial});
        case IdentityParts::Kind::Path: break;
    }
    return parts.name;
}

std::string deviceLine(const DevicePresent& device) {
    std::string text = device.node;
    const std::string name =
        device.maker + (device.maker.empty() || device.product.empty() ? "" : " ") + device.product;
    std::vector<std::string> details;
    if (!device.usbId.empty()) {
        details.push_back(device.usbId);
    }
    if (!device.serial.empty()) {
        details.push_back(fill(translate("Ports", "serial %1"), {device.serial}));
    }
    if (!device.byId.empty()) {
        details.push_back(device.byId);
    }
    if (!name.empty() || !details.empty()) {
        text += "  " + name;
        if (!details.empty()) {
            text += (name.empty() ? "(" : " (");
            for (std::size_t i = 0; i < details.size(); ++i) {
                text += (i == 0 ? "" : ", ") + details[i];
            }
            text += ")";
        }
    }
    if (!device.mayOpen()) {
        text +=
            fill(translate("Ports", "  [not for this user: %1]"), {adviceInWords(*device.advice)});
    }
    return text;
}

std::string serialDevicesLine(const std::vector<SerialDevicePresent>& devices) {
    if (devices.empty()) {
        return translate("Ports",
                         "No serial device is present on this machine; plug in the "
                         "printer's cable or adapter.");
    }
    std::string list;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        list += (i == 0 ? "" : ", ") + devices[i].path;
        if (!devices[i].stableName.empty()) {
            list += " (" + devices[i].stableName + ")";
        }
    }
    return fill(
        translate("Ports", "Serial devices present: %1. Map a port to one with MPT_COM<n>=DEVICE."),
        {list});
}

std::string serialDevicesLine(const std::string& root) {
    return serialDevicesLine(serialDevicesPresent(root));
}

std::string portMappings(const std::vector<PortMapping>& mappings) {
    std::string text;
    for (const PortMapping& m : mappings) {
        std::string to;
        if (m.route.path.empty()) {
            to = m.route.identity.empty() ? translate("Ports", "nothing")
                                          : fill(translate("Ports", "%1 (not plugged in)"),
                                                 {identityInWords(m.route.identity)});
        } else {
            to =
                m.present ? m.route.path : fill(translate("Ports", "%1 (missing)"), {m.route.path});
        }
        text += (text.empty() ? "" : ", ") + m.port + " → " + to;
    }
    return text;
}

std::string portMappings(int usbPort, const PortMap& map) {
    return portMappings(portMappingsOf(usbPort, map));
}

std::string withThousands(ByteCount n) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n != 0);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
        digits.insert(static_cast<size_t>(i), 1, ',');
    }
    return digits;
}

std::string progressText(std::string_view caption, const RunSnapshot& now) {
    std::string text(caption);
    text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
    text += ": ";
    if (now.repetition > 0) {
        text += fill(translate("Run", "repetition %1 of %2"),
                     {repetitions(now.repetition), repetitions(now.repetitions)}) +
                ", ";
    }
    text += ofTotal(now) + ", " + where(now);
    if (now.deviceState) {
        text += " · " + stateText(*now.deviceState);
    }
    return text;
}

ConsoleError traceNotWritten(const Trace::Failure& failure) {
    return makeError(err::kPathFileAccessError, {.fault = Fault::TraceNotWritten,
                                                 .errnoValue = failure.errnoValue,
                                                 .device = failure.name});
}

std::string stateText(const DeviceState& state) {
    if (state.kind == DeviceState::Kind::Serial) {
        const auto lamp = [](bool on) { return on ? "●" : "○"; };
        return fill("CTS %1 DSR %2 DCD %3", {lamp(state.cts), lamp(state.dsr), lamp(state.dcd)});
    }
    return (state.paperOut ? translate("Run", "paper out") : translate("Run", "paper ok")) + ", " +
           (state.offLine ? translate("Run", "off line") : translate("Run", "on line")) + ", " +
           (state.error ? translate("Run", "error") : translate("Run", "no error"));
}

std::string causeText(const FaultCause& cause) {
    using Kind = FaultCause::Kind;
    switch (cause.kind) {
        case Kind::DsrLow:
            return translate("Run", "stalled: DSR low: the printer is off or the cable is out");
        case Kind::CtsLow:
            return fill(translate("Run",
                                  "stalled: CTS low for %1 (the printer is busy or its buffer "
                                  "is full)"),
                        {mpt::seconds(cause.limit)});
        case Kind::PaperOut: return translate("Run", "stalled: paper out");
        case Kind::OffLine: return translate("Run", "stalled: off line");
        case Kind::PrinterError: return translate("Run", "stalled: the printer reports an error");
        case Kind::NoData:
            return fill(translate("Run", "stalled: the device took no data for %1"),
                        {mpt::seconds(cause.limit)});
        case Kind::None:
        case Kind::Failed: break;
    }
    // The error's number and text stay as they are in every language.
    std::string text = fill(translate("Run", "failed with error %1 (%2)"),
                            {std::to_string(cause.number), cause.text});
    if (cause.seen) {
        text += fill(translate("Run", "; last seen: %1"), {stateText(*cause.seen)});
    }
    return text;
}

std::string finishedText(const RunSnapshot& end, std::chrono::milliseconds took) {
    if (end.port.empty()) {
        return translate("Run", "Nothing sent: no repetition asked for.");
    }
    std::string text = fill(translate("Run", "Sent %1 bytes to %2 in %3"),
                            {withThousands(end.sent()), where(end),
                             roundedSeconds(static_cast<double>(took.count()) / 1000.0)});
    if (isNetworkAddress(end.device)) {
        // No wire of a known speed: the network sets the pace.
        text += translate("Run", " (network)");
    } else if (const std::optional<double> wire = end.wireSeconds()) {
        text +=
            fill(translate("Run", " (the wire needs %1 at 9600 baud)"), {roundedSeconds(*wire)});
    }
    return text;
}

std::string faultText(const ConsoleError& error, const RunSnapshot& end,
                      std::chrono::milliseconds limit) {
    return faultText(faultCauseOf(error, end.deviceState, limit), end);
}

std::string faultText(const FaultCause& cause, const RunSnapshot& end) {
    std::string text = fill(translate("Run", "%1 after %2"), {causeText(cause), ofTotal(end)});
    if (end.discarded() > 0) {
        text += fill(translate("Run", "; %1 bytes handed over were not taken and were discarded"),
                     {withThousands(end.discarded())});
    }
    return text;
}

std::string stoppedText(const RunSnapshot& end) {
    // A repetition that has sent nothing yet has not begun on the printer; one whose writes were
    // all handed over before a stop in the closing is over.
    const bool begun = end.taken + end.notTaken > end.takenAtCurrent;
    const bool over = end.handedOverAtStop();
    const long long done = begun || over ? end.repetition : end.repetition - 1;
    const std::string sent = ofTotal(end);
    const std::string discarded = withThousands(end.discarded());
    const std::string complete = withThousands(static_cast<std::uint64_t>(end.complete));
    if (done == 0) {
        return fill(translate("Run", "Stopped before the first repetition: %1 sent, %2 discarded"),
                    {sent, discarded});
    }
    if (begun && !(over && end.complete == end.repetition)) {
        return fill(
            translate("Run", "Stopped in repetition %1 of %2: %3 complete; %4 sent, %5 discarded"),
            {repetitions(end.repetition), repetitions(end.repetitions), complete, sent, discarded});
    }
    return fill(
        translate("Run", "Stopped after repetition %1 of %2: %3 complete; %4 sent, %5 discarded"),
        {repetitions(done), repetitions(end.repetitions), complete, sent, discarded});
}

std::string verdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ready: return translate("PrinterStatus", "ready");
        case Verdict::OffLine: return translate("PrinterStatus", "off line");
        case Verdict::CoverOpen: return translate("PrinterStatus", "cover open");
        case Verdict::PaperOut: return translate("PrinterStatus", "paper out");
        case Verdict::PaperNearEnd: return translate("PrinterStatus", "paper near end");
        case Verdict::PrinterError: return translate("PrinterStatus", "printer error");
        case Verdict::NoAnswer:
            return translate("PrinterStatus",
                             "no answer: this printer or its cable does not send data back");
        case Verdict::CannotAnswer:
            return translate("PrinterStatus",
                             "this port cannot answer: it leads to a FIFO, a plain file or a "
                             "port without read-back");
    }
    return {};
}

std::string afterRunText(Verdict verdict) {
    return fill(translate("PrinterStatus", "Printer after the run: %1"), {verdictText(verdict)});
}

std::vector<std::pair<std::string, std::string>> factLines(const status::Report& report) {
    using status::Reach;
    std::vector<std::pair<std::string, std::string>> lines;
    lines.emplace_back("port", report.port);
    lines.emplace_back("device", report.device);
    static constexpr const char* kReach[] = {"yes", "none", "garbled", "cannot"};
    lines.emplace_back("answer", kReach[static_cast<int>(report.reach)]);
    const status::PrinterFacts& f = report.facts;
    const auto flag = [&](const char* fact, const std::optional<bool>& value) {
        if (value) {
            lines.emplace_back(fact, yesNo(*value));
        }
    };
    if (f.offLine) {
        lines.emplace_back("on-line", yesNo(!*f.offLine));
    }
    if (f.coverOpen) {
        lines.emplace_back("cover", *f.coverOpen ? "open" : "closed");
    }
    if (f.paperNearEnd || f.paperOut) {
        lines.emplace_back("paper", f.paperOut.value_or(false)       ? "out"
                                    : f.paperNearEnd.value_or(false) ? "near-end"
                                                                     : "loaded");
    }
    if (f.drawerOpen) {
        lines.emplace_back("drawer", *f.drawerOpen ? "open" : "closed");
    }
    flag("feed-button", f.feedButton);
    flag("recoverable-error", f.recoverableError);
    flag("cutter-error", f.cutterError);
    flag("unrecoverable-error", f.unrecoverableError);
    flag("auto-recoverable-error", f.autoRecoverableError);
    if (f.modelId) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02x", *f.modelId);
        lines.emplace_back("model", hex);
    }
    flag("two-byte-characters", f.twoByteCharacters);
    flag("cutter", f.cutter);
    if (f.firmware) {
        lines.emplace_back("firmware", *f.firmware);
    }
    if (f.maker) {
        lines.emplace_back("maker", *f.maker);
    }
    if (f.modelName) {
        lines.emplace_back("model-name", *f.modelName);
    }
    lines.emplace_back("verdict", verdictKey(status::verdictOf(report)));
    return lines;
}

std::vector<std::string> factsInWords(const status::Report& report) {
    std::vector<std::string> lines;
    const Verdict verdict = status::verdictOf(report);
    lines.push_back(fill(translate("PrinterStatus", "%1 (%2): %3"),
                         {report.port, report.device, verdictText(verdict)}));
    if (report.reach != status::Reach::Answered) {
        return lines;
    }
    const status::PrinterFacts& f = report.facts;
    if (f.offLine) {
        lines.push_back(*f.offLine ? translate("PrinterStatus", "off line")
                                   : translate("PrinterStatus", "on line"));
    }
    if (f.coverOpen) {
        lines.push_back(*f.coverOpen ? translate("PrinterStatus", "cover open")
                                     : translate("PrinterStatus", "cover closed"));
    }
    if (f.paperOut.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "paper out"));
    } else if (f.paperNearEnd.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "paper near end"));
    } else if (f.paperOut) {
        lines.push_back(translate("PrinterStatus", "paper loaded"));
    }
    if (f.drawerOpen) {
        lines.push_back(*f.drawerOpen ? translate("PrinterStatus", "drawer open")
                                      : translate("PrinterStatus", "drawer closed"));
    }
    if (f.feedButton.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "the feed button is pressed"));
    }
    if (f.recoverableError.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "recoverable error"));
    }
    if (f.cutterError.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "cutter error"));
    }
    if (f.unrecoverableError.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "unrecoverable error"));
    }
    if (f.autoRecoverableError.value_or(false)) {
        lines.push_back(translate("PrinterStatus", "error that clears by itself"));
    }
    if (f.modelName || f.maker) {
        lines.push_back(fill(translate("PrinterStatus", "model: %1 %2"),
                             {f.maker.value_or(""), f.modelName.value_or("")}));
    }
    if (f.firmware) {
        lines.push_back(fill(translate("PrinterStatus", "firmware: %1"), {*f.firmware}));
    }
    if (f.twoByteCharacters || f.cutter) {
        lines.push_back(
            fill(translate("PrinterStatus", "two-byte characters: %1, cutter: %2"),
                 {f.twoByteCharacters.value_or(false) ? translate("PrinterStatus", "yes")
                                                      : translate("PrinterStatus", "no"),
                  f.cutter.value_or(false) ? translate("PrinterStatus", "yes")
                                           : translate("PrinterStatus", "no")}));
    }
    return lines;
}

}  // namespace mpt
