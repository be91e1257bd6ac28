// SPDX-License-Identifier: MIT
// What every button is expected to send, written by hand from the printed pages: one element a
// serial write or a parallel print statement, in the bytes the printer receives, and the result
// message each routine leaves in the message box. Shared by the page tests and the end-to-end
// suite.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mpt::testing {

using Writes = std::vector<std::string>;

// The thermal receipt page. A serial or USB page carries its repetition number in front of the
// title; the parallel page's title is never numbered.
Writes thermalSerialPage(int number);
Writes thermalParallelPage();

// The dot-matrix EPSON-mode test page.
Writes epsonSerialPage();
Writes epsonParallelPage();

// The dot-matrix CBM-mode sample page.
Writes cbmSerialPage();
Writes cbmParallelPage();

// The line feed tests: the text of every numbered line in the Korean code page, and the whole
// run, which is the same whatever the count box holds.
const std::string& lineFeedText();
Writes lineFeedSerialWrites();
Writes lineFeedParallelWrites();

// The cutter tests: the writes of one repetition with the counter's text, and the final feed and
// cut that follow the last repetition.
Writes epsonCutterRepetition(const std::string& counter);
Writes cbmCutterRepetition(const std::string& counter);
Writes cutterFinalFeedAndCut(std::string_view routine);

// Every write of the routine of the named button with `count` repetitions (a count below 1 runs
// none); the line feed tests ignore it. Serial and USB alike. Throws std::invalid_argument for a
// name that is no button.
Writes expectedWrites(std::string_view routine, int count);

// The same writes joined, as the printer receives them.
std::string expectedStream(std::string_view routine, int count);

// The message the routine writes into the message box when it has run to its end.
const std::string& resultMessage(std::string_view routine);

}  // namespace mpt::testing
