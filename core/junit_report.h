// SPDX-License-Identifier: MIT
// The report of a suite that test systems read: JUnit XML, as CI servers take it (one <testsuite>
// in <testsuites>; properties, then one <testcase> per routine with <failure>, <skipped>,
// <system-out>).
//
// The suite's properties name the console's version, the host, and for each port where it leads
// and the device there as the machine knows it (its /dev/serial/by-id name, USB vendor:product,
// serial number). Each testcase is one routine in the suite's order: its name and caption, its
// time, its result message and then its figures as system-out ("bytes sent: 8761", "wire time:
// 9.127 s" on a serial line), a failure with the error's number, text and detail, or a skipped
// element for a routine stopped or never run. The report is written whole after each routine,
// into a file beside the report that then replaces it, so that a run killed at any moment leaves
// a complete report of what had ended by then.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "channels/devices.h"

namespace mpt {

struct ReportCase {
    enum class Result { NotRun, Passed, Failed, Skipped };
    std::string routine;  // cmddevice8
    std::string caption;  // CUTTER TEST EPSON SERIAL
    Result result = Result::NotRun;
    double seconds = 0;
    std::string resultMessage;  // what the routine left in its result box
    std::string port;           // COM1, lpt1; empty where no port opened
    std::string device;         // where it led
    std::uint64_t bytesSent = 0;
    std::uint64_t bytesDiscarded = 0;
    std::optional<double> wireSeconds;  // at 9600 baud, on a serial line
    // Failed: the error (number 0: the printer's fault the check after the run found, in
    // errorText); Skipped and NotRun: why (the message of <skipped>).
    int errorNumber = 0;
    std::string errorText;
    std::string detail;
};

struct Report {
    std::string name = "mini-printer-test";
    std::string hostname;
    std::string timestamp;  // when the suite began, ISO 8601 in UTC
    std::vector<std::pair<std::string, std::string>> properties;
    std::vector<ReportCase> cases;
    std::string systemErr;  // what failed beside the routines (the trace)
};

// The report as JUnit XML. Texts are UTF-8; a byte that is not part of a UTF-8 character, and a
// control character XML cannot hold, are written as U+FFFD.
std::string junitXml(const Report& report);

// The properties of the ports the suite may use (COM1, the USB routine's ports, the bound ones,
// lpt1): where each leads, what decided it, and what the machine knows of the device there.
std::vector<std::pair<std::string, std::string>> portProperties(const PortMap& map,
                                                                const std::vector<int>& usbPorts);

// This machine's host name; "localhost" where it has none.
std::string hostName();
// The time now, "2026-12-10T07:08:34Z".
std::string utcTimestamp();

// Replaces the file at `path` with `text`: written to a new file beside it and renamed over it, so
// that the path holds either the old report or the new one, whole. Nothing else is left: the new
// file is removed on every failure. Returns why it could not be written, in the user's words, or
// nothing.
std::optional<std::string> writeReport(const std::string& path, const std::string& text);

}  // namespace mpt
