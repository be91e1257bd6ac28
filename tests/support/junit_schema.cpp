// SPDX-License-Identifier: MIT
#include "support/junit_schema.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace mpt::testing {

std::string junitSchemaProblems(const std::string& path) {
    const std::string command =
        "xmllint --noout --schema '" MPT_JUNIT_SCHEMA "' '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return "xmllint could not be started";
    }
    std::string said;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        said.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    return status == 0 ? std::string() : "xmllint (status " + std::to_string(status) + "): " + said;
}

std::string namesIn(const std::string& directory) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(directory.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::string list;
    for (const std::string& name : names) {
        list += (list.empty() ? "" : " ") + name;
    }
    return list;
}

}  // namespace mpt::testing
