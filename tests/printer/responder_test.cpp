// SPDX-License-Identifier: MIT
// The virtual printer's answers among the bytes as they arrive: each request answered once,
// however the bytes are split between reads; text, other commands and a picture's data answered
// nothing; automatic status owed only to the sources that enabled it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "printer/responder.h"
#include "support/stream.h"

namespace mpt::printer {
namespace {

using testing::bytes;

const status::Identity kIdentity{0x20, true, true, "9.9", "MAKER", "MODEL"};

void nearEnd(Responder& responder) {
    status::Switches switches;
    switches.paper = status::Switches::Paper::NearEnd;
    responder.setSwitches(switches);
}

TEST(Responder, AnswersEachRequestHoweverTheBytesAreSplit) {
    struct Row {
        const char* name;
        std::string stream;
        std::string answers;
        bool automatic;  // whether the stream turned automatic status on
    };
    const Row rows[] = {
        // Text, DLE EOT 4, a line feed, GS r 1, GS I 0x43, an unknown GS I, ESC @, DLE EOT 1.
        {"requests among text and commands",
         "abc" + bytes({0x10, 0x04, 0x04, 0x0A, 0x1D, 0x72, 0x01}) +
             bytes({0x1D, 0x49, 0x43, 0x1D, 0x49, 0x70, 0x1B, 0x40}) + bytes({0x10, 0x04, 0x01}),
         bytes({0x1E, 0x03}) + std::string("_MODEL\0", 7) + bytes({0x12}), false},
        // A raster picture (GS v 0, 2 bytes by 3 rows) whose data hold GS a 1 and GS r 1: they
        // are the picture's dots, not commands; GS r 1 after it is answered.
        {"picture data that look like requests",
         bytes({0x1D, 0x76, 0x30, 0x00, 0x02, 0x00, 0x03, 0x00}) +
             bytes({0x1D, 0x61, 0x01, 0x1D, 0x72, 0x01}) + bytes({0x1D, 0x72, 0x01}),
         bytes({0x03}), false},
        {"automatic status enabled", "x" + bytes({0x1D, 0x61, 0x01}), bytes({0x10, 0, 0x03, 0}),
         true},
    };
    for (const Row& row : rows) {
        for (const std::size_t piece : {row.stream.size(), std::size_t{1}, std::size_t{2}}) {
            SCOPED_TRACE(std::string(row.name) + ", pieces of " + std::to_string(piece));
            Responder responder(kIdentity);
            nearEnd(responder);
            std::string got;
            for (std::size_t at = 0; at < row.stream.size(); at += piece) {
                got += responder.answer(Origin::ofPort("COM1"), row.stream.substr(at, piece));
            }
            EXPECT_EQ(got, row.answers);
            EXPECT_EQ(responder.setSwitches({}).size(), row.automatic ? 1u : 0u);
        }
    }
}

TEST(Responder, AutomaticStatusGoesToWhoEnabledIt) {
    Responder responder(kIdentity);
    nearEnd(responder);
    EXPECT_EQ(responder.answer(Origin::ofPort("COM1"), bytes({0x1D, 0x61, 0x0F})),
              bytes({0x10, 0, 0x03, 0}));
    EXPECT_EQ(responder.answer(Origin::ofConnection(1), "text only"), "");
    status::Switches open;
    open.coverOpen = true;
    EXPECT_TRUE(responder.halted() == false);
    using Owed = std::vector<std::pair<Origin, std::string>>;
    EXPECT_EQ(responder.setSwitches(open),
              (Owed{{Origin::ofPort("COM1"), bytes({0x38, 0, 0, 0})}}));
    EXPECT_TRUE(responder.halted());
    EXPECT_EQ(responder.setSwitches(open), Owed{});  // no change, nothing owed
    responder.forget(Origin::ofPort("COM1"));
    EXPECT_EQ(responder.setSwitches({}), Owed{});
}

}  // namespace
}  // namespace mpt::printer
