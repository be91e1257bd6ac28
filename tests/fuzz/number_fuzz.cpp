// SPDX-License-Identifier: MIT
// Fuzz target for the number conversion of the count and port boxes: whatever is typed, the
// conversion either returns a number or raises "Type mismatch" / "Overflow", never anything else,
// and it accepts exactly the written forms of a number the console documents.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string_view>

#include "channels/errors.h"
#include "testpages/skeleton.h"

namespace {

// The accepted forms, written independently of the converter: blanks, an optional sign, digits
// with an optional fraction, an optional exponent, blanks.
bool isNumberForm(std::string_view text) {
    static const std::regex form(R"(^ *[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][+-]?[0-9]+)? *$)");
    return std::regex_match(text.begin(), text.end(), form);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) {
        return 0;  // the regex oracle recurses; longer texts add nothing to the forms tried
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool form = isNumberForm(text);
    try {
        const double count = mpt::toCount(text);
        if (!form || !std::isfinite(count)) {
            std::abort();  // accepted a text that is not a number, or returned no number
        }
    } catch (const mpt::ConsoleError& error) {
        if (error.number() == mpt::err::kTypeMismatch ? form
                                                      : error.number() != mpt::err::kOverflow) {
            std::abort();  // refused a number, or raised an error the box cannot raise
        }
    }
    try {
        const std::int16_t port = mpt::toPortNumber(text);
        if (!form) {
            std::abort();
        }
        (void)port;
    } catch (const mpt::ConsoleError& error) {
        if (error.number() != mpt::err::kTypeMismatch && error.number() != mpt::err::kOverflow) {
            std::abort();
        }
    }
    return 0;
}
