// SPDX-License-Identifier: MIT
// Screenshot of the real window on an X server: shows the window under Xvfb, grabs the whole X
// screen into a PNG, and checks that the Korean texts are drawn with fonts that hold their glyphs,
// where the window puts them.
//
//   qt_tests screenshot --xvfb OUT.png   starts itself with --grab under xvfb-run on the xcb
//                                        platform; exits 77 when xvfb-run is not installed
//   qt_tests screenshot --grab OUT.png   shows the window on the current X display and checks it
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <functional>

#include "app/main_window.h"
#include "app/translation.h"
#include "channels/devices.h"
#include "channels/trace.h"
#include "run_end.h"
#include "support/qt_test_main.h"

namespace {

constexpr int kSkipped = 77;
constexpr int kDark = 110;  // grey level below which a pixel counts as ink

int runUnderXvfb(int argc, char** argv, const QString& pngPath) {
    QCoreApplication app(argc, argv);
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty()) {
        std::printf("SKIP: xvfb-run is not installed\n");
        return kSkipped;
    }
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The window as a Korean technician sees it: the added texts in Korean too.
    environment.insert(QStringLiteral("LANG"), QStringLiteral("ko_KR.UTF-8"));
    environment.remove(QStringLiteral("LANGUAGE"));
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_MESSAGES"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(xvfbRun,
                {QStringLiteral("-a"), QStringLiteral("-s"),
                 QStringLiteral("-screen 0 1024x768x24"), QCoreApplication::applicationFilePath(),
                 QStringLiteral("screenshot"), QStringLiteral("--grab"), pngPath});
    if (!child.waitForFinished(100000) || child.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "FAIL: the window under xvfb-run did not finish normally\n");
        child.kill();
        return 1;
    }
    return child.exitCode();
}

// Checks one Korean text of the window on the screenshot; returns the number of faults found.
int checkKoreanText(const QImage& screen, const QPoint& screenOrigin, const QWidget* widget,
                    const QString& text) {
    int faults = 0;
    const QByteArray name = widget->objectName().toUtf8();
    const QFontMetrics metrics(widget->font());
    for (const QChar c : text) {
        if (!metrics.inFont(c)) {
            std::fprintf(stderr, "FAIL: %s: the font has no glyph for U+%04X\n", name.constData(),
                         c.unicode());
            ++faults;
        }
    }

    // The text is centred: count ink where it should be and everywhere else inside the control,
    // away from the frame of a text box.
    const QRect area = QRect(widget->mapToGlobal(QPoint(0, 0)) - screenOrigin, widget->size())
                           .adjusted(3, 2, -3, -2);
    const int textWidth = metrics.horizontalAdvance(text);
    const int textLeft = area.center().x() - textWidth / 2 - 3;
    const int textRight = area.center().x() + textWidth / 2 + 3;
    int inside = 0;
    int outside = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(screen.pixel(x, y)) < kDark) {
                (x >= textLeft && x <= textRight ? inside : outside) += 1;
            }
        }
    }
    std::printf("%s \"%s\": %d ink pixels in the text's place, %d elsewhere, font %s\n",
                name.constData(), text.toUtf8().constData(), inside, outside,
                QFontInfo(widget->font()).family().toUtf8().constData());
    if (inside < 12 * static_cast<int>(text.size()) || outside * 10 > inside) {
        std::fprintf(stderr, "FAIL: %s: the text is not drawn where the window shows it\n",
                     name.constData());
        ++faults;
    }
    return faults;
}

// Letters of the Latin alphabet in `text`, once what the user typed (quoted) is taken out: the
// English left in a text meant to be Korean.
QString englishIn(QString text, const QString& typed) {
    text.remove(QLatin1Char('"') + typed + QLatin1Char('"'));
    text.remove(QLatin1Char('&'));  // a mnemonic's marker
    return text.remove(QRegularExpression(QStringLiteral("[^A-Za-z]")));
}

// What the modal window opened by `action` says: its detail (an error box's) and its buttons.
struct ModalTexts {
    QString detail;
    QStringList buttons;
};

ModalTexts modalTexts(const std::function<void()>& action) {
    ModalTexts seen;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (modal == nullptr || !modal->isVisible()) {
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.detail = box->informativeText();
        }
        for (const QAbstractButton* button : modal->findChildren<QPushButton*>()) {
            if (button->isVisible()) {
                seen.buttons.append(button->text());
            }
        }
        modal->reject();
    });
    closer.start(50);
    action();
    return seen;
}

// The Korean window has no English left in the details of a bad count or port, and Qt's own
// buttons (OK, Cancel) are Korean; the error's number and text stay as they are everywhere.
int checkNoEnglishLeft(mpt::MainWindow& window) {
    int faults = 0;
    const auto box = [&](const char* name) {
        return window.findChild<QLineEdit*>(QLatin1String(name));
    };
    const struct {
        const char* count;
        const char* port;
        const char* button;
        const char* typed;  // the text the detail quotes
    } rows[] = {
        {"abc", "3", "cmddevice8", "abc"},       // Type mismatch, the count
        {"1e400", "3", "cmddevice8", "1e400"},   // Overflow, the count
        {"1", "x1", "cmddevice12", "x1"},        // Type mismatch, the port
        {"1", "32768", "cmddevice12", "32768"},  // Overflow, the port
    };
    for (const auto& row : rows) {
        box("txt1")->setText(QString::fromLatin1(row.count));
        box("port")->setText(QString::fromLatin1(row.port));
        auto* button = window.findChild<QPushButton*>(QLatin1String(row.button));
        const ModalTexts seen = modalTexts([&] {
            button->click();
            mpt::test::runsEnd(window);
        });
        const QString english = englishIn(seen.detail, QString::fromLatin1(row.typed));
        std::printf("%s with count \"%s\", port \"%s\": detail \"%s\", buttons \"%s\"\n",
                    row.button, row.count, row.port, seen.detail.toUtf8().constData(),
                    seen.buttons.join(QStringLiteral("\", \"")).toUtf8().constData());
        if (seen.detail.isEmpty() || !english.isEmpty() || seen.buttons.size() != 1 ||
            !englishIn(seen.buttons.front(), {}).isEmpty()) {
            std::fprintf(stderr, "FAIL: English left in the error box of %s\n", row.button);
            ++faults;
        }
    }
    box("txt1")->setText(QStringLiteral("10"));
    box("port")->setText(QStringLiteral("3"));
    const ModalTexts ports = modalTexts([&] { window.openPortsDialog(); });
    std::printf("the Ports dialog's buttons: \"%s\"\n",
                ports.buttons.join(QStringLiteral("\", \"")).toUtf8().constData());
    for (const char* qtButton : {"확인", "취소"}) {
        if (!ports.buttons.contains(QString::fromUtf8(qtButton))) {
            std::fprintf(stderr, "FAIL: the Ports dialog has no button \"%s\"\n", qtButton);
            ++faults;
        }
    }
    return faults;
}

int grabAndCheck(int argc, char** argv, const QString& pngPath) {
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "FAIL: running on %s, not on an X server\n",
                     QGuiApplication::platformName().toUtf8().constData());
        return 1;
    }
    mpt::installTranslation();
    const auto devices = mpt::dryRunDevices();
    mpt::Trace trace;
    mpt::MainWindow window(*devices, trace);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "FAIL: the window was not exposed\n");
        return 1;
    }
    QTest::qWait(500);

    QScreen* screen = window.screen();
    const QImage shot = screen->grabWindow(0).toImage();
    if (shot.isNull() || !shot.save(pngPath)) {
        std::fprintf(stderr, "FAIL: cannot grab the screen into %s\n",
                     pngPath.toUtf8().constData());
        return 1;
    }
    std::printf("screenshot: %s (%dx%d)\n", pngPath.toUtf8().constData(), shot.width(),
                shot.height());

    const QPoint origin = screen->geometry().topLeft();
    int faults = 0;
    faults += checkKoreanText(shot, origin, window.findChild<QLineEdit*>(QStringLiteral("txt2")),
                              QStringLiteral("메시지"));
    faults += checkKoreanText(shot, origin, window.findChild<QLabel*>(QStringLiteral("lab1")),
                              QStringLiteral("인쇄매수"));
    // The status line and the Ports button speak Korean, in a face that has its letters.
    for (const char* name : {"status", "portsButton"}) {
        const auto* widget = window.findChild<QWidget*>(QLatin1String(name));
        const QString text = widget->property("text").toString();
        std::printf("%s \"%s\"\n", name, text.toUtf8().constData());
        const bool korean =
            text.startsWith(QStringLiteral("준비.")) || text == QStringLiteral("포트…");
        const QFontMetrics metrics(widget->font());
        for (const QChar c : text) {
            if (c.script() == QChar::Script_Hangul && !metrics.inFont(c)) {
                std::fprintf(stderr, "FAIL: %s: the font has no glyph for U+%04X\n", name,
                             c.unicode());
                ++faults;
            }
        }
        if (!korean) {
            std::fprintf(stderr, "FAIL: %s is not in Korean\n", name);
            ++faults;
        }
    }
    faults += checkNoEnglishLeft(window);
    return faults == 0 ? 0 : 1;
}

int screenshot(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--xvfb") == 0) {
        return runUnderXvfb(argc, argv, QString::fromLocal8Bit(argv[2]));
    }
    if (argc == 3 && std::strcmp(argv[1], "--grab") == 0) {
        return grabAndCheck(argc, argv, QString::fromLocal8Bit(argv[2]));
    }
    std::fprintf(stderr, "usage: %s --xvfb|--grab OUT.png\n", argv[0]);
    return 2;
}

const bool registered = mpt::testing::registerQtTestProgram("screenshot", &screenshot);

}  // namespace
