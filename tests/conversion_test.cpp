// SPDX-License-Identifier: MIT
// The number conversion of the count and port boxes: the forms accepted, the forms refused, and
// where the port number rounds and overflows.
#include <gtest/gtest.h>

#include "channels/errors.h"
#include "core/wording.h"
#include "testpages/skeleton.h"

namespace mpt {
namespace {

struct Accepted {
    const char* text;
    double value;
};

class CountAccepts : public ::testing::TestWithParam<Accepted> {};

TEST_P(CountAccepts, Form) {
    EXPECT_DOUBLE_EQ(toCount(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(Forms, CountAccepts,
                         ::testing::Values(Accepted{"10", 10}, Accepted{"0", 0}, Accepted{"-2", -2},
                                           Accepted{"+3", 3}, Accepted{"2.5", 2.5},
                                           Accepted{".5", 0.5}, Accepted{"5.", 5},
                                           Accepted{"  7  ", 7}, Accepted{"1e2", 100},
                                           Accepted{"1E+2", 100}, Accepted{"25e-1", 2.5},
                                           Accepted{"007", 7}, Accepted{"1e-400", 0}));

class CountRefuses : public ::testing::TestWithParam<const char*> {};

TEST_P(CountRefuses, WithTypeMismatch) {
    try {
        toCount(GetParam());
        FAIL() << '"' << GetParam() << "\" was accepted";
    } catch (const ConsoleError& error) {
        EXPECT_EQ(error.number(), 13);
        EXPECT_EQ(error.text(), "Type mismatch");
        EXPECT_NE(detailOf(error).find(GetParam()), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, CountRefuses,
                         ::testing::Values("", " ", "abc", "1a", "a1", "1 2", "--1", "+", ".", "e5",
                                           "1e", "1e+", "0x10", "inf", "nan", "1,5", "\t1", "１",
                                           "1.2.3"));

TEST(CountConversion, TooLargeForADoubleIsOverflow) {
    try {
        toCount("1e400");
        FAIL();
    } catch (const ConsoleError& error) {
        EXPECT_EQ(error.number(), 6);
        EXPECT_EQ(error.text(), "Overflow");
    }
}

TEST(PortConversion, RoundsHalfToEven) {
    EXPECT_EQ(toPortNumber("1"), 1);
    EXPECT_EQ(toPortNumber(" 3 "), 3);
    EXPECT_EQ(toPortNumber("1.4"), 1);
    EXPECT_EQ(toPortNumber("1.6"), 2);
    EXPECT_EQ(toPortNumber("0.5"), 0);
    EXPECT_EQ(toPortNumber("1.5"), 2);
    EXPECT_EQ(toPortNumber("2.5"), 2);
    EXPECT_EQ(toPortNumber("-2.5"), -2);
}

TEST(PortConversion, SixteenBitRangeAfterRounding) {
    EXPECT_EQ(toPortNumber("32767"), 32767);
    EXPECT_EQ(toPortNumber("32767.4"), 32767);
    EXPECT_EQ(toPortNumber("-32768"), -32768);
    EXPECT_EQ(toPortNumber("-32768.5"), -32768);  // the even neighbour is still in range
    for (const char* text : {"32767.5", "32768", "-32769", "1e10"}) {
        try {
            toPortNumber(text);
            FAIL() << text << " was accepted";
        } catch (const ConsoleError& error) {
            EXPECT_EQ(error.number(), 6) << text;
        }
    }
}

TEST(PortConversion, NotANumberIsTypeMismatch) {
    try {
        toPortNumber("COM3");
        FAIL();
    } catch (const ConsoleError& error) {
        EXPECT_EQ(error.number(), 13);
    }
}

}  // namespace
}  // namespace mpt
