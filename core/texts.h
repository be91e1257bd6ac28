// SPDX-License-Identifier: MIT
// The translation hook of the code without Qt: the core's wording (status line, error details,
// advice, the command line's help) finds its words here in the user's language.
//
// The core has no Qt: it names each text by a context and its English
// source, `translate("Run", "Stopped before the first repetition")`, and the program hands them
// a lookup at start that finds it in the translation built into it. Without a lookup every text
// stays English, as written. Numbers and names go into a translated pattern through `fill`,
// so that a language may put them in its own order: "%1 of about %2 bytes".
//
// The specified texts of the window and the error texts ("Device timeout") never pass through
// here: they are the same in every language.
#pragma once

#include <chrono>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace mpt {

// Finds `source` of `context` in the user's language; returns it unchanged where there is none.
using TextLookup = std::function<std::string(const char* context, const char* source)>;

// Set once at start, before any run or thread begins; an empty lookup restores English.
void setTextLookup(TextLookup lookup);

std::string translate(const char* context, const char* source);

// `pattern` with %1 … %9 replaced by `values`, in one pass: a value that itself contains "%2"
// is left as it is. A marker without a value, and "%%", stay as written.
std::string fill(std::string_view pattern, std::initializer_list<std::string_view> values);

// Time in seconds, the one way it is worded. A limit, exact to the millisecond: "30 s", "0.25 s".
std::string seconds(std::chrono::milliseconds span);
// A measured or estimated time, rounded: one decimal below 10 s, none from there: "1.3 s", "42 s".
std::string roundedSeconds(double s);

}  // namespace mpt
