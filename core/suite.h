// SPDX-License-Identifier: MIT
// A suite: the routines one console runs in turn on one printer, from --run (a comma list, or the
// option given again) or from a suite file.
//
// A suite file holds one routine a line: the routine's name, then optionally the text of its count
// box (default 10) and of the USB button's port box (default 3), separated by blanks or tabs. A #
// starts a comment that runs to the end of its line; blank lines are skipped. For instance:
//
//     # the receipt printer on COM1, then the impact printer on lpt1
//     cmddevice   1
//     cmddevice8  3
//     cmddevice10 3
//     cmddevice12 1 5   # the USB printer on port 5
//
// The count and the port go into the boxes as written, as --count and --port do: what a routine
// makes of them is the routine's result.
#pragma once

#include <string>
#include <vector>

namespace mpt {

struct SuiteEntry {
    std::string routine;  // a button's name, cmddevice … cmddevice12
    std::string count = "10";
    std::string port = "3";
};

// What a suite file holds, or why it cannot be used: its first bad line ("suite.txt:4: no routine
// is named cmddevice13 (see --list)") in the user's words. A file with a bad line yields no entry.
struct SuiteFile {
    std::vector<SuiteEntry> entries;
    std::string error;  // empty: the entries are the suite
};

// Reads the suite file at `path` (a plain file, or a pipe such as a shell's <(…)), at most 1 MB.
SuiteFile readSuiteFile(const std::string& path);

}  // namespace mpt
