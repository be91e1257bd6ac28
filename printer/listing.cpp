// SPDX-License-Identifier: MIT
#include "printer/listing.h"

#include <QtGlobal>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "core/texts.h"
#include "printer/barcode.h"
#include "testpages/commands.h"

namespace mpt::printer {

namespace {

std::string hexByte(unsigned b) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", b & 0xFFu);
    return text;
}

// The bytes in hex; of a long item (a picture) the first 32 and how many there are.
std::string spacedHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    constexpr std::size_t kShown = 32;
    std::string hex;
    for (const char c : bytes.substr(0, bytes.size() > 2 * kShown ? kShown : bytes.size())) {
        const auto b = static_cast<unsigned char>(c);
        if (!hex.empty()) {
            hex.push_back(' ');
        }
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
    }
    if (bytes.size() > 2 * kShown) {
        hex += " … (" + std::to_string(bytes.size()) + " bytes)";
    }
    return hex;
}

// The ASCII name of a byte below 0x20 (and DEL), as the command vocabulary names control bytes.
const char* controlName(unsigned char b) {
    static constexpr const char* kNames[] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL",
                                             "BS",  "HT",  "LF",  "VT",  "FF",  "CR",  "SO",  "SI",
                                             "DLE", "DC1", "DC2", "DC3", "DC4", "NAK", "SYN", "ETB",
                                             "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    if (b < 0x20) {
        return kNames[b];
    }
    return b == 0x7F ? "DEL" : nullptr;
}

// Bytes as the vocabulary writes them: control bytes by name, printable ASCII as itself, others in
// hex. Used for the command letters and for unknown sequences.
std::string spelled(std::string_view bytes) {
    constexpr std::size_t kShown = 16;
    std::string out;
    if (bytes.size() > kShown) {
        return spelled(bytes.substr(0, kShown)) + " … (" + std::to_string(bytes.size()) + " bytes)";
    }
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!out.empty()) {
            out.push_back(' ');
        }
        if (const char* name = controlName(b)) {
            out += name;
        } else if (b < 0x80) {
            out.push_back(static_cast<char>(b));
        } else {
            out += hexByte(b);
        }
    }
    return out;
}

// Bar code data as text: printable ASCII as it is, anything else in hex.
std::string dataText(std::string_view data) {
    constexpr std::size_t kShown = 256;
    std::string out;
    for (const char c : data.substr(0, kShown)) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(static_cast<char>(b));
        } else {
            out += '<';
            out += hexByte(b);
            out += '>';
        }
    }
    if (data.size() > kShown) {
        out += "…";
    }
    return out;
}

std::string onOff(unsigned n) {
    return (n & 1u) != 0 ? "on" : "off";
}

std::string pictureSize(const std::string& data, std::size_t from) {
    if (data.size() < from + 4) {
        return "";
    }
    return std::to_string(wordAt(data, from)) + " x " + std::to_string(wordAt(data, from + 2)) +
           " dots";
}

std::string graphicsMeaning(const Item& item) {
    const unsigned fn = item.params.size() >= 2 ? item.params.back() : 0;
    const std::string& d = item.data;
    switch (static_cast<GraphicsFunction>(fn)) {
        case GraphicsFunction::StoreRaster:
            return "graphics: store " + pictureSize(d, 4) + " in the print buffer";
        case GraphicsFunction::StoreColumns:
            return "graphics: store " + pictureSize(d, 4) + " (columns) in the print buffer";
        case GraphicsFunction::PrintBuffer:
        case GraphicsFunction::PrintBufferAlias:
            return "graphics: print the print buffer's graphics";
        case GraphicsFunction::DefineNv:
            return "graphics: define NV graphics (kept here until the program ends)";
        case GraphicsFunction::PrintNv: return "graphics: print NV graphics";
        case GraphicsFunction::DefineDownload: return "graphics: define download graphics";
        case GraphicsFunction::PrintDownload: return "graphics: print download graphics";
    }
    return "graphics: function " + std::to_string(fn) + " (nothing drawn)";
}

std::string symbolMeaning(const Item& item) {
    if (item.params.size() < 4) {
        return "two-dimensional symbol: function too short to read";
    }
    const unsigned cn = param(item, 2);
    const unsigned fn = param(item, 3);
    const std::string name = cn == 49   ? "QR code"
                             : cn == 48 ? "PDF417"
                                        : "2D symbol " + hexByte(cn);
    const unsigned n = item.data.empty() ? 0 : static_cast<unsigned char>(item.data.back());
    switch (fn) {
        case 65:
            if (cn == 49) {
                const unsigned n1 =
                    item.data.empty() ? 0 : static_cast<unsigned char>(item.data[0]);
                return name + (n1 == 49 ? ": model 1" : n1 == 51 ? ": micro QR code" : ": model 2");
            }
            return name + ": columns " + std::to_string(n);
        case 66: return name + ": rows " + std::to_string(n);
        case 67: return name + ": module size " + std::to_string(n) + " dots";
        case 68: return name + ": row height " + std::to_string(n);
        case 69: return name + ": error correction level " + hexByte(n);
        case 70: return name + ": options " + hexByte(n);
        case 80:
            return name + ": store " +
                   std::to_string(item.data.empty() ? 0 : item.data.size() - 1) + " data bytes \"" +
                   dataText(std::string_view(item.data).substr(item.data.empty() ? 0 : 1)) + "\"";
        case 81: return name + ": print the stored data";
        case 82: return name + ": transmit the size (not answered)";
        default: return name + ": function " + std::to_string(fn);
    }
}

std::string printMode(unsigned n) {
    std::string out = (n & cmd::kModeFontB) != 0 ? "font B" : "font A";
    if ((n & cmd::kModeEmphasis) != 0) {
        out += ", emphasis";
    }
    if ((n & cmd::kModeDoubleHeight) != 0) {
        out += ", double height";
    }
    if ((n & cmd::kModeDoubleWidth) != 0) {
        out += ", double width";
    }
    if ((n & cmd::kModeUnderline) != 0) {
        out += ", underline";
    }
    if (const unsigned undefined = n & ~unsigned{cmd::kModeDefinedBits} & 0xFFu; undefined != 0) {
        out += " (bits " + hexByte(undefined) + " have no meaning)";
    }
    return out;
}

std::string logoSize(unsigned m) {
    const char* name = logoSizeName(digitValue(m));
    return name != nullptr ? name : "size mode " + hexByte(m) + " (not defined)";
}

// A parameter read as a digit (n or the character of n): its entry in `names`, else a value the
// printer ignores, named after `what`.
template <std::size_t N>
std::string digitChoice(unsigned n, const char* const (&names)[N], const char* what) {
    if (const int i = digitValue(n); i >= 0 && static_cast<std::size_t>(i) < N) {
        return names[i];
    }
    return std::string(what) + " " + hexByte(n) + " (not defined, ignored)";
}

constexpr const char* kUnderline[] = {"underline off", "underline on, one dot thick",
                                      "underline on, two dots thick"};
constexpr const char* kPrintColour[] = {"print colour: black (first colour)",
                                        "print colour: red (second colour)"};
constexpr const char* kJustify[] = {"justify left", "justify centred", "justify right"};
constexpr const char* kFont[] = {"font A", "font B", "font C"};
constexpr const char* kTextPosition[] = {
    "bar code text not printed", "bar code text above the bars", "bar code text below the bars",
    "bar code text above and below the bars"};

std::string drawerPulseMeaning(unsigned pin, unsigned on, unsigned off) {
    const int connector = digitValue(pin) == 0 ? 2 : digitValue(pin) == 1 ? 5 : 0;
    const std::string where = connector == 0 ? "connector pin " + hexByte(pin) + " (not defined)"
                                             : "connector pin " + std::to_string(connector);
    return "drawer pulse: " + where + ", " + std::to_string(on * 2) + " ms on, " +
           std::to_string(off * 2) + " ms off";
}

std::string pageBracketMeaning(unsigned n) {
    switch (n) {
        case 0: return "page bracket: closes the page";
        case 1: return "page bracket: opens a page";
        default: return "page bracket " + hexByte(n) + " (neither opens nor closes)";
    }
}

std::string cutPaperMeaning(const Item& item) {
    std::string out = isPartialCut(item) ? "partial cut: one point left uncut"
                                         : "full cut: cuts the paper through";
    if (item.params.size() > 1) {
        out += ", after feeding " + std::to_string(param(item, 1)) + " dots";
    }
    return out;
}

std::string printBarCodeMeaning(const Item& item, unsigned m) {
    std::string out = "print bar code " + symbologyName(static_cast<int>(m)) + ", " +
                      std::to_string(item.data.size()) + " data bytes \"" + dataText(item.data) +
                      "\"";
    if (isCode128(static_cast<int>(m))) {
        out += ", reads \"" + dataText(code128Text(item.data)) + "\"";
    }
    return out;
}

std::string tabStopsMeaning(const Item& item) {
    if (item.params.empty()) {
        return "tab positions cleared: back to every 8 characters";
    }
    std::string out = "tab positions at characters";
    for (const std::uint8_t n : item.params) {
        out += " " + std::to_string(n);
    }
    return out;
}

std::string codeTableMeaning(unsigned n) {
    const char* name = codeTableName(static_cast<int>(n));
    return "character code table " + std::to_string(n) +
           (name != nullptr ? " (" + std::string(name) + ")"
                            : " (not one this printer has: upper half unreadable)");
}

std::string rasterImageMeaning(unsigned m, unsigned widthBytes, unsigned height) {
    return "raster image " + std::to_string(widthBytes * 8) + " x " + std::to_string(height) +
           " dots" + ((m & 1) != 0 ? ", double width" : "") +
           ((m & 2) != 0 ? ", double height" : "");
}

std::string bitImageMeaning(unsigned m, unsigned columns) {
    return std::string("bit image ") + ((m & 0x20) != 0 ? "24" : "8") + " dots high, " +
           ((m & 1) != 0 ? "double" : "single") + " density, " + std::to_string(columns) +
           " columns";
}

// What the listing says of bytes that are no command.
std::string unknownMeaning(const Item& item) {
    if (item.bytes.size() >= 3 && item.bytes[0] == 0x1D && item.bytes[1] == 'k') {
        return "unknown: bar code symbology " + hexByte(param(item, 0)) +
               " is not one this printer reads; its data follow as they are";
    }
    if (item.bytes.size() == 1) {
        return "unknown: control byte " + spelled(item.bytes) + " (" +
               hexByte(static_cast<unsigned char>(item.bytes[0])) + ") is not a command here";
    }
    return "unknown: " + spelled(item.bytes) + " is not a command here";
}

// What a complete command does.
std::string completeMeaning(const Item& item) {
    switch (item.op) {
        case Op::Text: return "text";
        case Op::LineFeed: return "line feed: prints the line and feeds the paper one line";
        case Op::CarriageReturn: return "carriage return: back to the line's start, no feed";
        case Op::SelectPrintMode: return "select print mode: " + printMode(param(item, 0));
        case Op::Underline: return digitChoice(param(item, 0), kUnderline, "underline");
        case Op::PrintColour: return digitChoice(param(item, 0), kPrintColour, "print colour");
        case Op::PartialCut: return "partial cut: cuts the paper, one point left uncut";
        case Op::DrawerPulse:
            return drawerPulseMeaning(param(item, 0), param(item, 1), param(item, 2));
        case Op::PrintStoredLogo:
            return "print stored logo image " + std::to_string(param(item, 0)) + ", " +
                   logoSize(param(item, 1));
        case Op::BarCodeHeight:
            return "bar code height " + std::to_string(param(item, 0)) + " dots";
        case Op::BarCodeModuleWidth:
            return "bar code module width " + std::to_string(param(item, 0));
        case Op::BarCodeTextPosition:
            return digitChoice(param(item, 0), kTextPosition, "bar code text position");
        case Op::PrintBarCode: return printBarCodeMeaning(item, param(item, 0));
        case Op::Enlarged: return "enlarged: double width to the end of the line";
        case Op::LineAttribute: return "line attribute for this line";
        case Op::Cut: return "cut: cuts the paper through";
        case Op::PageBracket: return pageBracketMeaning(param(item, 0));
        case Op::Nothing: return "nothing (NUL)";
        case Op::Initialize: return "initialize: back to the power-on state";
        case Op::Justify: return digitChoice(param(item, 0), kJustify, "justification");
        case Op::Emphasis: return "emphasis " + onOff(param(item, 0));
        case Op::DoubleStrike: return "double-strike " + onOff(param(item, 0));
        case Op::CharacterSize:
            return "character size: width x" + std::to_string(((param(item, 0) >> 4) & 7) + 1) +
                   ", height x" + std::to_string((param(item, 0) & 7) + 1);
        case Op::Font: return digitChoice(param(item, 0), kFont, "font");
        case Op::Reverse: return "white on black " + onOff(param(item, 0));
        case Op::UpsideDown: return "upside-down printing " + onOff(param(item, 0));
        case Op::Rotate:
            return "90-degree rotation " +
                   std::string(digitValue(param(item, 0)) == 0 ? "off" : "on");
        case Op::LineSpacing: return "line spacing " + std::to_string(param(item, 0)) + " dots";
        case Op::DefaultLineSpacing: return "default line spacing";
        case Op::LeftMargin: return "left margin " + std::to_string(paramWord(item, 0)) + " dots";
        case Op::PrintWidth:
            return "print area width " + std::to_string(paramWord(item, 0)) + " dots";
        case Op::AbsolutePosition:
            return "print position " + std::to_string(paramWord(item, 0)) +
                   " dots from the line's start";
        case Op::RelativePosition:
            return "print position moved by " + std::to_string(paramSignedWord(item, 0)) + " dots";
        case Op::TabStops: return tabStopsMeaning(item);
        case Op::Tab: return "horizontal tab: to the next tab position";
        case Op::FeedLines: return "print and feed " + std::to_string(param(item, 0)) + " lines";
        case Op::FeedDots: return "print and feed " + std::to_string(param(item, 0)) + " dots";
        case Op::CodeTable: return codeTableMeaning(param(item, 0));
        case Op::TwoByteOn: return "two-byte characters on: code page 949";
        case Op::TwoByteOff: return "two-byte characters off: the single-byte table";
        case Op::InternationalSet:
            return "international character set " + std::to_string(param(item, 0));
        case Op::FullCut: return "full cut: cuts the paper through";
        case Op::CutPaper: return cutPaperMeaning(item);
        case Op::RasterImage:
            return rasterImageMeaning(param(item, 0), paramWord(item, 1), paramWord(item, 3));
        case Op::BitImage: return bitImageMeaning(param(item, 0), paramWord(item, 1));
        case Op::Graphics: return graphicsMeaning(item);
        case Op::Symbol2D: return symbolMeaning(item);
        case Op::BarCodeFont:
            return std::string("bar code text in font ") +
                   (digitValue(param(item, 0)) == 1 ? "B" : "A");
        case Op::Setting: return item.what != nullptr ? item.what : "setting";
        case Op::DataSkipped: return "picture data passed over: too large to keep";
        case Op::StatusRequest:
            return "status request: " +
                   std::string(item.what != nullptr ? item.what : "real-time") + " (not drawn)";
        case Op::Unknown: break;
    }
    return unknownMeaning(item);
}

// The name of the command a truncated item began, and how much of it arrived.
std::string truncatedMeaning(const Item& item) {
    const std::string cut = " cut short by the end of the stream";
    switch (item.op) {
        case Op::PrintBarCode:
            if (item.params.size() == 2) {
                return "truncated: print bar code, " + std::to_string(item.data.size()) + " of " +
                       std::to_string(param(item, 1)) +
                       " data bytes arrived before the end of "
                       "the stream";
            }
            return "truncated: print bar code (GS k m n d1 … dn)" + cut;
        case Op::SelectPrintMode: return "truncated: select print mode (ESC ! n)" + cut;
        case Op::Underline: return "truncated: underline (ESC - n)" + cut;
        case Op::PrintColour: return "truncated: print colour (ESC r n)" + cut;
        case Op::DrawerPulse: return "truncated: drawer pulse (ESC p m t1 t2)" + cut;
        case Op::PrintStoredLogo: return "truncated: print stored logo image (FS p n m)" + cut;
        case Op::BarCodeHeight: return "truncated: bar code height (GS h n)" + cut;
        case Op::BarCodeModuleWidth: return "truncated: bar code module width (GS w n)" + cut;
        case Op::BarCodeTextPosition: return "truncated: bar code text position (GS H n)" + cut;
        case Op::Cut: return "truncated: cut (ESC P NUL)" + cut;
        case Op::PageBracket: return "truncated: page bracket (SYN n)" + cut;
        default: return "truncated: " + spelled(item.bytes) + " at the end of the stream";
    }
}

}  // namespace

const char* logoSizeName(int mode) {
    static constexpr const char* kNames[] = {
        QT_TRANSLATE_NOOP("Paper", "normal size"),
        QT_TRANSLATE_NOOP("Paper", "double width"),
        QT_TRANSLATE_NOOP("Paper", "double height"),
        QT_TRANSLATE_NOOP("Paper", "double width and height"),
    };
    return mode >= 0 && mode < static_cast<int>(std::size(kNames)) ? kNames[mode] : nullptr;
}

std::string mnemonic(const Item& item) {
    if (item.op == Op::Text) {
        return "text";
    }
    // The command letters spelled, the parameters in hex; bar code data are in the meaning.
    const std::size_t head =
        item.bytes.size() - item.params.size() - item.data.size() - std::size_t{item.tail};
    std::string out = spelled(std::string_view(item.bytes).substr(0, head));
    for (const std::uint8_t p : item.params) {
        out += ' ';
        out += hexByte(p);
    }
    if (!item.data.empty()) {
        out += " d1";
        if (item.data.size() > 1) {
            out += " … d" + std::to_string(item.data.size());
        }
    }
    if (item.tail > 0) {
        out += ' ';
        out += spelled(std::string_view(item.bytes).substr(item.bytes.size() - item.tail));
    }
    return out;
}

std::string meaning(const Item& item) {
    if (item.truncated) {
        return truncatedMeaning(item);
    }
    std::string out = completeMeaning(item);
    if (item.skipped > 0) {
        out += "; its " + std::to_string(item.skipped) +
               " data bytes are too many to keep and are passed over";
    }
    return out;
}

std::string paperNote(const Item& item) {
    if (item.truncated) {
        std::string command;
        switch (item.op) {
            case Op::PrintBarCode:
                if (item.params.size() == 2) {
                    return fill(translate("Paper",
                                          "truncated: print bar code, %1 of %2 data bytes arrived "
                                          "before the end of the stream"),
                                {std::to_string(item.data.size()), std::to_string(param(item, 1))});
                }
                command = translate("Paper", "print bar code (GS k m n d1 … dn)");
                break;
            case Op::SelectPrintMode:
                command = translate("Paper", "select print mode (ESC ! n)");
                break;
            case Op::Underline: command = translate("Paper", "underline (ESC - n)"); break;
            case Op::PrintColour: command = translate("Paper", "print colour (ESC r n)"); break;
            case Op::DrawerPulse:
                command = translate("Paper", "drawer pulse (ESC p m t1 t2)");
                break;
            case Op::PrintStoredLogo:
                command = translate("Paper", "print stored logo image (FS p n m)");
                break;
            case Op::BarCodeHeight: command = translate("Paper", "bar code height (GS h n)"); break;
            case Op::BarCodeModuleWidth:
                command = translate("Paper", "bar code module width (GS w n)");
                break;
            case Op::BarCodeTextPosition:
                command = translate("Paper", "bar code text position (GS H n)");
                break;
            case Op::Cut: command = translate("Paper", "cut (ESC P NUL)"); break;
            case Op::PageBracket: command = translate("Paper", "page bracket (SYN n)"); break;
            default:
                return fill(translate("Paper", "truncated: %1 at the end of the stream"),
                            {spelled(item.bytes)});
        }
        return fill(translate("Paper", "truncated: %1 cut short by the end of the stream"),
                    {command});
    }
    switch (item.op) {
        case Op::DrawerPulse: {
            const int pin = digitValue(param(item, 0)) == 0   ? 2
                            : digitValue(param(item, 0)) == 1 ? 5
                                                              : 0;
            const std::string on = std::to_string(param(item, 1) * 2);
            const std::string off = std::to_string(param(item, 2) * 2);
            return pin == 0 ? fill(translate("Paper",
                                             "drawer pulse: connector pin %1 (not defined), %2 ms "
                                             "on, %3 ms off"),
                                   {hexByte(param(item, 0)), on, off})
                            : fill(translate("Paper",
                                             "drawer pulse: connector pin %1, %2 ms on, %3 ms off"),
                                   {std::to_string(pin), on, off});
        }
        case Op::PageBracket:
            switch (param(item, 0)) {
                case 0: return translate("Paper", "page bracket: closes the page");
                case 1: return translate("Paper", "page bracket: opens a page");
                default:
                    return fill(translate("Paper", "page bracket %1 (neither opens nor closes)"),
                                {hexByte(param(item, 0))});
            }
        case Op::Unknown:
            if (item.bytes.size() >= 3 && item.bytes[0] == 0x1D && item.bytes[1] == 'k') {
                return fill(translate("Paper",
                                      "unknown: bar code symbology %1 is not one this printer "
                                      "reads; its data follow as they are"),
                            {hexByte(param(item, 0))});
            }
            if (item.bytes.size() == 1) {
                return fill(
                    translate("Paper", "unknown: control byte %1 (%2) is not a command here"),
                    {spelled(item.bytes), hexByte(static_cast<unsigned char>(item.bytes[0]))});
            }
            return fill(translate("Paper", "unknown: %1 is not a command here"),
                        {spelled(item.bytes)});
        default: return meaning(item);
    }
}

std::string skippedNote(const Item& item) {
    return fill(translate("Paper", "picture of %1 bytes, too large to keep: not drawn"),
                {std::to_string(item.skipped)});
}

std::string_view commandSetName(CommandSet set) {
    switch (set) {
        case CommandSet::Epson: return "EPSON mode";
        case CommandSet::Cbm: return "CBM mode";
        case CommandSet::Common: break;
    }
    return "both command sets";
}

std::string listingLine(const Item& item) {
    char offset[24];
    std::snprintf(offset, sizeof offset, "%6zu", item.offset);
    std::string hex = spacedHex(item.bytes);
    if (hex.size() < 20) {
        hex.resize(20, ' ');
    }
    const CommandSet set = commandSetOf(item.op);
    std::string tag = set == CommandSet::Epson ? "EPSON" : set == CommandSet::Cbm ? "CBM" : "";
    tag.resize(6, ' ');
    std::string line = std::string(offset) + "  " + hex + "  " + tag;
    if (item.op == Op::Text) {
        return line + "text  \"" + item.text + "\"";
    }
    return line + mnemonic(item) + "  " + meaning(item);
}

void ListingWriter::add(const std::vector<Item>& items) {
    for (const Item& item : items) {
        m_use.add(item);
        *m_out << listingLine(item) << '\n';
        ++m_items;
        if (item.truncated) {
            ++m_truncated;
        } else if (item.op == Op::Unknown) {
            ++m_unknown;
        } else if (item.op == Op::PartialCut || item.op == Op::Cut || item.op == Op::FullCut ||
                   item.op == Op::CutPaper) {
            ++m_cuts;
        }
    }
}

std::size_t ListingWriter::finish(std::uint64_t streamBytes) {
    std::ostream& out = *m_out;
    if (m_use.assumed == CommandSet::Common) {
        out << "# command set: none assumed, no command of either set in the stream\n";
    } else {
        out << "# command set: " << commandSetName(m_use.assumed) << ", from the command at offset "
            << m_use.assumedFrom;
        if (m_use.mixed()) {
            const CommandSet other =
                m_use.assumed == CommandSet::Epson ? CommandSet::Cbm : CommandSet::Epson;
            out << "; mixed: " << commandSetName(other) << " commands too, from offset "
                << m_use.otherSetFrom << ", each read in its own set";
        }
        out << '\n';
    }
    out << "# " << streamBytes << " bytes in " << m_items
        << " items; EPSON mode commands: " << m_use.epsonCommands
        << ", CBM mode commands: " << m_use.cbmCommands << ", cuts: " << m_cuts
        << ", unknown: " << m_unknown << ", truncated: " << m_truncated << '\n';
    return static_cast<std::size_t>(m_unknown + m_truncated);
}

}  // namespace mpt::printer
