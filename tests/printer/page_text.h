// SPDX-License-Identifier: MIT
// Pages of the virtual printer written as text, one element a line, so that tests can state a
// page by hand and show a difference line by line:
//
//   [B dw]1    영   수   증       a line: its spans, each with its style in brackets
//   DC3 [A]MVR-720/730 …           a line with the line attribute
//   feed                           a line feed with nothing printed
//   logo 1 size 0                  a stored logo image and its size mode
//   bar code 0x46 h96 w2 both 123  symbology, height, module width, text position, data
//   (drawer pulse)                 a mark: (page open), (page close), (page bracket),
//                                  (unknown), (truncated)
//   cut partial EPSON              the end: cut partial, cut full or in printer, and the command
//                                  sets that acted on the page
//   after cut (page close)         a mark that came right after the cut
//
// Style flags: A or B (font), em, dh, dw, ul, red, so (CBM double width).
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "printer/layout.h"

namespace mpt::testing {

std::vector<std::string> pageText(const printer::Page& page);

// `n` lines "feed".
std::vector<std::string> feeds(int n);

// The lists one after the other.
std::vector<std::string> cat(std::initializer_list<std::vector<std::string>> parts);

// Pages one after the other, each under "page N:" with its lines indented, for a failure
// message.
std::string listed(const std::vector<std::vector<std::string>>& pages);

// Both lists side by side from the first line where they differ, for a failure message.
std::string difference(const std::vector<std::string>& actual,
                       const std::vector<std::string>& expected);

}  // namespace mpt::testing
