// SPDX-License-Identifier: MIT
#include "printer/layout.h"

#include <algorithm>

#include "printer/listing.h"
#include "testpages/commands.h"

namespace mpt::printer {

namespace {

// The heap block a text holds beyond the object itself: none while it fits inside it.
std::size_t heapBytes(const std::string& text) {
    return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0;
}

std::size_t heapBytes(const Line& line) {
    std::size_t bytes = line.spans.capacity() * sizeof(Span);
    for (const Span& span : line.spans) {
        bytes += heapBytes(span.text);
    }
    return bytes;
}

std::size_t heapBytes(const Logo&) {
    return 0;
}

std::size_t heapBytes(const BarCode& code) {
    return heapBytes(code.data);
}

std::size_t heapBytes(const Mark& mark) {
    return heapBytes(mark.text);
}

std::size_t heapBytes(const Picture& picture) {
    return picture.bits.capacity();
}

std::size_t heapBytes(const Symbol& symbol) {
    return heapBytes(symbol.data);
}

// A raster picture from rows of bytes, the leftmost dot the top bit: GS v 0 and GS ( L's raster
// format. Rows the data do not reach stay white.
Picture rasterPicture(std::string_view data, int widthBytes, int height) {
    // No more rows than the data hold: a size that claims more takes no memory for them.
    if (widthBytes <= 0) {
        return {};
    }
    height = std::min(height, static_cast<int>(data.size() / static_cast<std::size_t>(widthBytes)));
    Picture picture;
    picture.width = widthBytes * 8;
    picture.height = height;
    picture.bits.assign(static_cast<std::size_t>(widthBytes) * static_cast<std::size_t>(height), 0);
    std::copy_n(data.begin(), std::min(data.size(), picture.bits.size()), picture.bits.begin());
    return picture;
}

// A picture from columns: each column `bytesHigh` bytes from the top, the top dot the top bit
// (ESC * and GS ( L's column format).
Picture columnPicture(std::string_view data, int columns, int bytesHigh) {
    // No more columns than the data hold.
    columns =
        std::min(columns, static_cast<int>(data.size() / static_cast<std::size_t>(bytesHigh)));
    Picture picture;
    picture.width = columns;
    picture.height = bytesHigh * 8;
    const std::size_t rowBytes = (static_cast<std::size_t>(columns) + 7) / 8;
    picture.bits.assign(rowBytes * static_cast<std::size_t>(picture.height), 0);
    for (int x = 0; x < columns; ++x) {
        for (int k = 0; k < bytesHigh; ++k) {
            const std::size_t i =
                static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesHigh) +
                static_cast<std::size_t>(k);
            if (i >= data.size()) {
                return picture;
            }
            const auto byte = static_cast<unsigned char>(data[i]);
            for (int bit = 0; bit < 8; ++bit) {
                if ((byte & (0x80 >> bit)) != 0) {
                    const std::size_t y = static_cast<std::size_t>(k * 8 + bit);
                    picture.bits[y * rowBytes + static_cast<std::size_t>(x) / 8] |=
                        static_cast<std::uint8_t>(0x80 >> (x % 8));
                }
            }
        }
    }
    return picture;
}

}  // namespace

std::size_t Page::bytes() const {
    std::size_t total = sizeof(Page) + elements.capacity() * sizeof(Element) +
                        afterCut.capacity() * sizeof(Mark) +
                        sources.capacity() * sizeof(std::string);
    for (const Element& element : elements) {
        total += std::visit([](const auto& e) { return heapBytes(e); }, element);
    }
    for (const Mark& mark : afterCut) {
        total += heapBytes(mark);
    }
    for (const std::string& source : sources) {
        total += heapBytes(source);
    }
    return total;
}

bool Page::hasPrint() const {
    return std::any_of(elements.begin(), elements.end(), [](const Element& e) {
        if (const auto* line = std::get_if<Line>(&e)) {
            return !line->spans.empty();
        }
        return std::holds_alternative<Logo>(e) || std::holds_alternative<BarCode>(e) ||
               std::holds_alternative<Picture>(e) || std::holds_alternative<Symbol>(e);
    });
}

void PageBuilder::add(const std::vector<Item>& items, const std::string& source) {
    for (const Item& item : items) {
        add(item, source);
    }
}

void PageBuilder::add(const Item& item, const std::string& source) {
    noteSource(source);
    if (item.truncated) {
        mark(Mark::Kind::Truncated, paperNote(item), item.offset);
        return;
    }
    if (item.skipped > 0) {
        // A picture too large to keep: its data were passed over, nothing is drawn.
        mark(Mark::Kind::NotDrawn, skippedNote(item), item.offset);
    }
    const CommandSet set = commandSetOf(item.op);
    if (set != CommandSet::Common) {
        // A drawer pulse right after a cut acts for the page just cut (see mark()).
        Page& page = item.op == Op::DrawerPulse && m_justCut && !m_cut.empty() ? lastCut() : m_page;
        (set == CommandSet::Epson ? page.epson : page.cbm) = true;
    }
    act(item);
}

// Hands each command to what it acts on: every command is named here, so that a new one cannot
// go unhandled unnoticed.
void PageBuilder::act(const Item& item) {
    switch (item.op) {
        case Op::Text: addText(item); break;
        case Op::LineFeed: lineFeed(item.offset); break;
        case Op::SelectPrintMode:
        case Op::Underline:
        case Op::PrintColour:
        case Op::Emphasis:
        case Op::DoubleStrike:
        case Op::CharacterSize:
        case Op::Font:
        case Op::Reverse:
        case Op::UpsideDown:
        case Op::Rotate:
        case Op::Enlarged: setStyle(item); break;
        case Op::LineAttribute: m_line.lineAttribute = true; break;
        case Op::Justify:
        case Op::LineSpacing:
        case Op::DefaultLineSpacing:
        case Op::LeftMargin:
        case Op::PrintWidth:
        case Op::TabStops: setLayout(item); break;
        case Op::AbsolutePosition:
        case Op::RelativePosition:
        case Op::Tab: position(item); break;
        case Op::FeedLines:
        case Op::FeedDots: feedBy(item); break;
        case Op::PartialCut:
        case Op::Cut:
        case Op::FullCut:
        case Op::CutPaper: cutBy(item); break;
        case Op::BarCodeHeight:
        case Op::BarCodeModuleWidth:
        case Op::BarCodeTextPosition:
        case Op::BarCodeFont:
        case Op::PrintBarCode: barCode(item); break;
        case Op::PrintStoredLogo:
        case Op::RasterImage:
        case Op::BitImage: image(item); break;
        case Op::Graphics: graphics(item); break;
        case Op::Symbol2D: symbol(item); break;
        case Op::Initialize: initialize(); break;
        case Op::DrawerPulse:
        case Op::PageBracket:
        case Op::Unknown: paperMark(item); break;
        case Op::CarriageReturn:
        case Op::Nothing:
        case Op::CodeTable:
        case Op::TwoByteOn:
        case Op::TwoByteOff:
        case Op::InternationalSet:  // the decoder reads the text in them
        case Op::Setting:
        case Op::DataSkipped:
        case Op::StatusRequest: break;
    }
}

void PageBuilder::lineFeed(std::size_t offset) {
    if (m_line.spans.empty() && m_pictureInLine > 0) {
        // The line held a bit image: the feed takes the paper on by the line spacing, of which
        // the picture's height is already behind it.
        feed(std::max(0, m_spacing - m_pictureInLine), offset);
        m_style.enlarged = false;
    } else {
        endLine(offset);
    }
    m_pictureInLine = 0;
}

// The print mode: what the characters look like, until changed.
void PageBuilder::setStyle(const Item& item) {
    switch (item.op) {
        case Op::SelectPrintMode: {
            const unsigned n = param(item, 0);
            m_style.fontB = (n & cmd::kModeFontB) != 0;
            m_style.emphasis = (n & cmd::kModeEmphasis) != 0;
            m_style.doubleHeight = (n & cmd::kModeDoubleHeight) != 0;
            m_style.doubleWidth = (n & cmd::kModeDoubleWidth) != 0;
            m_style.underline = (n & cmd::kModeUnderline) != 0;
            // One size for the characters: ESC ! sets it as GS ! does.
            m_style.width = 1;
            m_style.height = 1;
            break;
        }
        case Op::Underline:
            if (const int n = digitValue(param(item, 0)); n >= 0 && n <= 2) {
                m_style.underline = n != 0;
            }
            break;
        case Op::PrintColour:
            if (const int n = digitValue(param(item, 0)); n == 0 || n == 1) {
                m_style.red = n == 1;
            }
            break;
        case Op::Emphasis: m_style.emphasis = (param(item, 0) & 1) != 0; break;
        case Op::DoubleStrike: m_style.doubleStrike = (param(item, 0) & 1) != 0; break;
        case Op::CharacterSize:
            m_style.width = static_cast<int>((param(item, 0) >> 4) & 7) + 1;
            m_style.height = static_cast<int>(param(item, 0) & 7) + 1;
            m_style.doubleWidth = false;
            m_style.doubleHeight = false;
            break;
        case Op::Font:
            if (const int n = digitValue(param(item, 0)); n >= 0 && n <= 2) {
                m_style.fontB = n == 1;
                m_style.fontC = n == 2;
            }
            break;
        case Op::Reverse: m_style.reverse = (param(item, 0) & 1) != 0; break;
        case Op::UpsideDown: m_style.upsideDown = (param(item, 0) & 1) != 0; break;
        case Op::Rotate:
            m_style.rotated = digitValue(param(item, 0)) == 1 || digitValue(param(item, 0)) == 2;
            break;
        case Op::Enlarged: m_style.enlarged = true; break;
        default: break;
    }
}

// Where lines go on the paper: justification, spacing, margin, width and tab positions.
void PageBuilder::setLayout(const Item& item) {
    switch (item.op) {
        case Op::Justify:
            if (const int n = digitValue(param(item, 0)); n >= 0 && n <= 2) {
                m_align = static_cast<Align>(n);
            }
            break;
        case Op::LineSpacing: m_spacing = static_cast<int>(param(item, 0)); break;
        case Op::DefaultLineSpacing: m_spacing = kDefaultLineSpacing; break;
        case Op::LeftMargin:
            m_left = std::min(static_cast<int>(paramWord(item, 0)), kPrintAreaWidth - 12);
            break;
        case Op::PrintWidth: m_width = std::max(12, static_cast<int>(paramWord(item, 0))); break;
        case Op::TabStops: m_tabs.assign(item.params.begin(), item.params.end()); break;
        default: break;
    }
}

// A move within the line: to a position, by some dots, or to the next tab position.
void PageBuilder::position(const Item& item) {
    Span span{{}, m_style};
    if (item.op == Op::AbsolutePosition) {
        span.moveTo = static_cast<int>(paramWord(item, 0));
    } else if (item.op == Op::RelativePosition) {
        span.moveBy = static_cast<std::int16_t>(paramSignedWord(item, 0));
    } else {
        span.tab = true;
    }
    addSpan(std::move(span));
}

// Print and feed, by lines or by dots: a line holding text is printed first.
void PageBuilder::feedBy(const Item& item) {
    if (item.op == Op::FeedLines) {
        const int lines = static_cast<int>(param(item, 0));
        if (!m_line.spans.empty()) {
            endLine(item.offset);
            feed(std::max(0, lines - 1) * m_spacing, item.offset);
        } else {
            feed(lines * m_spacing, item.offset);
        }
    } else if (!m_line.spans.empty()) {
        endLine(item.offset);
    } else {
        feed(static_cast<int>(param(item, 0)), item.offset);
    }
}

// The cuts of both command sets; GS V m n feeds the paper n dots first.
void PageBuilder::cutBy(const Item& item) {
    switch (item.op) {
        case Op::PartialCut: cut(Cut::Partial, item.offset); break;
        case Op::Cut:
        case Op::FullCut: cut(Cut::Full, item.offset); break;
        case Op::CutPaper:
            if (item.params.size() > 1) {
                printOpenLine(item.offset);
                feed(static_cast<int>(param(item, 1)), item.offset);
            }
            cut(isPartialCut(item) ? Cut::Partial : Cut::Full, item.offset);
            break;
        default: break;
    }
}

// The bar code settings, which hold until changed, and the printing of a bar code in them.
void PageBuilder::barCode(const Item& item) {
    switch (item.op) {
        case Op::BarCodeHeight:
            if (param(item, 0) > 0) {
                m_barCode.height = static_cast<int>(param(item, 0));
            }
            break;
        case Op::BarCodeModuleWidth:
            if (param(item, 0) > 0) {
                m_barCode.moduleWidth = static_cast<int>(param(item, 0));
            }
            break;
        case Op::BarCodeTextPosition: {
            static constexpr TextPosition kPositions[] = {TextPosition::None, TextPosition::Above,
                                                          TextPosition::Below, TextPosition::Both};
            const int n = digitValue(param(item, 0));
            if (n >= 0 && n <= 3) {
                m_barCode.textPosition = kPositions[n];
            }
            break;
        }
        case Op::BarCodeFont: m_barCode.fontB = digitValue(param(item, 0)) == 1; break;
        case Op::PrintBarCode: {
            printOpenLine(item.offset);
            BarCode code = m_barCode;
            code.symbology = static_cast<int>(param(item, 0));
            code.data = item.data;
            code.offset = item.offset;
            code.align = m_align;
            place(code);
            break;
        }
        default: break;
    }
}

// A stored logo, a raster image or a bit image, each on a line of its own.
void PageBuilder::image(const Item& item) {
    printOpenLine(item.offset);
    if (item.op == Op::PrintStoredLogo) {
        place(Logo{static_cast<int>(param(item, 0)), digitValue(param(item, 1)), item.offset});
    } else if (item.op == Op::RasterImage) {
        Picture picture = rasterPicture(item.data, static_cast<int>(paramWord(item, 1)),
                                        static_cast<int>(paramWord(item, 3)));
        picture.scaleX = (param(item, 0) & 1) != 0 ? 2 : 1;
        picture.scaleY = (param(item, 0) & 2) != 0 ? 2 : 1;
        picture.offset = item.offset;
        placePicture(std::move(picture));
    } else {
        const bool tall = (param(item, 0) & 0x20) != 0;
        Picture picture =
            columnPicture(item.data, static_cast<int>(paramWord(item, 1)), tall ? 3 : 1);
        // Single density doubles each dot across; an 8-dot image is stretched to 24 dots'
        // height.
        picture.scaleX = (param(item, 0) & 1) != 0 ? 1 : 2;
        picture.scaleY = tall ? 1 : 3;
        picture.offset = item.offset;
        m_pictureInLine = picture.height * picture.scaleY;
        placePicture(std::move(picture));
    }
}

// What leaves the paper as it is and becomes a mark in its margin: a drawer pulse, a page
// bracket, an unknown command.
void PageBuilder::paperMark(const Item& item) {
    if (item.op == Op::PageBracket) {
        const auto n = param(item, 0);
        if (n == 1) {
            m_justCut = false;  // it opens the next page, whose first mark it is
            mark(Mark::Kind::PageOpen, paperNote(item), item.offset);
        } else {
            mark(n == 0 ? Mark::Kind::PageClose : Mark::Kind::PageBracket, paperNote(item),
                 item.offset);
        }
    } else {
        mark(item.op == Op::DrawerPulse ? Mark::Kind::DrawerPulse : Mark::Kind::Unknown,
             paperNote(item), item.offset);
    }
}

void PageBuilder::addText(const Item& item) {
    if (item.text.empty()) {
        return;
    }
    Style style = m_style;
    style.singleByte = item.singleByte;
    addSpan({item.text, style});
    // Text with no line feed, which the printer wraps line after line: the paper takes it in
    // parts, so that such a line cannot grow without bound. Far beyond a line a test prints; the
    // style holds on. Each change of style within the line counts for what its span takes, so
    // that a line of one-letter spans is bounded too.
    std::size_t lineBytes = 0;
    for (const Span& span : m_line.spans) {
        lineBytes += span.text.size() + sizeof(Span);
    }
    if (lineBytes >= kMaxLineText) {
        m_line.offset = item.offset;
        place(std::move(m_line));
        m_line = Line{};
    }
}

void PageBuilder::addSpan(Span span) {
    m_justCut = false;
    if (m_line.spans.empty()) {
        // The line takes the justification, margin and width it starts in.
        m_line.align = m_align;
        m_line.left = m_left;
        m_line.width = std::min(m_width, kPrintAreaWidth - m_left);
    }
    if (span.tab && m_line.tabs.empty()) {
        m_line.tabs = m_tabs.empty() ? std::vector<int>{0} : m_tabs;
    }
    Span& last = m_line.spans.empty() ? span : m_line.spans.back();
    if (&last != &span && last.style == span.style && span.moveTo < 0 && span.moveBy == 0 &&
        !span.tab) {
        last.text += span.text;
    } else {
        m_line.spans.push_back(std::move(span));
    }
}

void PageBuilder::feed(int dots, std::size_t offset) {
    if (dots <= 0) {
        return;
    }
    Line line;
    line.feed = dots;
    line.offset = offset;
    place(std::move(line));
}

void PageBuilder::placePicture(Picture picture) {
    picture.align = m_align;
    picture.left = m_left;
    picture.areaWidth = std::min(m_width, kPrintAreaWidth - m_left);
    if (picture.width > 0 && picture.height > 0) {
        place(std::move(picture));
    }
}

// GS ( L and GS 8 L: params are the length bytes, m and fn; data what follows fn.
void PageBuilder::graphics(const Item& item) {
    if (item.params.size() < 2) {
        return;
    }
    using Fn = GraphicsFunction;
    const auto fn = static_cast<Fn>(item.params.back());
    const std::string& d = item.data;
    // a bx by c xL xH yL yH d…: store in the print buffer, raster or columns.
    if ((fn == Fn::StoreRaster || fn == Fn::StoreColumns) && d.size() >= 8) {
        const int width = wordAt(d, 4);
        const int height = wordAt(d, 6);
        const std::string_view dots = std::string_view(d).substr(8);
        Picture picture = fn == Fn::StoreRaster ? rasterPicture(dots, (width + 7) / 8, height)
                                                : columnPicture(dots, width, (height + 7) / 8);
        picture.width = std::min(picture.width, width);
        picture.scaleX = static_cast<unsigned char>(d[1]) == 2 ? 2 : 1;
        picture.scaleY = static_cast<unsigned char>(d[2]) == 2 ? 2 : 1;
        m_graphics = std::move(picture);
        return;
    }
    if (fn == Fn::PrintBuffer || fn == Fn::PrintBufferAlias) {
        if (m_graphics) {
            printOpenLine(item.offset);
            Picture picture = *m_graphics;
            picture.offset = item.offset;
            placePicture(std::move(picture));
            m_graphics.reset();
        }
        return;
    }
    // a kc1 kc2 b xL xH yL yH c d…: define NV or download graphics, raster; the first colour's
    // data only.
    if ((fn == Fn::DefineNv || fn == Fn::DefineDownload) && d.size() >= 9) {
        const int key = (static_cast<unsigned char>(d[1]) << 8) | static_cast<unsigned char>(d[2]);
        const int width = wordAt(d, 4);
        const int height = wordAt(d, 6);
        Picture picture = rasterPicture(std::string_view(d).substr(9), (width + 7) / 8, height);
        picture.width = std::min(picture.width, width);
        if (m_stored.size() < kMaxStoredPictures || m_stored.count(key) > 0) {
            m_stored[key] = std::move(picture);
        }
        return;
    }
    // kc1 kc2 x y: print NV or download graphics.
    if ((fn == Fn::PrintNv || fn == Fn::PrintDownload) && d.size() >= 4) {
        const int key = (static_cast<unsigned char>(d[0]) << 8) | static_cast<unsigned char>(d[1]);
        const auto stored = m_stored.find(key);
        if (stored != m_stored.end()) {
            printOpenLine(item.offset);
            Picture picture = stored->second;
            picture.scaleX = static_cast<unsigned char>(d[2]) == 2 ? 2 : 1;
            picture.scaleY = static_cast<unsigned char>(d[3]) == 2 ? 2 : 1;
            picture.offset = item.offset;
            placePicture(std::move(picture));
        }
    }
}

// GS ( k: params pL pH cn fn, data the function's own bytes.
void PageBuilder::symbol(const Item& item) {
    if (item.params.size() < 4) {
        return;
    }
    const unsigned cn = param(item, 2);
    const unsigned fn = param(item, 3);
    if (cn != 48 && cn != 49) {
        return;
    }
    Symbol& s = cn == 49 ? m_qr : m_pdf417;
    const std::string& d = item.data;
    const int n = d.empty() ? 0 : static_cast<unsigned char>(d.back());
    switch (fn) {
        case 65:
            if (cn == 48) {
                s.columns = n;
            }
            break;
        case 67:
            if (n > 0) {
                s.moduleSize = n;
            }
            break;
        case 68:
            if (cn == 48 && n > 0) {
                s.rowHeight = n;
            }
            break;
        case 69:
            if (cn == 49 && n >= 48 && n <= 51) {
                s.errorLevel = n - 48;
            } else if (cn == 48 && d.size() == 2) {
                s.errorLevel = d[0] == 48 ? std::min(n - 48, 8) : -1;
            }
            break;
        case 80:
            if (!d.empty()) {
                s.data.assign(d, 1);  // after m
            }
            break;
        case 81:
            if (!s.data.empty()) {
                printOpenLine(item.offset);
                Symbol printed = s;
                printed.align = m_align;
                printed.offset = item.offset;
                place(std::move(printed));
            }
            break;
        default: break;
    }
}

void PageBuilder::initialize() {
    m_line = Line{};
    m_style = Style{};
    m_barCode = BarCode{};
    m_align = Align::Left;
    m_left = 0;
    m_width = kPrintAreaWidth;
    m_spacing = kDefaultLineSpacing;
    m_tabs.clear();
    m_pictureInLine = 0;
    m_qr = Symbol{};
    m_pdf417 = Symbol{Symbol::Kind::Pdf417, {}, 3, -1, 0, 3};
    m_graphics.reset();
}

void PageBuilder::noteSource(const std::string& source) {
    if (!source.empty() &&
        std::find(m_page.sources.begin(), m_page.sources.end(), source) == m_page.sources.end()) {
        m_page.sources.push_back(source);
    }
}

void PageBuilder::printOpenLine(std::size_t offset) {
    if (!m_line.spans.empty()) {
        endLine(offset);
    }
}

void PageBuilder::endLine(std::size_t offset) {
    m_line.offset = offset;
    m_line.spacing = m_spacing;
    place(std::move(m_line));
    m_line = Line{};
    m_style.enlarged = false;
}

void PageBuilder::place(Element element) {
    m_justCut = false;
    // A line's texts grew by appending; what it keeps is only what it holds.
    if (auto* line = std::get_if<Line>(&element)) {
        for (Span& span : line->spans) {
            span.text.shrink_to_fit();
        }
        line->spans.shrink_to_fit();
    }
    if (const auto* picture = std::get_if<Picture>(&element)) {
        m_pictureBytes += picture->bits.size();
    }
    m_page.elements.push_back(std::move(element));
    tearIfTooLong();
}

void PageBuilder::mark(Mark::Kind kind, std::string text, std::size_t offset) {
    Mark m{kind, std::move(text), offset};
    if (m_justCut && !m_cut.empty()) {
        if (m_cut.back()->afterCut.size() < kMaxElements) {
            m_keptBytes += sizeof(Mark) + heapBytes(m.text);
            m_cutBytes.back() += sizeof(Mark) + heapBytes(m.text);
            lastCut().afterCut.push_back(std::move(m));
        }
    } else {
        m_page.elements.push_back(std::move(m));
        tearIfTooLong();
    }
}

void PageBuilder::tearIfTooLong() {
    if (m_page.elements.size() < kMaxElements && m_pictureBytes < kMaxPictureBytes) {
        return;
    }
    Page next;
    next.epson = m_page.epson;
    next.cbm = m_page.cbm;
    m_page.torn = true;
    store(std::move(m_page));
    m_page = std::move(next);
    m_pictureBytes = 0;
}

void PageBuilder::cut(Cut how, std::size_t offset) {
    printOpenLine(offset);
    m_page.cut = how;
    store(std::move(m_page));
    m_page = Page{};
    m_pictureBytes = 0;
    // The line being assembled keeps its DC3 and SO if no text came yet; the paper is new.
    m_justCut = true;
}

void PageBuilder::store(Page page) {
    m_cutBytes.push_back(page.bytes());
    m_keptBytes += m_cutBytes.back();
    m_cut.push_back(std::make_shared<Page>(std::move(page)));
    trim();
}

void PageBuilder::trim() {
    std::size_t excess = 0;
    std::size_t bytes = m_keptBytes;
    while (excess + 1 < m_cut.size() && ((m_keep > 0 && m_cut.size() - excess > m_keep) ||
                                         (m_keepBytes > 0 && bytes > m_keepBytes))) {
        bytes -= m_cutBytes[excess];
        ++excess;
    }
    if (excess == 0) {
        return;
    }
    m_cut.erase(m_cut.begin(), m_cut.begin() + static_cast<std::ptrdiff_t>(excess));
    m_cutBytes.erase(m_cutBytes.begin(), m_cutBytes.begin() + static_cast<std::ptrdiff_t>(excess));
    m_keptBytes = bytes;
    m_dropped += excess;
}

Page& PageBuilder::lastCut() {
    if (m_cut.back().use_count() > 1) {
        m_cut.back() = std::make_shared<Page>(*m_cut.back());
    }
    return *m_cut.back();
}

std::vector<Page> PageBuilder::cutPages() const {
    std::vector<Page> copies;
    copies.reserve(m_cut.size());
    for (const auto& page : m_cut) {
        copies.push_back(*page);
    }
    return copies;
}

std::vector<Page> PageBuilder::takeCutPages(bool keepNewest) {
    std::vector<Page> taken;
    const std::size_t count = keepNewest && !m_cut.empty() ? m_cut.size() - 1 : m_cut.size();
    for (std::size_t i = 0; i < count; ++i) {
        // Moved out where no one else holds it.
        if (m_cut[i].use_count() == 1) {
            taken.push_back(std::move(*m_cut[i]));
        } else {
            taken.push_back(*m_cut[i]);
        }
        m_keptBytes -= m_cutBytes[i];
    }
    m_cut.erase(m_cut.begin(), m_cut.begin() + static_cast<std::ptrdiff_t>(count));
    m_cutBytes.erase(m_cutBytes.begin(), m_cutBytes.begin() + static_cast<std::ptrdiff_t>(count));
    return taken;
}

void PageBuilder::keepAtMost(std::size_t pages) {
    m_keep = pages;
    trim();
}

void PageBuilder::keepWithin(std::size_t bytes) {
    m_keepBytes = bytes;
    trim();
}

Page PageBuilder::inPrinter() const {
    Page page = m_page;
    if (!m_line.spans.empty()) {
        page.elements.push_back(m_line);
    }
    return page;
}

std::vector<Page> PageBuilder::pages() const {
    std::vector<Page> all = cutPages();
    Page rest = inPrinter();
    if (!rest.elements.empty()) {
        all.push_back(std::move(rest));
    }
    return all;
}

std::vector<SharedPage> PageBuilder::sharedPages() const {
    std::vector<SharedPage> all(m_cut.begin(), m_cut.end());
    Page rest = inPrinter();
    if (!rest.elements.empty()) {
        all.push_back(std::make_shared<const Page>(std::move(rest)));
    }
    return all;
}

void PageBuilder::clearPaper() {
    m_cut.clear();
    m_cutBytes.clear();
    m_keptBytes = 0;
    m_dropped = 0;
    m_page = Page{};
    m_line = Line{};
    m_justCut = false;
    m_pictureBytes = 0;
}

}  // namespace mpt::printer
