// SPDX-License-Identifier: MIT
#include "core/suite.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string_view>

#include "channels/errors.h"
#include "core/texts.h"
#include "testpages/routines.h"

namespace mpt {

namespace {

// A suite file is a short list; anything longer is not one.
constexpr std::size_t kLargestSuite = 1 << 20;

SuiteFile bad(const std::string& name, int line, const std::string& problem) {
    return {{}, name + ':' + std::to_string(line) + ": " + problem};
}

// The blank-separated fields of a line, its comment left out.
std::vector<std::string> fieldsOf(std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t\r", at);
        if (at == std::string_view::npos) {
            return fields;
        }
        const std::size_t end = line.find_first_of(" \t\r", at);
        fields.emplace_back(line.substr(at, end - at));
        if (end == std::string_view::npos) {
            return fields;
        }
        at = end;
    }
}

// Reads the suite from `text`; `name` is the file's name for the errors.
SuiteFile parseSuite(std::string_view text, const std::string& name) {
    SuiteFile suite;
    int number = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        ++number;
        const std::vector<std::string> fields = fieldsOf(line);
        if (fields.empty()) {
            continue;
        }
        if (findRoutine(fields[0]) == nullptr) {
            return bad(
                name, number,
                fill(translate("CommandLine", "no routine is named %1 (see --list)"), {fields[0]}));
        }
        if (fields.size() > 3) {
            return bad(name, number,
                       fill(translate("Suite",
                                      "\"%1\" is one field too many: a line holds a routine, its "
                                      "count and its port"),
                            {fields[3]}));
        }
        SuiteEntry entry{fields[0]};
        if (fields.size() > 1) {
            entry.count = fields[1];
        }
        if (fields.size() > 2) {
            entry.port = fields[2];
        }
        suite.entries.push_back(std::move(entry));
    }
    if (suite.entries.empty()) {
        suite.error = fill(translate("Suite", "%1 names no routine"), {name});
    }
    return suite;
}

}  // namespace

SuiteFile readSuiteFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int error = errno;
        return {{},
                fill(translate("Suite", "cannot read the suite file %1: %2"),
                     {path, systemErrorText(error != 0 ? error : ENOENT)})};
    }
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kLargestSuite) {
            return {{},
                    fill(translate("Suite", "the suite file %1 is larger than 1 MB: not a suite"),
                         {path})};
        }
    }
    if (in.bad()) {
        return {{}, fill(translate("Suite", "cannot read the suite file %1"), {path})};
    }
    return parseSuite(text, path);
}

}  // namespace mpt
