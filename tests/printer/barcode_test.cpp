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

}  // namespace
}  // namespace mpt::printer
