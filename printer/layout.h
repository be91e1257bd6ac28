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
#include <memory>
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

    bool operator==(const Style&) const = default;
};

struct Span {
    std::string text;  // UTF-8
    Style style;

    bool operator==(const Span&) const = default;
};

struct Line {
    std::vector<Span> spans;  // none: a line feed with nothing printed
    bool lineAttribute = false;
    std::size_t offset = 0;  // of the item that ended the line

    bool operator==(const Line& other) const {
        return spans == other.spans && lineAttribute == other.lineAttribute;
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

    bool operator==(const BarCode& other) const {
        return symbology == other.symbology && data == other.data && height == other.height &&
               moduleWidth == other.moduleWidth && textPosition == other.textPosition;
    }
};

struct Mark {
    enum class Kind { DrawerPulse, PageOpen, PageClose, PageBracket, Unknown, Truncated };
    Kind kind = Kind::Unknown;
    std::string text;  // what happened, for the margin of the preview
    std::size_t offset = 0;

    bool operator==(const Mark& other) const { return kind == other.kind && text == other.text; }
};

using Element = std::variant<Line, Logo, BarCode, Mark>;

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
// off there, a line is taken at about kMaxLineText bytes, so that no page grows beyond some 17 MB;
// keepAtMost() and keepWithin() drop the oldest cut pages beyond a number and beyond a size,
// counting them.
class PageBuilder {
  public:
    // Some 40 m of receipt paper: far beyond any page a test prints.
    static constexpr std::size_t kMaxElements = 2000;
    // Bytes of text in one line before the paper takes it; the decoder hands text out in runs of
    // at most 4096 bytes, so a line holds at most this and one run more.
    static constexpr std::size_t kMaxLineText = 4096;

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
    void printOpenLine(std::size_t offset);
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
};

}  // namespace mpt::printer
