// SPDX-License-Identifier: MIT
// The virtual printer's paper: for every routine's stream, the pages with their lines, print
// modes, logos, bar code, marks and cuts, written out by hand from the pages' descriptions; and
// the printer's rules on short streams of their own.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "page_text.h"
#include "printer/decoder.h"
#include "printer/layout.h"
#include "routine_streams.h"

namespace mpt::printer {
namespace {

using namespace std::string_literals;
using testing::cat;
using testing::feeds;
using Text = std::vector<std::string>;

std::vector<Text> paperText(const std::vector<Page>& pages) {
    std::vector<Text> all;
    for (const Page& page : pages) {
        all.push_back(testing::pageText(page));
    }
    return all;
}

void expectPages(const std::vector<Page>& pages, const std::vector<Text>& expected) {
    const std::vector<Text> actual = paperText(pages);
    ASSERT_EQ(actual.size(), expected.size()) << "pages";
    for (std::size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i])
            << "page " << i + 1 << ": " << testing::difference(actual[i], expected[i]);
    }
}

std::vector<Page> printed(const std::string& stream) {
    PageBuilder paper;
    paper.add(decode(stream));
    return paper.pages();
}

// ---- The thermal receipt page -----------------------------------------------------------------

// From the model heading to the bar code label: every line in font B, the normal mode the title
// line ends with, but for the slogan (double size), the speed (double width) and the buffer
// (double height).
const Text kThermalBody = {
    "[B]**QLX-610P THERMAL RECEIPT PRINTER  인쇄**",
    "[B]          켄  무  회사 소개",
    "[B dh dw]프린터 및 돈통 전문",
    "[B]QLX-610 General Specifications",
    "[B]Printing method : Thermal line printing123",
    "[B]Dot density     : 203dpi * 180dpi123456789",
    "[B]Printing width  : 72mm    1234567890123456",
    "[B]Character size  : 영문(12*24),한글(24*24)1",
    "[B]Paper width     : 80 mm    123456789012345",
    "[B]Form            : Paper roll  123456789012",
    "[B dw]인쇄속도:30.7 lines ",
    "[B]           (Max) 속도는 1초당 line 수 1234",
    "[B dh]Internal Buffer : 8kbyte ",
    "[B]Interface       : RS-232 serial,Parallel ",
    "[B]에뮬레이션 EPSON TM-88II,TM-U200 123456789",
    "[B]           CITIZEN CBM-720 STAR SP200 1234",
    "[B]123456789012345678901234567890123456789012",
    "[B]전원공급장치:외부 어댑터 12344566789012345",
    "[B]ALL MODEL PRINTER INCLUDE CASH PORT1234567 ",
    "[B]BAR CODE CODE39 PRINTING ",
};

const std::vector<Text> kThermalSerial = {cat({
    {"logo 1 size 0", "logo 2 size 0", "[B dw]1    영   수   증  "},
    kThermalBody,
    // The data end with a line end: an empty line; then the three line ends of the feed.
    {"bar code 0x46 h96 w2 both 12345678901234567890123456"},
    feeds(1 + 3),
    {"cut partial EPSON"},
})};

const std::vector<Text> kThermalParallel = {cat({
    {"logo 0 size 1", "[B dw]    영   수   증  "},
    kThermalBody,
    {"bar code 0x46 h96 w2 below 12345678901234567890123456"},
    feeds(1 + 6),  // three LF CR LF
    {"cut partial EPSON"},
})};

// ---- The EPSON-mode dot-matrix page ------------------------------------------------------

// From the heading to the cash port line. Nothing selects a print mode before the heading, so
// it and the title print in font A; the slogan line leaves font B for the rest.
const Text kEpsonBody = {
    "[A red]          켄  무  회사 소개",
    "[B dh dw]프린터 및 돈통 전문",
    "[B ul]프린터 종류 ",
    "[B]MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL ",
    "[B]MVR-720 ROLL & SERIAL,PARALLEL",
    "[B]MVR-730 ROLL & SERIAL,PARALLEL",
    "[B]전모델 9 PIN 시리얼 임팩트 도트 매트릭스",
    "[B]        양방향인쇄                 ",
    "[B]폰트 사이즈 영문,숫자: 7*9  한글 :9*9 ",
    "[B dh dw red]인쇄 속도:4LINE/SEC",
    "[B]잉크리본 :BLACK/RED",
    "[B]인쇄용지너비 : 76.2 MM",
    "[B]DATA BUFFER : 16K BYTE ",
    "[B red]에뮬레이션 EPSON TM-U300,TM-U200 ",
    "[B red]           CITIZEN CBM-720 STAR SP200 ",
    "[B]전원공급장치:외부 어댑터 ",
    "[B red]MVR730 SERIAL MELODY OPTION",
    "[B]ALL MODEL PRINTER INCLUDE CASH PORT ",
};

// The drawer opens and the bracket closes right after the cut, before the paper moves.
const std::vector<Text> kEpsonSerial = {cat({
    {"(page open)", "[A]MVR-720/730 EPSON  SERIAL PRINTER TEST"},
    kEpsonBody,
    feeds(6),
    {"cut partial EPSON", "after cut (drawer pulse)", "after cut (page close)"},
})};

// The cut's line end feeds the next paper first, so the pulse is on it, between two feeds.
const std::vector<Text> kEpsonParallel = {
    cat({{"[A]MVR-720/730 PARALLEL EMULATION  TEST"}, kEpsonBody, feeds(6), {"cut partial EPSON"}}),
    {"feed", "(drawer pulse)", "feed", "in printer EPSON"},
};

// ---- The CBM-mode sample page ------------------------------------------------------------

Text cbmPage(const std::string& heading, int feedLines) {
    return cat({
        {"(page open)", "[A]1234567890123456789012345678901234567890", "DC3 [A]" + heading,
         "[A so]프린터 및 돈통 전문", "[A]프린터 종류 ",
         "[A]MVR-740 ROLL,SPROCKET & SERIAL,PARALLEL", "[A]MVR-720 ROLL & SERIAL,PARALLEL",
         "[A]MVR-730 ROLL & SERIAL,PARALLEL", "DC3 [A]전모델 9 PIN 시리얼 임팩트 도트 매트릭스",
         "[A]        양방향인쇄 ", "[A]폰트 사이즈 영문,숫자: 7*9  한글 :9*9",
         "[A so]잉크리본 :BLACK/RED", "DC3 [A]인쇄용지너비 : 76.2 MM", "[A]DATA BUFFER : 16K BYTE",
         "[A]에뮬레이션 EPSON TM-U300,TM-U200", "[A]전원공급장치:외부 어댑터",
         "[A]MVR730 SERIAL MELODY OPTION", "DC3 [A]ALL MODEL PRINTER INCLUDE CASH PORT"},
        feeds(feedLines),
        {"cut full CBM", "after cut (page close)"},
    });
}

// ---- The line feed test ------------------------------------------------------------------

Text numberedLines(const std::string& before, const std::string& after) {
    Text lines;
    for (int n = 1; n <= 300; ++n) {
        lines.push_back("[A]MVR-720/730 LF 상태 TEST LINE NO :" + before + std::to_string(n) +
                        after);
    }
    return lines;
}

// Serial: eight LF, the CBM cut, then the EPSON partial cut at the same place: an empty page.
const std::vector<Text> kLineFeedSerial = {
    cat({numberedLines("", ""), feeds(8), {"cut full CBM"}}),
    {"cut partial EPSON"},
};

// Parallel: three LF CR LF, and a line end behind each cut.
const std::vector<Text> kLineFeedParallel = {
    cat({numberedLines(" ", " "), feeds(6), {"cut full CBM"}}),
    {"feed", "cut partial EPSON"},
    {"feed", "in printer"},
};

// ---- The cutter tests, count 2 -----------------------------------------------------------

std::vector<Text> cutterPages(const std::string& style, const std::string& end) {
    return {
        {"[" + style + "]1 cutter testing", "feed", "feed", end},
        {"feed", "[" + style + "]2 cutter testing", "feed", "feed", end},
        cat({feeds(4), {end}}),  // the last cut's line end, then the three of the final feed
        {"feed", "in printer"},
    };
}

struct RoutineRow {
    std::string name;
    std::string count;
    std::vector<Text> pages;
};

void PrintTo(const RoutineRow& row, std::ostream* out) {
    *out << row.name;
}

class RoutinePages : public ::testing::TestWithParam<RoutineRow> {};

TEST_P(RoutinePages, PrintTheirPages) {
    const RoutineRow& row = GetParam();
    expectPages(printed(testing::routineStream(row.name, row.count).bytes), row.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Printer, RoutinePages,
    ::testing::Values(
        RoutineRow{"cmddevice", "1", kThermalSerial},
        RoutineRow{"cmddevice12", "1", kThermalSerial},
        RoutineRow{"cmddevice1", "1", kThermalParallel},
        RoutineRow{"cmddevice4", "1", kEpsonSerial}, RoutineRow{"cmddevice5", "1", kEpsonParallel},
        RoutineRow{"cmddevice2", "1", {cbmPage("MVR-720/730 SERIAL CBM SAMPLE TEST", 6)}},
        RoutineRow{"cmddevice3", "1", {cbmPage("MVR-720/730 PARALLEL CBM SAMPLE TEST", 6)}},
        RoutineRow{"cmddevice6", "1", kLineFeedSerial},
        RoutineRow{"cmddevice7", "1", kLineFeedParallel},
        RoutineRow{"cmddevice8", "2", cutterPages("B dw", "cut partial EPSON")},
        RoutineRow{"cmddevice10", "2", cutterPages("B dw", "cut partial EPSON")},
        RoutineRow{"cmddevice9", "2", cutterPages("A so", "cut full CBM")},
        RoutineRow{"cmddevice11", "2", cutterPages("A so", "cut full CBM")}),
    [](const ::testing::TestParamInfo<RoutineRow>& info) { return info.param.name; });

// The print mode holds from page to page: the second thermal page is titled in the same mode,
// with its own number, and the second EPSON-mode page's title is in the font B that the first
// page left.
TEST(Paper, PrintModeCarriesOverToTheNextPage) {
    const std::vector<Page> thermal = printed(testing::routineStream("cmddevice", "2").bytes);
    ASSERT_EQ(thermal.size(), 2u);
    EXPECT_EQ(testing::pageText(thermal[1])[2], "[B dw]2    영   수   증  ");
    const std::vector<Page> epson = printed(testing::routineStream("cmddevice4", "2").bytes);
    ASSERT_EQ(epson.size(), 2u);
    EXPECT_EQ(testing::pageText(epson[1])[1], "[B]MVR-720/730 EPSON  SERIAL PRINTER TEST");
}

// The printer's rules, each on a stream of its own.
TEST(Paper, FollowsThePrintersRules) {
    const struct {
        const char* rule;
        std::string stream;
        std::vector<Text> pages;
    } rows[] = {
        {"CR moves nothing: CR LF is one line end, LF alone is one too",
         "a\r\nb\n\r\n"s,
         {{"[A]a", "[A]b", "feed", "in printer"}}},
        {"print mode bits: font B, emphasis, double height and width, underline",
         "\x1b!\xb9x\n\x1b!\x00y\n"s,
         {{"[B em dh dw ul]x", "[A]y", "in printer EPSON"}}},
        {"ESC - and ESC r take 0 and 1 as numbers or digits; other values change nothing",
         "\x1b-1\x1br1a\x1b-\x05\x1br\x07"
         "b\x1b-0\x1br0"
         "c\n"s,
         {{"[A ul red]ab | [A]c", "in printer EPSON"}}},
        {"SO lasts to the end of its line; DC3 marks the line it is sent in",
         "\x0e"
         "a\x13"
         "b\nc\n"s,
         {{"DC3 [A so]ab", "[A]c", "in printer CBM"}}},
        {"a logo or a bar code prints text waiting in the line first",
         "a\x1cp\x01\x00"
         "b\x1dk\x46\x02"
         "12\n"s,
         {{"[A]a", "logo 1 size 0", "[A]b", "bar code 0x46 h162 w3 none 12", "feed",
           "in printer EPSON"}}},
        {"a cut prints the waiting line, then ends the page",
         "a\x1bmb\x1bP\x00"s,
         {{"[A]a", "cut partial EPSON"}, {"[A]b", "cut full CBM"}}},
        {"marks right after a cut belong to the cut page; the opening bracket to the next",
         "a\n\x1bm\x1bp\x00\x02\x0a\x16\x00\x16\x01\x1bp\x00\x02\x0a"
         "b\n"s,
         {{"[A]a", "cut partial EPSON", "after cut (drawer pulse)", "after cut (page close)"},
          {"(page open)", "(drawer pulse)", "[A]b", "in printer EPSON"}}},
        {"GS V in all its forms ends a page, partial or full, after its feed; so does ESC i",
         "a\x1dV\x00"
         "b\x1dV\x01"
         "c\x1dV\x30"
         "d\x1dV\x31"
         "e\x1dV\x41\x10"
         "f\x1dV\x42\x00"
         "g\x1dV\x61\x00"
         "h\x1dV\x62\x00"
         "i\x1dV\x67\x00"
         "j\x1dV\x68\x00"
         "k\x1bi"s,
         {{"[A]a", "cut full EPSON"},
          {"[A]b", "cut partial EPSON"},
          {"[A]c", "cut full EPSON"},
          {"[A]d", "cut partial EPSON"},
          {"[A]e", "feed 16 dots", "cut full EPSON"},
          {"[A]f", "cut partial EPSON"},
          {"[A]g", "cut full EPSON"},
          {"[A]h", "cut partial EPSON"},
          {"[A]i", "cut full EPSON"},
          {"[A]j", "cut partial EPSON"},
          {"[A]k", "cut full EPSON"}}},
        {"text styles, sizes and fonts hold until changed; ESC ! sets the size GS ! sets",
         "\x1b"
         "E\x01"
         "a\x1bG\x01\x1b"
         "E\x00"
         "b\x1d!\x21"
         "c\x1b!\x10"
         "d\n"
         "\x1d"
         "B\x01\x1b{\x01\x1bV\x01\x1bM\x02"
         "e\n\x1b@"
         "f\n"s,
         {{"[A em]a | [A ds]b | [A ds x3x2]c | [A dh ds]d", "[C dh ds rev ud rot]e", "[A]f",
           "in printer EPSON"}}},
        {"a line takes the justification it starts in; ESC @ takes back to the left",
         "\x1b"
         "a\x01"
         "a\n\x1b"
         "a2b\n\x1b@c\n"s,
         {{"<centre> [A]a", "<right> [A]b", "[A]c", "in printer EPSON"}}},
        {"feeds by lines and by dots print the waiting line first",
         "\x1b"
         "d\x02\x1b"
         "3\x10\x1b"
         "d\x02"
         "a\x1bJ\x05\x1bJ\x08"s,
         {{"feed 60 dots", "feed 32 dots", "[A]a", "feed 8 dots", "in printer EPSON"}}},
        {"a single-byte table's characters are one cell each; two-byte ones after FS &",
         "\x1bt\x13\x82\x1c&\xc7\xd1\n"s,
         {{"[A single]é | [A]한", "in printer EPSON"}}},
        {"pictures: raster at its scale, bit image strips fed by the line spacing, graphics kept "
         "in the print buffer until printed",
         "\x1dv0\x03\x02\x00\x01\x00\xff\x0f\x1b*\x21\x01\x00\xff\xff\xff\n"
         "\x1b"
         "3\x18\x1b*\x00\x02\x00\x81\x42\n"
         "\x1d(L\x0b\x00\x30\x70\x30\x02\x01\x31\x08\x00\x01\x00\xaa\x1d(L\x02\x00\x30\x32"
         "\x1d(L\x02\x00\x30\x32"s,
         {{"picture 16x1 scale 2x2", "picture 1x24 scale 1x1", "feed 6 dots",
           "picture 2x8 scale 2x3", "picture 8x1 scale 2x1", "in printer EPSON"}}},
        {"a picture's size claims no more than its data hold; one too large to keep is noted",
         "\x1d(L\x0b\x00\x30\x70\x30\x01\x01\x31\x08\x00\xff\xff\xaa\x1d(L\x02\x00\x30\x32"
         "\x1dv0\x00\xff\xff\xff\xff"s +
             std::string(0x10000, '\xff'),
         {{"picture 8x1 scale 1x1", "(not drawn)", "in printer EPSON"}}},
        {"QR code and PDF417 print the data stored last, in their settings",
         "\x1d(k\x03\x00\x31\x43\x05\x1d(k\x06\x00\x31\x50\x30"
         "abc"
         "\x1d(k\x03\x00\x31\x51\x30\x1d(k\x05\x00\x30\x50\x30"
         "xy"
         "\x1d(k\x03\x00\x30\x51\x30\x1d(k\x03\x00\x31\x51\x30"s,
         {{"QR abc", "PDF417 xy", "QR abc", "in printer EPSON"}}},
        {"status requests and settings change nothing on the paper",
         "a\x10\x04\x01\x1dr\x01\x1b \x02"
         "b\n"s,
         {{"[A]ab", "in printer EPSON"}}},
        {"unknown and cut-short sequences are marks where they come",
         "a\n\x07"
         "b\n\x1b!"s,
         {{"[A]a", "(unknown)", "[A]b", "(truncated)", "in printer"}}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        expectPages(printed(row.stream), row.pages);
    }
}

// Where a receipt program puts its text: the left margin and print area, absolute and relative
// positions, tab stops, each as the first line of a page holds it.
TEST(Paper, PositionsMarginsAndTabStopsReachTheLine) {
    struct Expected {
        int left = 0;
        int width = kPrintAreaWidth;
        std::vector<int> tabs = {};
        int moveTo = -1;
        int moveBy = 0;
        bool tab = false;
    };
    const struct {
        std::string stream;
        Expected line;
    } rows[] = {
        {"A\n"s, {}},
        {"\x1dL\x10\x00"
         "A\n"s,
         {.left = 16, .width = kPrintAreaWidth - 16}},
        // The margin leaves at least 12 dots of the print area, and the area ends at the paper's
        // edge; the area is at least 12 dots.
        {"\x1dL\xff\x03"
         "A\n"s,
         {.left = kPrintAreaWidth - 12, .width = 12}},
        {"\x1dW\x40\x01"
         "A\n"s,
         {.width = 320}},
        {"\x1dW\x05\x00"
         "A\n"s,
         {.width = 12}},
        {"\x1b$\x20\x01"
         "A\n"s,
         {.moveTo = 288}},
        {"\x1b\\\xf0\xff"
         "A\n"s,
         {.moveBy = -16}},
        {"\x1b\\\x10\x00"
         "A\n"s,
         {.moveBy = 16}},
        {"\x1b"
         "D\x08\x10\x00\tA\n"s,
         {.tabs = {8, 16}, .tab = true}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::listed({testing::pageText(printed(row.stream).front())}));
        const std::vector<Page> pages = printed(row.stream);
        ASSERT_FALSE(pages.empty());
        const Line* line = std::get_if<Line>(&pages.front().elements.front());
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->left, row.line.left);
        EXPECT_EQ(line->width, row.line.width);
        if (row.line.tab) {
            EXPECT_EQ(line->tabs, row.line.tabs);
        }
        ASSERT_FALSE(line->spans.empty());
        const Span& span = line->spans.front();
        EXPECT_EQ(span.text, "A");
        EXPECT_EQ(span.moveTo, row.line.moveTo);
        EXPECT_EQ(span.moveBy, row.line.moveBy);
        EXPECT_EQ(span.tab, row.line.tab);
    }
}

// Graphics kept in the printer under a two-letter key (GS ( L functions 67 and 69): defined once,
// printed at the scale asked; a key never defined prints nothing.
TEST(Paper, StoredGraphicsArePrintedByTheirKey) {
    const std::string define =
        "\x1d(L\x0d\x00\x30\x43\x30"
        "AB\x01\x10\x00\x01\x00\x31\xff\x0f"s;
    const auto print = [](const std::string& key, char x, char y) {
        return "\x1d(L\x06\x00\x30\x45"s + key + x + y;
    };
    expectPages(printed(define + print("AB", 2, 2)),
                {{"picture 16x1 scale 2x2", "in printer EPSON"}});
    expectPages(printed(define + print("AB", 1, 1) + "x\n"s),
                {{"picture 16x1 scale 1x1", "[A]x", "in printer EPSON"}});
    EXPECT_TRUE(printed(define + print("CD", 1, 1)).empty());
}

TEST(Paper, ClearingTakesThePaperOutAndKeepsThePrintMode) {
    PageBuilder paper;
    paper.add(
        decode("\x1b!\x21"
               "a\n\x1bm"
               "b"s));
    ASSERT_EQ(paper.pages().size(), 2u);
    paper.clearPaper();
    EXPECT_TRUE(paper.pages().empty());
    paper.add(decode("c\n"s));
    expectPages(paper.pages(), {{"[B dw]c", "in printer"}});
}

TEST(Paper, PagesNameThePortsTheirBytesCameFrom) {
    PageBuilder paper;
    Decoder com1;
    Decoder lpt1;
    paper.add(com1.feed("a\n"), "COM1");
    paper.add(lpt1.feed("b\n\x1bm"), "lpt1");
    paper.add(lpt1.feed("c\n"), "lpt1");
    ASSERT_EQ(paper.pages().size(), 2u);
    EXPECT_EQ(paper.pages()[0].sources, (std::vector<std::string>{"COM1", "lpt1"}));
    EXPECT_EQ(paper.pages()[1].sources, (std::vector<std::string>{"lpt1"}));
}

// What the paper holds is bounded whatever comes: a page with no cut is torn off at its maximum
// length, a line with no line feed is taken in parts, and the virtual printer's paper keeps only
// its newest pages, counting the ones it dropped.
TEST(Paper, HoldsABoundedAmountWhateverComes) {
    PageBuilder feeds;
    feeds.add(decode(std::string(3 * PageBuilder::kMaxElements + 5, '\n')));
    ASSERT_EQ(feeds.cutPages().size(), 3u);
    for (const Page& page : feeds.cutPages()) {
        EXPECT_TRUE(page.torn);
        EXPECT_EQ(page.cut, Cut::None);
        EXPECT_EQ(page.elements.size(), PageBuilder::kMaxElements);
    }
    EXPECT_EQ(feeds.inPrinter().elements.size(), 5u);

    PageBuilder text;
    text.add(decode(std::string(3 * PageBuilder::kMaxLineText, 'x')));
    for (const Page& page : text.pages()) {
        for (const Element& element : page.elements) {
            if (const auto* line = std::get_if<Line>(&element)) {
                EXPECT_LE(line->spans.front().text.size(),
                          PageBuilder::kMaxLineText + Decoder::kMaxTextRun);
            }
        }
    }

    PageBuilder kept;
    kept.keepAtMost(3);
    for (int page = 1; page <= 5; ++page) {
        kept.add(decode("page " + std::to_string(page) + "\n\x1bm"));
    }
    EXPECT_EQ(kept.droppedPages(), 2u);
    ASSERT_EQ(kept.cutPages().size(), 3u);
    EXPECT_EQ(testing::pageText(kept.cutPages().front())[0], "[A]page 3");
    kept.clearPaper();
    EXPECT_EQ(kept.droppedPages(), 0u);

    // By size: the oldest go until the rest fit, whatever their number; the newest stays even
    // when it alone is larger; a shared page is copied before a mark changes it.
    PageBuilder sized;
    sized.keepWithin(64 * 1024);
    for (int page = 1; page <= 6; ++page) {
        sized.add(decode(std::string(20 * 1024, static_cast<char>('a' + page)) + "\n\x1bm"));
    }
    EXPECT_LE(sized.keptBytes(), 64u * 1024);
    EXPECT_GE(sized.cutCount(), 2u);
    EXPECT_EQ(sized.cutCount() + sized.droppedPages(), 6u);
    EXPECT_EQ(sized.cutPages().back().elements.size(), 6u);  // 20 KiB taken in five lines, a feed
    const std::vector<SharedPage> shown = sized.sharedPages();
    sized.add(decode("\x1bp\x00\x19\xfa"s));  // a drawer pulse, which goes on the page just cut
    EXPECT_TRUE(shown.back()->afterCut.empty());
    EXPECT_EQ(sized.cutPages().back().afterCut.size(), 1u);
    sized.add(decode(std::string(200 * 1024, 'z') + "\x1bm"));
    EXPECT_EQ(sized.cutCount(), 1u);
    EXPECT_GT(sized.keptBytes(), 64u * 1024);

    // Pictures without a cut: the page is torn off once its pictures reach their bound.
    std::string picture = "\x1dv0\x00\x48\x00\x00\x30"s + std::string(72 * 0x3000, '\x55');
    std::string pictures;
    for (std::size_t i = 0; i <= PageBuilder::kMaxPictureBytes / (72 * 0x3000); ++i) {
        pictures += picture;
    }
    PageBuilder drawn;
    drawn.add(decode(pictures));
    ASSERT_EQ(drawn.cutPages().size(), 1u);
    EXPECT_TRUE(drawn.cutPages().front().torn);
    EXPECT_LE(drawn.cutPages().front().bytes(), PageBuilder::kMaxPictureBytes + 2 * 72 * 0x3000);

    // A line of one-letter spans, each in another style, is taken in parts too.
    std::string styles;
    for (int i = 0; i < 4096; ++i) {
        styles += (i % 2 == 0 ? "\x1b!\x01"s : "\x1b!\x00"s) + "x";
    }
    PageBuilder spans;
    spans.add(decode(styles));
    for (const Page& page : spans.pages()) {
        for (const Element& element : page.elements) {
            EXPECT_LE(std::get<Line>(element).spans.size(),
                      PageBuilder::kMaxLineText / sizeof(Span) + 1);
        }
    }
}

}  // namespace
}  // namespace mpt::printer
