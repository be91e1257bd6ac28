// SPDX-License-Identifier: MIT
// Code page 949 at the channel: the known answers, every command byte unchanged, and the byte
// lengths of the pages' Hangul texts.
#include <gtest/gtest.h>

#include "channels/codepage.h"

namespace mpt {
namespace {

TEST(CodePage, HangulKnownAnswer) {
    EXPECT_EQ(toCp949("한글"), "\xC7\xD1\xB1\xDB");
    EXPECT_EQ(toCp949("정상"), "\xC1\xA4\xBB\xF3");
}

TEST(CodePage, EveryByteBelow0x80PassesUnchanged) {
    std::string all;
    for (int b = 0; b < 0x80; ++b) {
        all.push_back(static_cast<char>(b));
    }
    // FS, SUB, DEL and the backslash are the bytes a wrong variant of the code page rewrites.
    EXPECT_EQ(toCp949(all), all);
    EXPECT_EQ(toCp949(std::string("\x1C\x70\x01\x00", 4)), std::string("\x1C\x70\x01\x00", 4));
}

TEST(CodePage, NulInTheMiddleAndAtTheEndIsKept) {
    const std::string text("\x1BP\0가\0", 7);
    EXPECT_EQ(toCp949(text), std::string("\x1BP\0\xB0\xA1\0", 6));
}

struct LengthCase {
    const char* text;
    size_t bytes;
};

class PageTextLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(PageTextLength, EachSyllableTakesTwoBytes) {
    EXPECT_EQ(toCp949(GetParam().text).size(), GetParam().bytes) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    TextsOfThePages, PageTextLength,
    ::testing::Values(LengthCase{"MVR-720/730 LF 상태 TEST LINE NO :", 34},
                      LengthCase{"    영   수   증  ", 18},
                      LengthCase{"**QLX-610P THERMAL RECEIPT PRINTER  인쇄**", 42},
                      LengthCase{"          켄  무  회사 소개", 27},
                      LengthCase{"프린터 및 돈통 전문", 19},
                      LengthCase{"Character size  : 영문(12*24),한글(24*24)1", 42},
                      LengthCase{"인쇄속도:30.7 lines ", 20},
                      LengthCase{"           (Max) 속도는 1초당 line 수 1234", 42},
                      LengthCase{"에뮬레이션 EPSON TM-88II,TM-U200 123456789", 42},
                      LengthCase{"전원공급장치:외부 어댑터 12344566789012345", 42},
                      LengthCase{"        양방향인쇄                 ", 35}));

TEST(CodePage, CharacterOutsideTheCodePageBecomesQuestionMark) {
    EXPECT_EQ(toCp949("a\u0E01b"), "a?b");  // Thai is not in code page 949
    EXPECT_EQ(toCp949("a\xFF"
                      "b"),
              "a?b");                     // a stray byte that is not UTF-8
    EXPECT_EQ(toCp949("\xED\x95"), "?");  // a cut-off syllable at the end
}

}  // namespace
}  // namespace mpt
