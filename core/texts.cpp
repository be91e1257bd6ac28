// SPDX-License-Identifier: MIT
#include "core/texts.h"

#include <cstdio>
#include <vector>

namespace mpt {

namespace {

TextLookup& lookup() {
    static TextLookup installed;
    return installed;
}

std::string secondsWords(const std::string& number) {
    return fill(translate("Run", "%1 s"), {number});
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

std::string seconds(std::chrono::milliseconds span) {
    const long long ms = span.count();
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
        while (fraction.back() == '0') {
            fraction.pop_back();
        }
        text += "." + fraction;
    }
    return secondsWords(text);
}

std::string roundedSeconds(double s) {
    char number[32];
    std::snprintf(number, sizeof number, s < 10 ? "%.1f" : "%.0f", s);
    return secondsWords(number);
}

}  // namespace mpt
