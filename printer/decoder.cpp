// SPDX-License-Identifier: MIT
#include "printer/decoder.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

namespace mpt::printer {

namespace {

constexpr unsigned char kNul = 0x00;
constexpr unsigned char kHt = 0x09;
constexpr unsigned char kLf = 0x0A;
constexpr unsigned char kFf = 0x0C;
constexpr unsigned char kCr = 0x0D;
constexpr unsigned char kSo = 0x0E;
constexpr unsigned char kDle = 0x10;
constexpr unsigned char kDc3 = 0x13;
constexpr unsigned char kDc4 = 0x14;
constexpr unsigned char kSyn = 0x16;
constexpr unsigned char kCan = 0x18;
constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kFs = 0x1C;
constexpr unsigned char kGs = 0x1D;
constexpr unsigned char kDel = 0x7F;
constexpr unsigned char kEot = 0x04;
constexpr unsigned char kEnq = 0x05;

// GS k m takes a count byte n and n data bytes for these symbology values; m 0 to 6 take data
// ended by NUL.
constexpr unsigned char kFirstCountedSymbology = 0x41;
constexpr unsigned char kLastCountedSymbology = 0x49;
constexpr unsigned char kLastNulEndedSymbology = 0x06;
// The most data bytes of a NUL-ended bar code before the printer stops looking for its NUL.
constexpr std::size_t kMaxNulEndedData = 255;

bool endsText(unsigned char b) {
    return b < 0x20 || b == kDel;
}

// The two-byte characters of code page 949: a lead byte, then a trail byte from these ranges.
bool isLead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
bool isTrail(unsigned char b) {
    return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
}

unsigned char at(std::string_view in, std::size_t i) {
    return static_cast<unsigned char>(in[i]);
}

// What one step of reading found at the front of the input.
struct Step {
    std::size_t length = 0;  // 0: more bytes are needed before anything can be said
    Op op = Op::Unknown;
    std::size_t paramsFrom = 0;  // params are bytes [paramsFrom, paramsTo)
    std::size_t paramsTo = 0;
    std::size_t dataFrom = 0;  // data are bytes [dataFrom, length - tail)
    bool truncated = false;
    std::size_t tail = 0;
    const char* what = nullptr;
    std::uint64_t skip = 0;  // data bytes beyond `length`, passed over
};

Step needMore() {
    return {};
}

// A command of `size` bytes whose parameters start at `paramsFrom`, if that many have arrived;
// at the end of the stream, the bytes that did arrive are a truncated command.
Step fixed(std::string_view in, bool atEnd, Op op, std::size_t size, std::size_t paramsFrom,
           const char* what = nullptr) {
    if (in.size() >= size) {
        return {size, op, paramsFrom, size, size, false, 0, what, 0};
    }
    if (!atEnd) {
        return needMore();
    }
    const std::size_t have = in.size();
    return {have, op, std::min(paramsFrom, have), have, have, true, 0, what, 0};
}

// A command whose parameters are [paramsFrom, dataFrom) and whose data run to `size`. Data beyond
// Decoder::kMaxData are not kept: the item ends with its parameters and the rest is passed over.
Step withData(std::string_view in, bool atEnd, Op op, std::size_t paramsFrom, std::size_t dataFrom,
              std::uint64_t size, const char* what = nullptr) {
    if (size - dataFrom > Decoder::kMaxData) {
        Step s = fixed(in, atEnd, op, dataFrom, paramsFrom, what);
        if (s.length == dataFrom && !s.truncated) {
            s.skip = size - dataFrom;
        }
        return s;
    }
    if (in.size() >= size) {
        return {
            static_cast<std::size_t>(size), op, paramsFrom, dataFrom, dataFrom, false, 0, what, 0};
    }
    if (!atEnd) {
        return needMore();
    }
    const std::size_t have = in.size();
    return {have,
            op,
            std::min(paramsFrom, have),
            std::min(dataFrom, have),
            std::min(dataFrom, have),
            true,
            0,
            what,
            0};
}

// An introducer (ESC, FS, GS) followed by a byte that names no command this printer knows: the
// pair is one unknown sequence, unless the second byte is a control byte, which starts an item of
// its own.
Step unknownAfterIntroducer(std::string_view in) {
    const unsigned char second = at(in, 1);
    return {endsText(second) ? std::size_t{1} : std::size_t{2}, Op::Unknown, 0, 0, 0, false};
}

Step textRun(std::string_view in, bool atEnd, bool twoByte) {
    std::size_t i = 0;
    while (i < in.size() && !endsText(at(in, i))) {
        if (i >= Decoder::kMaxTextRun) {
            return {i, Op::Text, 0, 0, i, false};
        }
        if (twoByte && isLead(at(in, i))) {
            if (i + 1 == in.size() && !atEnd) {
                return needMore();
            }
            i += (i + 1 < in.size() && isTrail(at(in, i + 1))) ? 2 : 1;
        } else {
            ++i;
        }
    }
    if (i == in.size() && !atEnd) {
        return needMore();  // the run may go on in the next feed
    }
    return {i, Op::Text, 0, 0, i, false};
}

// The commands of a fixed length: introducer, letter, length with both, what they do.
struct FixedCommand {
    unsigned char introducer;
    unsigned char letter;
    unsigned char size;
    Op op;
    const char* what;
};

constexpr FixedCommand kFixed[] = {
    {kEsc, ' ', 3, Op::Setting, "right-side character spacing"},
    {kEsc, '!', 3, Op::SelectPrintMode, nullptr},
    {kEsc, '$', 4, Op::AbsolutePosition, nullptr},
    {kEsc, '%', 3, Op::Setting, "user-defined characters on or off"},
    {kEsc, '-', 3, Op::Underline, nullptr},
    {kEsc, '2', 2, Op::DefaultLineSpacing, nullptr},
    {kEsc, '3', 3, Op::LineSpacing, nullptr},
    {kEsc, '4', 3, Op::Setting, "italic on or off (printed upright here)"},
    {kEsc, '<', 2, Op::Setting, "return home"},
    {kEsc, '=', 3, Op::Setting, "select peripheral device"},
    {kEsc, '?', 3, Op::Setting, "cancel a user-defined character"},
    {kEsc, '@', 2, Op::Initialize, nullptr},
    {kEsc, 'E', 3, Op::Emphasis, nullptr},
    {kEsc, 'G', 3, Op::DoubleStrike, nullptr},
    {kEsc, 'J', 3, Op::FeedDots, nullptr},
    {kEsc, 'K', 3, Op::Setting, "print and feed the paper back (not drawn)"},
    {kEsc, 'L', 2, Op::Setting, "page mode (drawn as standard mode here)"},
    {kEsc, 'M', 3, Op::Font, nullptr},
    {kEsc, 'R', 3, Op::InternationalSet, nullptr},
    {kEsc, 'S', 2, Op::Setting, "standard mode"},
    {kEsc, 'T', 3, Op::Setting, "print direction in page mode"},
    {kEsc, 'U', 3, Op::Setting, "unidirectional printing"},
    {kEsc, 'V', 3, Op::Rotate, nullptr},
    {kEsc, 'W', 10, Op::Setting, "print area in page mode"},
    {kEsc, '\\', 4, Op::RelativePosition, nullptr},
    {kEsc, 'a', 3, Op::Justify, nullptr},
    {kEsc, 'c', 4, Op::Setting, "paper sensors and panel buttons"},
    {kEsc, 'd', 3, Op::FeedLines, nullptr},
    {kEsc, 'e', 3, Op::Setting, "print and feed lines back (not drawn)"},
    {kEsc, 'i', 2, Op::FullCut, nullptr},
    {kEsc, 'm', 2, Op::PartialCut, nullptr},
    {kEsc, 'p', 5, Op::DrawerPulse, nullptr},
    {kEsc, 'r', 3, Op::PrintColour, nullptr},
    {kEsc, 't', 3, Op::CodeTable, nullptr},
    {kEsc, 'u', 3, Op::Setting, "transmit peripheral device status (not answered)"},
    {kEsc, 'v', 2, Op::Setting, "transmit paper sensor status (not answered)"},
    {kEsc, '{', 3, Op::UpsideDown, nullptr},
    {kFs, '!', 3, Op::Setting, "two-byte character print mode"},
    {kFs, '&', 2, Op::TwoByteOn, nullptr},
    {kFs, '-', 3, Op::Setting, "two-byte character underline"},
    {kFs, '.', 2, Op::TwoByteOff, nullptr},
    {kFs, '2', 76, Op::Setting, "define a user-defined two-byte character"},
    {kFs, 'C', 3, Op::Setting, "two-byte character code system"},
    {kFs, 'S', 4, Op::Setting, "two-byte character spacing"},
    {kFs, 'W', 3, Op::Setting, "two-byte character quadruple size"},
    {kFs, 'p', 4, Op::PrintStoredLogo, nullptr},
    {kGs, '!', 3, Op::CharacterSize, nullptr},
    {kGs, '$', 4, Op::Setting, "vertical position in page mode"},
    {kGs, '/', 3, Op::Setting, "print the downloaded bit image (not kept here)"},
    {kGs, ':', 2, Op::Setting, "start or end of a macro definition"},
    {kGs, 'B', 3, Op::Reverse, nullptr},
    {kGs, 'E', 3, Op::Setting, "print head control"},
    {kGs, 'H', 3, Op::BarCodeTextPosition, nullptr},
    {kGs, 'I', 3, Op::StatusRequest, "transmit printer ID"},
    {kGs, 'L', 4, Op::LeftMargin, nullptr},
    {kGs, 'P', 4, Op::Setting, "motion units"},
    {kGs, 'T', 3, Op::Setting, "print position to the start of the line"},
    {kGs, 'W', 4, Op::PrintWidth, nullptr},
    {kGs, '\\', 4, Op::Setting, "relative vertical position in page mode"},
    {kGs, '^', 5, Op::Setting, "execute a macro"},
    {kGs, 'a', 3, Op::StatusRequest, "automatic status back"},
    {kGs, 'b', 3, Op::Setting, "smoothing"},
    {kGs, 'c', 2, Op::Setting, "print the counter"},
    {kGs, 'f', 3, Op::BarCodeFont, nullptr},
    {kGs, 'g', 5, Op::Setting, "maintenance counter"},
    {kGs, 'h', 3, Op::BarCodeHeight, nullptr},
    {kGs, 'r', 3, Op::StatusRequest, "transmit status"},
    {kGs, 'w', 3, Op::BarCodeModuleWidth, nullptr},
    {kGs, 'z', 5, Op::Setting, "on-line recovery wait time"},
};

// Index of the fixed-length commands by introducer (0 ESC, 1 FS, 2 GS) and letter.
struct FixedIndex {
    signed char entry[3][128];
    constexpr FixedIndex() : entry{} {
        for (auto& row : entry) {
            for (auto& e : row) {
                e = -1;
            }
        }
        for (std::size_t i = 0; i < std::size(kFixed); ++i) {
            const int row = kFixed[i].introducer == kEsc ? 0 : kFixed[i].introducer == kFs ? 1 : 2;
            entry[row][kFixed[i].letter] = static_cast<signed char>(i);
        }
    }
};
constexpr FixedIndex kFixedIndex;

// The real-time requests after DLE: DLE EOT n (n 7 and 8 take one byte more), DLE ENQ n,
// DLE DC4 fn … whose length its function tells.
Step realTime(std::string_view in, bool atEnd) {
    if (in.size() < 2) {
        return atEnd ? Step{1, Op::Unknown, 1, 1, 1, false} : needMore();
    }
    const unsigned char second = at(in, 1);
    if (second == kEot || second == kEnq) {
        if (in.size() < 3) {
            return fixed(in, atEnd, Op::StatusRequest, 3, 2);
        }
        const bool extra = second == kEot && (at(in, 2) == 7 || at(in, 2) == 8);
        return fixed(
            in, atEnd, Op::StatusRequest, extra ? 4 : 3, 2,
            second == kEot ? "real-time status transmission" : "real-time request to the printer");
    }
    if (second == kDc4) {
        if (in.size() < 3) {
            return fixed(in, atEnd, Op::StatusRequest, 3, 2);
        }
        std::size_t size = 5;
        switch (at(in, 2)) {
            case 3: size = 8; break;   // sound the buzzer: a n r t1 t2
            case 7: size = 4; break;   // transmit a specified status: m
            case 8: size = 10; break;  // clear the buffers: d1 … d7
            default: break;            // fn a b
        }
        return fixed(in, atEnd, Op::StatusRequest, size, 2, "real-time command");
    }
    return {1, Op::Unknown, 1, 1, 1, false};
}

// Where data ended by NUL, starting at `from` and at most `most` bytes long, end.
struct NulEnd {
    std::size_t at;  // the place of the NUL, or from + most where the data stop without one
    bool found;      // whether the NUL is there, to be read as the command's last byte
};
// Nothing while the data may still end within the bytes to come.
std::optional<NulEnd> findNulEnd(std::string_view in, std::size_t from, std::size_t most) {
    const std::size_t limit = std::min(in.size(), from + most + 1);
    for (std::size_t i = from; i < limit; ++i) {
        if (at(in, i) == kNul) {
            return NulEnd{i, true};
        }
    }
    if (limit == from + most + 1) {
        return NulEnd{from + most, false};  // no end within what a printer takes
    }
    return std::nullopt;
}

// GS k: m 0 to 6 with data ended by NUL, m 65 to 73 with a count.
Step barCode(std::string_view in, bool atEnd) {
    if (in.size() < 3) {
        return fixed(in, atEnd, Op::PrintBarCode, 3, 2);
    }
    const unsigned char m = at(in, 2);
    if (m <= kLastNulEndedSymbology) {
        const std::optional<NulEnd> end = findNulEnd(in, 3, kMaxNulEndedData);
        if (!end) {
            return atEnd ? Step{in.size(), Op::PrintBarCode, 2, 3, 3, true} : needMore();
        }
        Step s{end->at + (end->found ? 1 : 0), Op::PrintBarCode, 2, 3, 3, false};
        s.tail = end->found ? 1 : 0;
        return s;
    }
    if (m < kFirstCountedSymbology || m > kLastCountedSymbology) {
        // A symbology whose data length this printer cannot tell: the data that follow are read
        // as whatever they are.
        return {3, Op::Unknown, 2, 3, 3, false};
    }
    if (in.size() < 4) {
        return fixed(in, atEnd, Op::PrintBarCode, 4, 2);
    }
    return withData(in, atEnd, Op::PrintBarCode, 2, 4, 4 + at(in, 3));
}

// ESC ( x, FS ( x, GS ( x: pL pH and that many bytes. GS ( k and GS ( L are read as what they
// are; the rest are settings this printer passes over.
Step lengthCarried(std::string_view in, bool atEnd) {
    if (in.size() < 5) {
        return fixed(in, atEnd, Op::Setting, 5, 3);
    }
    const std::uint64_t size = 5 + wordAt(in, 3);
    const unsigned char introducer = at(in, 0);
    const unsigned char letter = at(in, 2);
    if (introducer == kGs && letter == 'k') {
        return withData(in, atEnd, Op::Symbol2D, 3, std::min<std::uint64_t>(7, size), size);
    }
    if (introducer == kGs && letter == 'L') {
        return withData(in, atEnd, Op::Graphics, 3, std::min<std::uint64_t>(7, size), size);
    }
    return withData(in, atEnd, Op::Setting, 3, 5, size,
                    introducer == kEsc  ? "a function with its own length (ESC ( …)"
                    : introducer == kFs ? "a function with its own length (FS ( …)"
                                        : "a function with its own length (GS ( …)");
}

Step readEsc(std::string_view in, bool atEnd) {
    switch (at(in, 1)) {
        case '*': {
            // ESC * m nL nH: nL + nH × 256 columns of one byte (8 dots) or three (24 dots).
            if (in.size() < 5) {
                return fixed(in, atEnd, Op::BitImage, 5, 2);
            }
            const std::size_t columns = wordAt(in, 3);
            const std::size_t bytes = (at(in, 2) & 0x20) != 0 ? 3 * columns : columns;
            return withData(in, atEnd, Op::BitImage, 2, 5, 5 + bytes);
        }
        case 'D': {
            // Tab positions, at most 32, ended by NUL.
            constexpr std::size_t kMaxTabs = 32;
            const std::optional<NulEnd> end = findNulEnd(in, 2, kMaxTabs);
            if (!end) {
                return atEnd ? Step{in.size(), Op::TabStops, 2, in.size(), in.size(), true}
                             : needMore();
            }
            Step s{end->at + (end->found ? 1 : 0), Op::TabStops, 2, end->at, end->at, false};
            s.tail = end->found ? 1 : 0;
            return s;
        }
        case '&': {
            // User-defined characters: y c1 c2, then for each character x and y × x bytes.
            if (in.size() < 5) {
                return fixed(in, atEnd, Op::Setting, 5, 2, "define user-defined characters");
            }
            const std::size_t y = at(in, 2);
            const unsigned c1 = at(in, 3);
            const unsigned c2 = at(in, 4);
            std::size_t size = 5;
            for (unsigned c = c1; c <= c2 && c - c1 < 95; ++c) {
                if (in.size() <= size) {
                    return atEnd ? Step{in.size(), Op::Setting, 2, 5,
                                        in.size(), true,        0, "define user-defined characters"}
                                 : needMore();
                }
                size += 1 + y * at(in, size);
            }
            return withData(in, atEnd, Op::Setting, 2, 5, size, "define user-defined characters");
        }
        case '(': return lengthCarried(in, atEnd);
        case 'P': {
            Step s = fixed(in, atEnd, Op::Cut, 3, 2);
            if (s.length == 3 && at(in, 2) != kNul) {
                s.op = Op::Unknown;  // only ESC P NUL is a cut
            }
            return s;
        }
        default: return unknownAfterIntroducer(in);
    }
}

Step readFs(std::string_view in, bool atEnd) {
    switch (at(in, 1)) {
        case '(': return lengthCarried(in, atEnd);
        case 'q': {
            // Stored logo images: n, then for each xL xH yL yH and x × y × 8 bytes.
            if (in.size() < 3) {
                return fixed(in, atEnd, Op::Setting, 3, 2, "define stored logo images");
            }
            std::uint64_t size = 3;
            for (unsigned i = 0; i < at(in, 2); ++i) {
                if (in.size() < size + 4 || size > Decoder::kMaxData) {
                    if (size > Decoder::kMaxData) {
                        break;
                    }
                    return atEnd ? Step{in.size(), Op::Setting, 2, 3,
                                        in.size(), true,        0, "define stored logo images"}
                                 : needMore();
                }
                const std::size_t k = std::size_t{wordAt(in, size)} * wordAt(in, size + 2) * 8;
                size += 4 + k;
            }
            return withData(in, atEnd, Op::Setting, 2, 3, size, "define stored logo images");
        }
        default: return unknownAfterIntroducer(in);
    }
}

Step readGs(std::string_view in, bool atEnd) {
    switch (at(in, 1)) {
        case 'k': return barCode(in, atEnd);
        case '(': return lengthCarried(in, atEnd);
        case 'V': {
            // GS V m: m 0, 1, 48, 49 cut at once; 65, 66, 97, 98, 103, 104 take a feed n.
            if (in.size() < 3) {
                return fixed(in, atEnd, Op::CutPaper, 3, 2);
            }
            const unsigned char m = at(in, 2);
            const bool feed =
                (m >= 65 && m <= 66) || (m >= 97 && m <= 98) || (m >= 103 && m <= 104);
            return fixed(in, atEnd, Op::CutPaper, feed ? 4 : 3, 2);
        }
        case 'v': {
            // GS v 0 m xL xH yL yH: (xL + xH × 256) bytes a row, (yL + yH × 256) rows.
            if (in.size() >= 3 && at(in, 2) != '0' && at(in, 2) != 0) {
                return unknownAfterIntroducer(in);
            }
            if (in.size() < 8) {
                return fixed(in, atEnd, Op::RasterImage, 8, 3);
            }
            return withData(in, atEnd, Op::RasterImage, 3, 8,
                            8 + std::uint64_t{wordAt(in, 4)} * wordAt(in, 6));
        }
        case '8': {
            // GS 8 L p1 p2 p3 p4 m fn …: a four-byte length.
            if (in.size() >= 3 && at(in, 2) != 'L') {
                return unknownAfterIntroducer(in);
            }
            if (in.size() < 7) {
                return fixed(in, atEnd, Op::Graphics, 7, 3);
            }
            const std::uint64_t p =
                std::uint64_t{wordAt(in, 3)} + (std::uint64_t{wordAt(in, 5)} << 16);
            return withData(in, atEnd, Op::Graphics, 3, std::min<std::uint64_t>(9, 7 + p), 7 + p);
        }
        case '*': {
            // Download bit image: x y and x × y × 8 bytes.
            if (in.size() < 4) {
                return fixed(in, atEnd, Op::Setting, 4, 2, "define the downloaded bit image");
            }
            return withData(in, atEnd, Op::Setting, 2, 4,
                            4 + std::size_t{at(in, 2)} * at(in, 3) * 8,
                            "define the downloaded bit image");
        }
        default: return unknownAfterIntroducer(in);
    }
}

Step readOne(std::string_view in, bool atEnd, bool twoByte) {
    const unsigned char first = at(in, 0);
    switch (first) {
        case kNul: return {1, Op::Nothing, 1, 1, 1, false};
        case kHt: return {1, Op::Tab, 1, 1, 1, false};
        case kLf: return {1, Op::LineFeed, 1, 1, 1, false};
        case kFf: return {1, Op::Setting, 1, 1, 1, false, 0, "form feed (page mode)"};
        case kCr: return {1, Op::CarriageReturn, 1, 1, 1, false};
        case kSo: return {1, Op::Enlarged, 1, 1, 1, false};
        case kDc3: return {1, Op::LineAttribute, 1, 1, 1, false};
        case kSyn: return fixed(in, atEnd, Op::PageBracket, 2, 1);
        case kCan: return {1, Op::Setting, 1, 1, 1, false, 0, "cancel print data in page mode"};
        case kDle: return realTime(in, atEnd);
        case kEsc:
        case kFs:
        case kGs: {
            if (in.size() < 2) {
                return atEnd ? Step{1, Op::Unknown, 1, 1, 1, true} : needMore();
            }
            const unsigned char letter = at(in, 1);
            const int row = first == kEsc ? 0 : first == kFs ? 1 : 2;
            if (letter < 128) {
                if (const int e = kFixedIndex.entry[row][letter]; e >= 0) {
                    const FixedCommand& c = kFixed[e];
                    return fixed(in, atEnd, c.op, c.size, 2, c.what);
                }
            }
            // Not of a fixed length: the command reads its own length, or is unknown.
            return first == kEsc  ? readEsc(in, atEnd)
                   : first == kFs ? readFs(in, atEnd)
                                  : readGs(in, atEnd);
        }
        default: break;
    }
    if (endsText(first)) {
        return {1, Op::Unknown, 1, 1, 1, false};
    }
    return textRun(in, atEnd, twoByte);
}

}  // namespace

CommandSet commandSetOf(Op op) {
    switch (op) {
        case Op::Enlarged:
        case Op::LineAttribute:
        case Op::Cut: return CommandSet::Cbm;
        case Op::Text:
        case Op::LineFeed:
        case Op::CarriageReturn:
        case Op::PageBracket:
        case Op::Nothing:
        case Op::Tab:
        case Op::DataSkipped:
        case Op::Unknown: return CommandSet::Common;
        default: return CommandSet::Epson;
    }
}

namespace {

// glibc's "CP949" is the unified Hangul code the console's channels write with; it is used in
// both directions so that the printer reads exactly what the console meant.
//
// Each pair the code page may hold is converted once, alone, into a table, and text is read from
// the table a character at a time. Asking iconv to convert a whole run and stepping over what it
// refuses is not safe: for some invalid pairs it consumes both bytes before it reports them, so
// the place it stops at says nothing about where the bad character began.
// The bytes converted alone, from the converter's initial state: their UTF-8, or empty when the
// converter refuses them or leaves some of them unconverted.
std::string convertAlone(iconv_t cd, std::string_view bytes) {
    std::string in(bytes);  // iconv takes its input through a pointer to non-const
    char* src = in.data();
    std::size_t srcLeft = in.size();
    char utf8[8];
    char* dst = utf8;
    std::size_t dstLeft = sizeof utf8;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    // The tables with combining marks (CP1255, CP1258) hold a character back until they know no
    // mark follows: the bytes are alone, so it is asked for at once.
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) || srcLeft != 0 ||
        iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
        return {};
    }
    return std::string(utf8, dst);
}

class Cp949Table {
  public:
    Cp949Table() {
        const iconv_t cd = iconv_open("UTF-8", "CP949");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("this system's iconv has no CP949 converter");
        }
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x41; trail <= 0xFE; ++trail) {
                if (!isTrail(static_cast<unsigned char>(trail))) {
                    continue;
                }
                const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const std::string utf8 = convertAlone(cd, std::string_view(pair, 2));
                if (utf8.size() <= sizeof Character::bytes) {
                    Character& c = m_pairs[index(lead, trail)];
                    c.size = static_cast<unsigned char>(utf8.size());
                    std::copy(utf8.begin(), utf8.end(), c.bytes);
                }
            }
        }
        iconv_close(cd);
    }

    // U+FFFD for each byte or pair the code page does not define: a lead byte with no trail
    // byte after it, a byte that is neither a letter nor a lead, a pair outside the table.
    std::string toUtf8(std::string_view in) const {
        static constexpr char kReplacement[] = "\xEF\xBF\xBD";
        std::string out;
        out.reserve(in.size() * 3 / 2 + 4);
        for (std::size_t i = 0; i < in.size();) {
            const auto b = static_cast<unsigned char>(in[i]);
            if (b < 0x80) {
                out.push_back(in[i]);
                ++i;
            } else if (isLead(b) && i + 1 < in.size() &&
                       isTrail(static_cast<unsigned char>(in[i + 1]))) {
                const Character& c = m_pairs[index(b, static_cast<unsigned char>(in[i + 1]))];
                if (c.size == 0) {
                    out += kReplacement;
                } else {
                    out.append(c.bytes, c.size);
                }
                i += 2;
            } else {
                out += kReplacement;
                ++i;
            }
        }
        return out;
    }

  private:
    static std::size_t index(unsigned lead, unsigned trail) {
        return (lead - 0x81) * 0xBE + (trail - 0x41);
    }

    // A pair's character in UTF-8; size 0 where the code page has none.
    struct Character {
        char bytes[4] = {};
        unsigned char size = 0;
    };
    std::vector<Character> m_pairs = std::vector<Character>(0x7E * 0xBE);
};

}  // namespace

std::vector<Item> Decoder::feed(std::string_view bytes) {
    m_pending.append(bytes);
    return take(false);
}

std::vector<Item> Decoder::finish() {
    std::vector<Item> items = take(true);
    m_pendingOffset = 0;
    m_skip = 0;
    resetCodePage();
    return items;
}

void Decoder::resetCodePage() {
    m_twoByte = true;
    m_table = 0;
    m_international = 0;
}

std::size_t Decoder::pendingBytes() const {
    return m_pending.size();
}

std::vector<Item> Decoder::take(bool atEnd) {
    std::vector<Item> items;
    const std::string_view all = m_pending;
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::string_view in = all.substr(pos);
        Item item;
        item.offset = m_pendingOffset + pos;
        if (m_skip > 0) {
            // The data of a command too large to keep, in parts of a fixed size.
            const std::size_t part =
                static_cast<std::size_t>(std::min<std::uint64_t>(m_skip, kSkipPart));
            if (in.size() < part && !atEnd) {
                break;
            }
            item.op = Op::DataSkipped;
            item.bytes.assign(in.substr(0, std::min(part, in.size())));
            item.truncated = in.size() < part;
            m_skip = item.truncated ? 0 : m_skip - part;
            pos += item.bytes.size();
            items.push_back(std::move(item));
            continue;
        }
        const Step s = readOne(in, atEnd, m_twoByte);
        if (s.length == 0) {
            break;
        }
        item.op = s.op;
        item.bytes.assign(in.substr(0, s.length));
        item.truncated = s.truncated;
        item.tail = static_cast<std::uint8_t>(s.tail);
        item.what = s.what;
        item.skipped = s.skip;
        for (std::size_t i = s.paramsFrom; i < s.paramsTo && i < s.length; ++i) {
            item.params.push_back(at(in, i));
        }
        if (s.op != Op::Text && s.op != Op::Unknown && s.dataFrom + s.tail < s.length) {
            item.data.assign(in.substr(s.dataFrom, s.length - s.tail - s.dataFrom));
        }
        if (s.op == Op::Text && m_readText) {
            item.text = m_twoByte ? cp949ToUtf8(item.bytes) : singleByteToUtf8(item.bytes, m_table);
            item.singleByte = !m_twoByte;
            if (m_international != 0) {
                item.text = internationalText(item.text, m_international);
            }
        }
        m_skip = s.skip;
        follow(item);
        items.push_back(std::move(item));
        pos += s.length;
    }
    m_pending.erase(0, pos);
    m_pendingOffset += pos;
    return items;
}

void Decoder::follow(const Item& item) {
    if (item.truncated) {
        return;
    }
    switch (item.op) {
        case Op::Initialize: resetCodePage(); break;
        case Op::CodeTable:
            m_twoByte = false;
            m_table = item.params.at(0);
            break;
        case Op::TwoByteOn: m_twoByte = true; break;
        case Op::TwoByteOff: m_twoByte = false; break;
        case Op::InternationalSet: m_international = item.params.at(0); break;
        default: break;
    }
}

std::vector<Item> decode(std::string_view stream) {
    Decoder decoder;
    std::vector<Item> items = decoder.feed(stream);
    std::vector<Item> rest = decoder.finish();
    items.insert(items.end(), std::make_move_iterator(rest.begin()),
                 std::make_move_iterator(rest.end()));
    return items;
}

namespace {

const Cp949Table& cp949Table() {
    // Built once, then only read, from any thread. A failed build is tried again at the next use.
    static const Cp949Table table;
    return table;
}

}  // namespace

std::string cp949ToUtf8(std::string_view bytes) {
    return cp949Table().toUtf8(bytes);
}

void prepareCodePage() {
    cp949Table();
}

const char* codeTableName(int n) {
    switch (n) {
        case 0: return "CP437";
        case 1: return "SHIFT_JIS";  // its single bytes: the half-width Katakana
        case 2: return "CP850";
        case 3: return "CP860";
        case 4: return "CP863";
        case 5: return "CP865";
        case 11: return "CP851";
        case 13: return "CP857";
        case 14: return "CP737";
        case 15: return "ISO-8859-7";
        case 16: return "CP1252";
        case 17: return "CP866";
        case 18: return "CP852";
        case 19: return "CP858";
        case 20:
        case 21:
        case 26: return "TIS-620";
        case 30: return "TCVN5712-1";
        case 33: return "CP775";
        case 34: return "CP855";
        case 35: return "CP861";
        case 36: return "CP862";
        case 37: return "CP864";
        case 38: return "CP869";
        case 39: return "ISO-8859-2";
        case 40: return "ISO-8859-15";
        case 44: return "CP1125";
        case 45: return "CP1250";
        case 46: return "CP1251";
        case 47: return "CP1253";
        case 48: return "CP1254";
        case 49: return "CP1255";
        case 50: return "CP1256";
        case 51: return "CP1257";
        case 52: return "CP1258";
        case 53: return "RK1048";
        default: return nullptr;
    }
}

namespace {

// The upper half of a single-byte table in UTF-8, each byte converted alone once.
struct UpperHalf {
    std::string characters[128];
};

UpperHalf buildUpperHalf(const char* name) {
    UpperHalf half;
    const iconv_t cd = name != nullptr ? iconv_open("UTF-8", name) : reinterpret_cast<iconv_t>(-1);
    for (unsigned b = 0x80; b <= 0xFF; ++b) {
        std::string& out = half.characters[b - 0x80];
        out = "\xEF\xBF\xBD";
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            continue;
        }
        if (std::string utf8 = convertAlone(cd, std::string(1, static_cast<char>(b)));
            !utf8.empty()) {
            out = std::move(utf8);
        }
    }
    if (cd != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(cd);
    }
    return half;
}

const UpperHalf& upperHalf(int table) {
    // One per ESC t value, built at its first use; then only read.
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<UpperHalf>> tables;
    const std::lock_guard lock(mutex);
    auto& entry = tables[table];
    if (!entry) {
        entry = std::make_unique<UpperHalf>(buildUpperHalf(codeTableName(table)));
    }
    return *entry;
}

}  // namespace

std::string singleByteToUtf8(std::string_view bytes, int table) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    const UpperHalf* half = nullptr;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            if (half == nullptr) {
                half = &upperHalf(table);
            }
            out += half->characters[b - 0x80];
        }
    }
    return out;
}

std::string internationalText(std::string_view utf8, int set) {
    // The characters of # $ @ [ \ ] ^ ` { | } ~ in each set, USA's where a set keeps them.
    static constexpr std::string_view kPlaces = "#$@[\\]^`{|}~";
    static constexpr const char* kSets[][12] = {
        {"#", "$", "@", "[", "\\", "]", "^", "`", "{", "|", "}", "~"},  // USA
        {"#", "$", "à", "°", "ç", "§", "^", "`", "é", "ù", "è", "¨"},   // France
        {"#", "$", "§", "Ä", "Ö", "Ü", "^", "`", "ä", "ö", "ü", "ß"},   // Germany
        {"£", "$", "@", "[", "\\", "]", "^", "`", "{", "|", "}", "~"},  // UK
        {"#", "$", "@", "Æ", "Ø", "Å", "^", "`", "æ", "ø", "å", "~"},   // Denmark I
        {"#", "¤", "É", "Ä", "Ö", "Å", "Ü", "é", "ä", "ö", "å", "ü"},   // Sweden
        {"#", "$", "@", "°", "\\", "é", "^", "ù", "à", "ò", "è", "ì"},  // Italy
        {"₧", "$", "@", "¡", "Ñ", "¿", "^", "`", "¨", "ñ", "}", "~"},   // Spain I
        {"#", "$", "@", "[", "¥", "]", "^", "`", "{", "|", "}", "~"},   // Japan
        {"#", "¤", "É", "Æ", "Ø", "Å", "Ü", "é", "æ", "ø", "å", "ü"},   // Norway
        {"#", "$", "É", "Æ", "Ø", "Å", "Ü", "é", "æ", "ø", "å", "ü"},   // Denmark II
        {"#", "$", "á", "¡", "Ñ", "¿", "é", "`", "í", "ñ", "ó", "ú"},   // Spain II
        {"#", "$", "á", "¡", "Ñ", "¿", "é", "ü", "í", "ñ", "ó", "ú"},   // Latin America
        {"#", "$", "@", "[", "₩", "]", "^", "`", "{", "|", "}", "~"},   // Korea
    };
    if (set <= 0 || set >= static_cast<int>(std::size(kSets))) {
        return std::string(utf8);
    }
    std::string out;
    out.reserve(utf8.size() + 8);
    for (const char c : utf8) {
        const std::size_t place = kPlaces.find(c);
        if (place == std::string_view::npos) {
            out.push_back(c);
        } else {
            out += kSets[set][place];
        }
    }
    return out;
}

void CommandSetUse::add(const Item& item) {
    const CommandSet set = commandSetOf(item.op);
    if (set == CommandSet::Common || item.truncated) {
        return;
    }
    if (assumed == CommandSet::Common) {
        assumed = set;
        assumedFrom = item.offset;
    } else if (set != assumed && !mixed()) {
        otherSetFrom = item.offset;
    }
    ++(set == CommandSet::Epson ? epsonCommands : cbmCommands);
}

bool isPartialCut(const Item& item) {
    if (item.op == Op::PartialCut) {
        return true;
    }
    if (item.op != Op::CutPaper || item.params.empty()) {
        return false;
    }
    const unsigned m = item.params[0];
    return m == 1 || m == 49 || m == 66 || m == 98 || m == 104;
}

}  // namespace mpt::printer
