// SPDX-License-Identifier: MIT
// Thermal receipt page: the printer describes itself, with its stored logos,
// enlarged lines and a bar code sample, once per repetition. Most lines are padded with ruler
// digits to 42 bytes, the width of the page's ruler.
#include <string>

#include "testpages/commands.h"
#include "testpages/routines.h"
#include "testpages/skeleton.h"

namespace mpt {

using namespace cmd;

namespace {

// The bar code sample: 26 data digits, announced by the count byte of its print command.
const std::string kBarCodeData = "12345678901234567890123456";
constexpr std::uint8_t kBarCodeLength = 26;

// One page on the serial channel, 33 writes; the serial and the USB button send it alike. The
// repetition number stands in front of the title.
void sendSerialPage(MSComm& comm, long long counter) {
    comm.setOutput(printStoredLogo(0x01, 0x00));
    comm.setOutput(printStoredLogo(0x02, 0x00));
    comm.setOutput(selectPrintMode(kFontBDoubleWidth) + std::to_string(counter) +
                   "    영   수   증  " + selectPrintMode(kFontB) + kCrLf);
    comm.setOutput("**QLX-610P THERMAL RECEIPT PRINTER  인쇄**" + kCrLf);
    comm.setOutput("          켄  무  회사 소개" + kCrLf);
    comm.setOutput(selectPrintMode(kFontBDoubleSize));
    comm.setOutput("프린터 및 돈통 전문" + selectPrintMode(kFontB) + kCrLf);
    comm.setOutput("QLX-610 General Specifications" + kCrLf);
    comm.setOutput("Printing method : Thermal line printing123" + kCrLf);
    comm.setOutput("Dot density     : 203dpi * 180dpi123456789" + kCrLf);
    comm.setOutput("Printing width  : 72mm    1234567890123456" + kCrLf);
    comm.setOutput("Character size  : 영문(12*24),한글(24*24)1" + kCrLf);
    comm.setOutput("Paper width     : 80 mm    123456789012345" + kCrLf);
    comm.setOutput("Form            : Paper roll  123456789012" + kCrLf);
    comm.setOutput(selectPrintMode(kFontBDoubleWidth));
    comm.setOutput("인쇄속도:30.7 lines " + selectPrintMode(kFontB) + kCrLf);
    comm.setOutput("           (Max) 속도는 1초당 line 수 1234" + kCrLf);
    comm.setOutput(selectPrintMode(kFontBDoubleHeight));
    comm.setOutput("Internal Buffer : 8kbyte " + selectPrintMode(kFontB) + kCrLf);
    comm.setOutput("Interface       : RS-232 serial,Parallel " + kCrLf);
    comm.setOutput("에뮬레이션 EPSON TM-88II,TM-U200 123456789" + kCrLf);
    comm.setOutput("           CITIZEN CBM-720 STAR SP200 1234" + kCrLf);
    comm.setOutput("123456789012345678901234567890123456789012" + kCrLf);
    comm.setOutput("전원공급장치:외부 어댑터 12344566789012345" + kCrLf);
    comm.setOutput("ALL MODEL PRINTER INCLUDE CASH PORT1234567 " + kCrLf);
    comm.setOutput("BAR CODE CODE39 PRINTING " + kCrLf);
    comm.setOutput(barCodeHeight(0x60));
    comm.setOutput(barCodeModuleWidth(0x02));
    comm.setOutput(barCodeTextPosition(kTextAboveAndBelow));
    comm.setOutput(printBarCode(kBarCodeSymbology, kBarCodeLength));
    comm.setOutput(kBarCodeData + kCrLf);
    comm.setOutput(kCrLf + kCrLf + kCrLf);
    comm.setOutput(partialCut());
}

}  // namespace

// The serial and USB pages open, configure and close the port around every page; with a count
// below 1 they never touch the port.
void cmddevice(Console& con) {
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        openSerialPort(con.MSComm1, 1);
        sendSerialPage(con.MSComm1, counter);
        con.MSComm1.setPortOpen(false);
    }
    con.setTxt2("EPSON/SERIAL 정상 출력!!!");
}

// The port number is read from its box before every page, so it may be changed between pages.
void cmddevice12(Console& con) {
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        const std::int16_t port = toPortNumber(con.port());
        openSerialPort(con.MSComm1, port);
        sendSerialPage(con.MSComm1, counter);
        con.MSComm1.setPortOpen(false);
    }
    con.setTxt2("QLX-610/650 (USB) 정상 출력!!!");
}

// The parallel page: 34 print statements, one logo instead of two, the same title on every page,
// the bar code text below the bars only, and a feed of three LF statements.
void cmddevice1(Console& con) {
    FileTable& lpt = con.files;
    lpt.open("lpt1 ", 1);
    const double count = toCount(con.txt1());
    for (long long counter = 1; counter <= count; ++counter) {
        con.repetition(counter, count);
        lpt.print(1, {printStoredLogo(0x00, 0x01)});
        lpt.printLine(
            1, {selectPrintMode(kFontBDoubleWidth), "    영   수   증  ", selectPrintMode(kFontB)});
        lpt.printLine(1, {"**QLX-610P THERMAL RECEIPT PRINTER  인쇄**"});
        lpt.printLine(1, {"          켄  무  회사 소개"});
        lpt.print(1, {selectPrintMode(kFontBDoubleSize)});
        lpt.printLine(1, {"프린터 및 돈통 전문", selectPrintMode(kFontB)});
        lpt.printLine(1, {"QLX-610 General Specifications"});
        lpt.printLine(1, {"Printing method : Thermal line printing123"});
        lpt.printLine(1, {"Dot density     : 203dpi * 180dpi123456789"});
        lpt.printLine(1, {"Printing width  : 72mm    1234567890123456"});
        lpt.printLine(1, {"Character size  : 영문(12*24),한글(24*24)1"});
        lpt.printLine(1, {"Paper width     : 80 mm    123456789012345"});
        lpt.printLine(1, {"Form            : Paper roll  123456789012"});
        lpt.print(1, {selectPrintMode(kFontBDoubleWidth)});
        lpt.printLine(1, {"인쇄속도:30.7 lines ", selectPrintMode(kFontB)});
        lpt.printLine(1, {"           (Max) 속도는 1초당 line 수 1234"});
        lpt.print(1, {selectPrintMode(kFontBDoubleHeight)});
        lpt.printLine(1, {"Internal Buffer : 8kbyte ", selectPrintMode(kFontB)});
        lpt.printLine(1, {"Interface       : RS-232 serial,Parallel "});
        lpt.printLine(1, {"에뮬레이션 EPSON TM-88II,TM-U200 123456789"});
        lpt.printLine(1, {"           CITIZEN CBM-720 STAR SP200 1234"});
        lpt.printLine(1, {"123456789012345678901234567890123456789012"});
        lpt.printLine(1, {"전원공급장치:외부 어댑터 12344566789012345"});
        lpt.printLine(1, {"ALL MODEL PRINTER INCLUDE CASH PORT1234567 "});
        lpt.printLine(1, {"BAR CODE CODE39 PRINTING "});
        lpt.print(1, {barCodeHeight(0x60)});
        lpt.print(1, {barCodeModuleWidth(0x02)});
        lpt.print(1, {barCodeTextPosition(kTextBelow)});
        lpt.print(1, {printBarCode(kBarCodeSymbology, kBarCodeLength)});
        lpt.printLine(1, {kBarCodeData});
        for (int feed = 1; feed <= 3; ++feed) {
            lpt.printLine(1, {kLf});
        }
        lpt.print(1, {partialCut()});
    }
    lpt.close(1);
    con.setTxt2("EPSON/PARALLEL 정상출력!!");
}

}  // namespace mpt
