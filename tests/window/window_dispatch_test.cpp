// SPDX-License-Identifier: MIT
// Buttons running their routines: which routine a click runs, what the window shows after it, the
// error box when a routine fails, and clicks that arrive while a run is still going on.
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "channels/devices.h"
#include "channels/trace.h"
#include "core/dispatch.h"
#include "run_end.h"
#include "support/qt_test_main.h"

namespace {

// Trace lines the tests look for.
const std::string kCommPort1 = "{\"op\":\"CommPort\",\"value\":1}";
const std::string kCommPort3 = "{\"op\":\"CommPort\",\"value\":3}";
const std::string kPortClosed = "{\"op\":\"PortOpen\",\"value\":false}";
const std::string kLpt1Opened = "{\"op\":\"Open\",\"name\":\"lpt1 \",\"file\":1}";
const std::string kFile1Closed = "{\"op\":\"Close\",\"file\":1}";

std::string txt2Set(const QString& message) {
    return "{\"op\":\"SetText\",\"control\":\"txt2\",\"text\":\"" + message.toStdString() + "\"}";
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

qsizetype indexOf(const std::vector<std::string>& trace, const std::string& line) {
    for (size_t i = 0; i < trace.size(); ++i) {
        if (trace[i] == line) {
            return static_cast<qsizetype>(i);
        }
    }
    return -1;
}

// Watches for modal boxes while it lives: runs `inspect` on each one that opens, then dismisses
// it. It polls, because a box opens inside the click that the test is about to give.
class ModalBoxWatcher {
  public:
    explicit ModalBoxWatcher(std::function<void(QMessageBox*)> inspect) {
        QObject::connect(&m_poll, &QTimer::timeout, &m_poll, [this, inspect] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible()) {
                ++m_seen;
                inspect(box);
                box->reject();
            }
        });
        m_poll.start(10);
    }

    int boxesSeen() const { return m_seen; }

  private:
    QTimer m_poll;
    int m_seen = 0;
};

// Dry-run devices whose first serial port raises what no channel should.
class ThrowingOnce final : public mpt::Devices {
  public:
    std::unique_ptr<mpt::SerialLine> openSerial(mpt::RunContext& run, int port,
                                                const mpt::LineSettings& settings,
                                                int handshaking) override {
        if (!m_thrown) {
            m_thrown = true;
            throw std::runtime_error("a scripted driver failure");
        }
        return m_dryRun->openSerial(run, port, settings, handshaking);
    }
    std::unique_ptr<mpt::OutputFile> openLpt1(mpt::RunContext& run) override {
        return m_dryRun->openLpt1(run);
    }

  private:
    std::unique_ptr<mpt::Devices> m_dryRun = mpt::dryRunDevices();
    bool m_thrown = false;
};

}  // namespace

class WindowDispatchTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_devices = mpt::dryRunDevices();
        m_traceText.str({});
        m_window = std::make_unique<mpt::MainWindow>(*m_devices, m_trace);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() { m_window.reset(); }

    void clickRunsTheCutterTest() {
        QSignalSpy ended(m_window.get(), &mpt::MainWindow::runsEnded);
        QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
        // The click has returned with the run under way: its end comes later, as an event.
        QVERIFY(m_window->running());
        QCOMPARE(ended.count(), 0);
        QVERIFY(mpt::test::runsEnd(*m_window));
        QCOMPARE(ended.count(), 1);
        const auto trace = lines(m_traceText.str());
        QVERIFY(!trace.empty());
        QCOMPARE(trace.front(), kCommPort1);
        QCOMPARE(box("txt2")->text(), QStringLiteral("EPSON/SERIAL/CUTTER 정상 작동!!"));
        QCOMPARE(trace.back(), kPortClosed);
        QCOMPARE(box("txt1")->text(), QStringLiteral("10"));
    }

    // Each button runs its own routine: the channel it opens and the message it leaves.
    void eachButtonRunsItsRoutine_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("channelOpened");
        QTest::addColumn<QString>("message");
        const QString serial = QString::fromStdString(kCommPort1);
        const QString serialPort3 = QString::fromStdString(kCommPort3);
        const QString parallel = QString::fromStdString(kLpt1Opened);
        QTest::newRow("cmddevice")
            << QStringLiteral("cmddevice") << serial << QStringLiteral("EPSON/SERIAL 정상 출력!!!");
        QTest::newRow("cmddevice1") << QStringLiteral("cmddevice1") << parallel
                                    << QStringLiteral("EPSON/PARALLEL 정상출력!!");
        QTest::newRow("cmddevice2")
            << QStringLiteral("cmddevice2") << serial << QStringLiteral("CBM/SERIAL 정상출력!!");
        QTest::newRow("cmddevice3") << QStringLiteral("cmddevice3") << parallel
                                    << QStringLiteral("CBM/PARALLEL 정상출력!!");
        QTest::newRow("cmddevice4") << QStringLiteral("cmddevice4") << serial
                                    << QStringLiteral("MVR-720/730 SERIAL/EPSON 정상출력!!");
        QTest::newRow("cmddevice5") << QStringLiteral("cmddevice5") << parallel
                                    << QStringLiteral("MVR-720/730 PARALLEL/EPSON 정상출력!!");
        QTest::newRow("cmddevice6") << QStringLiteral("cmddevice6") << serial
                                    << QStringLiteral("MVR-720/730 LF/SERIAL 상태출력완료!!");
        QTest::newRow("cmddevice7") << QStringLiteral("cmddevice7") << parallel
                                    << QStringLiteral("MVR-720/730 LF/PARALLEL 상태출력완료!!");
        QTest::newRow("cmddevice8") << QStringLiteral("cmddevice8") << serial
                                    << QStringLiteral("EPSON/SERIAL/CUTTER 정상 작동!!");
        QTest::newRow("cmddevice9") << QStringLiteral("cmddevice9") << serial
                                    << QStringLiteral("CBM/SERIAL/CUTTER 정상 작동!!");
        QTest::newRow("cmddevice10") << QStringLiteral("cmddevice10") << parallel
                                     << QStringLiteral("EPSON/CUTTER 정상 작동!!!!!!!!");
        QTest::newRow("cmddevice11") << QStringLiteral("cmddevice11") << parallel
                                     << QStringLiteral("CBM/CUTTER 정상 작동!!!!!!!!");
        QTest::newRow("cmddevice12") << QStringLiteral("cmddevice12") << serialPort3
                                     << QStringLiteral("QLX-610/650 (USB) 정상 출력!!!");
    }

    void eachButtonRunsItsRoutine() {
        QFETCH(QString, name);
        QFETCH(QString, channelOpened);
        QFETCH(QString, message);
        QSignalSpy errors(m_window.get(), &mpt::MainWindow::errorShown);
        box("txt1")->setText(QStringLiteral("2"));
        const long long started = mpt::routinesStarted();

        QTest::mouseClick(button(name), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        // One click, one routine: nothing is run ahead of the real run to learn its size.
        QCOMPARE(mpt::routinesStarted() - started, 1);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(box("txt2")->text(), message);
        const auto trace = lines(m_traceText.str());
        QVERIFY(indexOf(trace, channelOpened.toStdString()) >= 0);
        QCOMPARE(std::count(trace.begin(), trace.end(), txt2Set(message)), 1);
    }

    void keyboardRunsTheFocusedButton() {
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QPushButton* cutter = button("cmddevice9");
        cutter->setFocus();
        QTest::keyClick(cutter, Qt::Key_Space);
        QVERIFY(mpt::test::runsEnd(*m_window));
        QCOMPARE(box("txt2")->text(), QStringLiteral("CBM/SERIAL/CUTTER 정상 작동!!"));

        // Return and the keypad's Enter click the focused button too, once a press.
        const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
            {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}};
        for (const auto& [key, modifiers] : keys) {
            QPushButton* other = button("cmddevice11");
            other->setFocus();
            QSignalSpy clicks(other, &QPushButton::clicked);
            QTest::keyClick(other, key, modifiers);
            QVERIFY(mpt::test::runsEnd(*m_window));
            QCOMPARE(clicks.count(), 1);
            QCOMPARE(box("txt2")->text(), QStringLiteral("CBM/CUTTER 정상 작동!!!!!!!!"));
            box("txt2")->setText(QStringLiteral("메시지"));
        }
    }

    void failedRoutineShowsTheErrorAndTheWindowCarriesOn() {
        QSignalSpy errors(m_window.get(), &mpt::MainWindow::errorShown);
        box("txt1")->setText(QStringLiteral("abc"));
        QString title, text, informative;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        const ModalBoxWatcher watcher([&](QMessageBox* shown) {
            title = shown->windowTitle();
            text = shown->text();
            informative = shown->informativeText();
            icon = shown->icon();
            buttons = shown->standardButtons();
        });

        QTest::mouseClick(button("cmddevice10"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        QCOMPARE(errors.count(), 1);
        QCOMPARE(watcher.boxesSeen(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 13);
        QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Type mismatch"));
        QCOMPARE(title, QStringLiteral("MINI PRINTER TEST PROGRAM"));
        QCOMPARE(text, QStringLiteral("Run-time error '13':\n\nType mismatch"));
        QVERIFY(!informative.isEmpty());
        QCOMPARE(informative, errors.at(0).at(2).toString());
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QVERIFY(QApplication::activeModalWidget() == nullptr);

        QCOMPARE(box("txt2")->text(), QStringLiteral("메시지"));
        const auto trace = lines(m_traceText.str());
        QCOMPARE(trace.front(), kLpt1Opened);
        QCOMPARE(trace.back(), kFile1Closed);

        QVERIFY(m_window->isVisible());
        m_traceText.str({});
        box("txt1")->setText(QStringLiteral("1"));
        QTest::mouseClick(button("cmddevice10"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(watcher.boxesSeen(), 1);
        QCOMPARE(box("txt2")->text(), QStringLiteral("EPSON/CUTTER 정상 작동!!!!!!!!"));
        QCOMPARE(lines(m_traceText.str()).back(), kFile1Closed);
    }

    // Whatever a routine raises beyond the console's own errors (here a driver that throws) ends
    // in the error box as an internal error, not in a crash, and the window carries on.
    void unexpectedExceptionEndsInTheErrorBox() {
        ThrowingOnce devices;
        m_window = std::make_unique<mpt::MainWindow>(devices, m_trace);
        QSignalSpy errors(m_window.get(), &mpt::MainWindow::errorShown);
        const ModalBoxWatcher watcher([](QMessageBox*) {});

        QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        QCOMPARE(errors.count(), 1);
        QCOMPARE(watcher.boxesSeen(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 51);
        QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Internal error"));
        QCOMPARE(errors.at(0).at(2).toString(), QStringLiteral("a scripted driver failure"));
        QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(box("txt2")->text(), QStringLiteral("EPSON/SERIAL/CUTTER 정상 작동!!"));
        m_window.reset();
    }

    // A trace that cannot be written is shown in a box once, after the run it failed in; the runs
    // go on printing.
    void traceThatCannotBeWrittenIsShownOnce() {
        std::ofstream full("/dev/full");
        mpt::Trace failing(&full, "/dev/full");
        m_window = std::make_unique<mpt::MainWindow>(*m_devices, failing);
        QSignalSpy errors(m_window.get(), &mpt::MainWindow::errorShown);
        const ModalBoxWatcher watcher([](QMessageBox*) {});
        for (int click = 0; click < 2; ++click) {
            QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
            QVERIFY(mpt::test::runsEnd(*m_window));
            QCOMPARE(box("txt2")->text(), QStringLiteral("EPSON/SERIAL/CUTTER 정상 작동!!"));
        }
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 75);
        QVERIFY(errors.at(0).at(2).toString().startsWith(
            QStringLiteral("/dev/full: No space left on device")));
        m_window.reset();
    }

    // A click that reaches the window while the error box of a run is open waits for that run to
    // end, then runs.
    void clickDuringARunWaitsForItsEnd() {
        box("txt1")->setText(QStringLiteral("x"));
        std::string traceWhileBoxOpen;
        QString messageWhileBoxOpen;
        const ModalBoxWatcher watcher([&](QMessageBox*) {
            box("txt1")->setText(QStringLiteral("1"));
            button("cmddevice8")->click();
            traceWhileBoxOpen = m_traceText.str();
            messageWhileBoxOpen = box("txt2")->text();
        });

        QTest::mouseClick(button("cmddevice11"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        QCOMPARE(watcher.boxesSeen(), 1);
        QCOMPARE(messageWhileBoxOpen, QStringLiteral("메시지"));
        QVERIFY(traceWhileBoxOpen.find("CommPort") == std::string::npos);
        QCOMPARE(box("txt2")->text(), QStringLiteral("EPSON/SERIAL/CUTTER 정상 작동!!"));
        const auto trace = lines(m_traceText.str());
        const qsizetype closed = indexOf(trace, kFile1Closed);
        const qsizetype serial = indexOf(trace, kCommPort1);
        QVERIFY(closed >= 0);
        QVERIFY(serial > closed);
    }

  private:
    QPushButton* button(const QString& name) const {
        return m_window->findChild<QPushButton*>(name);
    }
    QPushButton* button(const char* name) const { return button(QLatin1String(name)); }
    QLineEdit* box(const char* name) const {
        return m_window->findChild<QLineEdit*>(QLatin1String(name));
    }

    std::unique_ptr<mpt::Devices> m_devices;
    std::ostringstream m_traceText;
    mpt::Trace m_trace{&m_traceText};
    std::unique_ptr<mpt::MainWindow> m_window;
};

MPT_QT_TEST(WindowDispatchTest, "window_dispatch_test")
#include "window_dispatch_test.moc"
