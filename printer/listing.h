// SPDX-License-Identifier: MIT
// The annotated listing of a stream: what each item is and what it does on the printer, in words,
// one item a line, for --decode and for the marks beside the virtual printer's pages.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "printer/decoder.h"

namespace mpt::printer {

// The item spelled as the command vocabulary writes it: ESC ! 0x21, GS k 0x46 0x1A, "text" for
// a text run.
std::string mnemonic(const Item& item);

// What the item does, with its parameters in words: "select print mode: font B, double width".
// A truncated item says what was cut short and how much of it arrived.
std::string meaning(const Item& item);

// The size mode of a stored logo image (FS p n m, m read as a number or its digit), 0 to 3, in
// English as the listing writes it: "normal size", "double width", "double height", "double width
// and height"; nullptr for any other. The paper shows the same words in the user's language
// (context "Paper").
const char* logoSizeName(int mode);

// What an item that leaves a mark beside the virtual printer's paper (a drawer pulse, a page
// bracket, an unknown or truncated sequence) did, as meaning() says it, in the user's language.
std::string paperNote(const Item& item);

// The note beside the paper for a picture whose data were too many to keep (Item::skipped), in
// the user's language.
std::string skippedNote(const Item& item);

// "EPSON mode", "CBM mode", or "both command sets" for Common.
std::string_view commandSetName(CommandSet set);

// One line of the listing, without the line end: the offset, the bytes in hex, the command set
// (blank for line control and text), the mnemonic and the meaning, or for a text run its
// characters in quotes.
std::string listingLine(const Item& item);

// Writes the listing as the items come, keeping nothing of them: one line an item, then at the
// end a line saying which command set the stream was read in and a summary line.
class ListingWriter {
  public:
    explicit ListingWriter(std::ostream& out) : m_out(&out) {}
    void add(const std::vector<Item>& items);
    // The closing lines for a stream of `streamBytes` bytes. Returns the number of unknown and
    // truncated items.
    std::size_t finish(std::uint64_t streamBytes);

  private:
    std::ostream* m_out;
    CommandSetUse m_use;
    std::uint64_t m_items = 0;
    std::uint64_t m_unknown = 0;
    std::uint64_t m_truncated = 0;
    std::uint64_t m_cuts = 0;
};

}  // namespace mpt::printer
