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
        return std::holds_alternative<Logo>(e) || std::holds_alternative<BarCode>(e);
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
    const CommandSet set = commandSetOf(item.op);
    if (set != CommandSet::Common) {
        // A drawer pulse right after a cut acts for the page just cut (see mark()).
        Page& page = item.op == Op::DrawerPulse && m_justCut && !m_cut.empty() ? lastCut() : m_page;
        (set == CommandSet::Epson ? page.epson : page.cbm) = true;
    }
    const auto p = [&](std::size_t i) { return static_cast<unsigned>(item.params.at(i)); };
    switch (item.op) {
        case Op::Text: {
            if (item.text.empty()) {
                break;
            }
            m_justCut = false;
            Style style = m_style;
            if (!m_line.spans.empty() && m_line.spans.back().style == style) {
                m_line.spans.back().text += item.text;
            } else {
                m_line.spans.push_back({item.text, style});
            }
            // Text with no line feed, which the printer wraps line after line: the paper takes
            // it in parts, so that such a line cannot grow without bound. Far beyond a line a
            // test prints; the style holds on. Each change of style within the line counts for
            // what its span takes, so that a line of one-letter spans is bounded too.
            std::size_t lineBytes = 0;
            for (const Span& span : m_line.spans) {
                lineBytes += span.text.size() + sizeof(Span);
            }
            if (lineBytes >= kMaxLineText) {
                m_line.offset = item.offset;
                place(std::move(m_line));
                m_line = Line{};
            }
            break;
        }
        case Op::LineFeed: endLine(item.offset); break;
        case Op::CarriageReturn: break;
        case Op::SelectPrintMode: {
            const unsigned n = p(0);
            m_style.fontB = (n & cmd::kModeFontB) != 0;
            m_style.emphasis = (n & cmd::kModeEmphasis) != 0;
            m_style.doubleHeight = (n & cmd::kModeDoubleHeight) != 0;
            m_style.doubleWidth = (n & cmd::kModeDoubleWidth) != 0;
            m_style.underline = (n & cmd::kModeUnderline) != 0;
            break;
        }
        case Op::Underline: {
            const int n = digitValue(p(0));
            if (n >= 0 && n <= 2) {
                m_style.underline = n != 0;
            }
            break;
        }
        case Op::PrintColour: {
            const int n = digitValue(p(0));
            if (n == 0 || n == 1) {
                m_style.red = n == 1;
            }
            break;
        }
        case Op::PartialCut: cut(Cut::Partial, item.offset); break;
        case Op::Cut: cut(Cut::Full, item.offset); break;
        case Op::DrawerPulse: mark(Mark::Kind::DrawerPulse, paperNote(item), item.offset); break;
        case Op::PrintStoredLogo:
            printOpenLine(item.offset);
            place(Logo{static_cast<int>(p(0)), digitValue(p(1)), item.offset});
            break;
        case Op::BarCodeHeight:
            if (p(0) > 0) {
                m_barCode.height = static_cast<int>(p(0));
            }
            break;
        case Op::BarCodeModuleWidth:
            if (p(0) > 0) {
                m_barCode.moduleWidth = static_cast<int>(p(0));
            }
            break;
        case Op::BarCodeTextPosition: {
            static constexpr TextPosition kPositions[] = {TextPosition::None, TextPosition::Above,
                                                          TextPosition::Below, TextPosition::Both};
            const int n = digitValue(p(0));
            if (n >= 0 && n <= 3) {
                m_barCode.textPosition = kPositions[n];
            }
            break;
        }
        case Op::PrintBarCode: {
            printOpenLine(item.offset);
            BarCode code = m_barCode;
            code.symbology = static_cast<int>(p(0));
            code.data = item.data;
            code.offset = item.offset;
            place(code);
            break;
        }
        case Op::Enlarged: m_style.enlarged = true; break;
        case Op::LineAttribute: m_line.lineAttribute = true; break;
        case Op::PageBracket:
            if (p(0) == 1) {
                m_justCut = false;  // it opens the next page, whose first mark it is
                mark(Mark::Kind::PageOpen, paperNote(item), item.offset);
            } else {
                mark(p(0) == 0 ? Mark::Kind::PageClose : Mark::Kind::PageBracket, paperNote(item),
                     item.offset);
            }
            break;
        case Op::Unknown: mark(Mark::Kind::Unknown, paperNote(item), item.offset); break;
    }
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
    if (m_page.elements.size() < kMaxElements) {
        return;
    }
    Page next;
    next.epson = m_page.epson;
    next.cbm = m_page.cbm;
    m_page.torn = true;
    store(std::move(m_page));
    m_page = std::move(next);
}

void PageBuilder::cut(Cut how, std::size_t offset) {
    printOpenLine(offset);
    m_page.cut = how;
    store(std::move(m_page));
    m_page = Page{};
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
}

}  // namespace mpt::printer
