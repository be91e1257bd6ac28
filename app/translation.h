// SPDX-License-Identifier: MIT
// The console's added texts in the user's language: the translation built into the program is
// installed for the locale the desktop asks for (LANGUAGE, LC_ALL, LC_MESSAGES, LANG), both for
// the window's tr() and for the Qt-free libraries' texts (status line, error details, --help).
// The window's own captions, labels and result messages, and the error numbers and texts, are
// never translated: they are the console's as specified.
#pragma once

#include <QLocale>

namespace mpt {

// Installs the translation for `locale`, where there is one; English otherwise. Needs no
// application object: the command line's texts are looked up before one exists. Called again
// once the application exists, it installs the same translation there for tr(). Returns whether
// one was installed.
bool installTranslation(const QLocale& locale = QLocale());

// English again (tests switch languages).
void removeTranslation();

}  // namespace mpt
