// SPDX-License-Identifier: MIT
// A button run on the system's devices with its printer stood in for by a real pseudo-terminal
// (serial) or a real FIFO (parallel), and the bytes that printer receives checked byte by byte.
#pragma once

#include <string>

namespace mpt::testing {

// Points serial port `comPort` at a fresh pseudo-terminal, runs routine `name` with `count` in
// the count box and `port` in the port box, and expects the printer to receive exactly `expected`.
void expectReachesPseudoTerminal(const std::string& name, const std::string& count, int comPort,
                                 const std::string& expected, const std::string& port = "3");

// Points "lpt1 " at a fresh FIFO, runs routine `name` with `count` in the count box, and expects
// the printer to receive exactly `expected`.
void expectReachesFifo(const std::string& name, const std::string& count,
                       const std::string& expected);

}  // namespace mpt::testing
