// SPDX-License-Identifier: MIT
// Bar code symbols as the virtual printer draws them.
#include <gtest/gtest.h>

#include <vector>

#include "printer/barcode.h"

namespace mpt::printer {
namespace {

// ITF as defined: a start of four narrow elements, each pair of digits as five bars (the first
// digit) interleaved with five spaces (the second), two of each five wide, and a stop of a wide
// bar, a narrow space and a narrow bar. Written out for "12" and "90" with narrow 2, wide 5.
TEST(BarCode, ItfElementsFollowTheSymbology) {
    const struct {
        const char* data;
        std::vector<int> elements;
    } rows[] = {
        // 1 = W N N N W carried by the bars, 2 = N W N N W by the spaces.
        {"12", {2, 2, 2, 2, 5, 2, 2, 5, 2, 2, 2, 2, 5, 5, 5, 2, 2}},
        // 9 = N W N W N, 0 = N N W W N.
        {"90", {2, 2, 2, 2, 2, 2, 5, 2, 2, 5, 5, 5, 2, 2, 5, 2, 2}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.data);
        const auto elements = itfElements(row.data, 2);
        ASSERT_TRUE(elements.has_value());
        EXPECT_EQ(*elements, row.elements);
    }
    // The thermal page's 26 digits: 4 + 13 pairs of 10 elements + 3.
    const auto page = itfElements("12345678901234567890123456", 2);
    ASSERT_TRUE(page.has_value());
    EXPECT_EQ(page->size(), 4u + 13u * 10u + 3u);
    // ITF cannot encode an odd number of digits, nor anything but digits.
    EXPECT_FALSE(itfElements("123", 2).has_value());
    EXPECT_FALSE(itfElements("12A4", 2).has_value());
    EXPECT_FALSE(itfElements("", 2).has_value());
    EXPECT_EQ(symbologyName(0x46), "ITF");
    EXPECT_EQ(symbologyName(0x45), "CODE39");
    EXPECT_EQ(symbologyName(0x4A), "symbology 0x4A");
}

// CODE128's data as a scanner reads them: code sets switched by {A {B {C, in set C each byte a pair
// of digits, function characters and shifts carrying no character, "{{" a brace.
TEST(BarCode, Code128DataReadThroughTheirCodeSets) {
    using namespace std::string_literals;
    const struct {
        std::string data;
        std::string text;
    } rows[] = {
        {"{B12345", "12345"},    {"{A\x31{C\x0c\x22\x38{Bxy"s, "1123456xy"},
        {"{C\x00\x63"s, "0099"}, {"{B{1AB{2{3{4{SC", "ABC"},
        {"{Ba{{b", "a{b"},       {"no set", "no set"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(code128Text(row.data), row.text) << row.data;
    }
}

// Symbols are encoded only from data their symbology can carry; a QR code is square, a linear
// symbol one row.
TEST(BarCode, ModulesOnlyForDataTheSymbologyCarries) {
    const struct {
        int m;
        const char* data;
        bool encoded;
    } rows[] = {
        {0x43, "4006381333931", true},
        {0x43, "400638133393", true},
        {0x43, "4006381333932", false},  // wrong check digit
        {0x43, "40063813339A", false},
        {0x02, "96385074", false},  // EAN13 of 8 digits
        {0x03, "96385074", true},
        {0x46, "123", false},
        {0x49, "{B}", true},
        {0x04, "ABC-123", true},
        {0x4A, "12", false},
    };
    for (const auto& row : rows) {
        const auto modules = linearModules(row.m, row.data);
        EXPECT_EQ(modules.has_value(), row.encoded) << row.m << " " << row.data;
        if (modules) {
            EXPECT_EQ(modules->rows, 1);
            EXPECT_GT(modules->columns, 20);
        }
    }
    const auto qr = qrModules("https://example.com/receipt/1", 1);
    ASSERT_TRUE(qr.has_value());
    EXPECT_EQ(qr->rows, qr->columns);
    EXPECT_EQ(qr->columns, 29);  // version 3 at level M for 29 bytes
    EXPECT_TRUE(qr->at(0, 0));   // the finder pattern's corner
    const auto pdf = pdf417Modules("RECEIPT 0042", -1, 3);
    ASSERT_TRUE(pdf.has_value());
    EXPECT_GT(pdf->rows, 2);
}

}  // namespace
}  // namespace mpt::printer
