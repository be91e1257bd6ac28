// SPDX-License-Identifier: MIT
// The printer command vocabulary: every control sequence the test pages send, in the two command
// sets the console speaks (EPSON receipt-printer mode and CBM mode), built from its control
// characters and parameters. Routines never spell raw command bytes; they join these sequences
// with their texts inside the write that carries them.
#pragma once

#include <cstdint>
#include <string>

namespace mpt::cmd {

// Control characters, by their ASCII names.
inline constexpr char NUL = 0x00;
inline constexpr char SOH = 0x01;
inline constexpr char STX = 0x02;
inline constexpr char ETX = 0x03;
inline constexpr char LF = 0x0A;
inline constexpr char CR = 0x0D;
inline constexpr char SO = 0x0E;
inline constexpr char DC1 = 0x11;
inline constexpr char DC3 = 0x13;
inline constexpr char SYN = 0x16;
inline constexpr char SUB = 0x1A;
inline constexpr char ESC = 0x1B;
inline constexpr char FS = 0x1C;
inline constexpr char GS = 0x1D;

// A control character as a one-byte text, to join with other texts.
inline std::string ctl(char c) {
    return std::string(1, c);
}

// Ends a text line: CR LF.
inline const std::string kCrLf = "\r\n";
// Feeds one line.
inline const std::string kLf = ctl(LF);

// ---- EPSON mode -------------------------------------------------------------------------------

// Print mode bits of ESC "!" n; bits 1, 2 and 6 have no meaning.
inline constexpr std::uint8_t kModeFontB = 0x01;
inline constexpr std::uint8_t kModeEmphasis = 0x08;
inline constexpr std::uint8_t kModeDoubleHeight = 0x10;
inline constexpr std::uint8_t kModeDoubleWidth = 0x20;
inline constexpr std::uint8_t kModeUnderline = 0x80;
inline constexpr std::uint8_t kModeDefinedBits =
    kModeFontB | kModeEmphasis | kModeDoubleHeight | kModeDoubleWidth | kModeUnderline;

// The print modes the pages use: font B throughout.
inline constexpr std::uint8_t kFontB = kModeFontB;  // the pages' ordinary mode
inline constexpr std::uint8_t kFontBDoubleHeight = kModeFontB | kModeDoubleHeight;
inline constexpr std::uint8_t kFontBDoubleWidth = kModeFontB | kModeDoubleWidth;
inline constexpr std::uint8_t kFontBDoubleSize = kModeFontB | kModeDoubleHeight | kModeDoubleWidth;

static_assert(kFontBDoubleHeight == 0x11 && kFontBDoubleWidth == 0x21 && kFontBDoubleSize == 0x31);

inline constexpr std::uint8_t kOff = 0x00;
inline constexpr std::uint8_t kOn = 0x01;
inline constexpr std::uint8_t kBlack = 0x00;  // first ribbon colour
inline constexpr std::uint8_t kRed = 0x01;    // second ribbon colour

// ESC "!" n: select print mode.
std::string selectPrintMode(std::uint8_t n);
// ESC 0x2D n: underline on (1) or off (0).
std::string underline(std::uint8_t n);
// ESC "r" n: print colour, black (0) or red (1).
std::string printColour(std::uint8_t n);
// ESC 0x6D: partial cut, one point left uncut.
std::string partialCut();
// ESC "p" m t1 t2: drawer pulse on connector pin m, t1 x 2 ms on, t2 x 2 ms off.
std::string drawerPulse(std::uint8_t m, std::uint8_t t1, std::uint8_t t2);
// FS 0x70 n m: print the stored logo image n in size mode m (0 normal).
std::string printStoredLogo(std::uint8_t n, std::uint8_t m);
// GS 0x68 n: bar code height in dots.
std::string barCodeHeight(std::uint8_t n);
// GS 0x77 n: bar code module width.
std::string barCodeModuleWidth(std::uint8_t n);
// GS 0x48 n: where the bar code's human-readable text prints.
inline constexpr std::uint8_t kTextBelow = 0x02;
inline constexpr std::uint8_t kTextAboveAndBelow = 0x03;
std::string barCodeTextPosition(std::uint8_t n);
// GS 0x6B m n: print a bar code of symbology m from the n data characters that follow (the data
// are the next write's, not part of this sequence).
inline constexpr std::uint8_t kBarCodeSymbology = 0x46;
std::string printBarCode(std::uint8_t m, std::uint8_t n);

// ---- CBM mode ---------------------------------------------------------------------------------

// SO: the following characters print double width.
std::string enlarged();
// DC3: line attribute, sent ahead of a line.
std::string lineAttribute();
// ESC 0x50 NUL: cut.
std::string cbmCut();

// ---- Both dot-matrix pages --------------------------------------------------------------------

inline constexpr std::uint8_t kPageOpen = 0x01;
inline constexpr std::uint8_t kPageClose = 0x00;
// SYN n: opens (1) or closes (0) a page.
std::string pageBracket(std::uint8_t n);

}  // namespace mpt::cmd
