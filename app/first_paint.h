// SPDX-License-Identifier: MIT
// Start-up measurement: when MPT_FIRST_PAINT_SINCE holds a CLOCK_MONOTONIC time in nanoseconds
// (set by whoever started the process, just before starting it), the first paint of the window
// prints "first-paint-ms N" on standard output, N being the milliseconds since then, and ends the
// program. The start-up benchmark uses it on the console and on a bare window alike; without the
// variable it does nothing.
#pragma once

class QWidget;

namespace mpt {

void reportFirstPaintIfAsked(QWidget* window);

}  // namespace mpt
