// SPDX-License-Identifier: MIT
// The virtual printer's decoder: every command the thirteen routines send, read with its
// parameters, its command set and its meaning; text in code page 949; malformed and cut-short
// input; and the same items however a stream is split into reads.
#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "printer/decoder.h"
#include "printer/listing.h"
#include "routine_streams.h"

namespace mpt::printer {
namespace {

using namespace std::string_literals;

const std::string kBarCodeData = "12345678901234567890123456";

struct CommandRow {
    std::string bytes;
    Op op;
    CommandSet set;
    std::vector<std::uint8_t> params;
    std::string meaning;
};

// Each sequence with the parameter values the routines send, and what it means on the printer,
// as the command vocabulary describes it.
const std::vector<CommandRow> kCommands = {
    {"\x1b!\x01"s, Op::SelectPrintMode, CommandSet::Epson, {0x01}, "select print mode: font B"},
    {"\x1b!\x11"s,
     Op::SelectPrintMode,
     CommandSet::Epson,
     {0x11},
     "select print mode: font B, double height"},
    {"\x1b!\x21"s,
     Op::SelectPrintMode,
     CommandSet::Epson,
     {0x21},
     "select print mode: font B, double width"},
    {"\x1b!\x31"s,
     Op::SelectPrintMode,
     CommandSet::Epson,
     {0x31},
     "select print mode: font B, double height, double width"},
    {"\x1b-\x01"s, Op::Underline, CommandSet::Epson, {0x01}, "underline on, one dot thick"},
    {"\x1b-\x00"s, Op::Underline, CommandSet::Epson, {0x00}, "underline off"},
    {"\x1br\x01"s, Op::PrintColour, CommandSet::Epson, {0x01}, "print colour: red (second colour)"},
    {"\x1br\x00"s,
     Op::PrintColour,
     CommandSet::Epson,
     {0x00},
     "print colour: black (first colour)"},
    {"\x1bm"s,
     Op::PartialCut,
     CommandSet::Epson,
     {},
     "partial cut: cuts the paper, one point left uncut"},
    {"\x1bp\x00\x02\x0a"s,
     Op::DrawerPulse,
     CommandSet::Epson,
     {0x00, 0x02, 0x0A},
     "drawer pulse: connector pin 2, 4 ms on, 20 ms off"},
    {"\x1cp\x01\x00"s,
     Op::PrintStoredLogo,
     CommandSet::Epson,
     {0x01, 0x00},
     "print stored logo image 1, normal size"},
    {"\x1cp\x02\x00"s,
     Op::PrintStoredLogo,
     CommandSet::Epson,
     {0x02, 0x00},
     "print stored logo image 2, normal size"},
    {"\x1cp\x00\x01"s,
     Op::PrintStoredLogo,
     CommandSet::Epson,
     {0x00, 0x01},
     "print stored logo image 0, double width"},
    {"\x1dh\x60"s, Op::BarCodeHeight, CommandSet::Epson, {0x60}, "bar code height 96 dots"},
    {"\x1dw\x02"s, Op::BarCodeModuleWidth, CommandSet::Epson, {0x02}, "bar code module width 2"},
    {"\x1dH\x03"s,
     Op::BarCodeTextPosition,
     CommandSet::Epson,
     {0x03},
     "bar code text above and below the bars"},
    {"\x1dH\x02"s,
     Op::BarCodeTextPosition,
     CommandSet::Epson,
     {0x02},
     "bar code text below the bars"},
    {"\x1dk\x46\x1a"s + kBarCodeData,
     Op::PrintBarCode,
     CommandSet::Epson,
     {0x46, 0x1A},
     "print bar code ITF, 26 data bytes \"12345678901234567890123456\""},
    {"\x0e"s, Op::Enlarged, CommandSet::Cbm, {}, "enlarged: double width to the end of the line"},
    {"\x13"s, Op::LineAttribute, CommandSet::Cbm, {}, "line attribute for this line"},
    {"\x1bP\x00"s, Op::Cut, CommandSet::Cbm, {0x00}, "cut: cuts the paper through"},
    {"\x16\x01"s, Op::PageBracket, CommandSet::Common, {0x01}, "page bracket: opens a page"},
    {"\x16\x00"s, Op::PageBracket, CommandSet::Common, {0x00}, "page bracket: closes the page"},
    {"\x0a"s,
     Op::LineFeed,
     CommandSet::Common,
     {},
     "line feed: prints the line and feeds the paper one line"},
    {"\x0d"s,
     Op::CarriageReturn,
     CommandSet::Common,
     {},
     "carriage return: back to the line's start, no feed"},
};

TEST(Decoder, ReadsEveryCommandTheRoutinesSend) {
    for (const CommandRow& row : kCommands) {
        SCOPED_TRACE(row.meaning);
        const std::vector<Item> items = decode(row.bytes);
        ASSERT_EQ(items.size(), 1u);
        const Item& item = items[0];
        EXPECT_EQ(item.op, row.op);
        EXPECT_EQ(commandSetOf(item.op), row.set);
        EXPECT_EQ(item.offset, 0u);
        EXPECT_EQ(item.bytes, row.bytes);
        EXPECT_EQ(item.params, row.params);
        EXPECT_FALSE(item.truncated);
        EXPECT_EQ(meaning(item), row.meaning);
    }
}

TEST(Decoder, BarCodeTakesItsDataFromTheBytesThatFollowAndNoMore) {
    // As the thermal page sends it: the command in one write, then the data with a line end.
    const std::vector<Item> items = decode("\x1dk\x46\x1a"s + kBarCodeData + "\r\n");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].op, Op::PrintBarCode);
    EXPECT_EQ(items[0].data, kBarCodeData);
    EXPECT_EQ(items[0].bytes.size(), 30u);
    EXPECT_EQ(items[1].op, Op::CarriageReturn);
    EXPECT_EQ(items[1].offset, 30u);
    EXPECT_EQ(items[2].op, Op::LineFeed);
}

TEST(Decoder, TextIsReadInCodePage949) {
    const struct {
        std::string bytes;
        std::string text;
    } rows[] = {
        {"\xc7\xd1\xb1\xdb"s, "한글"},
        {"    \xbf\xb5   \xbc\xf6   \xc1\xf5  "s, "    영   수   증  "},
        {"MVR-720/730 LF \xbb\xf3\xc5\xc2 TEST LINE NO :1"s, "MVR-720/730 LF 상태 TEST LINE NO :1"},
        // Bytes the code page does not define become U+FFFD; a lead byte cut off by a control
        // byte is one of them, and the control byte is still read.
        {"A\x80"s
         "B",
         "A\xEF\xBF\xBD"
         "B"},
        {"\xff"s, "\xEF\xBF\xBD"},
        // A pair outside the table is one mark, and reading goes on at the byte after it: alone,
        // mid-run, in the user-defined area, and a lead byte whose next byte is no trail byte.
        {"\xa2\xe8"s, "\xEF\xBF\xBD"},
        {"AB\xa2\xe8"
         "CD"s,
         "AB\xEF\xBF\xBD"
         "CD"},
        {"\xc9\xa1\xfe\xfe!"s, "\xEF\xBF\xBD\xEF\xBF\xBD!"},
        {"\x81 \xc7\xd1"s, "\xEF\xBF\xBD 한"},
        {"\xc7"s, "\xEF\xBF\xBD"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const std::vector<Item> items = decode(row.bytes);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].op, Op::Text);
        EXPECT_EQ(items[0].text, row.text);
        EXPECT_EQ(items[0].bytes, row.bytes);
    }
    const std::vector<Item> cutOff = decode("\xc7\n"s);
    ASSERT_EQ(cutOff.size(), 2u);
    EXPECT_EQ(cutOff[0].text, "\xEF\xBF\xBD");
    EXPECT_EQ(cutOff[1].op, Op::LineFeed);
}

struct Expected {
    Op op;
    std::size_t offset;
    std::size_t length;
    bool truncated;
};

TEST(Decoder, UnknownAndCutShortSequencesAreListedWithTheirOffsets) {
    const struct {
        std::string bytes;
        std::vector<Expected> items;
    } rows[] = {
        {"\x1b"s, {{Op::Unknown, 0, 1, true}}},
        {"AB\x1b"s, {{Op::Text, 0, 2, false}, {Op::Unknown, 2, 1, true}}},
        {"\x1b!"s, {{Op::SelectPrintMode, 0, 2, true}}},
        {"\x1bp\x00\x02"s, {{Op::DrawerPulse, 0, 4, true}}},
        {"\x1cp\x01"s, {{Op::PrintStoredLogo, 0, 3, true}}},
        {"\x16"s, {{Op::PageBracket, 0, 1, true}}},
        {"\x1bP"s, {{Op::Cut, 0, 2, true}}},
        {"\x1dk\x46"s, {{Op::PrintBarCode, 0, 3, true}}},
        {"\x1dk\x46\x1a"
         "12345"s,
         {{Op::PrintBarCode, 0, 9, true}}},
        // Cut short before their sizes are known: the bytes there are, one item.
        {"\x10\x04"s, {{Op::StatusRequest, 0, 2, true}}},
        {"\x10\x14"s, {{Op::StatusRequest, 0, 2, true}}},
        {"\x10\x14\x03\x01"s, {{Op::StatusRequest, 0, 4, true}}},
        {"\x1b&\x03"s, {{Op::Setting, 0, 3, true}}},
        {"\x1cq\x01"s, {{Op::Setting, 0, 3, true}}},
        {"\x1d*\x01"s, {{Op::Setting, 0, 3, true}}},
        {"\x1b"
         "D\x08\x10"s,
         {{Op::TabStops, 0, 4, true}}},
        // An unknown command letter: the pair is unknown, what follows is read on.
        {"\x1bZ"
         "A"s,
         {{Op::Unknown, 0, 2, false}, {Op::Text, 2, 1, false}}},
        {"\x1c\x41\x1d\x59"s, {{Op::Unknown, 0, 2, false}, {Op::Unknown, 2, 2, false}}},
        // A control byte after the introducer starts an item of its own.
        {"\x1b\n"s, {{Op::Unknown, 0, 1, false}, {Op::LineFeed, 1, 1, false}}},
        {"\x1b\x1b!\x01"s, {{Op::Unknown, 0, 1, false}, {Op::SelectPrintMode, 1, 3, false}}},
        {"\x07\x01"s, {{Op::Unknown, 0, 1, false}, {Op::Unknown, 1, 1, false}}},
        // Only ESC P NUL is a cut.
        {"\x1bP\x01"s, {{Op::Unknown, 0, 3, false}}},
        // A symbology whose data length the printer cannot tell: its data are read as they are.
        {"\x1dk\x07"
         "12\x01"s,
         {{Op::Unknown, 0, 3, false}, {Op::Text, 3, 2, false}, {Op::Unknown, 5, 1, false}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(listingLine(decode(row.bytes).front()));
        const std::vector<Item> items = decode(row.bytes);
        ASSERT_EQ(items.size(), row.items.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].op, row.items[i].op) << "item " << i;
            EXPECT_EQ(items[i].offset, row.items[i].offset) << "item " << i;
            EXPECT_EQ(items[i].bytes.size(), row.items[i].length) << "item " << i;
            EXPECT_EQ(items[i].truncated, row.items[i].truncated) << "item " << i;
        }
    }
}

TEST(Decoder, TruncatedItemsSayWhatWasCutShort) {
    const struct {
        std::string bytes;
        std::string meaning;
    } rows[] = {
        {"\x1dk\x46\x1a"
         "12345"s,
         "truncated: print bar code, 5 of 26 data bytes arrived before the end of the stream"},
        {"\x1bp\x00"s,
         "truncated: drawer pulse (ESC p m t1 t2) cut short by the end of the stream"},
        {"\x1b"s, "truncated: ESC at the end of the stream"},
        {"\x1bZ"s, "unknown: ESC Z is not a command here"},
        {"\x07"s, "unknown: control byte BEL (0x07) is not a command here"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(meaning(decode(row.bytes).front()), row.meaning);
    }
}

// A long text without control bytes is handed out in bounded runs, whole characters each.
TEST(Decoder, LongTextComesInBoundedRunsOfWholeCharacters) {
    std::string text;
    text.push_back('A');
    for (int i = 0; i < 3000; ++i) {
        text += "\xc7\xd1";  // 한: the second run cannot start inside it
    }
    const std::vector<Item> items = decode(text);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].bytes.size(), Decoder::kMaxTextRun + 1);
    EXPECT_EQ(items[1].offset, Decoder::kMaxTextRun + 1);
    EXPECT_EQ(items[0].bytes + items[1].bytes, text);
    for (const Item& item : items) {
        EXPECT_EQ(item.text.find("\xEF\xBF\xBD"), std::string::npos);
    }
}

// How many of each item a routine's stream holds, counted by hand from its pages' rows.
using Tally = std::map<Op, int>;

struct RoutineRow {
    std::string name;
    std::string count;
    Tally tally;
};

void PrintTo(const RoutineRow& row, std::ostream* out) {
    *out << row.name;
}

const char* opName(Op op) {
    static const char* const kNames[] = {"Text",
                                         "LineFeed",
                                         "CarriageReturn",
                                         "SelectPrintMode",
                                         "Underline",
                                         "PrintColour",
                                         "PartialCut",
                                         "DrawerPulse",
                                         "PrintStoredLogo",
                                         "BarCodeHeight",
                                         "BarCodeModuleWidth",
                                         "BarCodeTextPosition",
                                         "PrintBarCode",
                                         "Enlarged",
                                         "LineAttribute",
                                         "Cut",
                                         "PageBracket",
                                         "Unknown"};
    return kNames[static_cast<int>(op)];
}

class RoutineStreams : public ::testing::TestWithParam<RoutineRow> {};

TEST_P(RoutineStreams, DecodeIntoTheCommandsOfTheirPages) {
    const RoutineRow& row = GetParam();
    const std::string stream = testing::routineStream(row.name, row.count).bytes;
    Tally tally;
    std::size_t next = 0;
    for (const Item& item : decode(stream)) {
        EXPECT_FALSE(item.truncated) << listingLine(item);
        EXPECT_NE(item.op, Op::Unknown) << listingLine(item);
        EXPECT_EQ(item.offset, next);
        next += item.bytes.size();
        ++tally[item.op];
    }
    EXPECT_EQ(next, stream.size());
    for (const auto& [op, n] : row.tally) {
        EXPECT_EQ(tally[op], n) << opName(op);
    }
    for (const auto& [op, n] : tally) {
        EXPECT_TRUE(row.tally.contains(op)) << n << " unexpected " << opName(op);
    }
}

// Thermal page, serial and USB: two logos, eight print modes (twice on the title line, before and
// after the slogan, the speed and the buffer lines), the bar code settings and command, the cut;
// 25 line ends (21 text lines, the one after the bar code data, three feeds); 21 text runs (the
// data are the bar code's).
const Tally kThermalSerial = {{Op::PrintStoredLogo, 2},     {Op::SelectPrintMode, 8},
                              {Op::BarCodeHeight, 1},       {Op::BarCodeModuleWidth, 1},
                              {Op::BarCodeTextPosition, 1}, {Op::PrintBarCode, 1},
                              {Op::PartialCut, 1},          {Op::LineFeed, 25},
                              {Op::CarriageReturn, 25},     {Op::Text, 21}};

INSTANTIATE_TEST_SUITE_P(
    Printer, RoutineStreams,
    ::testing::Values(
        RoutineRow{"cmddevice", "1", kThermalSerial},
        RoutineRow{"cmddevice12", "1", kThermalSerial},
        // Parallel: one logo; the feed is three LF CR LF.
        RoutineRow{"cmddevice1",
                   "1",
                   {{Op::PrintStoredLogo, 1},
                    {Op::SelectPrintMode, 8},
                    {Op::BarCodeHeight, 1},
                    {Op::BarCodeModuleWidth, 1},
                    {Op::BarCodeTextPosition, 1},
                    {Op::PrintBarCode, 1},
                    {Op::PartialCut, 1},
                    {Op::LineFeed, 28},
                    {Op::CarriageReturn, 25},
                    {Op::Text, 21}}},
        // EPSON-mode page, serial: the bracket, eight colour and four print-mode switches, two
        // underline switches, 19 text lines, six LF, the cut and the drawer pulse.
        RoutineRow{"cmddevice4",
                   "1",
                   {{Op::PageBracket, 2},
                    {Op::PrintColour, 8},
                    {Op::SelectPrintMode, 4},
                    {Op::Underline, 2},
                    {Op::PartialCut, 1},
                    {Op::DrawerPulse, 1},
                    {Op::LineFeed, 25},
                    {Op::CarriageReturn, 19},
                    {Op::Text, 19}}},
        // Parallel: no bracket; three LF CR LF, and CR LF behind the cut and the pulse.
        RoutineRow{"cmddevice5",
                   "1",
                   {{Op::PrintColour, 8},
                    {Op::SelectPrintMode, 4},
                    {Op::Underline, 2},
                    {Op::PartialCut, 1},
                    {Op::DrawerPulse, 1},
                    {Op::LineFeed, 27},
                    {Op::CarriageReturn, 24},
                    {Op::Text, 19}}},
        // CBM-mode page: the bracket, four DC3, two SO, 17 text lines, six CR LF, the cut.
        RoutineRow{"cmddevice2",
                   "1",
                   {{Op::PageBracket, 2},
                    {Op::LineAttribute, 4},
                    {Op::Enlarged, 2},
                    {Op::Cut, 1},
                    {Op::LineFeed, 23},
                    {Op::CarriageReturn, 23},
                    {Op::Text, 17}}},
        RoutineRow{"cmddevice3",
                   "1",
                   {{Op::PageBracket, 2},
                    {Op::LineAttribute, 4},
                    {Op::Enlarged, 2},
                    {Op::Cut, 1},
                    {Op::LineFeed, 23},
                    {Op::CarriageReturn, 20},
                    {Op::Text, 17}}},
        // Line feed test: 300 lines, then eight LF (serial) and both cuts.
        RoutineRow{"cmddevice6",
                   "1",
                   {{Op::Text, 300},
                    {Op::CarriageReturn, 300},
                    {Op::LineFeed, 308},
                    {Op::Cut, 1},
                    {Op::PartialCut, 1}}},
        // Parallel: three LF CR LF, and CR LF behind each cut.
        RoutineRow{"cmddevice7",
                   "1",
                   {{Op::Text, 300},
                    {Op::CarriageReturn, 305},
                    {Op::LineFeed, 308},
                    {Op::Cut, 1},
                    {Op::PartialCut, 1}}},
        // Cutter tests, count 2: per repetition the mode, the line, three line ends and the cut
        // with its line end; then three line ends, the last cut and its line end.
        RoutineRow{"cmddevice8",
                   "2",
                   {{Op::SelectPrintMode, 4},
                    {Op::Text, 2},
                    {Op::CarriageReturn, 12},
                    {Op::LineFeed, 12},
                    {Op::PartialCut, 3}}},
        RoutineRow{"cmddevice10",
                   "2",
                   {{Op::SelectPrintMode, 4},
                    {Op::Text, 2},
                    {Op::CarriageReturn, 12},
                    {Op::LineFeed, 12},
                    {Op::PartialCut, 3}}},
        RoutineRow{"cmddevice9",
                   "2",
                   {{Op::Enlarged, 2},
                    {Op::Text, 2},
                    {Op::CarriageReturn, 12},
                    {Op::LineFeed, 12},
                    {Op::Cut, 3}}},
        RoutineRow{"cmddevice11",
                   "2",
                   {{Op::Enlarged, 2},
                    {Op::Text, 2},
                    {Op::CarriageReturn, 12},
                    {Op::LineFeed, 12},
                    {Op::Cut, 3}}}),
    [](const ::testing::TestParamInfo<RoutineRow>& info) { return info.param.name; });

// The items one decoder hands out for `pieces` fed one after another, the stream then finished.
std::vector<Item> decodeInPieces(const std::vector<std::string_view>& pieces) {
    Decoder decoder;
    std::vector<Item> items;
    const auto keep = [&items](std::vector<Item> more) {
        items.insert(items.end(), std::make_move_iterator(more.begin()),
                     std::make_move_iterator(more.end()));
    };
    for (const std::string_view piece : pieces) {
        keep(decoder.feed(piece));
    }
    keep(decoder.finish());
    return items;
}

// However the bytes arrive, in the routine's own writes or in reads of any size, the items are
// the same as from the whole stream at once.
TEST(Decoder, ItemsDoNotDependOnHowTheStreamIsSplit) {
    for (const std::string& name : testing::routineNames()) {
        SCOPED_TRACE(name);
        const testing::RoutineStream stream = testing::routineStream(name, "2");
        const std::vector<Item> whole = decode(stream.bytes);
        EXPECT_EQ(decodeInPieces({stream.writes.begin(), stream.writes.end()}), whole)
            << "fed write by write";
        for (const std::size_t size : {1u, 2u, 3u, 5u, 64u}) {
            std::vector<std::string_view> pieces;
            for (std::size_t at = 0; at < stream.bytes.size(); at += size) {
                pieces.push_back(std::string_view(stream.bytes).substr(at, size));
            }
            EXPECT_EQ(decodeInPieces(pieces), whole) << "fed " << size << " bytes at a time";
        }
    }
}

TEST(Decoder, WaitsForTheRestOfASequenceAndHandsItOutWhole) {
    Decoder decoder;
    EXPECT_TRUE(decoder
                    .feed("\x1dk\x46\x1a"
                          "1234"s)
                    .empty());
    EXPECT_EQ(decoder.pendingBytes(), 8u);
    std::vector<Item> items = decoder.feed("5678901234567890123456\rAB"s);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].data, kBarCodeData);
    EXPECT_EQ(items[1].op, Op::CarriageReturn);
    // The text run may go on in the next read: it waits for the byte that ends it.
    EXPECT_EQ(decoder.pendingBytes(), 2u);
    items = decoder.feed("C\n"s);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "ABC");
    EXPECT_EQ(items[0].offset, 31u);
    EXPECT_EQ(items[1].op, Op::LineFeed);
}

// The printer takes the set of the first command that belongs to one set only; the line feed
// test's CBM cut decides it, and its EPSON partial cut makes the stream mixed.
TEST(Decoder, SaysWhichCommandSetItAssumed) {
    const struct {
        std::string name;
        CommandSet assumed;
        std::size_t from;
        bool mixed;
        std::size_t otherFrom;
    } rows[] = {
        {"cmddevice", CommandSet::Epson, 0, false, 0},
        {"cmddevice2", CommandSet::Cbm, 44, false, 0},  // the DC3 after SYN SOH and the ruler
        {"cmddevice9", CommandSet::Cbm, 0, false, 0},
        // 300 lines of 34 text bytes, the digits (9 + 180 + 603) and CR LF, then eight LF.
        {"cmddevice6", CommandSet::Cbm, 11600, true, 11603},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CommandSetUse use;
        for (const Item& item : decode(testing::routineStream(row.name).bytes)) {
            use.add(item);
        }
        EXPECT_EQ(use.assumed, row.assumed);
        EXPECT_EQ(use.assumedFrom, row.from);
        EXPECT_EQ(use.mixed(), row.mixed);
        if (row.mixed) {
            EXPECT_EQ(use.otherSetFrom, row.otherFrom);
        }
    }
}

// The commands receipt programs send, each with its exact length: followed by a letter, the
// command is one item of all its bytes and the letter is text, whatever bytes the parameters and
// data hold (line feeds, SO, DC3, ESC among them).
TEST(Decoder, ReceiptCommandsAreReadWithTheirLengths) {
    const std::string raster = "\x1dv0\x00\x02\x00\x02\x00\x0e\x13\x1b\x0a"s;
    const std::string graphics = "\x30\x70\x30\x01\x01\x31\x08\x00\x02\x00\x0a\x1b"s;
    const struct {
        std::string bytes;
        Op op;
    } rows[] = {
        {"\x00"s, Op::Nothing},
        {"\x1b@"s, Op::Initialize},
        {"\x1b"
         "a\x01"s,
         Op::Justify},
        {"\x1b"
         "E\x01"s,
         Op::Emphasis},
        {"\x1bG\x01"s, Op::DoubleStrike},
        {"\x1d!\x22"s, Op::CharacterSize},
        {"\x1bM\x02"s, Op::Font},
        {"\x1d"
         "B\x01"s,
         Op::Reverse},
        {"\x1b{\x01"s, Op::UpsideDown},
        {"\x1bV\x01"s, Op::Rotate},
        {"\x1b"
         "2"s,
         Op::DefaultLineSpacing},
        {"\x1b"
         "3\x18"s,
         Op::LineSpacing},
        {"\x1dL\x10\x00"s, Op::LeftMargin},
        {"\x1dW\x40\x02"s, Op::PrintWidth},
        {"\x1b$\x20\x00"s, Op::AbsolutePosition},
        {"\x1b\\\xf0\xff"s, Op::RelativePosition},
        {"\x1b"
         "D\x08\x10\x18\x00"s,
         Op::TabStops},
        {"\t"s, Op::Tab},
        {"\x1b"
         "d\x03"s,
         Op::FeedLines},
        {"\x1bJ\x30"s, Op::FeedDots},
        {"\x1bt\x13"s, Op::CodeTable},
        {"\x1c&"s, Op::TwoByteOn},
        {"\x1c."s, Op::TwoByteOff},
        {"\x1bR\x0d"s, Op::InternationalSet},
        {"\x1bi"s, Op::FullCut},
        {"\x1dV\x00"s, Op::CutPaper},
        {"\x1dV\x01"s, Op::CutPaper},
        {"\x1dV\x30"s, Op::CutPaper},
        {"\x1dV\x31"s, Op::CutPaper},
        {"\x1dV\x41\x03"s, Op::CutPaper},
        {"\x1dV\x42\x03"s, Op::CutPaper},
        {"\x1dV\x61\x00"s, Op::CutPaper},
        {"\x1dV\x62\x00"s, Op::CutPaper},
        {"\x1dV\x67\x01"s, Op::CutPaper},
        {"\x1dV\x68\x01"s, Op::CutPaper},
        {raster, Op::RasterImage},
        {"\x1b*\x00\x03\x00\x0a\x0e\x13"s, Op::BitImage},
        {"\x1b*\x21\x02\x00\x1b\x40\x0a\x00\x1d\x56"s, Op::BitImage},
        {"\x1d(L\x0c\x00"s + graphics, Op::Graphics},
        {"\x1d(L\x02\x00\x30\x32"s, Op::Graphics},
        {"\x1d"
         "8L\x0c\x00\x00\x00"s +
             graphics,
         Op::Graphics},
        {"\x1d(k\x04\x00\x31\x41\x32\x00"s, Op::Symbol2D},
        {"\x1d(k\x07\x00\x31\x50\x30\x0a\x1b\x0e\x13"s, Op::Symbol2D},
        {"\x1d(k\x03\x00\x30\x51\x30"s, Op::Symbol2D},
        {"\x1dk\x49\x06{B12\x0a\x1b"s, Op::PrintBarCode},
        {"\x1dk\x04"
         "AB\x0a\x00"s,
         Op::PrintBarCode},
        {"\x1d"
         "f\x01"s,
         Op::BarCodeFont},
        {"\x1b \x00"s, Op::Setting},
        {"\x1b(A\x04\x00\x30\x37\x03\x0a"s, Op::Setting},
        {"\x1c(A\x02\x00\x30\x00"s, Op::Setting},
        {"\x1cq\x01\x01\x00\x01\x00"
         "\x0a\x0a\x0a\x0a\x1b\x1b\x1b\x1b"s,
         Op::Setting},
        {"\x1b&\x01\x41\x42\x01\x0a\x02\x1b\x1b"s, Op::Setting},
        {"\x1d*\x01\x01"
         "\x0a\x0a\x0a\x0a\x1b\x1b\x1b\x1b"s,
         Op::Setting},
        {"\x1cp\x01\x00"s, Op::PrintStoredLogo},
        // Status and real-time requests, one kind of item.
        {"\x10\x04\x01"s, Op::StatusRequest},
        {"\x10\x04\x07\x01"s, Op::StatusRequest},
        {"\x10\x05\x02"s, Op::StatusRequest},
        {"\x10\x14\x01\x00\x01"s, Op::StatusRequest},
        {"\x10\x14\x03\x01\x02\x03\x04\x05"s, Op::StatusRequest},
        {"\x10\x14\x07\x01"s, Op::StatusRequest},
        {"\x10\x14\x08\x01\x03\x14\x01\x06\x02\x08"s, Op::StatusRequest},
        {"\x1dr\x01"s, Op::StatusRequest},
        {"\x1dI\x42"s, Op::StatusRequest},
        {"\x1d"
         "a\xff"s,
         Op::StatusRequest},
    };
    for (const auto& row : rows) {
        const std::vector<Item> items = decode(row.bytes + "X");
        SCOPED_TRACE(listingLine(items.front()));
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0].op, row.op);
        EXPECT_EQ(items[0].bytes, row.bytes);
        EXPECT_FALSE(items[0].truncated);
        EXPECT_EQ(items[1].text, "X");
        // Its parameters, data and end byte are its own bytes after the command letters.
        EXPECT_LE(items[0].params.size() + items[0].data.size() + items[0].tail,
                  items[0].bytes.size() - 1);
        EXPECT_EQ(meaning(items[0]).find("unknown"), std::string::npos);
    }
}

// What the listing says of receipt programs' commands, parameters in words.
TEST(Decoder, ReceiptCommandsAreListedInWords) {
    const struct {
        std::string bytes;
        std::string meaning;
    } rows[] = {
        {"\x1dV\x42\x10"s, "partial cut: one point left uncut, after feeding 16 dots"},
        {"\x1dV\x30"s, "full cut: cuts the paper through"},
        {"\x1dv0\x03\x01\x00\x02\x00\x00\x00"s,
         "raster image 8 x 2 dots, double width, double height"},
        {"\x1b*\x21\x01\x00\x00\x00\x00"s, "bit image 24 dots high, double density, 1 columns"},
        {"\x1bt\x13"s, "character code table 19 (CP858)"},
        {"\x1bt\x63"s, "character code table 99 (not one this printer has: upper half unreadable)"},
        {"\x1d!\x21"s, "character size: width x3, height x2"},
        {"\x1d(k\x06\x00\x31\x50\x30"
         "abc"s,
         "QR code: store 3 data bytes \"abc\""},
        {"\x1d(k\x03\x00\x31\x45\x33"s, "QR code: error correction level 0x33"},
        {"\x1d(L\x02\x00\x30\x32"s, "graphics: print the print buffer's graphics"},
        {"\x1d(L\x02\x00\x30\x02"s, "graphics: print the print buffer's graphics"},
        {"\x10\x04\x01"s, "status request: real-time status transmission (not drawn)"},
        {"\x1dk\x49\x07{C\x0c\x22{Bx"s,
         "print bar code CODE128, 7 data bytes \"{C<0x0C>\"{Bx\", reads \"1234x\""},
        {"\x1b\\\xf0\xff"s, "print position moved by -16 dots"},
    };
    for (const auto& row : rows) {
        const std::vector<Item> items = decode(row.bytes);
        ASSERT_EQ(items.size(), 1u) << row.meaning;
        EXPECT_EQ(meaning(items[0]), row.meaning);
    }
}

// Text in the code page of the moment: a single-byte table after ESC t, code page 949 again after
// FS & and after ESC @, and the international set's characters after ESC R.
TEST(Decoder, TextIsReadInTheCodePageOfTheMoment) {
    const struct {
        std::string stream;
        std::string text;
    } rows[] = {
        {"\x1bt\x13"
         "Caf\x82 cr\x8ame \xd5"s,
         "Café crème €"},
        {"\x1bt\x10"
         "Caf\xe9 \x80"s,
         "Café €"},
        {"\x1bt\x11"
         "\x8f\xa0\xe1"s,
         "Пас"},
        {"\x1bt\x00"
         "\xc4\xcd\xbf"s,
         "─═┐"},
        {"\x1bt\x01"
         "\xb1\xb2"s,
         "ｱｲ"},
        {"\x1bt\xfe"
         "a\x82"s,
         "a\xEF\xBF\xBD"},
        {"\x1bt\x13\x1c&\xc7\xd1\xb1\xdb"s, "한글"},
        {"\x1bt\x13\x1b@\xc7\xd1"s, "한"},
        {"\x1c.\x1bt\x13\x82"s, "é"},
        {"\x1bR\x0d"
         "C:\\dir"s,
         "C:₩dir"},
        {"\x1bR\x02"
         "[|]"s,
         "ÄöÜ"},
        {"\xc7\xd1\x1c.\x1c&\xb1\xdb"s, "한글"},
    };
    for (const auto& row : rows) {
        std::string text;
        for (const Item& item : decode(row.stream)) {
            text += item.text;
        }
        EXPECT_EQ(text, row.text) << listingLine(decode(row.stream).front());
    }
}

// Every code table ESC t selects reads its upper half as the table does. The characters expected
// were taken from Python's codecs, a conversion of its own: a wrong or missing table name here
// reads other characters, or none. CP851 and TCVN 5712 have no such reference and are left out.
TEST(Decoder, EveryCodeTableReadsItsOwnCharacters) {
    const struct {
        int table;
        std::string bytes;
        std::string text;
    } rows[] = {
        {0, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "Çå¢ñ¬╡╨╒Θ≥"},   // CP437
        {1, "\xa4\xaa\xb5\xd0\xd5"s, "､ｪｵﾐﾕ"},                            // SHIFT-JIS
        {2, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "Çåøñ¬ÁðıÚ‗"},   // CP850
        {3, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "ÇÁ¢ñ¬╡╨╒Θ≥"},   // CP860
        {4, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "Ç¶¢¨¬╡╨╒Θ≥"},   // CP863
        {5, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "Çåøñ¬╡╨╒Θ≥"},   // CP865
        {13, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xe9"s, "Çåøñ¬ÁºÚ"},            // CP857
        {14, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "ΑΗδνς╡╨╒ώ≥"},  // CP737
        {15, "\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "€ͺ΅ΠΥις"},                 // ISO8859-7
        {16, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "€†›¤ªµÐÕéò"},  // CP1252
        {17, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "АЖЫдк╡╨╒щЄ"},  // CP866
        {18, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "ÇćŤĄ¬ÁđŇÚ˛"},  // CP852
        {19, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "Çåøñ¬Áð€Ú‗"},  // CP858
        {20, "\xa4\xaa\xb5\xd0\xf2"s, "คชตะ๒"},                           // TIS-620
        {21, "\xa4\xaa\xb5\xd0\xf2"s, "คชตะ๒"},                           // TIS-620
        {26, "\xa4\xaa\xb5\xd0\xf2"s, "คชตะ๒"},                           // TIS-620
        {33, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "Ćåøż¬Ąąšķ“"},  // CP775
        {34, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "ђєЏцфхлНжЫ"},  // CP855
        {35, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "ÇåøÁ¬╡╨╒Θ≥"},  // CP861
        {36, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "אז¢ñ¬╡╨╒Θ≥"},  // CP862
        {37, "\x80\x86\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "°│¤ﺕ٥ﺫﺻﻯﻥ"},       // CP864
        {38, "\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "ΆάΑΗΚΤΩου"},       // CP869
        {39, "\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "¤ŞľĐŐéň"},                 // ISO8859-2
        {40, "\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "€ªµÐÕéò"},                 // ISO8859-15
        {44, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "АЖЫдк╡╨╒щҐ"},  // CP1125
        {45, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "€†›¤ŞµĐŐéň"},  // CP1250
        {46, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "Ђ†›¤ЄµРХйт"},  // CP1251
        {47, "\x80\x86\x9b\xa4\xb5\xd0\xd5\xe9\xf2"s, "€†›¤µΠΥις"},       // CP1253
        {48, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "€†›¤ªµĞÕéò"},  // CP1254
        {49, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "€†›₪×µ׀ױיע"},  // CP1255
        {50, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9"s, "€†›¤ھµذصé"},       // CP1256
        {51, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "€†›¤ŖµŠÕéņ"},  // CP1257
        {52, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9"s, "€†›¤ªµĐƠé"},       // CP1258
        {53, "\x80\x86\x9b\xa4\xaa\xb5\xd0\xd5\xe9\xf2"s, "Ђ†›¤ҒµРХйт"},  // KZ1048
    };
    std::set<int> covered{11, 30};
    for (const auto& row : rows) {
        SCOPED_TRACE(codeTableName(row.table));
        std::string stream = "\x1bt"s;
        stream += static_cast<char>(row.table);
        std::string text;
        for (const Item& item : decode(stream + row.bytes)) {
            text += item.text;
        }
        EXPECT_EQ(text, row.text);
        covered.insert(row.table);
    }
    // A table named since has a row here.
    for (int n = 0; n < 256; ++n) {
        EXPECT_EQ(codeTableName(n) != nullptr, covered.contains(n)) << "table " << n;
    }
}

// A picture larger than an item may hold is read as its command and then its data in parts,
// never as text; a sequence split anywhere reads the same.
TEST(Decoder, APictureTooLargeToKeepIsPassedOverByItsLength) {
    const std::size_t rows = Decoder::kMaxData / 72 + 2;
    std::string stream = "\x1dv0\x00\x48\x00"s;
    stream += static_cast<char>(rows & 0xFF);
    stream += static_cast<char>(rows >> 8);
    stream += std::string(72 * rows, '\x0a');
    stream += "end";
    const std::vector<Item> items = decode(stream);
    ASSERT_GE(items.size(), 3u);
    EXPECT_EQ(items.front().op, Op::RasterImage);
    EXPECT_EQ(items.front().skipped, 72 * rows);
    std::size_t skipped = 0;
    for (std::size_t i = 1; i + 1 < items.size(); ++i) {
        EXPECT_EQ(items[i].op, Op::DataSkipped);
        skipped += items[i].bytes.size();
    }
    EXPECT_EQ(skipped, 72 * rows);
    EXPECT_EQ(items.back().text, "end");
}

}  // namespace
}  // namespace mpt::printer
