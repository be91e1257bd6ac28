// SPDX-License-Identifier: MIT
#include "channels/texts.h"

#include <vector>

namespace mpt {

namespace {

TextLookup& lookup() {
    static TextLookup installed;
    return installed;
}

}  // namespace

void setTextLookup(TextLookup newLookup) {
    lookup() = std::move(newLookup);
}

std::string translate(const char* context, const char* source) {
    const TextLookup& find = lookup();
    return find ? find(context, source) : std::string(source);
}

std::string fill(std::string_view pattern, std::initializer_list<std::string_view> values) {
    const std::vector<std::string_view> args(values);
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            const auto n = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (n < args.size()) {
                out += args[n];
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}

}  // namespace mpt
