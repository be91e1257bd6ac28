// SPDX-License-Identifier: MIT
// A directory of a test's own under /tmp, removed with all that is in it when the test ends, and
// the reading of a file a test left there.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace mpt::testing {

struct TempDir {
    std::string path;

    TempDir() {
        char name[] = "/tmp/mpt-test-XXXXXX";
        path = ::mkdtemp(name);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The path of `name` in it.
    std::string file(const std::string& name) const { return path + '/' + name; }
    // Writes `text` into `name` in it; returns its path.
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(file(name), std::ios::binary) << text;
        return file(name);
    }
};

// The whole content of a file; empty when it cannot be read.
inline std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace mpt::testing
