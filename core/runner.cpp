// SPDX-License-Identifier: MIT
#include "core/runner.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <memory>

#include "channels/port_help.h"
#include "channels/port_inventory.h"
#include "core/run_session.h"
#include "core/termination.h"
#include "core/texts.h"
#include "core/wording.h"
#include "testpages/routines.h"

namespace mpt {

namespace {

// Runs the routine on the session's worker while this thread watches for a termination signal,
// which stops the run. Returns the signal's number, or 0 when none came.
int runWatchingSignals(RunSession& session, const CommandLine& cl) {
    terminationSignals();
    int received = 0;
    session.start(cl.routine, TextBoxStore(cl.count, cl.port));
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

}  // namespace

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

void listPorts(const PortMap& map, int usbPort, std::ostream& out) {
    for (const DevicePresent& device : devicesPresent(map.root)) {
        out << "device\t" << field(device.node) << '\t' << field(device.identity()) << '\t'
            << field(device.usbId) << '\t' << field(device.maker) << '\t' << field(device.product)
            << '\t' << field(device.serial) << '\t'
            << (device.mayOpen ? std::string("may open")
                               : field(adviceInWords(device.advice.value_or(AccessAdvice{}))))
            << '\n';
    }
    std::vector<int> ports{1};
    if (usbPort != 1) {
        ports.push_back(usbPort);
    }
    for (const auto& [number, identity] : map.boundSerial) {
        if (std::find(ports.begin(), ports.end(), number) == ports.end()) {
            ports.push_back(number);
        }
    }
    std::sort(ports.begin(), ports.end());
    const auto line = [&](const std::string& name, const PortRoute& route) {
        static constexpr const char* kBy[] = {"virtual", "environment", "binding", "default"};
        out << "port\t" << name << '\t' << field(route.path) << '\t'
            << kBy[static_cast<int>(route.by)] << '\t' << field(route.identity) << '\n';
    };
    for (const int number : ports) {
        line("COM" + std::to_string(number), serialRoute(number, map));
    }
    line("lpt1", lpt1Route(map));
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
        case CommandLine::Mode::Window:
        case CommandLine::Mode::Decode:
        case CommandLine::Mode::Render: err << usageText(); return 2;
        case CommandLine::Mode::Run: break;
    }
    std::ofstream traceFile;
    if (!openTraceOrSay(cl.traceFile, traceFile, err)) {
        return 2;
    }
    Trace trace(cl.traceFile.empty() ? nullptr : &traceFile, cl.traceFile);
    const std::unique_ptr<Devices> devices = cl.dryRun ? dryRunDevices() : systemDevices(map);
    RunSession session(*devices, trace);
    const int signalNumber = runWatchingSignals(session, cl);
    RunOutcome outcome = session.finish();
    // A trace that could not be written fails the run's report, whatever the printer got.
    const std::optional<Trace::Failure> traceFailure = trace.failure();
    const auto reportTrace = [&] {
        if (traceFailure) {
            const ConsoleError error = traceNotWritten(*traceFailure);
            err << "error " << error.number() << ": " << error.text() << '\n'
                << detailOf(error) << '\n';
        }
    };
    if (outcome.end.stopped) {
        reportTrace();
        // The shell's convention for a program ended by a signal: 128 and its number.
        err << "mini-printer-test: " << stoppedText(outcome.last) << '\n';
        return 128 + (signalNumber != 0 ? signalNumber : 2);
    }
    if (const auto& error = outcome.end.error) {
        err << "error " << error->number() << ": " << error->text() << '\n';
        if (const std::string detail = detailOf(*error); !detail.empty()) {
            err << detail << '\n';
        }
        reportTrace();
        return 1;
    }
    out << outcome.boxes.text("txt2") << '\n';
    reportTrace();
    return traceFailure ? 1 : 0;
}

}  // namespace mpt
