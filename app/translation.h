// SPDX-License-Identifier: MIT
// The console's added texts in the user's language: the translation built into the program is
// installed for the locale the desktop asks for (LANGUAGE, LC_ALL, LC_MESSAGES, LANG). The
// window's own captions, labels and result messages, and the error numbers and texts, are never
// translated: they are the console's as specified.
#pragma once

class QCoreApplication;

namespace mpt {

// Installs the translation for the current locale, where there is one; English otherwise.
// Returns whether one was installed.
bool installTranslation(QCoreApplication& app);

}  // namespace mpt
