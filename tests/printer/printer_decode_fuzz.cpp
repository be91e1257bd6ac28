// Fuzz target for the virtual printer's decoder and paper: whatever bytes arrive, the decoder
// covers every byte with exactly one item, in order, with the right offsets; it reads the same
// items when the bytes come in parts; every item can be described; and the paper makes one page
// per cut without failing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "printer/decoder.h"
#include "printer/layout.h"
#include "printer/listing.h"

using namespace mpt::printer;

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
        if (listingLine(item).empty()) {
            std::abort();
        }
        next += item.bytes.size();
        if (!item.truncated && (item.op == Op::PartialCut || item.op == Op::Cut)) {
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
    if (paper.cutPages().size() != cuts) {
        std::abort();
    }
    return 0;
}
