// SPDX-License-Identifier: MIT
// Bar code symbols: which symbology GS k's m selects, and the bars and spaces of a symbol.
//
// The virtual printer draws ITF (Interleaved 2 of 5), the symbology the thermal page selects with
// m = 0x46, element by element. Symbols of the other symbologies are shown as a labelled box with
// their data; their bars are not drawn.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mpt::printer {

inline constexpr int kItf = 0x46;

// The symbology's name ("ITF"), or "symbology 0x4A" for an m this printer does not know.
std::string symbologyName(int m);

// The widths in dots of an ITF symbol's elements, bar and space in turn, starting with the first
// bar of the start pattern and ending with the last bar of the stop pattern. A narrow element is
// `narrow` dots and a wide one two and a half times that. Nothing when the data are not an even
// number of digits, which ITF cannot encode.
std::optional<std::vector<int>> itfElements(std::string_view data, int narrow);

}  // namespace mpt::printer
