// SPDX-License-Identifier: MIT
// The virtual printer's reading of a byte stream: bytes become a sequence of items, each a command
// of one of the two command sets the console speaks, a line control, a run of text in code page
// 949, or bytes the printer does not understand.
//
// The decoder reads both command sets at once. Their sequences do not collide (ESC m is EPSON
// mode's partial cut, ESC P NUL CBM mode's cut, SO and DC3 are CBM mode's), so every sequence has
// one reading, and each item says which set it belongs to; a stream that mixes them, as the line
// feed test does with its two cuts, is read command by command. Which set a stream speaks is
// judged from its items (see CommandSetUse).
//
// Beyond the console's own commands it reads what receipt programs send in standard mode: text
// styles, alignment, sizes, positions, feeds, code pages, cuts, pictures (raster, bit image,
// graphics), bar codes and two-dimensional symbols, status requests. Every command it knows is
// read with its exact length: a fixed parameter count, a length the command carries (pL pH, the
// four bytes of GS 8 L, an image's size), or an end byte (NUL), so that no parameter or data byte
// is ever taken for text.
//
// Text is read in the code page of the moment: two-byte code page 949 from the start and after
// ESC @ (the console's own streams), a single-byte table after ESC t n until FS & turns two-byte
// characters on again (FS . turns them off); ESC R n replaces the few characters of an
// international set.
//
// Nothing the decoder is given makes it fail: a sequence it does not know becomes an Unknown item,
// and a sequence cut short by the end of the stream becomes an item marked truncated. Every byte
// of the stream belongs to exactly one item, and the items are the same however the stream is
// split into feeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mpt::printer {

enum class CommandSet { Common, Epson, Cbm };

enum class Op {
    Text,                 // characters in code page 949
    LineFeed,             // LF
    CarriageReturn,       // CR
    SelectPrintMode,      // ESC ! n
    Underline,            // ESC - n
    PrintColour,          // ESC r n
    PartialCut,           // ESC m
    DrawerPulse,          // ESC p m t1 t2
    PrintStoredLogo,      // FS p n m
    BarCodeHeight,        // GS h n
    BarCodeModuleWidth,   // GS w n
    BarCodeTextPosition,  // GS H n
    PrintBarCode,         // GS k m n d1 … dn
    Enlarged,             // SO
    LineAttribute,        // DC3
    Cut,                  // ESC P NUL
    PageBracket,          // SYN n
    Nothing,              // NUL
    Initialize,           // ESC @
    Justify,              // ESC a n
    Emphasis,             // ESC E n
    DoubleStrike,         // ESC G n
    CharacterSize,        // GS ! n
    Font,                 // ESC M n
    Reverse,              // GS B n
    UpsideDown,           // ESC { n
    Rotate,               // ESC V n
    LineSpacing,          // ESC 3 n
    DefaultLineSpacing,   // ESC 2
    LeftMargin,           // GS L nL nH
    PrintWidth,           // GS W nL nH
    AbsolutePosition,     // ESC $ nL nH
    RelativePosition,     // ESC \ nL nH
    TabStops,             // ESC D n1 … nk NUL
    Tab,                  // HT
    FeedLines,            // ESC d n
    FeedDots,             // ESC J n
    CodeTable,            // ESC t n
    TwoByteOn,            // FS &
    TwoByteOff,           // FS .
    InternationalSet,     // ESC R n
    FullCut,              // ESC i
    CutPaper,             // GS V m, GS V m n
    RasterImage,          // GS v 0 m xL xH yL yH d1 … dk
    BitImage,             // ESC * m nL nH d1 … dk
    Graphics,             // GS ( L pL pH m fn …, GS 8 L p1 p2 p3 p4 m fn …
    Symbol2D,             // GS ( k pL pH cn fn …
    BarCodeFont,          // GS f n
    Setting,              // understood, and nothing drawn here changes (Item::what names it)
    DataSkipped,          // data of a picture too large to keep, passed over
    // Status and real-time requests: DLE EOT n, DLE ENQ n, DLE DC4 fn …, GS r n, GS I n, GS a n.
    // Read with their lengths and never drawn; what answers them is not the paper's business.
    StatusRequest,
    Unknown,  // a sequence the printer does not understand
};

// The command set an operation belongs to; line control, text, the page bracket and unknown
// bytes are Common.
CommandSet commandSetOf(Op op);

// A parameter that the command sets accept both as a number and as its ASCII digit: '1' and 1
// both read as 1.
inline int digitValue(unsigned p) {
    return p >= '0' && p <= '9' ? static_cast<int>(p - '0') : static_cast<int>(p);
}

struct Item {
    Op op = Op::Unknown;
    std::size_t offset = 0;            // of the first byte, counted from the start of the stream
    std::string bytes;                 // exactly the bytes of the item
    std::vector<std::uint8_t> params;  // the parameter bytes in stream order (PrintBarCode: m, n)
    std::string data;                  // PrintBarCode: the data bytes that followed the command
    std::string text;                  // Text: the characters in UTF-8
    bool singleByte = false;           // Text: read from a single-byte table, not code page 949
    bool truncated = false;            // the stream ended inside the sequence
    // Bytes after the parameters and data that end the command: the NUL of GS k m d1 … NUL.
    std::uint8_t tail = 0;
    // What the command is, for Setting and StatusRequest items ("right-side character spacing");
    // a text of the decoder's own, never freed.
    const char* what = nullptr;
    // Data bytes that follow as DataSkipped items because the command's data are too large to keep.
    std::uint64_t skipped = 0;

    bool operator==(const Item&) const = default;
};

// Parameter i of a command.
inline unsigned param(const Item& item, std::size_t i) {
    return item.params.at(i);
}
// Parameters i and i + 1 as one number, the low byte first (nL nH).
inline unsigned paramWord(const Item& item, std::size_t i) {
    return param(item, i) | (param(item, i + 1) << 8);
}
// The same two bytes read as a signed number: a move back is below zero.
inline int paramSignedWord(const Item& item, std::size_t i) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(paramWord(item, i)));
}
// Bytes i and i + 1 of a command's bytes or data as one number, the low byte first.
inline unsigned wordAt(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]) |
           (static_cast<unsigned>(static_cast<unsigned char>(bytes[i + 1])) << 8);
}

// The functions of GS ( L and GS 8 L the printer draws, by their function byte fn (the item's
// last parameter).
enum class GraphicsFunction : unsigned {
    PrintBufferAlias = 2,  // the same as PrintBuffer
    PrintBuffer = 50,      // print the graphics stored in the print buffer
    DefineNv = 67,         // define NV graphics, raster
    PrintNv = 69,
    DefineDownload = 83,  // define download graphics, raster
    PrintDownload = 85,
    StoreRaster = 112,   // store graphics in the print buffer, raster
    StoreColumns = 113,  // the same, in columns
};

// Whether a cut leaves one point uncut: ESC m, or GS V with m 1, 49, 66, 98 or 104.
bool isPartialCut(const Item& item);

// Turns bytes into items as they arrive. Items are handed out once they are complete: a command
// whose parameters or bar code data have not all arrived, and a text run not yet ended by a
// control byte, wait for the next feed or for finish(). A text run is also handed out when it
// reaches kMaxTextRun bytes, at a character boundary, so a stream without control bytes cannot
// grow the decoder without bound.
class Decoder {
  public:
    static constexpr std::size_t kMaxTextRun = 4096;
    // The most data bytes one item keeps (a picture 576 dots wide and some 14,000 high); beyond
    // that the command's data are passed over in DataSkipped items of at most kSkipPart bytes.
    static constexpr std::size_t kMaxData = 1024 * 1024;
    static constexpr std::size_t kSkipPart = 64 * 1024;

    Decoder() = default;
    // A decoder for a reader that looks only at the commands (the virtual printer's answers to
    // its requests): text items keep their bytes, and nothing is converted from the code page.
    struct CommandsOnly {};
    explicit Decoder(CommandsOnly) : m_readText(false) {}

    // Takes the next bytes of the stream; returns the items they complete.
    std::vector<Item> feed(std::string_view bytes);
    // The stream has ended: returns what was waiting, a cut-short sequence as a truncated item.
    // The decoder then starts a new stream at offset 0.
    std::vector<Item> finish();
    // How many bytes wait for the rest of their item: whether a closed connection left a command
    // begun (the virtual printer), and the tests' evidence that a sequence cut by a read is held
    // whole, neither dropped nor handed out early.
    std::size_t pendingBytes() const;

  private:
    std::vector<Item> take(bool atEnd);

    void follow(const Item& item);
    // Back to the code page a stream starts in: code page 949, no international set.
    void resetCodePage();

    std::string m_pending;
    std::size_t m_pendingOffset = 0;
    std::uint64_t m_skip = 0;  // data bytes still to pass over
    bool m_readText = true;    // text items get their text in UTF-8
    // The code page text is read in: two-byte code page 949, or the single-byte table m_table.
    bool m_twoByte = true;
    int m_table = 0;
    int m_international = 0;  // ESC R n
};

// The whole stream at once.
std::vector<Item> decode(std::string_view stream);

// Code page 949 to UTF-8 through the C library's converter. A byte or pair the code page does not
// define becomes U+FFFD.
std::string cp949ToUtf8(std::string_view bytes);

// The single-byte table ESC t n selects, by the C library's converter name ("CP858"); nullptr for
// a table this printer does not have.
const char* codeTableName(int n);
// Bytes in that table to UTF-8: below 0x80 ASCII, above it the table's character or U+FFFD.
std::string singleByteToUtf8(std::string_view bytes, int table);
// The international set of ESC R n applied to a text's ASCII characters (# $ @ [ \ ] ^ ` { | } ~).
std::string internationalText(std::string_view utf8, int set);

// Builds the table cp949ToUtf8 reads, once, and throws when the system has no CP949 converter.
// A printer that decodes on an event loop calls it before it takes its first byte, where the
// failure can still be reported; decoding then never meets it.
void prepareCodePage();

// Which command sets a stream's items speak. The printer takes the set of the first command that
// belongs to only one set as the stream's command set; commands of the other set that follow are
// still read in their own set, and make the stream mixed.
struct CommandSetUse {
    CommandSet assumed = CommandSet::Common;  // Common: text and line control only
    std::size_t assumedFrom = 0;              // offset of the command that decided it
    std::size_t epsonCommands = 0;
    std::size_t cbmCommands = 0;
    std::size_t otherSetFrom = 0;  // offset of the first command of the other set, when mixed

    bool mixed() const { return epsonCommands > 0 && cbmCommands > 0; }
    void add(const Item& item);
};

}  // namespace mpt::printer
