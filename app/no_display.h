// SPDX-License-Identifier: MIT
// Without a display the toolkit cannot start the window and ends the program with an abort
// (exit 134) and advice to reinstall it. While a NoDisplayExit lives (around the construction of
// the application object), that failure instead ends the program with one sentence saying there
// is no display and what works without one, and exit status 1. What the toolkit reports on the
// way is held back meanwhile and passed on if it starts after all.
#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

namespace mpt {

class NoDisplayExit {
  public:
    NoDisplayExit();
    ~NoDisplayExit();
    NoDisplayExit(const NoDisplayExit&) = delete;
    NoDisplayExit& operator=(const NoDisplayExit&) = delete;
};

// The sentence, for the display the environment names (DISPLAY, WAYLAND_DISPLAY, the platform
// asked for in QT_QPA_PLATFORM), in the user's language.
QString noDisplaySentence();

}  // namespace mpt
