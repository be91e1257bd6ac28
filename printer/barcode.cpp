// SPDX-License-Identifier: MIT
#include "printer/barcode.h"

#include <zint.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace mpt::printer {

int countedSymbology(int m) {
    if (m >= 0 && m <= 6) {
        return m + 0x41;
    }
    return m >= 0x41 && m <= 0x49 ? m : -1;
}

bool isCode128(int m) {
    return m == 0x49;
}

std::string code128Text(std::string_view data) {
    std::string out;
    char set = 'B';
    std::size_t i = 0;
    while (i < data.size()) {
        const char c = data[i];
        if (c == '{' && i + 1 < data.size()) {
            const char next = data[i + 1];
            i += 2;
            if (next == 'A' || next == 'B' || next == 'C') {
                set = next;
            } else if (next == '{') {
                out.push_back('{');
            }  // {1 … {4 and {S: function characters and shift, which carry no character
            continue;
        }
        if (set == 'C') {
            const auto value = static_cast<unsigned char>(c);
            if (value <= 99) {
                out.push_back(static_cast<char>('0' + value / 10));
                out.push_back(static_cast<char>('0' + value % 10));
            }
        } else {
            out.push_back(c);
        }
        ++i;
    }
    return out;
}

std::string symbologyName(int m) {
    static constexpr std::array<const char*, 9> kNames{"UPC-A",       "UPC-E",  "JAN13 (EAN13)",
                                                       "JAN8 (EAN8)", "CODE39", "ITF",
                                                       "CODABAR",     "CODE93", "CODE128"};
    if (const int counted = countedSymbology(m); counted >= 0) {
        return kNames[static_cast<std::size_t>(counted - 0x41)];
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

namespace {

struct SymbolDeleter {
    void operator()(zint_symbol* symbol) const { ZBarcode_Delete(symbol); }
};
using SymbolPtr = std::unique_ptr<zint_symbol, SymbolDeleter>;

bool allDigits(std::string_view data) {
    return !data.empty() &&
           std::all_of(data.begin(), data.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Encodes with zint and reads its modules. zint keeps each row's modules as bits, the first
// module the lowest bit of the first byte.
std::optional<Modules> encode(SymbolPtr symbol, std::string_view data) {
    if (!symbol || data.empty()) {
        return std::nullopt;
    }
    symbol->input_mode = DATA_MODE;
    symbol->show_hrt = 0;
    const int result =
        ZBarcode_Encode(symbol.get(), reinterpret_cast<const unsigned char*>(data.data()),
                        static_cast<int>(data.size()));
    if (result >= ZINT_ERROR || symbol->rows <= 0 || symbol->width <= 0) {
        return std::nullopt;
    }
    Modules modules;
    modules.columns = symbol->width;
    modules.rows = symbol->rows;
    modules.dark.resize(static_cast<std::size_t>(modules.rows) *
                        static_cast<std::size_t>(modules.columns));
    for (int y = 0; y < modules.rows; ++y) {
        for (int x = 0; x < modules.columns; ++x) {
            modules.dark[static_cast<std::size_t>(y) * static_cast<std::size_t>(modules.columns) +
                         static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>((symbol->encoded_data[y][x >> 3] >> (x & 7)) & 1);
        }
    }
    return modules;
}

SymbolPtr create(int symbology) {
    SymbolPtr symbol(ZBarcode_Create());
    if (symbol) {
        symbol->symbology = symbology;
    }
    return symbol;
}

}  // namespace

std::optional<Modules> linearModules(int m, std::string_view data) {
    const int counted = countedSymbology(m);
    std::string text(data);
    int symbology = 0;
    switch (counted) {
        case 0x41:  // UPC-A: 11 digits, or 12 with the check digit
            symbology = text.size() == 12 ? BARCODE_UPCA_CHK : BARCODE_UPCA;
            break;
        case 0x42:  // UPC-E: 6 or 7 digits, or 8 with the check digit
            symbology = text.size() == 8 ? BARCODE_UPCE_CHK : BARCODE_UPCE;
            break;
        case 0x43:  // EAN13: 12 digits, or 13 with the check digit
            symbology = text.size() == 13 ? BARCODE_EANX_CHK : BARCODE_EANX;
            if (text.size() != 12 && text.size() != 13) {
                return std::nullopt;
            }
            break;
        case 0x44:  // EAN8: 7 digits, or 8 with the check digit
            symbology = text.size() == 8 ? BARCODE_EANX_CHK : BARCODE_EANX;
            if (text.size() != 7 && text.size() != 8) {
                return std::nullopt;
            }
            break;
        case 0x45:  // CODE39: the printer adds the start and stop characters
            if (text.size() >= 2 && text.front() == '*' && text.back() == '*') {
                text = text.substr(1, text.size() - 2);
            }
            symbology = BARCODE_CODE39;
            break;
        case 0x46: symbology = BARCODE_C25INTER; break;
        case 0x47: symbology = BARCODE_CODABAR; break;
        case 0x48: symbology = BARCODE_CODE93; break;
        case 0x49:
            text = code128Text(data);
            symbology = BARCODE_CODE128;
            break;
        default: return std::nullopt;
    }
    if (counted <= 0x44 && !allDigits(text)) {
        return std::nullopt;
    }
    if (counted == 0x46 && (!allDigits(text) || text.size() % 2 != 0)) {
        return std::nullopt;
    }
    return encode(create(symbology), text);
}

std::optional<Modules> qrModules(std::string_view data, int errorLevel) {
    SymbolPtr symbol = create(BARCODE_QRCODE);
    if (symbol) {
        symbol->option_1 = std::clamp(errorLevel, 0, 3) + 1;
    }
    return encode(std::move(symbol), data);
}

std::optional<Modules> pdf417Modules(std::string_view data, int errorLevel, int columns) {
    SymbolPtr symbol = create(BARCODE_PDF417);
    if (symbol) {
        symbol->option_1 = errorLevel >= 0 && errorLevel <= 8 ? errorLevel : -1;
        symbol->option_2 = columns > 0 && columns <= 30 ? columns : 0;
    }
    std::optional<Modules> modules = encode(std::move(symbol), data);
    return modules;
}

}  // namespace mpt::printer
