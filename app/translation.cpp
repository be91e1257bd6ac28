// SPDX-License-Identifier: MIT
#include "app/translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "core/texts.h"

namespace mpt {

namespace {

// One for the whole process: the worker thread of a run reads it while the window's thread may
// read it too. Once loaded it is only read.
QTranslator& translator() {
    static QTranslator instance;
    return instance;
}

// Qt's own texts (the buttons of message boxes and dialogs, OK and Cancel, and the line edits'
// menu), from Qt's translations directory; the window's only.
QTranslator& qtTranslator() {
    static QTranslator instance;
    return instance;
}

}  // namespace

bool installTranslation(const QLocale& locale) {
    QTranslator& loaded = translator();
    // :/i18n/mini-printer-test_ko.qm, built into the program.
    if (loaded.isEmpty() && !loaded.load(locale, QStringLiteral("mini-printer-test"),
                                         QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        return false;
    }
    setTextLookup([](const char* context, const char* source) {
        const QString found = translator().translate(context, source);
        return found.isEmpty() ? std::string(source) : found.toStdString();
    });
    if (QCoreApplication::instance() != nullptr) {
        QTranslator& qt = qtTranslator();
        if (qt.isEmpty()) {
            // Where Qt's translations are not installed, its buttons stay English.
            (void)qt.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        }
        QCoreApplication::removeTranslator(&qt);
        QCoreApplication::installTranslator(&qt);
        QCoreApplication::removeTranslator(&loaded);
        QCoreApplication::installTranslator(&loaded);
    }
    return true;
}

void removeTranslation() {
    setTextLookup({});
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::removeTranslator(&translator());
        QCoreApplication::removeTranslator(&qtTranslator());
    }
    // Unloads them, so that the next install loads for its own locale.
    (void)translator().load(QString());
    (void)qtTranslator().load(QString());
}

}  // namespace mpt
