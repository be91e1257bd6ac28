// SPDX-License-Identifier: MIT
// The main of the Qt Test program: runs the registered class or program its first argument names.
#include "support/qt_test_main.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace mpt::testing {
namespace {

std::map<std::string, QtTestProgram>& programs() {
    static std::map<std::string, QtTestProgram> registered;
    return registered;
}

}  // namespace

bool registerQtTestProgram(const char* name, QtTestProgram program) {
    return programs().emplace(name, program).second;
}

}  // namespace mpt::testing

int main(int argc, char** argv) {
    const auto& programs = mpt::testing::programs();
    const auto found = argc >= 2 ? programs.find(argv[1]) : programs.end();
    if (found == programs.end()) {
        std::fprintf(stderr, "usage: %s TEST [Qt Test options]\nTEST is one of:\n", argv[0]);
        for (const auto& [name, program] : programs) {
            std::fprintf(stderr, "  %s\n", name.c_str());
        }
        return 2;
    }
    // The class sees its own options only, as it did as a program of its own: the test's name
    // takes the place of the program's.
    argv[1] = argv[0];
    return found->second(argc - 1, argv + 1);
}
