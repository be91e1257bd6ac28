// SPDX-License-Identifier: MIT
#include "app/no_display.h"

#include <QByteArray>
#include <cstdio>
#include <cstdlib>

#include "core/texts.h"

namespace mpt {

namespace {

QtMessageHandler previousHandler = nullptr;

struct Held {
    QtMsgType type;
    QByteArray category;
    QString message;
};
QList<Held>& held() {
    static QList<Held> messages;
    return messages;
}

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtFatalMsg) {
        // The only fatal error the application object's construction raises: no window system
        // could be started. Nothing is set up yet that needs taking down.
        std::fprintf(stderr, "mini-printer-test: %s\n", noDisplaySentence().toUtf8().constData());
        std::fflush(stderr);
        std::_Exit(1);
    }
    held().append({type, QByteArray(context.category), message});
}

QString environment(const char* name) {
    return qEnvironmentVariable(name);
}

}  // namespace

QString noDisplaySentence() {
    QString display = environment("DISPLAY");
    if (display.isEmpty()) {
        display = environment("WAYLAND_DISPLAY");
    }
    const QString platform = environment("QT_QPA_PLATFORM");
    if (display.isEmpty() && (platform.isEmpty() || platform.startsWith(QLatin1String("xcb")))) {
        return QString::fromStdString(
            translate("main",
                      "no display: DISPLAY is not set; --run, --list and --decode work "
                      "without one"));
    }
    return QString::fromStdString(
        fill(translate("main",
                       "no display: %1 cannot be opened; --run, --list and --decode work "
                       "without one"),
             {(display.isEmpty() ? platform : display).toStdString()}));
}

NoDisplayExit::NoDisplayExit() {
    held().clear();
    previousHandler = qInstallMessageHandler(handler);
}

NoDisplayExit::~NoDisplayExit() {
    qInstallMessageHandler(previousHandler);
    // The toolkit started: what it said on the way goes where it would have gone.
    for (const Held& message : held()) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.message);
    }
    held().clear();
}

}  // namespace mpt
