// SPDX-License-Identifier: MIT
// Suites of routines without a window: several routines in turn on the printers of one station
// (pseudo-terminals and a FIFO), a failed one among them, and the JUnit report they leave,
// validated against the schema CI servers read; a report that cannot be written; a suite file's
// bad lines.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "channels/trace.h"
#include "core/junit_report.h"
#include "core/runner.h"
#include "support/fifo.h"
#include "support/junit_schema.h"
#include "support/pty.h"
#include "support/run_command.h"
#include "support/stream.h"
#include "support/temp_dir.h"

namespace mpt {
namespace {

using testing::FifoPrinter;
using testing::PtyPrinter;
using testing::ScopedEnv;

using testing::Outcome;
using testing::run;

using testing::TempDir;

// The bytes a routine sends, from a dry run.
std::string streamOf(const std::string& name, const std::string& count,
                     const std::string& port = "3") {
    return testing::runTraced(name, count, port).stream();
}

// One station: COM1 and COM5 on pseudo-terminals, lpt1 on a FIFO, and nothing on COM7. Five
// routines, the third on COM7, which fails; with --stop-on-failure the suite ends there. The USB
// printer's port is read as the routine reads it, "5.0" as 5, and the report names that port.
TEST(Suite, RunsEachRoutineOnItsPrinterAndReportsThemAsCiServersReadThem) {
    const struct {
        bool stopOnFailure;
        const char* counts;  // of the report
        int runAfterTheFailure;
        std::string usbPort;  // the port box of the USB printer's line
    } rows[] = {
        {false, "tests=\"5\" failures=\"1\" errors=\"0\" skipped=\"0\"", 2, "5"},
        {true, "tests=\"5\" failures=\"1\" errors=\"0\" skipped=\"2\"", 0, "5"},
        {false, "tests=\"5\" failures=\"1\" errors=\"0\" skipped=\"0\"", 2, "5.0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE((row.stopOnFailure ? "--stop-on-failure" : "going on after a failure") +
                     std::string(", USB port ") + row.usbPort);
        const std::string suite =
            "# a receipt printer on COM1, a USB one on COM5, an impact printer on lpt1\n"
            "cmddevice8 2\n"
            "\n"
            "cmddevice12\t1  " +
            row.usbPort +
            "   # the USB printer\n"
            "cmddevice12 1 7     # COM7 leads nowhere\n"
            "cmddevice10 2\n"
            "cmddevice9 1\n";
        PtyPrinter com1, com5;
        FifoPrinter lpt1;
        ASSERT_TRUE(lpt1.ready());
        com1.startReading();
        com5.startReading();
        ScopedEnv env1("MPT_COM1", com1.devicePath());
        ScopedEnv env5("MPT_COM5", com5.devicePath());
        // A path that XML cannot hold as it is: a control character, a byte that is no UTF-8,
        // markup.
        ScopedEnv env7("MPT_COM7", "/dev/no-such-port\x01\xff<&\"");
        ScopedEnv envLpt("MPT_LPT1", lpt1.path());
        TempDir dir;
        const std::string suiteFile = dir.write("station.suite", suite);
        const std::string report = dir.path + "/report.xml";
        std::vector<std::string> args{"--suite", suiteFile, "--report", report};
        if (row.stopOnFailure) {
            args.push_back("--stop-on-failure");
        }
        const Outcome o = run(args);

        EXPECT_EQ(o.code, 1) << o.err;
        std::string out =
            "cmddevice8: " + testing::runTraced("cmddevice8", "2").txt2 + '\n' +
            "cmddevice12: " + testing::runTraced("cmddevice12", "1", row.usbPort).txt2 + '\n';
        if (row.runAfterTheFailure != 0) {
            out += "cmddevice10: " + testing::runTraced("cmddevice10", "2").txt2 + '\n' +
                   "cmddevice9: " + testing::runTraced("cmddevice9", "1").txt2 + '\n';
        }
        EXPECT_EQ(o.out, out);
        EXPECT_EQ(o.err.rfind("cmddevice12: error 8002: Invalid port number\n/dev/no-such-port", 0),
                  0u)
            << o.err;

        // Each printer got its routines' streams whole; the routine after the failure opened
        // COM1 afresh.
        const std::string first = streamOf("cmddevice8", "2");
        const std::string last = streamOf("cmddevice9", "1");
        const std::string onCom1 = first + (row.runAfterTheFailure ? last : "");
        com1.waitFor(onCom1.size());
        EXPECT_EQ(toHex(com1.drainAll()), toHex(onCom1));
        const std::string onCom5 = streamOf("cmddevice12", "1", row.usbPort);
        com5.waitFor(onCom5.size());
        EXPECT_EQ(com5.drainAll().size(), onCom5.size());
        EXPECT_EQ(lpt1.finish(), row.runAfterTheFailure ? streamOf("cmddevice10", "2") : "");

        // The report: valid, its counts, the failure, the properties, each routine's figures;
        // nothing beside it.
        EXPECT_EQ(testing::junitSchemaProblems(report), "");
        const std::string xml = testing::fileText(report);
        EXPECT_NE(xml.find("<testsuites name=\"mini-printer-test\" " + std::string(row.counts)),
                  std::string::npos)
            << xml;
        EXPECT_NE(xml.find("<testsuite name=\"mini-printer-test\" " + std::string(row.counts)),
                  std::string::npos)
            << xml;
        for (const std::string& property :
             {std::string("<property name=\"version\" value=\"" MPT_TEST_VERSION "\"/>"),
              "<property name=\"port.COM1\" value=\"" + com1.devicePath() + "\"/>",
              std::string("<property name=\"port.COM1.by\" value=\"environment\"/>"),
              "<property name=\"port.COM5\" value=\"" + com5.devicePath() + "\"/>",
              std::string("<property name=\"port.COM7\" value=\"/dev/no-such-port\uFFFD\uFFFD"
                          "&lt;&amp;&quot;\"/>"),
              "<property name=\"port.lpt1\" value=\"" + lpt1.path() + "\"/>"}) {
            EXPECT_NE(xml.find(property), std::string::npos) << property << '\n' << xml;
        }
        EXPECT_NE(xml.find("<testcase classname=\"cmddevice8\" name=\"CUTTER TEST EPSON SERIAL\""),
                  std::string::npos)
            << xml;
        EXPECT_NE(xml.find("port: COM1 → " + com1.devicePath() +
                           "\nbytes sent: " + std::to_string(first.size()) + "\nwire time: "),
                  std::string::npos)
            << xml;
        EXPECT_NE(xml.find("<testcase classname=\"cmddevice12\" name=\"QLX-610/650 USB(EPSON)\""),
                  std::string::npos);
        EXPECT_NE(xml.find("<failure message=\"error 8002: Invalid port number\" "
                           "type=\"8002\">/dev/no-such-port\uFFFD\uFFFD&lt;&amp;\""),
                  std::string::npos)
            << xml;
        EXPECT_EQ(xml.find("<skipped message=\"not run: --stop-on-failure ended the suite at an "
                           "earlier failure\"/>") != std::string::npos,
                  row.stopOnFailure)
            << xml;
        EXPECT_EQ(testing::namesIn(dir.path), "report.xml station.suite");
    }
}

// A report that cannot be written is an error before anything is sent, and leaves nothing
// behind: no report, no file beside it.
TEST(Suite, AReportThatCannotBeWrittenEndsTheRunBeforeItStarts) {
    PtyPrinter com1;
    com1.startReading();
    ScopedEnv env1("MPT_COM1", com1.devicePath());
    TempDir dir;
    dir.write("plain", "");
    std::filesystem::create_directory(dir.path + "/directory");
    ASSERT_EQ(::mkfifo((dir.path + "/fifo").c_str(), 0600), 0);
    const struct {
        std::string path;
        const char* why;
    } rows[] = {
        {dir.path + "/plain/report.xml", "Not a directory"},
        {dir.path + "/missing/report.xml", "No such file or directory"},
        {dir.path + "/directory", "Is a directory"},
        {dir.path + "/", "Is a directory"},
        {dir.path + "/fifo", "it is not a plain file"},
        {"/dev/null", "a report is not written under /dev, /proc or /sys"},
        {"/dev/stdout", "a report is not written under /dev, /proc or /sys"},
    };
    for (const auto& row : rows) {
        const Outcome o =
            run({"--run", "cmddevice8,cmddevice9", "--count", "1", "--report", row.path});
        EXPECT_EQ(o.code, 1) << row.path;
        EXPECT_EQ(o.err,
                  "mini-printer-test: cannot write the report " + row.path + ": " + row.why + '\n');
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(testing::namesIn(dir.path), "directory fifo plain") << row.path;
        EXPECT_EQ(testing::namesIn(dir.path + "/directory"), "") << row.path;
    }
    EXPECT_EQ(com1.drainAll(), "");
}

// A suite file with a bad line runs nothing and writes no report: the error names the line. The
// blanks, tabs, line ends and comments of a good one are read as such.
TEST(Suite, BadLinesOfASuiteFileRunNothing) {
    PtyPrinter com1;
    com1.startReading();
    ScopedEnv env1("MPT_COM1", com1.devicePath());
    TempDir dir;
    const std::string suite = dir.path + "/s";
    const struct {
        const char* text;  // nullptr: no such file
        std::string error;
    } rows[] = {
        {"cmddevice8 1\n\n  cmddevice13 2\n",
         suite + ":3: no routine is named cmddevice13 (see --list)"},
        {"cmddevice8 1 3 5 # a fourth field\n",
         suite + ":1: \"5\" is one field too many: a line holds a routine, its count and its port"},
        {"# cmddevice8\n\n", suite + " names no routine"},
        {"cmddevice8,cmddevice9 1\n",
         suite + ":1: no routine is named cmddevice8,cmddevice9 (see --list)"},
        {nullptr, "cannot read the suite file " + suite + ": No such file or directory"},
        {"  cmddevice8\t1   # one cut\r\n#\r\ncmddevice9#no blank before the comment\r\n", ""},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(suite);
        if (row.text != nullptr) {
            dir.write("s", row.text);
        }
        const Outcome o = run({"--suite", suite, "--report", dir.path + "/r.xml"});
        if (row.error.empty()) {
            EXPECT_EQ(o.code, 0) << o.err;
            const std::string sent = streamOf("cmddevice8", "1") + streamOf("cmddevice9", "10");
            com1.waitFor(sent.size());
            EXPECT_EQ(toHex(com1.drainAll()), toHex(sent));
            EXPECT_EQ(testing::junitSchemaProblems(dir.path + "/r.xml"), "");
            continue;
        }
        EXPECT_EQ(o.code, 2) << row.error;
        EXPECT_EQ(o.err, "mini-printer-test: " + row.error + '\n');
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(testing::namesIn(dir.path), row.text != nullptr ? "s" : "") << row.error;
        EXPECT_EQ(com1.received(), "") << row.error;
    }
}

}  // namespace
// What a real XML reader reads back from the report's texts: the routine's caption and a skip's
// message as attributes, what failed beside the routines as character data. Line ends, tabs and
// the characters XML marks up come back as they were; a byte that is not part of a UTF-8
// character, a control byte and a non-character come back as the replacement character, and the
// report stays valid against the schema.
TEST(JunitReport, TextsComeBackFromAnXmlReaderAsTheyWere) {
    const struct {
        std::string text;
        std::string readBack;
    } rows[] = {
        {"CUTTER TEST EPSON SERIAL", "CUTTER TEST EPSON SERIAL"},
        {"a<b> & \"c\" 'd'", "a<b> & \"c\" 'd'"},
        {"tab\there", "tab\there"},
        {"two\nlines\r\nand a CR", "two\nlines\r\nand a CR"},
        {"\xec\x9d\xb8\xec\x87\x84 \xe2\x82\xa9", "\xec\x9d\xb8\xec\x87\x84 \xe2\x82\xa9"},
        {"bell\x07"
         "end",
         "bell\xef\xbf\xbd"
         "end"},
        {"caf\xe9", "caf\xef\xbf\xbd"},
        // Non-characters and surrogates: each of their bytes.
        {"\xef\xbf\xbe\xef\xbf\xbf",
         "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
        {"\xed\xa0\x80", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
    };
    const TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        Report report;
        report.hostname = "station";
        report.timestamp = "2026-12-10T10:00:00";
        report.systemErr = row.text;
        ReportCase skipped;
        skipped.routine = "cmddevice8";
        skipped.caption = row.text;
        skipped.result = ReportCase::Result::Skipped;
        skipped.detail = row.text;
        report.cases.push_back(skipped);
        const std::string path = dir.write("report.xml", junitXml(report));
        EXPECT_EQ(testing::junitSchemaProblems(path), "");
        EXPECT_EQ(testing::xmlReadBack(path, "//testcase/@name"), row.readBack);
        EXPECT_EQ(testing::xmlReadBack(path, "//skipped/@message"), row.readBack);
        EXPECT_EQ(testing::xmlReadBack(path, "//testsuite/system-err"), row.readBack);
    }
}

}  // namespace mpt
