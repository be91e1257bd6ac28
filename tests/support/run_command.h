// SPDX-License-Identifier: MIT
// The console without a window, as its main runs it: the arguments after the program's name, and
// the exit code with what it wrote to standard output and standard error.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "core/command_line.h"
#include "core/runner.h"

namespace mpt::testing {

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

inline Outcome run(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"mini-printer-test"};
    for (const std::string& arg : args) {
        argv.push_back(arg.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    const CommandLine cl = parseCommandLine(static_cast<int>(argv.size()), argv.data());
    const int code = runWithoutWindow(cl, out, err);
    return {code, out.str(), err.str()};
}

}  // namespace mpt::testing
