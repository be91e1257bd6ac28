// Runs one test routine to its end and deals with what it raises.
//
// This is the one place that catches a routine's error: it records the error, releases the
// channel the routine had left open (draining within the no-progress limit) and hands the error
// back for the error box. The text boxes keep what the routine left in them.
#pragma once

#include <optional>
#include <string_view>

#include "channels/errors.h"
#include "testpages/console.h"

namespace mpt {

// Runs the routine of the named button. Returns the error that stopped it, or nothing when it ran
// to its end. An unknown name is a programming error and throws std::invalid_argument.
std::optional<ConsoleError> runRoutine(Console& con, std::string_view name);

}  // namespace mpt
