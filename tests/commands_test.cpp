// SPDX-License-Identifier: MIT
// The printer command vocabulary: the bytes of every sequence for the parameter values the pages
// send, written out byte by byte. Zero parameters are part of the sequence and must survive.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "support/stream.h"
#include "testpages/commands.h"

namespace mpt {
namespace {

// The expected bytes of a row, given by their values so that a zero byte cannot get lost in a
// string literal.
using mpt::testing::bytes;

struct Sequence {
    const char* name;
    std::string actual;
    std::string expected;
    size_t size;  // counted by hand, so a literal that loses a byte shows too
};

std::vector<Sequence> vocabulary() {
    using namespace cmd;
    return {
        // EPSON mode: the print modes of the pages (font B; double height; double width; both).
        {"ESC ! 0x01", selectPrintMode(kFontB), bytes({0x1B, 0x21, 0x01}), 3},
        {"ESC ! 0x11", selectPrintMode(kFontBDoubleHeight), bytes({0x1B, 0x21, 0x11}), 3},
        {"ESC ! 0x21", selectPrintMode(kFontBDoubleWidth), bytes({0x1B, 0x21, 0x21}), 3},
        {"ESC ! 0x31", selectPrintMode(kFontBDoubleSize), bytes({0x1B, 0x21, 0x31}), 3},
        {"underline on", underline(kOn), bytes({0x1B, 0x2D, 0x01}), 3},
        {"underline off", underline(kOff), bytes({0x1B, 0x2D, 0x00}), 3},
        {"red", printColour(kRed), bytes({0x1B, 0x72, 0x01}), 3},
        {"black", printColour(kBlack), bytes({0x1B, 0x72, 0x00}), 3},
        {"partial cut", partialCut(), bytes({0x1B, 0x6D}), 2},
        {"drawer pulse", drawerPulse(0x00, 0x02, 0x0A), bytes({0x1B, 0x70, 0x00, 0x02, 0x0A}), 5},
        {"logo 1", printStoredLogo(0x01, 0x00), bytes({0x1C, 0x70, 0x01, 0x00}), 4},
        {"logo 2", printStoredLogo(0x02, 0x00), bytes({0x1C, 0x70, 0x02, 0x00}), 4},
        {"logo 0, mode 1", printStoredLogo(0x00, 0x01), bytes({0x1C, 0x70, 0x00, 0x01}), 4},
        {"bar code height", barCodeHeight(0x60), bytes({0x1D, 0x68, 0x60}), 3},
        {"bar code width", barCodeModuleWidth(0x02), bytes({0x1D, 0x77, 0x02}), 3},
        {"text above and below", barCodeTextPosition(kTextAboveAndBelow), bytes({0x1D, 0x48, 0x03}),
         3},
        {"text below", barCodeTextPosition(kTextBelow), bytes({0x1D, 0x48, 0x02}), 3},
        {"bar code", printBarCode(kBarCodeSymbology, 0x1A), bytes({0x1D, 0x6B, 0x46, 0x1A}), 4},
        // CBM mode.
        {"enlarged", enlarged(), bytes({0x0E}), 1},
        {"line attribute", lineAttribute(), bytes({0x13}), 1},
        {"CBM cut", cbmCut(), bytes({0x1B, 0x50, 0x00}), 3},
        // Page bracket of both dot-matrix pages.
        {"page open", pageBracket(kPageOpen), bytes({0x16, 0x01}), 2},
        {"page close", pageBracket(kPageClose), bytes({0x16, 0x00}), 2},
        // Line control.
        {"CR LF", kCrLf, bytes({0x0D, 0x0A}), 2},
        {"LF", kLf, bytes({0x0A}), 1},
        // The control characters by their names.
        {"NUL", ctl(NUL), bytes({0x00}), 1},
        {"SOH", ctl(SOH), bytes({0x01}), 1},
        {"STX", ctl(STX), bytes({0x02}), 1},
        {"ETX", ctl(ETX), bytes({0x03}), 1},
        {"LF char", ctl(LF), bytes({0x0A}), 1},
        {"CR", ctl(CR), bytes({0x0D}), 1},
        {"SO", ctl(SO), bytes({0x0E}), 1},
        {"DC1", ctl(DC1), bytes({0x11}), 1},
        {"DC3", ctl(DC3), bytes({0x13}), 1},
        {"SYN", ctl(SYN), bytes({0x16}), 1},
        {"SUB", ctl(SUB), bytes({0x1A}), 1},
        {"ESC", ctl(ESC), bytes({0x1B}), 1},
        {"FS", ctl(FS), bytes({0x1C}), 1},
        {"GS", ctl(GS), bytes({0x1D}), 1},
    };
}

TEST(Commands, EverySequenceHasItsBytes) {
    for (const Sequence& s : vocabulary()) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ(s.expected.size(), s.size);
        EXPECT_EQ(s.actual, s.expected);
    }
}

}  // namespace
}  // namespace mpt
