// SPDX-License-Identifier: MIT
#include "page_text.h"

#include <algorithm>
#include <sstream>
#include <variant>

namespace mpt::testing {

namespace {

using namespace mpt::printer;

std::string styleText(const Style& s) {
    std::string out = s.fontC ? "C" : s.fontB ? "B" : "A";
    const std::pair<bool, const char*> flags[] = {
        {s.emphasis, "em"},   {s.doubleHeight, "dh"}, {s.doubleWidth, "dw"},   {s.underline, "ul"},
        {s.red, "red"},       {s.enlarged, "so"},     {s.doubleStrike, "ds"},  {s.reverse, "rev"},
        {s.upsideDown, "ud"}, {s.rotated, "rot"},     {s.singleByte, "single"}};
    for (const auto& [on, name] : flags) {
        if (on) {
            out += std::string(" ") + name;
        }
    }
    if (s.width > 1 || s.height > 1) {
        out += " x" + std::to_string(s.width) + "x" + std::to_string(s.height);
    }
    return out;
}

std::string markText(const Mark& mark) {
    switch (mark.kind) {
        case Mark::Kind::DrawerPulse: return "(drawer pulse)";
        case Mark::Kind::PageOpen: return "(page open)";
        case Mark::Kind::PageClose: return "(page close)";
        case Mark::Kind::PageBracket: return "(page bracket)";
        case Mark::Kind::Unknown: return "(unknown)";
        case Mark::Kind::Truncated: return "(truncated)";
        case Mark::Kind::NotDrawn: return "(not drawn)";
    }
    return "(?)";
}

struct ElementText {
    std::string operator()(const Line& line) const {
        std::string out = line.lineAttribute ? "DC3 " : "";
        if (line.feed >= 0) {
            return out + "feed " + std::to_string(line.feed) + " dots";
        }
        if (line.spans.empty()) {
            return out + "feed";
        }
        if (line.align != Align::Left) {
            out += line.align == Align::Centre ? "<centre> " : "<right> ";
        }
        for (std::size_t i = 0; i < line.spans.size(); ++i) {
            out +=
                (i > 0 ? " | [" : "[") + styleText(line.spans[i].style) + "]" + line.spans[i].text;
        }
        return out;
    }
    std::string operator()(const Logo& logo) const {
        return "logo " + std::to_string(logo.image) + " size " + std::to_string(logo.sizeMode);
    }
    std::string operator()(const BarCode& code) const {
        static const char* const kPositions[] = {"none", "above", "below", "both"};
        char symbology[8];
        std::snprintf(symbology, sizeof symbology, "0x%02X", code.symbology);
        return std::string("bar code ") + symbology + " h" + std::to_string(code.height) + " w" +
               std::to_string(code.moduleWidth) + " " +
               kPositions[static_cast<int>(code.textPosition)] + " " + code.data;
    }
    std::string operator()(const Mark& mark) const { return markText(mark); }
    std::string operator()(const Picture& picture) const {
        return "picture " + std::to_string(picture.width) + "x" + std::to_string(picture.height) +
               " scale " + std::to_string(picture.scaleX) + "x" + std::to_string(picture.scaleY);
    }
    std::string operator()(const Symbol& symbol) const {
        return (symbol.kind == Symbol::Kind::Qr ? "QR " : "PDF417 ") + symbol.data;
    }
};

}  // namespace

std::vector<std::string> pageText(const Page& page) {
    std::vector<std::string> lines;
    for (const Element& element : page.elements) {
        lines.push_back(std::visit(ElementText{}, element));
    }
    std::string end = page.cut == Cut::Partial ? "cut partial"
                      : page.cut == Cut::Full  ? "cut full"
                                               : "in printer";
    if (page.epson) {
        end += " EPSON";
    }
    if (page.cbm) {
        end += " CBM";
    }
    lines.push_back(end);
    for (const Mark& mark : page.afterCut) {
        lines.push_back("after cut " + markText(mark));
    }
    return lines;
}

std::vector<std::string> feeds(int n) {
    return std::vector<std::string>(static_cast<std::size_t>(n), "feed");
}

std::vector<std::string> cat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::string difference(const std::vector<std::string>& actual,
                       const std::vector<std::string>& expected) {
    std::size_t i = 0;
    while (i < actual.size() && i < expected.size() && actual[i] == expected[i]) {
        ++i;
    }
    std::ostringstream out;
    out << actual.size() << " lines, expected " << expected.size() << "; first difference at line "
        << i << ":\n";
    for (std::size_t k = i; k < std::min(i + 4, std::max(actual.size(), expected.size())); ++k) {
        out << "  actual:   " << (k < actual.size() ? "'" + actual[k] + "'" : "(none)") << '\n'
            << "  expected: " << (k < expected.size() ? "'" + expected[k] + "'" : "(none)") << '\n';
    }
    return out.str();
}

std::string listed(const std::vector<std::vector<std::string>>& pages) {
    std::string out;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        out += (i == 0 ? "" : "\n") + std::string("page ") + std::to_string(i + 1) + ":";
        for (const std::string& line : pages[i]) {
            out += "\n  " + line;
        }
    }
    return out;
}

}  // namespace mpt::testing
