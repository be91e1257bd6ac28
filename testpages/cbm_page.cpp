// SPDX-License-Identifier: MIT
// Dot-matrix CBM-mode sample page: a ruler, the heading and three other lines with the line
// attribute, double-width lines, a six-line feed and the cut, inside the page bracket. Several
// texts have twins on the EPSON-mode page that differ only in trailing blanks; these are the
// CBM page's own.
#include <string>

#include "testpages/commands.h"
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

using namespace cmd;

// The serial page: 27 writes and 540 bytes.
void cmddevice2(Console& con) {
    MSComm& comm = con.MSComm1;
    openSerialPort(comm, 1);
    const double count = toCount(con.txt1());
    for (long long page = 1; page <= count; ++page) {
        con.repetition(page, count);
        comm.setOutput(pageBracket(kPageOpen));
        comm.setOutput("1234567890123456789012345678901234567890" + kCrLf);
        comm.setOutput(lineAttribute() + "MVR-720/730 SERIAL CBM SAMPLE TEST" + kCrLf);
        comm.setOutput(enlarged());
        comm.setOutput("프린터 및 돈통 전문" + kCrLf);
        comm.setOutput("프린터 종류 " + kCrLf);
        comm.setOutput("MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL" + kCrLf);
        comm.setOutput("MVR-720 ROLL & SERIAL,PARALLEL" + kCrLf);
        comm.setOutput("MVR-730 ROLL & SERIAL,PARALLEL" + kCrLf);
        comm.setOutput(lineAttribute() + "전모델 9 PIN 시리얼 임팩트 도트 매트릭스" + kCrLf);
        comm.setOutput("        양방향인쇄 " + kCrLf);
        comm.setOutput("폰트 사이즈 영문,숫자: 7*9  한글 :9*9" + kCrLf);
        comm.setOutput(enlarged() + "잉크리본 :BLACK/RED" + kCrLf);
        comm.setOutput(lineAttribute() + "인쇄용지너비 : 76.2 MM" + kCrLf);
        comm.setOutput("DATA BUFFER : 16K BYTE" + kCrLf);
        comm.setOutput("에뮬레이션 EPSON TM-U300,TM-U200" + kCrLf);
        comm.setOutput("전원공급장치:외부 어댑터" + kCrLf);
        comm.setOutput("MVR730 SERIAL MELODY OPTION" + kCrLf);
        comm.setOutput(lineAttribute() + "ALL MODEL PRINTER INCLUDE CASH PORT" + kCrLf);
        for (int feed = 1; feed <= 6; ++feed) {
            comm.setOutput(kCrLf);
        }
        comm.setOutput(cbmCut());
        comm.setOutput(pageBracket(kPageClose));
    }
    comm.setPortOpen(false);
    con.setTxt2("CBM/SERIAL 정상출력!!");
}

// The parallel page: 24 print statements and 539 bytes; its own heading, and a feed of three LF
// statements in place of six CR LF writes.
void cmddevice3(Console& con) {
    FileTable& lpt = con.files;
    lpt.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long page = 1; page <= count; ++page) {
        con.repetition(page, count);
        lpt.print(1, {pageBracket(kPageOpen)});
        lpt.printLine(1, {"1234567890123456789012345678901234567890"});
        lpt.printLine(1, {lineAttribute(), "MVR-720/730 PARALLEL CBM SAMPLE TEST"});
        lpt.print(1, {enlarged()});
        lpt.printLine(1, {"프린터 및 돈통 전문"});
        lpt.printLine(1, {"프린터 종류 "});
        lpt.printLine(1, {"MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL"});
        lpt.printLine(1, {"MVR-720 ROLL & SERIAL,PARALLEL"});
        lpt.printLine(1, {"MVR-730 ROLL & SERIAL,PARALLEL"});
        lpt.printLine(1, {lineAttribute(), "전모델 9 PIN 시리얼 임팩트 도트 매트릭스"});
        lpt.printLine(1, {"        양방향인쇄 "});
        lpt.printLine(1, {"폰트 사이즈 영문,숫자: 7*9  한글 :9*9"});
        lpt.printLine(1, {enlarged(), "잉크리본 :BLACK/RED"});
        lpt.printLine(1, {lineAttribute(), "인쇄용지너비 : 76.2 MM"});
        lpt.printLine(1, {"DATA BUFFER : 16K BYTE"});
        lpt.printLine(1, {"에뮬레이션 EPSON TM-U300,TM-U200"});
        lpt.printLine(1, {"전원공급장치:외부 어댑터"});
        lpt.printLine(1, {"MVR730 SERIAL MELODY OPTION"});
        lpt.printLine(1, {lineAttribute(), "ALL MODEL PRINTER INCLUDE CASH PORT"});
        for (int feed = 1; feed <= 3; ++feed) {
            lpt.printLine(1, {kLf});
        }
        lpt.print(1, {cbmCut()});
        lpt.print(1, {pageBracket(kPageClose)});
    }
    lpt.close(1);
    con.setTxt2("CBM/PARALLEL 정상출력!!");
}

}  // namespace mpt
