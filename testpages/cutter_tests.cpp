// SPDX-License-Identifier: MIT
// Cutter tests: a short numbered line and a cut for every repetition, then a final feed and cut,
// so that a count of N makes N + 1 cuts. Both tests of a command set send the same bytes; the
// message is set before the channel is closed.
#include <string>

#include "testpages/commands.h"
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

using namespace cmd;

namespace {
const std::string kCutterTesting = " cutter testing";
}  // namespace

void cmddevice8(Console& con) {
    MSComm& comm = con.MSComm1;
    openSerialPort(comm, 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        comm.setOutput(selectPrintMode(kFontBDoubleWidth));
        comm.setOutput(std::to_string(counter) + kCutterTesting + selectPrintMode(kFontB) + kCrLf +
                       kCrLf + kCrLf);
        comm.setOutput(partialCut() + kCrLf);
    }
    comm.setOutput(kCrLf + kCrLf + kCrLf + partialCut() + kCrLf);
    con.setTxt2("EPSON/SERIAL/CUTTER 정상 작동!!");
    comm.setPortOpen(false);
}

void cmddevice10(Console& con) {
    FileTable& lpt = con.files;
    lpt.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        lpt.print(1, {selectPrintMode(kFontBDoubleWidth)});
        lpt.printLine(
            1, {std::to_string(counter) + kCutterTesting + selectPrintMode(kFontB), kCrLf, kCrLf});
        lpt.printLine(1, {partialCut()});
    }
    lpt.printLine(1, {kCrLf, kCrLf});
    lpt.printLine(1, {partialCut()});
    con.setTxt2("EPSON/CUTTER 정상 작동!!!!!!!!");
    lpt.close(1);
}

void cmddevice9(Console& con) {
    MSComm& comm = con.MSComm1;
    openSerialPort(comm, 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        comm.setOutput(enlarged());
        comm.setOutput(std::to_string(counter) + kCutterTesting + kCrLf + kCrLf + kCrLf);
        comm.setOutput(cbmCut() + kCrLf);
    }
    comm.setOutput(kCrLf + kCrLf + kCrLf + cbmCut() + kCrLf);
    con.setTxt2("CBM/SERIAL/CUTTER 정상 작동!!");
    comm.setPortOpen(false);
}

void cmddevice11(Console& con) {
    FileTable& lpt = con.files;
    lpt.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        lpt.print(1, {enlarged()});
        lpt.printLine(1, {std::to_string(counter) + kCutterTesting, kCrLf, kCrLf});
        lpt.printLine(1, {cbmCut()});
    }
    lpt.printLine(1, {kCrLf, kCrLf, kCrLf, cbmCut()});
    con.setTxt2("CBM/CUTTER 정상 작동!!!!!!!!");
    lpt.close(1);
}

}  // namespace mpt
