// SPDX-License-Identifier: MIT
// The paper the virtual printer prints on: pages of lines, stored logo images and bar codes,
// with the marks of what happened beside the paper (drawer pulses, page brackets, unknown bytes),
// built item by item from the decoder as a printer would.
//
// How the printer treats the items:
// - Text goes into the line being assembled, in the print mode of the moment. LF prints that line
//   (a line feed with nothing in it is an empty line: space on the paper) and starts the next.
//   CR moves nothing: the carriage goes back, the paper stays, so CR LF ends one line.
// - The print mode (ESC !, ESC -, ESC r) holds until changed, across lines and pages. CBM mode's
//   SO makes the rest of its line double width; the line's end ends it. DC3 marks its line with
//   the line attribute.
// - A stored logo or a bar code prints on a line of its own: a line holding text is printed
//   first. Bar code height, module width and text position hold until changed.
// - A cut (EPSON mode's partial cut, CBM mode's full cut) prints a line holding text first, then
//   ends the page. A cut with nothing printed since the previous cut still ends a page, an empty
//   one: every cut makes one page.
// - Drawer pulses, page brackets and unknown or truncated sequences leave the paper as it is and
//   become marks at their place. Those that come right after a cut, before the paper moves or
//   anything is printed, belong to the page just cut (its afterCut marks): the drawer opens and
//   the page bracket closes when the receipt comes off. A page bracket that opens a page always
//   belongs to the page it opens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "printer/decoder.h"

namespace mpt::printer {

struct Style {
    bool fontB = false;  // font B, the smaller one; else font A
    bool emphasis = false;
    bool doubleHeight = false;
    bool doubleWidth = false;  // EPSON mode's print mode
    bool underline = false;
    bool red = false;       // the ribbon's second colour
    bool enlarged = false;  // CBM mode's double width, to the end of the line
    int width = 1;          // GS ! n: times the cell's width, 1 to 8
    int height = 1;         // and height
    bool fontC = false;     // ESC M 2: font C, smaller than B
    bool doubleStrike = false;
    bool reverse = false;     // white on black
    bool upsideDown = false;  // the line turned half round
    bool rotated = false;     // each character turned a quarter clockwise
    // Read from a single-byte table (ESC t): every character one cell wide. Else a character
    // outside ASCII came as two bytes of code page 949 and takes two cells.
    bool singleByte = false;

    bool operator==(const Style&) const = default;
};

struct Span {
    std::string text;  // UTF-8
    Style style;
    // Where the span starts: at moveTo dots from the line's start (ESC $), or moveBy dots on from
    // where the line has got to (ESC \ nL nH), or at the next tab position (HT); else where it got
    // to.
    int moveTo = -1;
    int moveBy = 0;
    bool tab = false;

    bool operator==(const Span&) const = default;
};

inline constexpr int kDefaultLineSpacing = 30;  // dots
inline constexpr int kPrintAreaWidth = 576;     // dots: 72 mm of an 80 mm roll

enum class Align { Left, Centre, Right };

struct Line {
    std::vector<Span> spans;  // none: a line feed with nothing printed
    bool lineAttribute = false;
    std::size_t offset = 0;  // of the item that ended the line
    Align align = Align::Left;
    int left = 0;                       // GS L: the left margin, dots
    int width = kPrintAreaWidth;        // GS W: the print area's width from the margin
    int spacing = kDefaultLineSpacing;  // ESC 2, ESC 3 n: the feed of a line, dots
    int feed = -1;                      // a feed of this many dots and nothing printed; -1: a line
    std::vector<int> tabs;              // ESC D: tab positions in characters, for a line with HT

    bool operator==(const Line& other) const {
        return spans == other.spans && lineAttribute == other.lineAttribute &&
               align == other.align && left == other.left && width == other.width &&
               spacing == other.spacing && feed == other.feed;
    }
};

// A picture the printer was sent: raster (GS v 0), a bit image (ESC *), graphics (GS ( L, GS 8 L).
struct Picture {
    int width = 0;                   // dots
    int height = 0;                  // rows
    std::vector<std::uint8_t> bits;  // rows of (width + 7) / 8 bytes, the leftmost dot the top bit
    int scaleX = 1;
    int scaleY = 1;
    Align align = Align::Left;
    int left = 0;
    int areaWidth = kPrintAreaWidth;
    std::size_t offset = 0;

    bool operator==(const Picture& other) const {
        return width == other.width && height == other.height && bits == other.bits &&
               scaleX == other.scaleX && scaleY == other.scaleY && align == other.align;
    }
};

// A two-dimensional symbol: a QR code or a PDF417, with the settings it was printed in.
struct Symbol {
    enum class Kind { Qr, Pdf417 };
    Kind kind = Kind::Qr;
    std::string data;
    int moduleSize = 3;  // QR: dots a module; PDF417: module width
    int errorLevel = 0;  // QR: 0 L, 1 M, 2 Q, 3 H; PDF417: its level 0 to 8, or -1 for automatic
    int columns = 0;     // PDF417: 0 automatic
    int rowHeight = 3;   // PDF417: times the module width
    Align align = Align::Left;
    std::size_t offset = 0;

    bool operator==(const Symbol& other) const {
        return kind == other.kind && data == other.data && moduleSize == other.moduleSize &&
               errorLevel == other.errorLevel && columns == other.columns &&
               rowHeight == other.rowHeight && align == other.align;
    }
};

struct Logo {
    int image = 0;     // the stored image's number
    int sizeMode = 0;  // 0 normal, 1 double width, 2 double height, 3 both
    std::size_t offset = 0;

    bool operator==(const Logo& other) const {
        return image == other.image && sizeMode == other.sizeMode;
    }
};

enum class TextPosition { None, Above, Below, Both };

struct BarCode {
    int symbology = 0;  // the m of GS k
    std::string data;
    int height = 162;  // dots; a printer's height before GS h
    int moduleWidth = 3;
    TextPosition textPosition = TextPosition::None;
    std::size_t offset = 0;
    bool fontB = false;  // GS f: the human-readable characters in font B
    Align align = Align::Left;

    bool operator==(const BarCode& other) const {
        return symbology == other.symbology && data == other.data && height == other.height &&
               moduleWidth == other.moduleWidth && textPosition == other.textPosition &&
               fontB == other.fontB && align == other.align;
    }
};

struct Mark {
    enum class Kind { DrawerPulse, PageOpen, PageClose, PageBracket, Unknown, Truncated, NotDrawn };
    Kind kind = Kind::Unknown;
    std::string text;  // what happened, for the margin of the preview
    std::size_t offset = 0;

    bool operator==(const Mark& other) const { return kind == other.kind && text == other.text; }
};

using Element = std::variant<Line, Logo, BarCode, Mark, Picture, Symbol>;

enum class Cut { None, Partial, Full };

struct Page {
    std::vector<Element> elements;  // top to bottom
    Cut cut = Cut::None;            // None: the paper is still in the printer
    std::vector<Mark> afterCut;
    bool epson = false;  // a command of that set acted on the page
    bool cbm = false;
    std::vector<std::string> sources;  // the ports its bytes came from, in order of arrival
    // Torn off uncut at PageBuilder::kMaxElements: the paper went on without a cut, and what
    // follows is on the next page.
    bool torn = false;

    // Text, a logo or a bar code is on it: it is more than feeds and marks.
    bool hasPrint() const;
    // About how much memory the page takes, its own heap blocks included.
    std::size_t bytes() const;
};

// A page that no one changes any more, shared rather than copied between the paper and a window.
using SharedPage = std::shared_ptr<const Page>;

// Builds pages from items. Items may come from several ports; the printer and its paper are one.
// What it holds is bounded: a page that reaches kMaxElements lines and marks without a cut is torn
// off there, or when its pictures reach kMaxPictureBytes, a line is taken at about kMaxLineText
// bytes, so that no page grows beyond some 33 MB;
// keepAtMost() and keepWithin() drop the oldest cut pages beyond a number and beyond a size,
// counting them.
class PageBuilder {
  public:
    // Some 40 m of receipt paper: far beyond any page a test prints.
    static constexpr std::size_t kMaxElements = 2000;
    // Bytes of text in one line before the paper takes it; the decoder hands text out in runs of
    // at most 4096 bytes, so a line holds at most this and one run more.
    static constexpr std::size_t kMaxLineText = 4096;
    // Dots of pictures one page holds (some 2 m of paper full of pictures 576 dots wide) before
    // it is torn off: pictures take a kilobyte or more each, far more than a line.
    static constexpr std::size_t kMaxPictureBytes = 16 * 1024 * 1024;

    // The most pictures defined for later printing (NV and download graphics) the printer keeps.
    static constexpr std::size_t kMaxStoredPictures = 64;

    void add(const Item& item, const std::string& source = {});
    void add(const std::vector<Item>& items, const std::string& source = {});

    // The pages that have been cut (or torn off), oldest first: a copy, and their number.
    std::vector<Page> cutPages() const;
    std::size_t cutCount() const { return m_cut.size(); }
    // Hands over the cut pages and forgets them, all but the newest when `keepNewest`: marks that
    // come right after a cut still belong to it.
    std::vector<Page> takeCutPages(bool keepNewest);
    // From now on keeps at most `pages` cut pages, dropping the oldest.
    void keepAtMost(std::size_t pages);
    // From now on keeps the cut pages within `bytes` (Page::bytes()), dropping the oldest; the
    // newest cut page is always kept.
    void keepWithin(std::size_t bytes);
    // What the cut pages kept take, by Page::bytes().
    std::size_t keptBytes() const { return m_keptBytes; }
    // How many cut pages were dropped to keep within that number, since the start.
    std::size_t droppedPages() const { return m_dropped; }
    // The paper still in the printer, with the line being assembled as its last line when that
    // holds anything; empty when nothing has been printed since the last cut.
    Page inPrinter() const;
    // Every page: the cut ones, then the paper in the printer if it holds anything.
    std::vector<Page> pages() const;
    // The same, the cut pages shared rather than copied: a window can hold them at no cost.
    std::vector<SharedPage> sharedPages() const;
    // Takes the paper out: drops every page; the print mode and bar code settings stay.
    void clearPaper();

  private:
    void act(const Item& item);
    void lineFeed(std::size_t offset);
    void setStyle(const Item& item);
    void setLayout(const Item& item);
    void position(const Item& item);
    void feedBy(const Item& item);
    void cutBy(const Item& item);
    void barCode(const Item& item);
    void image(const Item& item);
    void paperMark(const Item& item);
    void printOpenLine(std::size_t offset);
    void addText(const Item& item);
    void addSpan(Span span);
    void feed(int dots, std::size_t offset);
    void placePicture(Picture picture);
    void graphics(const Item& item);
    void symbol(const Item& item);
    void initialize();
    void endLine(std::size_t offset);
    void place(Element element);
    void mark(Mark::Kind kind, std::string text, std::size_t offset);
    void cut(Cut how, std::size_t offset);
    void tearIfTooLong();
    void store(Page page);
    void trim();
    // The newest cut page, to change: a copy of its own when a window still shares it.
    Page& lastCut();
    void noteSource(const std::string& source);

    // Shared with the windows that show them; changed only through lastCut().
    std::vector<std::shared_ptr<Page>> m_cut;
    std::vector<std::size_t> m_cutBytes;  // Page::bytes() of each, as it was stored
    std::size_t m_keptBytes = 0;          // their sum, and the marks added after a cut
    std::size_t m_keep = 0;               // 0: every page
    std::size_t m_keepBytes = 0;          // 0: any size
    std::size_t m_dropped = 0;
    Page m_page;
    Line m_line;
    Style m_style;
    BarCode m_barCode;
    bool m_justCut = false;  // nothing has moved the paper since the last cut
    Align m_align = Align::Left;
    int m_left = 0;
    int m_width = kPrintAreaWidth;
    int m_spacing = kDefaultLineSpacing;
    std::vector<int> m_tabs;
    int m_pictureInLine = 0;         // height of the bit image the open line holds, dots
    std::size_t m_pictureBytes = 0;  // of the pictures on the page in the printer
    // GS ( k settings and the data stored for the next print, per symbol kind.
    Symbol m_qr;
    Symbol m_pdf417{Symbol::Kind::Pdf417, {}, 3, -1, 0, 3};
    // GS ( L: the print buffer's graphics, and the pictures defined by their key codes.
    std::optional<Picture> m_graphics;
    std::map<int, Picture> m_stored;
};

}  // namespace mpt::printer
