// SPDX-License-Identifier: MIT
// Fuzz target for the virtual printer's decoder and paper: whatever bytes arrive, the decoder
// covers every byte with exactly one item, in order, with the right offsets; a text run's
// characters keep every single-byte letter of the run, in order (an invalid pair does not swallow
// the byte after it); it reads the same items when the bytes come in parts; every item can be
// described; bar codes and symbols are encoded from any data without fault; and the paper makes
// one page per cut, tearing off only pages that reached their maximum length, without failing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "printer/barcode.h"
#include "printer/decoder.h"
#include "printer/layout.h"
#include "printer/listing.h"

using namespace mpt::printer;

namespace {

// The characters an international set (ESC R) may replace with others; left out of the
// comparison of letters.
bool replaceable(char c) {
    return std::string_view("#$@[\\]^`{|}~").find(c) != std::string_view::npos;
}

// The bytes below 0x80 of a code page 949 run that are letters of their own, not trail bytes of a
// pair, in order; of a run in a single-byte table, every byte below 0x80.
std::string singleByteLetters(std::string_view run, bool singleByteTable) {
    const auto lead = [](unsigned char b) { return b >= 0x81 && b <= 0xFE; };
    const auto trail = [](unsigned char b) {
        return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
    };
    std::string letters;
    for (std::size_t i = 0; i < run.size(); ++i) {
        const auto b = static_cast<unsigned char>(run[i]);
        if (!singleByteTable && lead(b) && i + 1 < run.size() &&
            trail(static_cast<unsigned char>(run[i + 1]))) {
            ++i;
        } else if (b < 0x80 && !replaceable(run[i])) {
            letters.push_back(run[i]);
        }
    }
    return letters;
}

// The same from UTF-8: its one-byte characters.
std::string asciiOf(std::string_view utf8) {
    std::string ascii;
    for (const char c : utf8) {
        if (static_cast<unsigned char>(c) < 0x80 && !replaceable(c)) {
            ascii.push_back(c);
        }
    }
    return ascii;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view stream(reinterpret_cast<const char*>(data), size);
    const std::vector<Item> items = decode(stream);

    std::size_t next = 0;
    std::size_t cuts = 0;
    for (const Item& item : items) {
        if (item.offset != next || item.bytes.empty() ||
            stream.substr(item.offset, item.bytes.size()) != item.bytes) {
            std::abort();  // a byte left out, read twice, or read from the wrong place
        }
        if (item.truncated && item.offset + item.bytes.size() != size) {
            std::abort();  // only the end of the stream cuts a sequence short
        }
        if ((item.op == Op::Text) == item.text.empty()) {
            std::abort();  // a text run without characters, or characters outside a text run
        }
        if (item.op == Op::Text &&
            asciiOf(item.text) != singleByteLetters(item.bytes, item.singleByte)) {
            std::abort();  // a letter lost or invented around an invalid character
        }
        if (listingLine(item).empty()) {
            std::abort();
        }
        next += item.bytes.size();
        if (!item.truncated && (item.op == Op::PartialCut || item.op == Op::Cut ||
                                item.op == Op::FullCut || item.op == Op::CutPaper)) {
            ++cuts;
        }
    }
    if (next != size) {
        std::abort();
    }

    // The same bytes in parts whose sizes the input itself chooses.
    Decoder decoder;
    std::vector<Item> parts;
    std::size_t at = 0;
    while (at < size) {
        const std::size_t part = 1 + data[at] % 7;
        for (Item& item : decoder.feed(stream.substr(at, part))) {
            parts.push_back(std::move(item));
        }
        at += part;
    }
    for (Item& item : decoder.finish()) {
        parts.push_back(std::move(item));
    }
    if (parts != items) {
        std::abort();
    }

    PageBuilder paper;
    paper.add(items);
    // Bar codes and two-dimensional symbols encoded from whatever data they carry; a picture's
    // dots are as many as its size says.
    for (const Page& page : paper.pages()) {
        for (const Element& element : page.elements) {
            if (const auto* code = std::get_if<BarCode>(&element)) {
                if (const auto modules = linearModules(code->symbology, code->data);
                    modules && modules->dark.size() != static_cast<std::size_t>(modules->columns)) {
                    std::abort();
                }
            } else if (const auto* symbol = std::get_if<Symbol>(&element)) {
                const auto modules =
                    symbol->kind == Symbol::Kind::Qr
                        ? qrModules(symbol->data, symbol->errorLevel)
                        : pdf417Modules(symbol->data, symbol->errorLevel, symbol->columns);
                if (modules &&
                    modules->dark.size() != static_cast<std::size_t>(modules->rows) *
                                                static_cast<std::size_t>(modules->columns)) {
                    std::abort();
                }
            } else if (const auto* picture = std::get_if<Picture>(&element)) {
                if (picture->bits.size() !=
                    static_cast<std::size_t>(picture->height) *
                        ((static_cast<std::size_t>(picture->width) + 7) / 8)) {
                    std::abort();
                }
            }
        }
    }
    std::size_t cutPages = 0;
    for (const Page& page : paper.cutPages()) {
        if (page.torn == (page.cut != Cut::None)) {
            std::abort();  // a page is either cut or torn off for its length
        }
        cutPages += page.torn ? 0 : 1;
    }
    if (cutPages != cuts) {
        std::abort();
    }
    return 0;
}
