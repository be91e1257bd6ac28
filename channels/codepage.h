// SPDX-License-Identifier: MIT
// Text to bytes for the printer: the Korean code page 949.
//
// Every text a routine hands to a channel is UTF-8 inside the program and becomes code page 949
// at the channel: U+0000..U+007F stay one byte of the same value (control characters and NUL
// included, so command bytes pass unchanged), each Hangul syllable becomes its two bytes.
#pragma once

#include <string>
#include <string_view>

namespace mpt {

// Converts UTF-8 text to code page 949. A character the code page lacks, or a stray byte that is
// not UTF-8, becomes '?', as the desktop's own conversion does; nothing else is dropped.
std::string toCp949(std::string_view utf8);

}  // namespace mpt
