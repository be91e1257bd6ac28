// SPDX-License-Identifier: MIT
// The bytes a routine sends, for feeding the virtual printer in tests: the routine runs on
// devices that record every write instead of touching a port.
#pragma once

#include <string>
#include <vector>

namespace mpt::testing {

struct RoutineStream {
    std::vector<std::string> writes;  // each write or print statement, as the channel took it
    std::string bytes;                // all of them joined, as the printer receives them
};

// Runs the routine of button `name` with `count` in the repeat count box and `port` in the USB
// test's port box.
RoutineStream routineStream(const std::string& name, const std::string& count = "1",
                            const std::string& port = "3");

// The thirteen buttons' names.
std::vector<std::string> routineNames();

}  // namespace mpt::testing
