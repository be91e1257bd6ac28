// SPDX-License-Identifier: MIT
#include "support/junit_schema.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace mpt::testing {

namespace {

// What `command` writes on its standard output and error, and its status; -1 when it could not
// be started.
std::string commandOutput(const std::string& command, int& status) {
    status = -1;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return {};
    }
    std::string said;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        said.append(buffer, n);
    }
    status = ::pclose(pipe);
    return said;
}

}  // namespace

std::string junitSchemaProblems(const std::string& path) {
    int status = 0;
    const std::string said =
        commandOutput("xmllint --noout --schema '" MPT_JUNIT_SCHEMA "' '" + path + "'", status);
    if (status == -1) {
        return "xmllint could not be started";
    }
    return status == 0 ? std::string() : "xmllint (status " + std::to_string(status) + "): " + said;
}

std::string xmlReadBack(const std::string& path, const std::string& xpath) {
    int status = 0;
    const std::string said =
        commandOutput("xmllint --xpath 'string(" + xpath + ")' '" + path + "'", status);
    return said.ends_with('\n') ? said.substr(0, said.size() - 1) : said;
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
