// SPDX-License-Identifier: MIT
// A click on a test button starts its run and returns; the window handles the run's end later,
// as an event of its own. The window tests wait for it here before they look at the outcome.
#pragma once

#include <QSignalSpy>

#include "app/main_window.h"

namespace mpt::test {

// Waits until the window is idle again: the run a click started, the clicks queued or held
// during it and any error box they opened have ended. False when that takes over a minute.
inline bool runsEnd(MainWindow& window) {
    QSignalSpy ended(&window, &MainWindow::runsEnded);
    return !window.running() || ended.wait(60000);
}

}  // namespace mpt::test
