// SPDX-License-Identifier: MIT
// Bar code symbols: which symbology GS k's m selects, and the bars and spaces of a symbol.
//
// The virtual printer draws ITF (Interleaved 2 of 5), the symbology the thermal page selects with
// m = 0x46, element by element, as it always has. Every other symbology, and the two-dimensional
// QR code and PDF417, are encoded by the zint library into their modules, so that a scanner reads
// the printed picture as it would read the printer's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mpt::printer {

inline constexpr int kItf = 0x46;

// GS k's m in its counted form (65 to 73) for either form (0 to 6 ended by NUL name the same
// symbologies as 65 to 71); -1 for an m this printer does not know.
int countedSymbology(int m);

// The symbology's name ("ITF"), or "symbology 0x4A" for an m this printer does not know.
std::string symbologyName(int m);

// CODE128 (m 73): its data begin with a code set ({A, {B, {C) and may change set or insert a
// function character ({1 … {4, {S) on the way; in code set C each byte is a pair of digits (0 to
// 99). isCode128 says whether m selects it; code128Text gives the characters the symbol carries,
// as a scanner reads them (function characters left out, "{{" a brace).
bool isCode128(int m);
std::string code128Text(std::string_view data);

// The widths in dots of an ITF symbol's elements, bar and space in turn, starting with the first
// bar of the start pattern and ending with the last bar of the stop pattern. A narrow element is
// `narrow` dots and a wide one two and a half times that. Nothing when the data are not an even
// number of digits, which ITF cannot encode.
std::optional<std::vector<int>> itfElements(std::string_view data, int narrow);

// A symbol's modules, row by row, dark or light; a linear symbol has one row.
struct Modules {
    int columns = 0;
    int rows = 0;
    std::vector<std::uint8_t> dark;  // rows × columns, 1 for a dark module
    std::vector<int> rowHeights;     // PDF417: each row's height in module widths; else empty

    bool at(int row, int column) const {
        return dark[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                    static_cast<std::size_t>(column)] != 0;
    }
};

// The modules of a GS k symbol (m in either form) for its data as sent (CODE128 with its code set
// prefixes); nothing when the data do not fit the symbology (a letter in an EAN13, a wrong check
// digit).
std::optional<Modules> linearModules(int m, std::string_view data);
// A QR code, model 2, of error correction level 0 (L) to 3 (H).
std::optional<Modules> qrModules(std::string_view data, int errorLevel);
// A PDF417 of error correction level 0 to 8 (-1: chosen by the data's length), and `columns`
// data columns (0: chosen).
std::optional<Modules> pdf417Modules(std::string_view data, int errorLevel, int columns);

}  // namespace mpt::printer
