// SPDX-License-Identifier: MIT
#include "printer/barcode.h"

#include <array>
#include <cstdio>

namespace mpt::printer {

std::string symbologyName(int m) {
    static constexpr std::array<const char*, 9> kNames{"UPC-A",       "UPC-E",  "JAN13 (EAN13)",
                                                       "JAN8 (EAN8)", "CODE39", "ITF",
                                                       "CODABAR",     "CODE93", "CODE128"};
    if (m >= 0x41 && m <= 0x49) {
        return kNames[static_cast<std::size_t>(m - 0x41)];
    }
    char text[24];
    std::snprintf(text, sizeof text, "symbology 0x%02X", static_cast<unsigned>(m) & 0xFFu);
    return text;
}

std::optional<std::vector<int>> itfElements(std::string_view data, int narrow) {
    // The five elements of each digit, 1 for wide: two of the five are wide.
    static constexpr std::array<const char*, 10> kDigits{
        "00110", "10001", "01001", "11000", "00101", "10100", "01100", "00011", "10010", "01010"};
    if (data.empty() || data.size() % 2 != 0 || narrow < 1) {
        return std::nullopt;
    }
    for (const char c : data) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    const int wide = narrow * 5 / 2;
    std::vector<int> elements{narrow, narrow, narrow, narrow};  // start: bar, space, bar, space
    for (std::size_t i = 0; i < data.size(); i += 2) {
        // The first digit of a pair is carried by the bars, the second by the spaces between them.
        const char* bars = kDigits[static_cast<std::size_t>(data[i] - '0')];
        const char* spaces = kDigits[static_cast<std::size_t>(data[i + 1] - '0')];
        for (int k = 0; k < 5; ++k) {
            elements.push_back(bars[k] == '1' ? wide : narrow);
            elements.push_back(spaces[k] == '1' ? wide : narrow);
        }
    }
    elements.insert(elements.end(), {wide, narrow, narrow});  // stop: bar, space, bar
    return elements;
}

}  // namespace mpt::printer
