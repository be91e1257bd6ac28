// SPDX-License-Identifier: MIT
// Work the window's start can do beside the application object's: while the application object
// connects to the display (mostly waiting for the X server's answers), a thread of its own loads
// the platform plugin's libraries the application object is about to load, and reads the font
// configuration the window's first font needs. Both are the toolkit's own work done earlier, on
// the second core: the toolkit then finds the libraries loaded and the configuration read.
#pragma once

#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace mpt {

// The shared libraries the application object will load for its platform, where that is certain
// from the toolkit's options on the command line and the environment: the X11 platform plugin and
// the cursor library it loads, when the display is an X server and nothing chooses another
// platform or plugin folder. Empty otherwise (another platform, a Wayland session, no display):
// nothing is loaded ahead. `environment` looks a variable up (nullptr when it is not set);
// `pluginFolder` is the toolkit's folder of plugins.
std::vector<std::string> librariesToLoadAhead(
    const std::vector<std::string>& toolkitArguments,
    const std::function<const char*(const char*)>& environment, const std::string& pluginFolder);

// Starts the thread; join it before the window is made. Call before the application object is
// made. The font configuration is not read ahead when a launcher's start-up notification is in
// the environment (DESKTOP_STARTUP_ID), which the application object takes out of it while the
// thread would read the environment.
std::jthread startWindowPreparation(const std::vector<std::string>& toolkitArguments);

// Waits for the preparation to end. The thread starts on another processor than the caller's;
// from here on it may run on any, the caller's among them, which waits for it.
void finishWindowPreparation(std::jthread& preparation);

}  // namespace mpt
