// SPDX-License-Identifier: MIT
// The virtual printer's answers among the bytes as they arrive: each request answered once,
// however the bytes are split between reads; text and other commands answered nothing; automatic
// status owed only to the sources that enabled it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printer/responder.h"

namespace mpt::printer {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

const status::Identity kIdentity{0x20, true, true, "9.9", "MAKER", "MODEL"};

void nearEnd(Responder& responder) {
    status::Switches switches;
    switches.paper = status::Switches::Paper::NearEnd;
    responder.setSwitches(switches);
}

TEST(Responder, AnswersEachRequestHoweverTheBytesAreSplit) {
    // Text, DLE EOT 4, a line feed, GS r 1, GS I 0x43, an unknown GS I, ESC @, DLE EOT 1.
    const std::string stream = "abc" + bytes({0x10, 0x04, 0x04, 0x0A, 0x1D, 0x72, 0x01}) +
                               bytes({0x1D, 0x49, 0x43, 0x1D, 0x49, 0x70, 0x1B, 0x40}) +
                               bytes({0x10, 0x04, 0x01});
    const std::string answers = bytes({0x1E, 0x03}) + std::string("_MODEL\0", 7) + bytes({0x12});
    for (const std::size_t piece : {stream.size(), std::size_t{1}, std::size_t{2}}) {
        SCOPED_TRACE(piece);
        Responder responder(kIdentity);
        nearEnd(responder);
        std::string got;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            got += responder.answer("COM1", stream.substr(at, piece));
        }
        EXPECT_EQ(got, answers);
    }
}

TEST(Responder, AutomaticStatusGoesToWhoEnabledIt) {
    Responder responder(kIdentity);
    nearEnd(responder);
    EXPECT_EQ(responder.answer("COM1", bytes({0x1D, 0x61, 0x0F})), bytes({0x10, 0, 0x03, 0}));
    EXPECT_EQ(responder.answer("tcp#1", "text only"), "");
    status::Switches open;
    open.coverOpen = true;
    EXPECT_TRUE(responder.halted() == false);
    using Owed = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(responder.setSwitches(open), (Owed{{"COM1", bytes({0x38, 0, 0, 0})}}));
    EXPECT_TRUE(responder.halted());
    EXPECT_EQ(responder.setSwitches(open), Owed{});  // no change, nothing owed
    responder.forget("COM1");
    EXPECT_EQ(responder.setSwitches({}), Owed{});
}

}  // namespace
}  // namespace mpt::printer
