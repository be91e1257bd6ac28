// SPDX-License-Identifier: MIT
// Runs one test routine to its end and deals with what it raises.
//
// This is the one place that catches a routine's error: it records the error, releases the
// channel the routine had left open (draining within the no-progress limit) and hands the error
// back for the error box. A stop asked for by the technician ends the routine the same way, but as
// a stop, not an error. The text boxes keep what the routine left in them.
#pragma once

#include <optional>
#include <string_view>

#include "channels/errors.h"
#include "testpages/console.h"

namespace mpt {

// How a routine ended: it ran to its end, failed with an error, or was stopped.
struct RoutineEnd {
    std::optional<ConsoleError> error;
    bool stopped = false;
    RunStopped::At stoppedAt = RunStopped::At::Step;  // where a stop took effect

    bool finished() const { return !error && !stopped; }
};

// Runs the routine of the named button. An unknown name is a programming error and throws
// std::invalid_argument; anything else a routine raises comes back in the RoutineEnd, an
// unexpected exception as "Internal error" naming it.
RoutineEnd runRoutine(Console& con, std::string_view name);

// How many routines this process has started. Kept for the window's tests, its only readers: their
// evidence that a click starts exactly one routine and that nothing held runs after a stop.
long long routinesStarted();

}  // namespace mpt
