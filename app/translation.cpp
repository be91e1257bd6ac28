// SPDX-License-Identifier: MIT
#include "app/translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace mpt {

bool installTranslation(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    // :/i18n/mini-printer-test_ko.qm, built into the program.
    if (!translator->load(QLocale(), QStringLiteral("mini-printer-test"), QStringLiteral("_"),
                          QStringLiteral(":/i18n"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

}  // namespace mpt
