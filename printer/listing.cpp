// SPDX-License-Identifier: MIT
#include "printer/listing.h"

#include <QtGlobal>
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

std::string spacedHex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (!hex.empty()) {
            hex.push_back(' ');
        }
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 0x0F]);
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
    std::string out;
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
    std::string out;
    for (const char c : data) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F) {
            out.push_back(static_cast<char>(b));
        } else {
            out += '<';
            out += hexByte(b);
            out += '>';
        }
    }
    return out;
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

std::string textPosition(unsigned n) {
    switch (digitValue(n)) {
        case 0: return "bar code text not printed";
        case 1: return "bar code text above the bars";
        case 2: return "bar code text below the bars";
        case 3: return "bar code text above and below the bars";
        default: return "bar code text position " + hexByte(n) + " (not defined, ignored)";
    }
}

// What a complete command does.
std::string completeMeaning(const Item& item) {
    const auto p = [&](std::size_t i) { return static_cast<unsigned>(item.params.at(i)); };
    switch (item.op) {
        case Op::Text: return "text";
        case Op::LineFeed: return "line feed: prints the line and feeds the paper one line";
        case Op::CarriageReturn: return "carriage return: back to the line's start, no feed";
        case Op::SelectPrintMode: return "select print mode: " + printMode(p(0));
        case Op::Underline:
            switch (digitValue(p(0))) {
                case 0: return "underline off";
                case 1: return "underline on, one dot thick";
                case 2: return "underline on, two dots thick";
                default: return "underline " + hexByte(p(0)) + " (not defined, ignored)";
            }
        case Op::PrintColour:
            switch (digitValue(p(0))) {
                case 0: return "print colour: black (first colour)";
                case 1: return "print colour: red (second colour)";
                default: return "print colour " + hexByte(p(0)) + " (not defined, ignored)";
            }
        case Op::PartialCut: return "partial cut: cuts the paper, one point left uncut";
        case Op::DrawerPulse: {
            const int pin = digitValue(p(0)) == 0 ? 2 : digitValue(p(0)) == 1 ? 5 : 0;
            const std::string where = pin == 0 ? "connector pin " + hexByte(p(0)) + " (not defined)"
                                               : "connector pin " + std::to_string(pin);
            return "drawer pulse: " + where + ", " + std::to_string(p(1) * 2) + " ms on, " +
                   std::to_string(p(2) * 2) + " ms off";
        }
        case Op::PrintStoredLogo:
            return "print stored logo image " + std::to_string(p(0)) + ", " + logoSize(p(1));
        case Op::BarCodeHeight: return "bar code height " + std::to_string(p(0)) + " dots";
        case Op::BarCodeModuleWidth: return "bar code module width " + std::to_string(p(0));
        case Op::BarCodeTextPosition: return textPosition(p(0));
        case Op::PrintBarCode:
            return "print bar code " + symbologyName(static_cast<int>(p(0))) + ", " +
                   std::to_string(p(1)) + " data bytes \"" + dataText(item.data) + "\"";
        case Op::Enlarged: return "enlarged: double width to the end of the line";
        case Op::LineAttribute: return "line attribute for this line";
        case Op::Cut: return "cut: cuts the paper through";
        case Op::PageBracket:
            switch (p(0)) {
                case 0: return "page bracket: closes the page";
                case 1: return "page bracket: opens a page";
                default: return "page bracket " + hexByte(p(0)) + " (neither opens nor closes)";
            }
        case Op::Unknown: break;
    }
    if (item.bytes.size() >= 3 && item.bytes[0] == 0x1D && item.bytes[1] == 'k') {
        return "unknown: bar code symbology " + hexByte(p(0)) +
               " is not one this printer reads; its data follow as they are";
    }
    if (item.bytes.size() == 1) {
        return "unknown: control byte " + spelled(item.bytes) + " (" +
               hexByte(static_cast<unsigned char>(item.bytes[0])) + ") is not a command here";
    }
    return "unknown: " + spelled(item.bytes) + " is not a command here";
}

// The name of the command a truncated item began, and how much of it arrived.
std::string truncatedMeaning(const Item& item) {
    const std::string cut = " cut short by the end of the stream";
    switch (item.op) {
        case Op::PrintBarCode:
            if (item.params.size() == 2) {
                return "truncated: print bar code, " + std::to_string(item.data.size()) + " of " +
                       std::to_string(item.params[1]) +
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
    const std::size_t head = item.bytes.size() - item.params.size() - item.data.size();
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
    return out;
}

std::string meaning(const Item& item) {
    return item.truncated ? truncatedMeaning(item) : completeMeaning(item);
}

std::string paperNote(const Item& item) {
    const auto p = [&](std::size_t i) { return static_cast<unsigned>(item.params.at(i)); };
    if (item.truncated) {
        std::string command;
        switch (item.op) {
            case Op::PrintBarCode:
                if (item.params.size() == 2) {
                    return fill(translate("Paper",
                                          "truncated: print bar code, %1 of %2 data bytes arrived "
                                          "before the end of the stream"),
                                {std::to_string(item.data.size()), std::to_string(p(1))});
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
            const int pin = digitValue(p(0)) == 0 ? 2 : digitValue(p(0)) == 1 ? 5 : 0;
            const std::string on = std::to_string(p(1) * 2);
            const std::string off = std::to_string(p(2) * 2);
            return pin == 0 ? fill(translate("Paper",
                                             "drawer pulse: connector pin %1 (not defined), %2 ms "
                                             "on, %3 ms off"),
                                   {hexByte(p(0)), on, off})
                            : fill(translate("Paper",
                                             "drawer pulse: connector pin %1, %2 ms on, %3 ms off"),
                                   {std::to_string(pin), on, off});
        }
        case Op::PageBracket:
            switch (p(0)) {
                case 0: return translate("Paper", "page bracket: closes the page");
                case 1: return translate("Paper", "page bracket: opens a page");
                default:
                    return fill(translate("Paper", "page bracket %1 (neither opens nor closes)"),
                                {hexByte(p(0))});
            }
        case Op::Unknown:
            if (item.bytes.size() >= 3 && item.bytes[0] == 0x1D && item.bytes[1] == 'k') {
                return fill(translate("Paper",
                                      "unknown: bar code symbology %1 is not one this printer "
                                      "reads; its data follow as they are"),
                            {hexByte(p(0))});
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
        } else if (item.op == Op::PartialCut || item.op == Op::Cut) {
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
