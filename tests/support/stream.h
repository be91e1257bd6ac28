// SPDX-License-Identifier: MIT
// Running a routine with a recording trace, and reading the trace back: the steps a routine took
// and the bytes of each write, as the channels handed them over.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "channels/errors.h"
#include "channels/trace.h"

namespace mpt::testing {

struct TracedRun {
    std::vector<std::string> lines;  // the trace, one JSON object a line
    std::string txt2;                // the message box afterwards
    std::optional<ConsoleError> error;

    // The bytes of every write ("Output" and "Print" events), in order.
    std::vector<std::string> writes() const;
    // All written bytes joined, as the printer receives them.
    std::string stream() const;
    // The ops of the trace in order ("GetText", "CommPort", …), for skeleton checks.
    std::vector<std::string> ops() const;
};

// Runs routine `name` on dry-run devices with `count` in txt1 and `port` in the port box.
TracedRun runTraced(const std::string& name, const std::string& count = "10",
                    const std::string& port = "3");

// Runs routine `name` on the system's devices (mapped by the environment), traced.
TracedRun runOnDevices(const std::string& name, const std::string& count = "10",
                       const std::string& port = "3");

std::string fromHex(const std::string& hex);
// The bytes of `values`, each 0 to 255, written as numbers: bytes({0x1D, 0x56, 0x42, 0x00}).
inline std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}
// The value of a string field of a trace line, e.g. field(line, "op").
std::string field(const std::string& line, const std::string& key);

// The repeated-content helper tests use to write long expected streams: `n` copies of `s`.
std::string times(int n, const std::string& s);

}  // namespace mpt::testing
