// SPDX-License-Identifier: MIT
#include "core/runner.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <memory>

#include "channels/network.h"
#include "channels/port_help.h"
#include "channels/port_inventory.h"
#include "channels/printer_status.h"
#include "core/junit_report.h"
#include "core/run_session.h"
#include "core/suite.h"
#include "core/termination.h"
#include "core/texts.h"
#include "core/wording.h"
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

namespace {

// Runs the routine on the session's worker while this thread watches for a termination signal,
// which stops the run (runSuite has installed the handlers). Returns the signal's number, or 0
// when none came.
int runWatchingSignals(RunSession& session, const SuiteEntry& entry) {
    int received = 0;
    session.start(entry.routine, TextBoxStore(entry.count, entry.port));
    while (!session.waitUntilEnded(std::chrono::milliseconds(10))) {
        if (received == 0) {
            received = takeTerminationSignal();
            if (received != 0) {
                session.requestStop();
            }
        }
    }
    return received;
}

// Opens the trace file of --trace; empty, or why it cannot be written, in the user's words.
std::string openTrace(const std::string& path, std::ofstream& out) {
    const int error = openTraceFile(path, out);
    if (error == 0) {
        return {};
    }
    return error == ENXIO
               ? fill(translate("CommandLine",
                                "cannot write the trace file %1: it is a FIFO that no "
                                "program reads"),
                      {path})
               : fill(translate("CommandLine", "cannot write the trace file %1"), {path});
}

}  // namespace

bool openTraceOrSay(const std::string& path, std::ofstream& out, std::ostream& err) {
    if (path.empty()) {
        return true;
    }
    const std::string problem = openTrace(path, out);
    if (!problem.empty()) {
        err << "mini-printer-test: " << problem << '\n';
    }
    return problem.empty();
}

namespace {

// A field of the --ports listing: a line end, a tab or another control character in a path, an
// identity or what a device reports would split a line or a field where there is none; each is
// written as \n, \t, \r or \xHH, and a backslash as two.
std::string field(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            static constexpr char kDigits[] = "0123456789abcdef";
            out += "\\x";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

namespace {

// Prints an error of the channels as --run does.
void sayError(const ConsoleError& error, std::ostream& err) {
    err << "error " << error.number() << ": " << error.text() << '\n';
    if (const std::string detail = detailOf(error); !detail.empty()) {
        err << detail << '\n';
    }
}

// Says how one routine ended, as --run always has: its result message on `out`, or its error or
// how far it got when stopped on `err`, with `traceFailure` where the trace failed. A routine of a
// suite of several is named before its result or error. Returns the routine's exit code.
int sayHowItEnded(RunOutcome& outcome, int signalNumber,
                  const std::optional<Trace::Failure>& traceFailure, const std::string& named,
                  std::ostream& out, std::ostream& err) {
    const auto reportTrace = [&] {
        if (traceFailure) {
            sayError(traceNotWritten(*traceFailure), err);
        }
    };
    if (outcome.end.stopped) {
        reportTrace();
        // The shell's convention for a program ended by a signal: 128 and its number.
        err << "mini-printer-test: " << named << stoppedText(outcome.last) << '\n';
        return 128 + (signalNumber != 0 ? signalNumber : 2);
    }
    if (const auto& error = outcome.end.error) {
        err << named;
        sayError(*error, err);
        reportTrace();
        return 1;
    }
    out << named << outcome.boxes.text("txt2") << '\n';
    reportTrace();
    return traceFailure ? 1 : 0;
}

// The routine's caption as the button shows it, without the blanks that lay it out.
std::string captionOf(const std::string& routine) {
    std::string caption;
    for (const char c : findRoutine(routine)->caption) {
        if (c != ' ' || (!caption.empty() && caption.back() != ' ')) {
            caption += c;
        }
    }
    if (!caption.empty() && caption.back() == ' ') {
        caption.pop_back();
    }
    return caption;
}

// A routine failed with `error`: its number, text and detail, as the report gives them.
void failedWith(ReportCase& c, const ConsoleError& error) {
    c.result = ReportCase::Result::Failed;
    c.errorNumber = error.number();
    c.errorText = error.text();
    c.detail = detailOf(error);
}

// What the report says of a routine that has ended.
ReportCase reportCase(const SuiteEntry& entry, RunOutcome& outcome) {
    ReportCase c;
    c.routine = entry.routine;
    c.caption = captionOf(entry.routine);
    c.seconds = static_cast<double>(outcome.took.count()) / 1000.0;
    // A routine that failed before its result message leaves the box as it was: no message.
    if (outcome.boxes.written("txt2")) {
        c.resultMessage = outcome.boxes.text("txt2");
    }
    c.port = outcome.last.port;
    c.device = outcome.last.device;
    c.bytesSent = outcome.last.sent();
    c.bytesDiscarded = outcome.last.discarded();
    c.wireSeconds = outcome.last.wireSeconds();
    if (outcome.end.stopped) {
        c.result = ReportCase::Result::Skipped;
        c.detail = stoppedText(outcome.last);
    } else if (const auto& error = outcome.end.error) {
        failedWith(c, *error);
    } else {
        c.result = ReportCase::Result::Passed;
    }
    return c;
}

// The report of a suite, written after each routine when --report names a file.
class SuiteReport {
  public:
    SuiteReport(const CommandLine& cl, const std::vector<SuiteEntry>& entries,
                const Devices& devices)
        : m_path(cl.reportFile) {
        if (m_path.empty()) {
            return;
        }
        m_report.hostname = hostName();
        m_report.timestamp = utcTimestamp();
        m_report.properties = {{"version", MPT_VERSION}, {"host", m_report.hostname}};
        if (cl.dryRun) {
            m_report.properties.emplace_back("dry-run", "true");
        } else {
            // The USB routine's ports as the routine reads its port box ("5.0" and " 5" are
            // COM5); a box it cannot read opens no port.
            std::vector<int> usbPorts;
            for (const SuiteEntry& entry : entries) {
                if (entry.routine != "cmddevice12") {
                    continue;
                }
                try {
                    if (const int number = toPortNumber(entry.port); number > 0) {
                        usbPorts.push_back(number);
                    }
                } catch (const ConsoleError&) {
                    // the routine fails on it before opening a port
                }
            }
            const auto ports = portProperties(devices.portMap(), usbPorts);
            m_report.properties.insert(m_report.properties.end(), ports.begin(), ports.end());
        }
        for (const SuiteEntry& entry : entries) {
            ReportCase pending;
            pending.routine = entry.routine;
            pending.caption = captionOf(entry.routine);
            pending.detail = translate("Suite", "not run: the suite ended before it");
            m_report.cases.push_back(pending);
        }
    }

    // The routine in place `index` has ended.
    void ended(std::size_t index, ReportCase c) {
        if (index < m_report.cases.size()) {
            m_report.cases[index] = std::move(c);
        }
    }
    // Those from `index` on will not run, for `why`.
    void notRun(std::size_t index, const std::string& why) {
        for (; index < m_report.cases.size(); ++index) {
            m_report.cases[index].detail = why;
        }
    }
    void traceFailed(const std::string& failure) { m_report.systemErr = failure; }
    // The identity a printer gave when it was asked after a run: printer.COM1.model-name, …
    void printerAnswered(const status::Report& asked) {
        for (const auto& [fact, value] : factLines(asked)) {
            if (fact != "model" && fact != "firmware" && fact != "maker" && fact != "model-name") {
                continue;
            }
            const std::string name = "printer." + asked.port + '.' + fact;
            auto& properties = m_report.properties;
            const auto known = std::find_if(properties.begin(), properties.end(),
                                            [&](const auto& p) { return p.first == name; });
            if (known == properties.end()) {
                properties.emplace_back(name, value);
            } else {
                known->second = value;
            }
        }
    }

    // Rewrites the report; says on `err`, once, when it cannot. False when it could not.
    bool write(std::ostream& err) {
        if (m_path.empty()) {
            return true;
        }
        if (const auto problem = writeReport(m_path, junitXml(m_report))) {
            if (!m_failed) {
                err << "mini-printer-test: " << *problem << '\n';
            }
            m_failed = true;
            return false;
        }
        return true;
    }
    bool failed() const { return m_failed; }

  private:
    std::string m_path;
    Report m_report;
    bool m_failed = false;
};

// --status: the facts on `out`, the verdict in words on `err` where the printer could not say.
int askStatus(const CommandLine& cl, std::ostream& out, std::ostream& err, const PortMap& map) {
    std::ofstream traceFile;
    if (!openTraceOrSay(cl.traceFile, traceFile, err)) {
        return 2;
    }
    Trace trace(cl.traceFile.empty() ? nullptr : &traceFile, cl.traceFile);
    const std::unique_ptr<Devices> devices = systemDevices(map);
    status::Report report;
    try {
        report = status::ask(*devices, cl.statusPort, trace);
    } catch (const ConsoleError& error) {
        sayError(error, err);
        return 1;
    }
    for (const auto& [fact, value] : factLines(report)) {
        out << fact << '\t' << field(value) << '\n';
    }
    const status::Verdict verdict = status::verdictOf(report);
    if (verdict == status::Verdict::NoAnswer || verdict == status::Verdict::CannotAnswer) {
        err << "mini-printer-test: " << report.port << ": " << verdictText(verdict) << '\n';
    }
    if (const auto failure = trace.failure()) {
        sayError(traceNotWritten(*failure), err);
        return 1;
    }
    return exitCodeOf(verdict);
}

// The check after a routine, as it went: its exit code, and what was said of the printer.
struct Check {
    int code = 0;
    std::string words;  // "Printer after the run: paper out"; empty when nothing was asked
    std::optional<status::Report> asked;  // what the printer answered
    std::optional<ConsoleError> error;    // why it could not be asked
};

// --check: once a routine has ended well and its port is closed, so that no question goes into
// its stream, asks the printer on that port and says its verdict after the result message. The
// code is the verdict's exit code, 1 where the port could not be asked.
Check checkAfterRun(const RunOutcome& outcome, Devices& devices, Trace& trace, std::ostream& out,
                    std::ostream& err) {
    const int port = status::portOfRun(outcome.last.port);
    if (port < 0) {
        return {};
    }
    try {
        status::Report asked = status::ask(devices, port, trace);
        const status::Verdict verdict = status::verdictOf(asked);
        const std::string words = afterRunText(verdict);
        out << words << '\n';
        return {checkExitCodeOf(verdict), words, std::move(asked), std::nullopt};
    } catch (const ConsoleError& error) {
        sayError(error, err);
        return {1, {}, std::nullopt, error};
    }
}

// What the report says of a routine whose check was made: the verdict after its result message,
// and a printer that reported a fault as the routine's failure.
// A port that could not be asked fails the routine with that error, as a routine's own error does.
void withCheck(ReportCase& c, const Check& check) {
    if (!check.words.empty()) {
        c.resultMessage += (c.resultMessage.empty() ? "" : "\n") + check.words;
    }
    if (check.error) {
        failedWith(c, *check.error);
    } else if (check.code != 0) {
        c.result = ReportCase::Result::Failed;
        c.errorText = check.words;
    }
}

// Runs the routines of the suite in turn, each opening its port afresh. A failed routine ends the
// suite only with --stop-on-failure; a stop (a termination signal) always ends it. Returns 0 when
// every routine passed, else the first failure's code; 1 also when the report could not be
// written.
int runSuite(const CommandLine& cl, const std::vector<SuiteEntry>& entries, Devices& devices,
             Trace& trace, std::ostream& out, std::ostream& err) {
    // From here on a termination signal stops the suite rather than the process: also while the
    // report is first written, so that its new file is never left beside it.
    terminationSignals();
    SuiteReport report(cl, entries, devices);
    // A report that cannot be written is known before anything is sent.
    if (!report.write(err)) {
        return 1;
    }
    RunSession session(devices, trace);
    int code = 0;
    // The suite's code is its first failure's; a stop by signal `number` counts as one.
    const auto stoppedBy = [&code](int number) { code = code != 0 ? code : 128 + number; };
    // What the lines about routine `at` begin with where the suite has several.
    const auto named = [&entries](std::size_t at) {
        return entries.size() > 1 ? entries[at].routine + ": " : std::string();
    };
    bool traceSaid = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const SuiteEntry& entry = entries[i];
        // A signal that came between two routines ends the suite before the next.
        if (const int early = takeTerminationSignal(); early != 0) {
            err << "mini-printer-test: " << named(i) << stoppedText(RunSnapshot{}) << '\n';
            stoppedBy(early);
            break;
        }
        const int signalNumber = runWatchingSignals(session, entry);
        RunOutcome outcome = session.finish();
        // A trace that could not be written fails the run's report, whatever the printer got; it
        // is said once, with the routine during which it failed.
        const std::optional<Trace::Failure> traceFailure =
            traceSaid ? std::nullopt : trace.failure();
        traceSaid = traceSaid || traceFailure.has_value();
        int routineCode = sayHowItEnded(outcome, signalNumber, traceFailure, named(i), out, err);
        ReportCase reported = reportCase(entry, outcome);
        if (routineCode == 0 && cl.check && signalNumber == 0) {
            const Check check = checkAfterRun(outcome, devices, trace, out, err);
            routineCode = check.code;
            withCheck(reported, check);
            if (check.asked) {
                report.printerAnswered(*check.asked);
            }
        }
        code = code != 0 ? code : routineCode;
        report.ended(i, std::move(reported));
        if (traceFailure) {
            report.traceFailed(detailOf(traceNotWritten(*traceFailure)));
        }
        if (outcome.end.stopped) {
            break;
        }
        // A signal that came once the routine had taken its last step, or during its check, ends
        // the suite as well: what was asked to stop never ends as a success.
        if (const int late = signalNumber != 0 ? signalNumber : takeTerminationSignal();
            late != 0) {
            stoppedBy(late);
            err << "mini-printer-test: "
                << (i + 1 < entries.size() ? named(i + 1) + stoppedText(RunSnapshot{})
                                           : named(i) + stoppedText(outcome.last))
                << '\n';
            break;
        }
        if (routineCode != 0 && cl.stopOnFailure) {
            report.notRun(i + 1, translate("Suite",
                                           "not run: --stop-on-failure ended the suite at an "
                                           "earlier failure"));
            break;
        }
        if (i + 1 < entries.size()) {
            report.write(err);
        }
    }
    report.write(err);
    // A signal taken while the report was last written: the run was asked to stop.
    if (const int late = takeTerminationSignal(); late != 0) {
        stoppedBy(late);
    }
    return code == 0 && report.failed() ? 1 : code;
}

}  // namespace

void listPorts(const PortMap& map, int usbPort, std::ostream& out) {
    for (const DevicePresent& device : devicesPresent(map.root)) {
        out << "device\t" << field(device.node) << '\t' << field(device.identity()) << '\t'
            << field(device.usbId) << '\t' << field(device.maker) << '\t' << field(device.product)
            << '\t' << field(device.serial) << '\t'
            << (device.mayOpen() ? std::string("may open") : field(adviceInWords(*device.advice)))
            << '\n';
    }
    for (const auto& [name, route] : portRoutesOf({usbPort}, map)) {
        out << "port\t" << name << '\t' << field(route.path) << '\t' << routeKey(route.by) << '\t'
            << field(route.identity) << '\n';
    }
}

int runWithoutWindow(const CommandLine& cl, std::ostream& out, std::ostream& err,
                     const PortMap& map) {
    switch (cl.mode) {
        case CommandLine::Mode::Usage:
            err << "mini-printer-test: " << cl.usageError << '\n' << usageText();
            return 2;
        case CommandLine::Mode::Help: out << helpText(map); return 0;
        case CommandLine::Mode::Version:
            // As GNU programs print it: the version, the copyright, the licence.
            out << "mini-printer-test " << MPT_VERSION << '\n'
                << "Copyright (C) 2026 The Mini Printer Test developers.\n"
                << translate("CommandLine", "License MIT: <https://opensource.org/licenses/MIT>.")
                << '\n'
                << translate("CommandLine",
                             "This is free software: you are free to change and redistribute it.")
                << '\n'
                << translate("CommandLine", "There is NO WARRANTY, to the extent permitted by law.")
                << '\n';
            return 0;
        case CommandLine::Mode::List:
            for (const RoutineInfo& routine : routines()) {
                out << routine.name << '\t' << routine.caption << '\n';
            }
            return 0;
        case CommandLine::Mode::Ports: listPorts(map, 3, out); return 0;
        case CommandLine::Mode::Status: return askStatus(cl, out, err, map);
        case CommandLine::Mode::Window:
        case CommandLine::Mode::Decode:
        case CommandLine::Mode::Render: err << usageText(); return 2;
        case CommandLine::Mode::Run: break;
    }
    std::vector<SuiteEntry> entries;
    if (!cl.suiteFile.empty()) {
        // A suite file with a bad line runs nothing and creates nothing.
        SuiteFile suite = readSuiteFile(cl.suiteFile);
        if (!suite.error.empty()) {
            err << "mini-printer-test: " << suite.error << '\n';
            return 2;
        }
        entries = std::move(suite.entries);
    } else {
        for (const std::string& routine : cl.routines) {
            entries.push_back({routine, cl.count, cl.port});
        }
    }
    std::ofstream traceFile;
    if (!openTraceOrSay(cl.traceFile, traceFile, err)) {
        return 2;
    }
    Trace trace(cl.traceFile.empty() ? nullptr : &traceFile, cl.traceFile);
    const std::unique_ptr<Devices> devices = cl.dryRun ? dryRunDevices() : systemDevices(map);
    return runSuite(cl, entries, *devices, trace, out, err);
}

int exitCodeOf(status::Verdict verdict) {
    switch (verdict) {
        case status::Verdict::Ready: return 0;
        case status::Verdict::OffLine: return 3;
        case status::Verdict::CoverOpen: return 4;
        case status::Verdict::PaperOut: return 5;
        case status::Verdict::PaperNearEnd: return 6;
        case status::Verdict::PrinterError: return 7;
        case status::Verdict::NoAnswer: return 8;
        case status::Verdict::CannotAnswer: return 9;
    }
    return 8;
}

int checkExitCodeOf(status::Verdict verdict) {
    return verdict == status::Verdict::PaperNearEnd ? 0 : exitCodeOf(verdict);
}

}  // namespace mpt
