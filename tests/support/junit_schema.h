// SPDX-License-Identifier: MIT
// A report of the runner judged as a CI server reads it: against the JUnit schema in
// tests/data/junit.xsd, by xmllint.
#pragma once

#include <string>

namespace mpt::testing {

// What xmllint finds wrong with the report at `path`; empty when it validates.
std::string junitSchemaProblems(const std::string& path);

// The string value of `xpath` in the document at `path`, as xmllint reads it back.
std::string xmlReadBack(const std::string& path, const std::string& xpath);

// The names in `directory` other than "." and "..", sorted.
std::string namesIn(const std::string& directory);

}  // namespace mpt::testing
