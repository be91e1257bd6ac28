// SPDX-License-Identifier: MIT
#include "printer/decoder.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>

namespace mpt::printer {

namespace {

constexpr unsigned char kNul = 0x00;
constexpr unsigned char kLf = 0x0A;
constexpr unsigned char kCr = 0x0D;
constexpr unsigned char kSo = 0x0E;
constexpr unsigned char kDc3 = 0x13;
constexpr unsigned char kSyn = 0x16;
constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kFs = 0x1C;
constexpr unsigned char kGs = 0x1D;
constexpr unsigned char kDel = 0x7F;

// GS k m takes a count byte n and n data bytes for these symbology values.
constexpr unsigned char kFirstCountedSymbology = 0x41;
constexpr unsigned char kLastCountedSymbology = 0x49;

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
    std::size_t dataFrom = 0;  // bar code data are bytes [dataFrom, length)
    bool truncated = false;
};

Step needMore() {
    return {};
}

// A command of `size` bytes whose parameters start at `paramsFrom`, if that many have arrived;
// at the end of the stream, the bytes that did arrive are a truncated command.
Step fixed(std::string_view in, bool atEnd, Op op, std::size_t size, std::size_t paramsFrom) {
    if (in.size() >= size) {
        return {size, op, paramsFrom, size, size, false};
    }
    if (!atEnd) {
        return needMore();
    }
    const std::size_t have = in.size();
    return {have, op, std::min(paramsFrom, have), have, have, true};
}

// An introducer (ESC, FS, GS) followed by a byte that names no command this printer knows: the
// pair is one unknown sequence, unless the second byte is a control byte, which starts an item of
// its own.
Step unknownAfterIntroducer(std::string_view in) {
    const unsigned char second = at(in, 1);
    return {endsText(second) ? std::size_t{1} : std::size_t{2}, Op::Unknown, 0, 0, 0, false};
}

Step textRun(std::string_view in, bool atEnd) {
    std::size_t i = 0;
    while (i < in.size() && !endsText(at(in, i))) {
        if (i >= Decoder::kMaxTextRun) {
            return {i, Op::Text, 0, 0, i, false};
        }
        if (isLead(at(in, i))) {
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

Step readOne(std::string_view in, bool atEnd) {
    const unsigned char first = at(in, 0);
    const auto need2 = [&]() -> std::optional<Step> {
        if (in.size() >= 2) {
            return std::nullopt;
        }
        if (!atEnd) {
            return needMore();
        }
        return Step{1, Op::Unknown, 1, 1, 1, true};
    };
    switch (first) {
        case kLf: return {1, Op::LineFeed, 1, 1, 1, false};
        case kCr: return {1, Op::CarriageReturn, 1, 1, 1, false};
        case kSo: return {1, Op::Enlarged, 1, 1, 1, false};
        case kDc3: return {1, Op::LineAttribute, 1, 1, 1, false};
        case kSyn: return fixed(in, atEnd, Op::PageBracket, 2, 1);
        case kEsc: {
            if (auto s = need2()) {
                return *s;
            }
            switch (at(in, 1)) {
                case '!': return fixed(in, atEnd, Op::SelectPrintMode, 3, 2);
                case '-': return fixed(in, atEnd, Op::Underline, 3, 2);
                case 'r': return fixed(in, atEnd, Op::PrintColour, 3, 2);
                case 'm': return {2, Op::PartialCut, 2, 2, 2, false};
                case 'p': return fixed(in, atEnd, Op::DrawerPulse, 5, 2);
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
        case kFs: {
            if (auto s = need2()) {
                return *s;
            }
            if (at(in, 1) == 'p') {
                return fixed(in, atEnd, Op::PrintStoredLogo, 4, 2);
            }
            return unknownAfterIntroducer(in);
        }
        case kGs: {
            if (auto s = need2()) {
                return *s;
            }
            switch (at(in, 1)) {
                case 'h': return fixed(in, atEnd, Op::BarCodeHeight, 3, 2);
                case 'w': return fixed(in, atEnd, Op::BarCodeModuleWidth, 3, 2);
                case 'H': return fixed(in, atEnd, Op::BarCodeTextPosition, 3, 2);
                case 'k': {
                    if (in.size() < 3) {
                        return fixed(in, atEnd, Op::PrintBarCode, 3, 2);
                    }
                    const unsigned char m = at(in, 2);
                    if (m < kFirstCountedSymbology || m > kLastCountedSymbology) {
                        // A symbology whose data length this printer cannot tell: the data that
                        // follow are read as whatever they are.
                        return {3, Op::Unknown, 2, 3, 3, false};
                    }
                    if (in.size() < 4) {
                        return fixed(in, atEnd, Op::PrintBarCode, 4, 2);
                    }
                    const std::size_t size = 4 + at(in, 3);
                    if (in.size() >= size) {
                        return {size, Op::PrintBarCode, 2, 4, 4, false};
                    }
                    if (!atEnd) {
                        return needMore();
                    }
                    return {in.size(), Op::PrintBarCode, 2, 4, 4, true};
                }
                default: return unknownAfterIntroducer(in);
            }
        }
        default: break;
    }
    if (endsText(first)) {
        return {1, Op::Unknown, 1, 1, 1, false};
    }
    return textRun(in, atEnd);
}

}  // namespace

CommandSet commandSetOf(Op op) {
    switch (op) {
        case Op::SelectPrintMode:
        case Op::Underline:
        case Op::PrintColour:
        case Op::PartialCut:
        case Op::DrawerPulse:
        case Op::PrintStoredLogo:
        case Op::BarCodeHeight:
        case Op::BarCodeModuleWidth:
        case Op::BarCodeTextPosition:
        case Op::PrintBarCode: return CommandSet::Epson;
        case Op::Enlarged:
        case Op::LineAttribute:
        case Op::Cut: return CommandSet::Cbm;
        case Op::Text:
        case Op::LineFeed:
        case Op::CarriageReturn:
        case Op::PageBracket:
        case Op::Unknown: return CommandSet::Common;
    }
    return CommandSet::Common;
}

namespace {

// glibc's "CP949" is the unified Hangul code the console's channels write with; it is used in
// both directions so that the printer reads exactly what the console meant.
//
// Each pair the code page may hold is converted once, alone, into a table, and text is read from
// the table a character at a time. Asking iconv to convert a whole run and stepping over what it
// refuses is not safe: for some invalid pairs it consumes both bytes before it reports them, so
// the place it stops at says nothing about where the bad character began.
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
                char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char* src = pair;
                std::size_t srcLeft = 2;
                char utf8[8];
                char* dst = utf8;
                std::size_t dstLeft = sizeof utf8;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1) &&
                    srcLeft == 0 && dst - utf8 <= 4) {
                    Character& c = m_pairs[index(lead, trail)];
                    c.size = static_cast<unsigned char>(dst - utf8);
                    std::copy(utf8, dst, c.bytes);
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
    return items;
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
        const Step s = readOne(in, atEnd);
        if (s.length == 0) {
            break;
        }
        Item item;
        item.op = s.op;
        item.offset = m_pendingOffset + pos;
        item.bytes.assign(in.substr(0, s.length));
        item.truncated = s.truncated;
        for (std::size_t i = s.paramsFrom; i < s.paramsTo && i < s.length; ++i) {
            item.params.push_back(at(in, i));
        }
        if (s.op == Op::PrintBarCode && s.dataFrom < s.length) {
            item.data.assign(in.substr(s.dataFrom, s.length - s.dataFrom));
        }
        if (s.op == Op::Text) {
            item.text = cp949ToUtf8(item.bytes);
        }
        items.push_back(std::move(item));
        pos += s.length;
    }
    m_pending.erase(0, pos);
    m_pendingOffset += pos;
    return items;
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

}  // namespace mpt::printer
