// SPDX-License-Identifier: MIT
// What the printer's answers mean, in words: the verdict in the user's language for the window
// and the result of a checked run, the facts as tab-separated lines for scripts (--status), and
// the exit code of each verdict.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "channels/printer_status.h"

namespace mpt {

// "paper near end", "no answer: this printer or its cable does not send data back", …
std::string verdictText(status::Verdict verdict);
// "Printer after the run: paper near end"
std::string afterRunText(status::Verdict verdict);
// --status: 0 ready, 3 off line, 4 cover open, 5 paper out, 6 paper near end, 7 printer error,
// 8 no answer, 9 the port cannot carry an answer.
int exitCodeOf(status::Verdict verdict);
// The same for --run --check: a warning (paper near end) is not a fault, and exits 0.
int checkExitCodeOf(status::Verdict verdict);

// The facts for scripts, one (fact, value) pair each, in fixed English words: the port, how asking
// went, every fact the printer answered, the verdict.
std::vector<std::pair<std::string, std::string>> factLines(const status::Report& report);

// The facts for the technician, one line each in the user's language.
std::vector<std::string> factsInWords(const status::Report& report);

}  // namespace mpt
