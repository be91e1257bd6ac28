// SPDX-License-Identifier: MIT
// The virtual printer's pictures: one page of each family drawn and compared with the reference
// picture kept beside this test, which a person has looked at; and the face that prints Hangul.
//
// The comparison allows for small differences in how text is smoothed. When a picture differs
// beyond that, or its reference is missing, the fresh picture is written to the build tree
// (printer-render/) to be looked at and, if it is right, kept as the new reference.
#include <gtest/gtest.h>

#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QRawFont>
#include <cstdlib>
#include <string>

#include "core/texts.h"
#include "printer/decoder.h"
#include "printer/layout.h"
#include "printer/listing.h"
#include "printer/render.h"
#include "routine_streams.h"

#ifndef MPT_REFERENCE_DIR
#error "MPT_REFERENCE_DIR names the directory of the reference pictures"
#endif
#ifndef MPT_RENDER_OUT_DIR
#error "MPT_RENDER_OUT_DIR names where fresh pictures are written"
#endif

namespace mpt::printer {
namespace {

// The references are kept at half size in grey, which keeps them small and still shows every
// line, style and mark; fresh pictures are reduced the same way before they are compared.
QImage reduced(const QImage& image) {
    return image
        .scaled(image.width() / 2, image.height() / 2, Qt::IgnoreAspectRatio,
                Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_Grayscale8);
}

// Pixels whose grey differs by more than kPixelTolerance count as different; up to kShareTolerance
// of them may differ.
constexpr int kPixelTolerance = 40;
constexpr double kShareTolerance = 0.002;

struct Family {
    const char* name;
    const char* routine;
    const char* count;
    int page;  // which page of the stream, from 0
};

void PrintTo(const Family& row, std::ostream* out) {
    *out << row.name;
}

class ReferencePictures : public ::testing::TestWithParam<Family> {};

TEST_P(ReferencePictures, MatchTheKeptPicture) {
    const Family& family = GetParam();
    PageBuilder paper;
    paper.add(decode(testing::routineStream(family.routine, family.count).bytes));
    const std::vector<Page> pages = paper.pages();
    ASSERT_GT(pages.size(), static_cast<std::size_t>(family.page));
    const Page& page = pages[static_cast<std::size_t>(family.page)];
    const QImage fresh = reduced(renderPage(page, pageCaption(page, family.page + 1)));

    const QString name = QString::fromLatin1(family.name) + QStringLiteral(".png");
    const QImage reference(QStringLiteral(MPT_REFERENCE_DIR) + QLatin1Char('/') + name);
    const auto keepFresh = [&] {
        QDir().mkpath(QStringLiteral(MPT_RENDER_OUT_DIR));
        const QString path = QStringLiteral(MPT_RENDER_OUT_DIR) + QLatin1Char('/') + name;
        fresh.save(path, "PNG", 9);
        return path.toStdString();
    };
    ASSERT_FALSE(reference.isNull()) << "no reference picture; the fresh one is " << keepFresh();
    ASSERT_EQ(reference.size(), fresh.size()) << "the fresh picture is " << keepFresh();

    const QImage expected = reference.convertToFormat(QImage::Format_Grayscale8);
    long differing = 0;
    for (int y = 0; y < fresh.height(); ++y) {
        const uchar* a = fresh.constScanLine(y);
        const uchar* b = expected.constScanLine(y);
        for (int x = 0; x < fresh.width(); ++x) {
            differing += std::abs(int(a[x]) - int(b[x])) > kPixelTolerance ? 1 : 0;
        }
    }
    const double share = static_cast<double>(differing) / (fresh.width() * fresh.height());
    EXPECT_LE(share, kShareTolerance)
        << differing << " pixels differ; the fresh picture is " << keepFresh();
}

INSTANTIATE_TEST_SUITE_P(Printer, ReferencePictures,
                         ::testing::Values(Family{"thermal", "cmddevice", "1", 0},
                                           Family{"epson_dot_matrix", "cmddevice4", "1", 0},
                                           Family{"cbm_dot_matrix", "cmddevice2", "1", 0},
                                           Family{"line_feed", "cmddevice6", "1", 0},
                                           Family{"cutter", "cmddevice8", "2", 1}),
                         [](const ::testing::TestParamInfo<Family>& info) {
                             return std::string(info.param.name);
                         });

// Without a Korean face the Hangul of every page would print as empty boxes.
TEST(Render, PrintsHangulWithAFaceThatHasIt) {
    for (const bool fontB : {false, true}) {
        const QFont font = printerFont(fontB, false);
        const QFontMetrics metrics(font);
        for (const char32_t c : {U'한', U'글', U'영', U'증', U'A', U'1'}) {
            EXPECT_TRUE(metrics.inFontUcs4(c))
                << "font " << (fontB ? "B" : "A") << ": " << QFontInfo(font).family().toStdString()
                << " lacks U+" << std::hex << static_cast<unsigned>(c);
        }
    }
}

// One page a cut, and the paper that is still in the printer as a shorter picture.
TEST(Render, EveryPageIsPaperWidthWithTheMarginBeside) {
    PageBuilder paper;
    paper.add(decode(testing::routineStream("cmddevice9", "1").bytes));
    for (const Page& page : paper.pages()) {
        const QImage image = renderPage(page);
        EXPECT_EQ(image.width(), kPaperWidth + kMarginWidth);
        EXPECT_GT(image.height(), 0);
    }
}

// Where a character lands across the paper: margins, positions, tab stops and justification,
// each an 'I' on a line of its own. The ink starts within the character's cell, which is 12 dots
// wide in font A; the printable area is centred on the paper.
TEST(Render, CharactersLandWhereTheirPositionsPutThem) {
    using namespace std::string_literals;
    constexpr int kCell = 12;
    constexpr int kAreaLeft = (kPaperWidth - kPrintableWidth) / 2;
    const struct {
        std::string stream;
        int cellAt;  // dots from the printable area's left edge
    } rows[] = {
        {"I\n"s, 0},
        {"\x1dL\x64\x00I\n"s, 100},
        {"\x1b$\x20\x01I\n"s, 288},
        {"\x1b\\\x28\x00I\n"s, 40},
        {"\tI\n"s, 8 * kCell},
        {"\x1b"
         "D\x03\x00\tI\n"s,
         3 * kCell},
        {"\x1b"
         "a\x01I\n"s,
         (kPrintableWidth - kCell) / 2},
        {"\x1b"
         "a\x02I\n"s,
         kPrintableWidth - kCell},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(::testing::PrintToString(row.stream));
        PageBuilder paper;
        paper.add(decode(row.stream));
        const QImage image = renderPage(paper.inPrinter());
        int firstInk = -1;
        for (int x = 0; x < kPaperWidth && firstInk < 0; ++x) {
            for (int y = 0; y < std::min(image.height(), 60) && firstInk < 0; ++y) {
                if (qGray(image.pixel(x, y)) < 128) {
                    firstInk = x - kAreaLeft;
                }
            }
        }
        EXPECT_GE(firstInk, row.cellAt);
        EXPECT_LT(firstInk, row.cellAt + kCell);
    }
}

// A page longer than a picture may be is drawn to the maximum height, and says so at its foot.
TEST(Render, APictureIsCutShortAtItsMaximumHeight) {
    PageBuilder paper;
    paper.add(decode(std::string(PageBuilder::kMaxElements - 1, '\n')));
    const Page page = paper.inPrinter();
    const QImage image = renderPage(page);
    EXPECT_EQ(image.height(), kMaxPictureHeight);
    // The note sits in the last rows; the paper above it is white.
    const QImage foot = image.copy(0, kMaxPictureHeight - 48, kPaperWidth, 48);
    bool inked = false;
    for (int y = 0; y < foot.height() && !inked; ++y) {
        for (int x = 0; x < foot.width() && !inked; ++x) {
            inked = qGray(foot.pixel(x, y)) < 96;
        }
    }
    EXPECT_TRUE(inked) << "no note at the foot of the cut-short picture";
}

// The captions are in the user's language: each word is looked up, and the figures go where the
// language puts them.
TEST(Render, CaptionsInTheUsersLanguage) {
    setTextLookup([](const char* context, const char* source) {
        const std::string words(source);
        return std::string(context) != "Paper" ? words
               : words == "page %1"            ? std::string("%1쪽")
               : words == "full cut"           ? std::string("완전 자름")
                                               : "[" + words + "]";
    });
    PageBuilder paper;
    paper.add(decode(std::string("text\n\x1bP\x00", 8)));
    const std::vector<Page> cut = paper.cutPages();
    const std::string caption =
        cut.empty() ? std::string() : pageCaption(cut.front(), 7).toStdString();
    setTextLookup({});
    EXPECT_EQ(caption, "7쪽 · [CBM mode] · 완전 자름");
}

// The notes beside the paper (drawer pulses, page brackets, unknown and truncated sequences) are
// in the user's language too; without a translation they say what the listing says.
TEST(Render, MarksInTheUsersLanguage) {
    using namespace std::string_literals;
    const std::string stream =
        "\x16\x01"
        "a\n\x1bm\x16\x00\x1bp\x00\x19\xfa\x1bp\x07\x01\x01\x16\x07\x07"
        "\x1d\x6b\x63\x01\x30\x1d\x6b\x46\x05\x31\x1b!"s;
    int marks = 0;
    for (const Item& item : decode(stream)) {
        if (item.truncated || item.op == Op::DrawerPulse || item.op == Op::PageBracket ||
            item.op == Op::Unknown) {
            EXPECT_EQ(paperNote(item), meaning(item));
            ++marks;
        }
    }
    EXPECT_EQ(marks, 9);

    setTextLookup([](const char*, const char* source) { return "[" + std::string(source) + "]"; });
    PageBuilder paper;
    paper.add(decode(stream));
    std::vector<std::string> notes;
    for (const Page& page : paper.pages()) {
        for (const Element& element : page.elements) {
            if (const auto* mark = std::get_if<Mark>(&element)) {
                notes.push_back(mark->text);
            }
        }
        for (const Mark& mark : page.afterCut) {
            notes.push_back(mark.text);
        }
    }
    setTextLookup({});
    EXPECT_EQ(notes, (std::vector<std::string>{
                         "[page bracket: opens a page]",
                         "[page bracket: closes the page]",
                         "[drawer pulse: connector pin 2, 50 ms on, 500 ms off]",
                         "[drawer pulse: connector pin 0x07 (not defined), 2 ms on, 2 ms off]",
                         "[page bracket 0x07 (neither opens nor closes)]",
                         "[unknown: control byte BEL (0x07) is not a command here]",
                         "[unknown: bar code symbology 0x63 is not one this printer reads; its "
                         "data follow as they are]",
                         "[unknown: control byte SOH (0x01) is not a command here]",
                         "[truncated: print bar code, 3 of 5 data bytes arrived before the end "
                         "of the stream]",
                     }));
}

}  // namespace
}  // namespace mpt::printer
