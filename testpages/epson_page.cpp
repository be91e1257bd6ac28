// SPDX-License-Identifier: MIT
// Dot-matrix EPSON-mode test page: the printer family describes itself in red print, double size
// and underline, then feeds six lines, cuts and drives the cash drawer. Every repetition sends
// the same bytes and leaves the printer in black, underline off and print mode 0x01.
#include <cstdint>
#include <string>

#include "testpages/commands.h"
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

using namespace cmd;

namespace {
// The cash drawer's pulse, on connector pin 2: 2 x 2 ms on, 10 x 2 ms off.
constexpr std::uint8_t kDrawerPin2 = 0x00;
constexpr std::uint8_t kPulseOn = 0x02;
constexpr std::uint8_t kPulseOff = 0x0A;
}  // namespace

// The serial page: 37 writes and 648 bytes, inside the page bracket.
void cmddevice4(Console& con) {
    MSComm& comm = con.MSComm1;
    openSerialPort(comm, 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        comm.setOutput(pageBracket(kPageOpen));
        comm.setOutput("MVR-720/730 EPSON  SERIAL PRINTER TEST" + kCrLf);
        comm.setOutput(printColour(kRed));
        comm.setOutput("          켄  무  회사 소개" + kCrLf);
        comm.setOutput(printColour(kBlack));
        comm.setOutput(selectPrintMode(kFontBDoubleSize));
        comm.setOutput("프린터 및 돈통 전문" + selectPrintMode(kFontB) + kCrLf);
        comm.setOutput(underline(kOn));
        comm.setOutput("프린터 종류 " + kCrLf);
        comm.setOutput(underline(kOff));
        comm.setOutput("MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL " + kCrLf);
        comm.setOutput("MVR-720 ROLL & SERIAL,PARALLEL" + kCrLf);
        comm.setOutput("MVR-730 ROLL & SERIAL,PARALLEL" + kCrLf);
        comm.setOutput("전모델 9 PIN 시리얼 임팩트 도트 매트릭스" + kCrLf);
        comm.setOutput("        양방향인쇄                 " + kCrLf);
        comm.setOutput("폰트 사이즈 영문,숫자: 7*9  한글 :9*9 " + kCrLf);
        comm.setOutput(selectPrintMode(kFontBDoubleSize) + printColour(kRed));
        comm.setOutput("인쇄 속도:4LINE/SEC" + printColour(kBlack) + selectPrintMode(kFontB) +
                       kCrLf);
        comm.setOutput("잉크리본 :BLACK/RED" + kCrLf);
        comm.setOutput("인쇄용지너비 : 76.2 MM" + kCrLf);
        comm.setOutput("DATA BUFFER : 16K BYTE " + kCrLf);
        comm.setOutput(printColour(kRed));
        comm.setOutput("에뮬레이션 EPSON TM-U300,TM-U200 " + kCrLf);
        comm.setOutput("           CITIZEN CBM-720 STAR SP200 " + printColour(kBlack) + kCrLf);
        comm.setOutput("전원공급장치:외부 어댑터 " + kCrLf);
        comm.setOutput(printColour(kRed));
        comm.setOutput("MVR730 SERIAL MELODY OPTION" + printColour(kBlack) + kCrLf);
        comm.setOutput("ALL MODEL PRINTER INCLUDE CASH PORT " + kCrLf);
        for (int feed = 1; feed <= 6; ++feed) {
            comm.setOutput(kLf);
        }
        comm.setOutput(partialCut());
        comm.setOutput(drawerPulse(kDrawerPin2, kPulseOn, kPulseOff));
        comm.setOutput(pageBracket(kPageClose));
    }
    comm.setPortOpen(false);
    con.setTxt2("MVR-720/730 SERIAL/EPSON 정상출력!!");
}

// The parallel page: 33 print statements and 649 bytes, its own title, no page bracket, a feed
// of three LF statements, and line ends behind the cut and the drawer pulse.
void cmddevice5(Console& con) {
    FileTable& lpt = con.files;
    lpt.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        lpt.printLine(1, {"MVR-720/730 PARALLEL EMULATION  TEST"});
        lpt.print(1, {printColour(kRed)});
        lpt.printLine(1, {"          켄  무  회사 소개"});
        lpt.print(1, {printColour(kBlack)});
        lpt.print(1, {selectPrintMode(kFontBDoubleSize)});
        lpt.printLine(1, {"프린터 및 돈통 전문", selectPrintMode(kFontB)});
        lpt.print(1, {underline(kOn)});
        lpt.printLine(1, {"프린터 종류 "});
        lpt.print(1, {underline(kOff)});
        lpt.printLine(1, {"MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL "});
        lpt.printLine(1, {"MVR-720 ROLL & SERIAL,PARALLEL"});
        lpt.printLine(1, {"MVR-730 ROLL & SERIAL,PARALLEL"});
        lpt.printLine(1, {"전모델 9 PIN 시리얼 임팩트 도트 매트릭스"});
        lpt.printLine(1, {"        양방향인쇄                 "});
        lpt.printLine(1, {"폰트 사이즈 영문,숫자: 7*9  한글 :9*9 "});
        lpt.print(1, {selectPrintMode(kFontBDoubleSize)});
        lpt.print(1, {printColour(kRed)});
        lpt.printLine(1, {"인쇄 속도:4LINE/SEC", printColour(kBlack), selectPrintMode(kFontB)});
        lpt.printLine(1, {"잉크리본 :BLACK/RED"});
        lpt.printLine(1, {"인쇄용지너비 : 76.2 MM"});
        lpt.printLine(1, {"DATA BUFFER : 16K BYTE "});
        lpt.print(1, {printColour(kRed)});
        lpt.printLine(1, {"에뮬레이션 EPSON TM-U300,TM-U200 "});
        lpt.printLine(1, {"           CITIZEN CBM-720 STAR SP200 " + printColour(kBlack)});
        lpt.printLine(1, {"전원공급장치:외부 어댑터 "});
        lpt.print(1, {printColour(kRed)});
        lpt.printLine(1, {"MVR730 SERIAL MELODY OPTION", printColour(kBlack)});
        lpt.printLine(1, {"ALL MODEL PRINTER INCLUDE CASH PORT "});
        for (int feed = 1; feed <= 3; ++feed) {
            lpt.printLine(1, {kLf});
        }
        lpt.printLine(1, {partialCut()});
        lpt.printLine(1, {drawerPulse(kDrawerPin2, kPulseOn, kPulseOff)});
    }
    lpt.close(1);
    con.setTxt2("MVR-720/730 PARALLEL/EPSON 정상출력!!");
}

}  // namespace mpt
