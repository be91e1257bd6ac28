// SPDX-License-Identifier: MIT
// Standard error in the user's character set. The console's texts are UTF-8; a terminal set up
// for a legacy locale (ko_KR.EUC-KR) would show its Korean messages as garbage.
#pragma once

#include <string>

namespace mpt {

// The character set of the user's locale for text: the locale's own where it is installed, else
// the one its name gives (LC_ALL, LC_CTYPE, LANG: "ko_KR.EUC-KR" is EUC-KR); empty where none is
// known.
std::string localeCodeset();

// From now on std::cerr writes its UTF-8 text converted to `codeset`, a character the set lacks
// as "?". Nothing changes for UTF-8, ASCII (the C locale, where a path's bytes pass as they are)
// or a character set the system cannot convert to. Returns whether it converts.
bool writeStandardErrorIn(const std::string& codeset);

}  // namespace mpt
