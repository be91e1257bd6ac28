// SPDX-License-Identifier: MIT
#include "support/expected_pages.h"

#include <stdexcept>

#include "channels/codepage.h"
#include "support/pages.h"

namespace mpt::testing {

using namespace std::string_literals;

// ---- The thermal receipt page ------------------------------------------------------------------

namespace {

// One page of the serial and USB buttons, one element a write, in the order the receipt is
// printed; `number` is the repetition number in front of the title.
Writes numberedThermalPage(const std::string& number) {
    return inCodePage({
        "\x1C\x70\x01\x00"s,                                       // logo image 1, normal size
        "\x1C\x70\x02\x00"s,                                       // logo image 2, normal size
        "\x1B!\x21" + number + "    영   수   증  \x1B!\x01\r\n",  // the numbered title
        "**QLX-610P THERMAL RECEIPT PRINTER  인쇄**\r\n",
        "          켄  무  회사 소개\r\n",
        "\x1B!\x31",  // double height and width for the slogan
        "프린터 및 돈통 전문\x1B!\x01\r\n",
        "QLX-610 General Specifications\r\n",
        "Printing method : Thermal line printing123\r\n",
        "Dot density     : 203dpi * 180dpi123456789\r\n",
        "Printing width  : 72mm    1234567890123456\r\n",
        "Character size  : 영문(12*24),한글(24*24)1\r\n",
        "Paper width     : 80 mm    123456789012345\r\n",
        "Form            : Paper roll  123456789012\r\n",
        "\x1B!\x21",  // double width for the speed
        "인쇄속도:30.7 lines \x1B!\x01\r\n",
        "           (Max) 속도는 1초당 line 수 1234\r\n",
        "\x1B!\x11",  // double height for the buffer line
        "Internal Buffer : 8kbyte \x1B!\x01\r\n",
        "Interface       : RS-232 serial,Parallel \r\n",
        "에뮬레이션 EPSON TM-88II,TM-U200 123456789\r\n",
        "           CITIZEN CBM-720 STAR SP200 1234\r\n",
        "123456789012345678901234567890123456789012\r\n",  // the ruler
        "전원공급장치:외부 어댑터 12344566789012345\r\n",
        "ALL MODEL PRINTER INCLUDE CASH PORT1234567 \r\n",
        "BAR CODE CODE39 PRINTING \r\n",
        "\x1D\x68\x60",                    // bar code height, 96 dots
        "\x1D\x77\x02",                    // module width 2
        "\x1D\x48\x03",                    // human-readable text above and below the bars
        "\x1D\x6B\x46\x1A",                // print bar code, 26 data bytes follow
        "12345678901234567890123456\r\n",  // the bar code data
        "\r\n\r\n\r\n",                    // feeds the page out
        "\x1B\x6D",                        // partial cut
    });
}

}  // namespace

Writes thermalSerialPage(int number) {
    return numberedThermalPage(std::to_string(number));
}

// One page of the parallel button, one element a print statement, line ends included.
Writes thermalParallelPage() {
    return inCodePage({
        "\x1C\x70\x00\x01"s,                         // the one logo statement
        "\x1B!\x21    영   수   증  \x1B!\x01\r\n",  // the title, never numbered
        "**QLX-610P THERMAL RECEIPT PRINTER  인쇄**\r\n",
        "          켄  무  회사 소개\r\n",
        "\x1B!\x31",
        "프린터 및 돈통 전문\x1B!\x01\r\n",
        "QLX-610 General Specifications\r\n",
        "Printing method : Thermal line printing123\r\n",
        "Dot density     : 203dpi * 180dpi123456789\r\n",
        "Printing width  : 72mm    1234567890123456\r\n",
        "Character size  : 영문(12*24),한글(24*24)1\r\n",
        "Paper width     : 80 mm    123456789012345\r\n",
        "Form            : Paper roll  123456789012\r\n",
        "\x1B!\x21",
        "인쇄속도:30.7 lines \x1B!\x01\r\n",
        "           (Max) 속도는 1초당 line 수 1234\r\n",
        "\x1B!\x11",
        "Internal Buffer : 8kbyte \x1B!\x01\r\n",
        "Interface       : RS-232 serial,Parallel \r\n",
        "에뮬레이션 EPSON TM-88II,TM-U200 123456789\r\n",
        "           CITIZEN CBM-720 STAR SP200 1234\r\n",
        "123456789012345678901234567890123456789012\r\n",
        "전원공급장치:외부 어댑터 12344566789012345\r\n",
        "ALL MODEL PRINTER INCLUDE CASH PORT1234567 \r\n",
        "BAR CODE CODE39 PRINTING \r\n",
        "\x1D\x68\x60",
        "\x1D\x77\x02",
        "\x1D\x48\x02",  // human-readable text below the bars only
        "\x1D\x6B\x46\x1A",
        "12345678901234567890123456\r\n",
        "\n\r\n",  // the three-line feed, one statement a line
        "\n\r\n",
        "\n\r\n",
        "\x1B\x6D",
    });
}

// ---- The dot-matrix EPSON-mode test page -------------------------------------------------------

// One page of the serial button, one element a write.
Writes epsonSerialPage() {
    return inCodePage({
        "\x16\x01",  // opens the page bracket
        "MVR-720/730 EPSON  SERIAL PRINTER TEST\r\n",
        "\x1Br\x01",  // red
        "          켄  무  회사 소개\r\n",
        "\x1Br\x00"s,  // black
        "\x1B!\x31",   // double height and width
        "프린터 및 돈통 전문\x1B!\x01\r\n",
        "\x1B\x2D\x01",  // underline on
        "프린터 종류 \r\n",
        "\x1B\x2D\x00"s,  // underline off
        "MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL \r\n",
        "MVR-720 ROLL & SERIAL,PARALLEL\r\n",
        "MVR-730 ROLL & SERIAL,PARALLEL\r\n",
        "전모델 9 PIN 시리얼 임팩트 도트 매트릭스\r\n",
        "        양방향인쇄                 \r\n",
        "폰트 사이즈 영문,숫자: 7*9  한글 :9*9 \r\n",
        "\x1B!\x31\x1Br\x01",  // double size and red together
        "인쇄 속도:4LINE/SEC\x1Br\x00\x1B!\x01\r\n"s,
        "잉크리본 :BLACK/RED\r\n",
        "인쇄용지너비 : 76.2 MM\r\n",
        "DATA BUFFER : 16K BYTE \r\n",
        "\x1Br\x01",
        "에뮬레이션 EPSON TM-U300,TM-U200 \r\n",
        "           CITIZEN CBM-720 STAR SP200 \x1Br\x00\r\n"s,
        "전원공급장치:외부 어댑터 \r\n",
        "\x1Br\x01",
        "MVR730 SERIAL MELODY OPTION\x1Br\x00\r\n"s,
        "ALL MODEL PRINTER INCLUDE CASH PORT \r\n",
        "\n",  // the six-line feed, one write a line
        "\n",
        "\n",
        "\n",
        "\n",
        "\n",
        "\x1B\x6D",            // partial cut
        "\x1Bp\x00\x02\x0A"s,  // drawer pulse
        "\x16\x00"s,           // closes the page bracket
    });
}

// One page of the parallel button, one element a print statement, line ends included.
Writes epsonParallelPage() {
    return inCodePage({
        "MVR-720/730 PARALLEL EMULATION  TEST\r\n",
        "\x1Br\x01",
        "          켄  무  회사 소개\r\n",
        "\x1Br\x00"s,
        "\x1B!\x31",
        "프린터 및 돈통 전문\x1B!\x01\r\n",
        "\x1B\x2D\x01",
        "프린터 종류 \r\n",
        "\x1B\x2D\x00"s,
        "MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL \r\n",
        "MVR-720 ROLL & SERIAL,PARALLEL\r\n",
        "MVR-730 ROLL & SERIAL,PARALLEL\r\n",
        "전모델 9 PIN 시리얼 임팩트 도트 매트릭스\r\n",
        "        양방향인쇄                 \r\n",
        "폰트 사이즈 영문,숫자: 7*9  한글 :9*9 \r\n",
        "\x1B!\x31",  // double size and red, one statement each
        "\x1Br\x01",
        "인쇄 속도:4LINE/SEC\x1Br\x00\x1B!\x01\r\n"s,
        "잉크리본 :BLACK/RED\r\n",
        "인쇄용지너비 : 76.2 MM\r\n",
        "DATA BUFFER : 16K BYTE \r\n",
        "\x1Br\x01",
        "에뮬레이션 EPSON TM-U300,TM-U200 \r\n",
        "           CITIZEN CBM-720 STAR SP200 \x1Br\x00\r\n"s,
        "전원공급장치:외부 어댑터 \r\n",
        "\x1Br\x01",
        "MVR730 SERIAL MELODY OPTION\x1Br\x00\r\n"s,
        "ALL MODEL PRINTER INCLUDE CASH PORT \r\n",
        "\n\r\n",  // the feed, three statements with their line ends
        "\n\r\n",
        "\n\r\n",
        "\x1B\x6D\r\n",
        "\x1Bp\x00\x02\x0A\r\n"s,
    });
}

// ---- The dot-matrix CBM-mode sample page -------------------------------------------------------

// One page of the serial button, one element a write.
Writes cbmSerialPage() {
    return inCodePage({
        "\x16\x01",  // opens the page bracket
        "1234567890123456789012345678901234567890\r\n",
        "\x13MVR-720/730 SERIAL CBM SAMPLE TEST\r\n",  // heading with the line attribute
        "\x0E",                                        // double width
        "프린터 및 돈통 전문\r\n",
        "프린터 종류 \r\n",
        "MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL\r\n",
        "MVR-720 ROLL & SERIAL,PARALLEL\r\n",
        "MVR-730 ROLL & SERIAL,PARALLEL\r\n",
        "\x13전모델 9 PIN 시리얼 임팩트 도트 매트릭스\r\n",
        "        양방향인쇄 \r\n",
        "폰트 사이즈 영문,숫자: 7*9  한글 :9*9\r\n",
        "\x0E잉크리본 :BLACK/RED\r\n",
        "\x13인쇄용지너비 : 76.2 MM\r\n",
        "DATA BUFFER : 16K BYTE\r\n",
        "에뮬레이션 EPSON TM-U300,TM-U200\r\n",
        "전원공급장치:외부 어댑터\r\n",
        "MVR730 SERIAL MELODY OPTION\r\n",
        "\x13"
        "ALL MODEL PRINTER INCLUDE CASH PORT\r\n",
        "\r\n",  // the six-line feed, one write a line
        "\r\n",
        "\r\n",
        "\r\n",
        "\r\n",
        "\r\n",
        "\x1B\x50\x00"s,  // cut
        "\x16\x00"s,      // closes the page bracket
    });
}

// One page of the parallel button, one element a print statement, line ends included.
Writes cbmParallelPage() {
    return inCodePage({
        "\x16\x01",
        "1234567890123456789012345678901234567890\r\n",
        "\x13MVR-720/730 PARALLEL CBM SAMPLE TEST\r\n",
        "\x0E",
        "프린터 및 돈통 전문\r\n",
        "프린터 종류 \r\n",
        "MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL\r\n",
        "MVR-720 ROLL & SERIAL,PARALLEL\r\n",
        "MVR-730 ROLL & SERIAL,PARALLEL\r\n",
        "\x13전모델 9 PIN 시리얼 임팩트 도트 매트릭스\r\n",
        "        양방향인쇄 \r\n",
        "폰트 사이즈 영문,숫자: 7*9  한글 :9*9\r\n",
        "\x0E잉크리본 :BLACK/RED\r\n",
        "\x13인쇄용지너비 : 76.2 MM\r\n",
        "DATA BUFFER : 16K BYTE\r\n",
        "에뮬레이션 EPSON TM-U300,TM-U200\r\n",
        "전원공급장치:외부 어댑터\r\n",
        "MVR730 SERIAL MELODY OPTION\r\n",
        "\x13"
        "ALL MODEL PRINTER INCLUDE CASH PORT\r\n",
        "\n\r\n",  // the feed, three statements with their line ends
        "\n\r\n",
        "\n\r\n",
        "\x1B\x50\x00"s,
        "\x16\x00"s,
    });
}

// ---- The line feed tests -----------------------------------------------------------------------

const std::string& lineFeedText() {
    static const std::string text = toCp949("MVR-720/730 LF 상태 TEST LINE NO :");
    return text;
}

// Serial: 300 writes of the text, the counter's digits and CR LF; four writes of LF LF; the CBM
// cut; the EPSON partial cut.
Writes lineFeedSerialWrites() {
    Writes all;
    for (int counter = 1; counter <= 300; ++counter) {
        all.push_back(lineFeedText() + std::to_string(counter) + "\r\n");
    }
    for (int feed = 0; feed < 4; ++feed) {
        all.push_back("\n\n");
    }
    all.push_back("\x1B\x50\0"s);
    all.push_back("\x1B\x6D");
    return all;
}

// Parallel: 300 statements of the text and the bare counter (a blank on each side) ending the
// line; three statements of LF ending the line; the CBM cut and the EPSON partial cut, each ending
// the line.
Writes lineFeedParallelWrites() {
    Writes all;
    for (int counter = 1; counter <= 300; ++counter) {
        all.push_back(lineFeedText() + " " + std::to_string(counter) + " " + "\r\n");
    }
    for (int feed = 0; feed < 3; ++feed) {
        all.push_back("\n\r\n");
    }
    all.push_back("\x1B\x50\0\r\n"s);
    all.push_back("\x1B\x6D\r\n");
    return all;
}

// ---- The cutter tests --------------------------------------------------------------------------

namespace {

// Control bytes by their names.
const std::string kEsc = "\x1B";
const std::string kNul = "\0"s;
const std::string kSoh = "\x01";
const std::string kSo = "\x0E";
const std::string kCrLf = "\r\n";

}  // namespace

// The three writes of one repetition of an EPSON-mode test: double width (mode 0x21); the
// numbered line, print mode back to 0x01 and three line ends; the partial cut and a line end.
Writes epsonCutterRepetition(const std::string& counter) {
    return {kEsc + "!" + "\x21",
            counter + " cutter testing" + kEsc + "!" + kSoh + kCrLf + kCrLf + kCrLf,
            kEsc + "\x6D" + kCrLf};
}

// The three writes of one repetition of a CBM-mode test: enlarged characters; the numbered line
// and three line ends; the cut and a line end.
Writes cbmCutterRepetition(const std::string& counter) {
    return {kSo, counter + " cutter testing" + kCrLf + kCrLf + kCrLf, kEsc + "\x50" + kNul + kCrLf};
}

Writes cutterFinalFeedAndCut(std::string_view routine) {
    if (routine == "cmddevice8") {
        return {kCrLf + kCrLf + kCrLf + kEsc + "\x6D" + kCrLf};
    }
    if (routine == "cmddevice10") {
        // Parallel EPSON: the final feed and cut is two statements.
        return {kCrLf + kCrLf + kCrLf, kEsc + "\x6D" + kCrLf};
    }
    if (routine == "cmddevice9" || routine == "cmddevice11") {
        return {kCrLf + kCrLf + kCrLf + kEsc + "\x50" + kNul + kCrLf};
    }
    throw std::invalid_argument("no cutter test is named " + std::string(routine));
}

// ---- Every button ------------------------------------------------------------------------------

namespace {

Writes pages(int count, Writes (*page)(int number)) {
    Writes all;
    for (int number = 1; number <= count; ++number) {
        const Writes one = page(number);
        all.insert(all.end(), one.begin(), one.end());
    }
    return all;
}

Writes cutterWrites(std::string_view routine, int count,
                    Writes (*repetition)(const std::string& counter)) {
    Writes all;
    for (int counter = 1; counter <= count; ++counter) {
        const Writes one = repetition(std::to_string(counter));
        all.insert(all.end(), one.begin(), one.end());
    }
    const Writes closing = cutterFinalFeedAndCut(routine);
    all.insert(all.end(), closing.begin(), closing.end());
    return all;
}

struct Routine {
    std::string_view name;
    std::string message;
};

// The result message of every button, as the message box shows it.
const std::vector<Routine>& routines() {
    static const std::vector<Routine> all = {
        {"cmddevice", "EPSON/SERIAL 정상 출력!!!"},
        {"cmddevice1", "EPSON/PARALLEL 정상출력!!"},
        {"cmddevice2", "CBM/SERIAL 정상출력!!"},
        {"cmddevice3", "CBM/PARALLEL 정상출력!!"},
        {"cmddevice4", "MVR-720/730 SERIAL/EPSON 정상출력!!"},
        {"cmddevice5", "MVR-720/730 PARALLEL/EPSON 정상출력!!"},
        {"cmddevice6", "MVR-720/730 LF/SERIAL 상태출력완료!!"},
        {"cmddevice7", "MVR-720/730 LF/PARALLEL 상태출력완료!!"},
        {"cmddevice8", "EPSON/SERIAL/CUTTER 정상 작동!!"},
        {"cmddevice9", "CBM/SERIAL/CUTTER 정상 작동!!"},
        {"cmddevice10", "EPSON/CUTTER 정상 작동!!!!!!!!"},
        {"cmddevice11", "CBM/CUTTER 정상 작동!!!!!!!!"},
        {"cmddevice12", "QLX-610/650 (USB) 정상 출력!!!"},
    };
    return all;
}

}  // namespace

Writes expectedWrites(std::string_view routine, int count) {
    const int repetitions = count < 1 ? 0 : count;
    if (routine == "cmddevice" || routine == "cmddevice12") {
        return pages(repetitions, thermalSerialPage);
    }
    if (routine == "cmddevice1") {
        return repeated(thermalParallelPage(), repetitions);
    }
    if (routine == "cmddevice4") {
        return repeated(epsonSerialPage(), repetitions);
    }
    if (routine == "cmddevice5") {
        return repeated(epsonParallelPage(), repetitions);
    }
    if (routine == "cmddevice2") {
        return repeated(cbmSerialPage(), repetitions);
    }
    if (routine == "cmddevice3") {
        return repeated(cbmParallelPage(), repetitions);
    }
    if (routine == "cmddevice6") {
        return lineFeedSerialWrites();
    }
    if (routine == "cmddevice7") {
        return lineFeedParallelWrites();
    }
    if (routine == "cmddevice8" || routine == "cmddevice10") {
        return cutterWrites(routine, repetitions, epsonCutterRepetition);
    }
    if (routine == "cmddevice9" || routine == "cmddevice11") {
        return cutterWrites(routine, repetitions, cbmCutterRepetition);
    }
    throw std::invalid_argument("no button is named " + std::string(routine));
}

std::string expectedStream(std::string_view routine, int count) {
    return joined(expectedWrites(routine, count));
}

const std::string& resultMessage(std::string_view routine) {
    for (const Routine& r : routines()) {
        if (r.name == routine) {
            return r.message;
        }
    }
    throw std::invalid_argument("no button is named " + std::string(routine));
}

}  // namespace mpt::testing
