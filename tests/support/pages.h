// SPDX-License-Identifier: MIT
// What the page tests share: expected writes written as UTF-8 text and turned into printer bytes,
// comparisons that name the write and the byte where a page goes wrong, and the trace lines of the
// channel steps.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "channels/codepage.h"
#include "channels/trace.h"

namespace mpt::testing {

// Each element of a list written as UTF-8 (Hangul as it is printed, command bytes as escapes),
// turned into the bytes the printer receives.
inline std::vector<std::string> inCodePage(std::vector<std::string> utf8) {
    for (std::string& w : utf8) {
        w = toCp949(w);
    }
    return utf8;
}

inline std::string joined(const std::vector<std::string>& writes) {
    std::string all;
    for (const std::string& w : writes) {
        all += w;
    }
    return all;
}

// `n` pages after one another, write after write.
inline std::vector<std::string> repeated(const std::vector<std::string>& page, int n) {
    std::vector<std::string> all;
    for (int i = 0; i < n; ++i) {
        all.insert(all.end(), page.begin(), page.end());
    }
    return all;
}

// The offset of the first byte where the two differ, or the shorter length.
inline size_t firstDifference(std::string_view a, std::string_view b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) {
        ++i;
    }
    return i;
}

// Byte by byte: on a difference, tells the offset and the bytes from there on in hex.
inline void expectSameBytes(std::string_view actual, std::string_view expected,
                            const std::string& what) {
    if (actual == expected) {
        return;
    }
    const size_t at = firstDifference(actual, expected);
    ADD_FAILURE() << what << ": " << actual.size() << " bytes, expected " << expected.size()
                  << "; first difference at byte " << at
                  << "\n  actual:   " << mpt::toHex(actual.substr(at, 16))
                  << "\n  expected: " << mpt::toHex(expected.substr(at, 16));
}

// Write by write and byte by byte: the number of writes, each write, and the whole stream.
inline void expectSameWrites(const std::vector<std::string>& actual,
                             const std::vector<std::string>& expected) {
    EXPECT_EQ(actual.size(), expected.size()) << "number of writes";
    for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        expectSameBytes(actual[i], expected[i], "write " + std::to_string(i + 1));
    }
    expectSameBytes(joined(actual), joined(expected), "the whole stream");
}

// Trace lines of the channel steps, as the console records them.
namespace traced {
inline std::string getText(const std::string& control, const std::string& text) {
    return R"({"op":"GetText","control":")" + control + R"(","text":")" + text + R"("})";
}
inline std::string setMessage(const std::string& text) {
    return R"({"op":"SetText","control":"txt2","text":")" + text + R"("})";
}
inline std::string commPort(int n) {
    return R"({"op":"CommPort","value":)" + std::to_string(n) + "}";
}
inline std::string portOpen(bool open) {
    return std::string(R"({"op":"PortOpen","value":)") + (open ? "true" : "false") + "}";
}
inline std::string settings() {
    return R"({"op":"Settings","value":"9600,n,8,1"})";
}
inline std::string handshaking() {
    return R"({"op":"Handshaking","value":2})";
}
inline std::string output(const std::string& bytes) {
    return R"({"op":"Output","hex":")" + mpt::toHex(bytes) + R"("})";
}
inline std::string print(const std::string& bytes) {
    return R"({"op":"Print","hex":")" + mpt::toHex(bytes) + R"("})";
}
inline std::string openLpt1() {
    return R"({"op":"Open","name":"lpt1 ","file":1})";
}
inline std::string closeLpt1() {
    return R"({"op":"Close","file":1})";
}
// The start of an error line; its text and detail follow.
inline std::string errorStart(int number) {
    return R"({"op":"Error","number":)" + std::to_string(number) + ",";
}
}  // namespace traced

inline void expectSameTrace(const std::vector<std::string>& actual,
                            const std::vector<std::string>& expected) {
    EXPECT_EQ(actual.size(), expected.size()) << "number of trace lines";
    for (size_t i = 0; i < actual.size() && i < expected.size(); ++i) {
        EXPECT_EQ(actual[i], expected[i]) << "trace line " << i + 1;
    }
}

}  // namespace mpt::testing
