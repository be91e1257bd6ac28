// SPDX-License-Identifier: MIT
// The window at the bench: during a run it keeps painting, shows a busy cursor and reports
// progress in the status line; clicks and typing given meanwhile take effect after the run, in
// order; afterwards the status line says what was sent, or how far a failed run got.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>
#include <sstream>
#include <string>

#include "app/main_window.h"
#include "app/translation.h"
#include "channels/devices.h"
#include "channels/trace.h"
#include "core/dispatch.h"
#include "run_end.h"
#include "support/pty.h"
#include "support/qt_test_main.h"
#include "support/tcp_printer.h"

namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int count = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
        }
        return false;
    }
};

std::string::size_type position(const std::string& text, const std::string& what,
                                std::string::size_type from = 0) {
    return from == std::string::npos ? from : text.find(what, from);
}

}  // namespace

class StatusLineTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_printer = std::make_unique<mpt::testing::PtyPrinter>();
        m_com1 = std::make_unique<mpt::testing::ScopedEnv>("MPT_COM1", m_printer->devicePath());
        m_devices = mpt::systemDevices();
        m_traceText.str({});
        m_window = std::make_unique<mpt::MainWindow>(*m_devices, m_trace);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup() {
        m_window.reset();
        m_com1.reset();
        m_printer.reset();
    }

    void idleStatusShowsWherePortsLead() {
        const QString status = m_window->statusText();
        QVERIFY2(status.startsWith(QStringLiteral("Ready. COM1 → ") +
                                   QString::fromStdString(m_printer->devicePath()) +
                                   QStringLiteral(", COM3 → ")),
                 qPrintable(status));
        QVERIFY(status.contains(QStringLiteral("lpt1 → ")));
        // The fonts this machine has: the Korean faces the window needs are there. A notice
        // at start (no such face) stands before "Ready." until the first run.
        QVERIFY(mpt::MainWindow::koreanFaceInstalled());
        m_window->showStartNotice(QStringLiteral("Install the package fonts-nanum."));
        QVERIFY(m_window->statusText().startsWith(
            QStringLiteral("Install the package fonts-nanum. Ready. COM1 → ")));
        box("txt1")->setText(QStringLiteral("0"));
        QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));
        QVERIFY(!m_window->statusText().contains(QStringLiteral("fonts-nanum")));
        // With --dry-run nothing is sent: the idle status line says so, before the first run.
        const auto nothing = mpt::dryRunDevices();
        mpt::MainWindow dryRun(*nothing, m_trace);
        dryRun.setDryRun(true);
        QCOMPARE(dryRun.statusText(),
                 QStringLiteral("Ready. Dry run: nothing is sent, no device is opened."));
    }

    // Fifty EPSON-mode pages (32,400 bytes) to a printer that reads 6,000 bytes a second: about
    // two seconds once the line's own buffer (some 20 KB on a pseudo-terminal) is full.
    void progressDuringARunAndTheSummaryAfterIt() {
        m_printer->startReading(6000);
        box("txt1")->setText(QStringLiteral("50"));
        QStringList seen;
        bool busyCursor = false;
        PaintCounter paints;
        statusLine()->installEventFilter(&paints);
        QTimer sample;
        connect(&sample, &QTimer::timeout, this, [&] {
            seen << m_window->statusText();
            const QCursor* cursor = QApplication::overrideCursor();
            busyCursor = busyCursor || (cursor != nullptr && cursor->shape() == Qt::WaitCursor);
        });
        sample.start(150);

        QTest::mouseClick(button("cmddevice4"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));
        sample.stop();

        const QString device = QString::fromStdString(m_printer->devicePath());
        bool repetitionShown = false;
        for (const QString& text : seen) {
            if (text.startsWith(QStringLiteral("MVR-720/730 SERIAL(EPSON): repetition ")) &&
                text.contains(QStringLiteral(" of 50, ")) &&
                text.contains(QStringLiteral(" of about 32,400 bytes, COM1 → ") + device)) {
                repetitionShown = true;
            }
        }
        QVERIFY2(repetitionShown, qPrintable(seen.join(QLatin1Char('\n'))));
        QVERIFY(busyCursor);
        QVERIFY2(paints.count > 2, "the window stopped painting during the run");
        QVERIFY(QApplication::overrideCursor() == nullptr);
        const QString after = m_window->statusText();
        QVERIFY2(after.startsWith(QStringLiteral("Sent 32,400 bytes to COM1 → ") + device +
                                  QStringLiteral(" in ")),
                 qPrintable(after));
        QVERIFY(after.endsWith(QStringLiteral(" (the wire needs 34 s at 9600 baud)")));
        QCOMPARE(box("txt2")->text(), QStringLiteral("MVR-720/730 SERIAL/EPSON 정상출력!!"));
    }

    // A click on another button and typing into the count box during a run: the run goes on with
    // the count it read; then the clicked test runs with the count as it was when clicked; then
    // the typing lands.
    void clicksAndTypingDuringARunTakeEffectAfterIt() {
        m_printer->startReading(6000);
        box("txt1")->setText(QStringLiteral("50"));
        QString txt1DuringRun;
        bool given = false;
        QTimer::singleShot(300, m_window.get(), [&] {
            QTest::mouseClick(button("cmddevice9"), Qt::LeftButton);
            box("txt1")->selectAll();
            QTest::keyClicks(box("txt1"), QStringLiteral("7"));
            txt1DuringRun = box("txt1")->text();
            given = true;
        });

        QTest::mouseClick(button("cmddevice4"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        QVERIFY(given);
        QCOMPARE(txt1DuringRun, QStringLiteral("50"));
        QCOMPARE(box("txt1")->text(), QStringLiteral("7"));
        QCOMPARE(box("txt2")->text(), QStringLiteral("CBM/SERIAL/CUTTER 정상 작동!!"));
        const std::string trace = m_traceText.str();
        const auto firstDone = position(trace, "MVR-720/730 SERIAL/EPSON");
        const auto secondRead =
            position(trace, "{\"op\":\"GetText\",\"control\":\"txt1\",\"text\":\"50\"}", firstDone);
        QVERIFY(firstDone != std::string::npos);
        QVERIFY2(secondRead != std::string::npos, trace.c_str());
        QVERIFY(trace.find("\"text\":\"7\"") == std::string::npos);
    }

    // A printer that stops reading: the run stalls, the box tells the error and the status line
    // how far the run got.
    void stalledRunSaysHowFarItGot() {
        mpt::testing::ScopedEnv limit("MPT_IO_TIMEOUT_MS", "300");
        // 87,692 bytes, more than the line holds; reckoned from the first page, whose counter has
        // one digit, as about 87,600.
        box("txt1")->setText(QStringLiteral("100"));
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->reject();
            }
        });
        closer.start(20);

        QTest::mouseClick(button("cmddevice"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        const QString status = m_window->statusText();
        QVERIFY2(status.startsWith(QStringLiteral(
                     "QLX-610/650 SERIAL(EPSON): stalled: the device took no data for 0.3 s "
                     "after ")),
                 qPrintable(status));
        QVERIFY(status.contains(QStringLiteral(" of about 87,600 bytes; ")));
        QVERIFY(
            status.endsWith(QStringLiteral(" bytes handed over were not taken and were "
                                           "discarded")));
        QVERIFY(!status.contains(QStringLiteral("after 0 of")));
        QCOMPARE(box("txt2")->text(), QStringLiteral("메시지"));
        // The port was released: a run to a reading printer goes through.
        m_printer->drainAll();
        m_printer->startReading();
        box("txt1")->setText(QStringLiteral("1"));
        QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));
        QCOMPARE(box("txt2")->text(), QStringLiteral("EPSON/SERIAL/CUTTER 정상 작동!!"));
    }

    // Stop during a long run, by the Stop button, by Escape, or by closing the window: the run
    // ends within a second at a write, the status line says how far it got and how many pages
    // were complete, txt2 keeps its text, no box opens, a click on another button and typing
    // given during the run are discarded (nothing runs after the stop), and the port is free for
    // the next run.
    void stopEndsTheRunAndSaysHowFarItGot_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Stop button") << QStringLiteral("button");
        QTest::newRow("Escape") << QStringLiteral("escape");
        QTest::newRow("window closed") << QStringLiteral("close");
        QTest::newRow("Ctrl+Q") << QStringLiteral("quit");
    }

    void stopEndsTheRunAndSaysHowFarItGot() {
        QFETCH(QString, how);
        m_printer->startReading(6000);
        box("txt1")->setText(QStringLiteral("1000"));
        QSignalSpy errors(m_window.get(), &mpt::MainWindow::errorShown);
        auto* stop = m_window->findChild<QPushButton*>(QStringLiteral("stop"));
        QVERIFY(stop != nullptr && !stop->isVisible());
        bool stopShown = false;
        QElapsedTimer sinceStop;
        const long long started = mpt::routinesStarted();
        QTimer::singleShot(400, m_window.get(), [&] {
            stopShown = stop->isVisible();
            // Held while the run goes on; a run that ends by itself would replay them.
            QTest::mouseClick(button("cmddevice9"), Qt::LeftButton);
            box("txt1")->selectAll();
            QTest::keyClicks(box("txt1"), QStringLiteral("7"));
            sinceStop.start();
            if (how == QStringLiteral("button")) {
                QTest::mouseClick(stop, Qt::LeftButton);
            } else if (how == QStringLiteral("escape")) {
                QTest::keyClick(button("cmddevice4"), Qt::Key_Escape);
            } else if (how == QStringLiteral("quit")) {
                QTest::keyClick(button("cmddevice4"), Qt::Key_Q, Qt::ControlModifier);
            } else {
                m_window->close();
            }
        });

        QTest::mouseClick(button("cmddevice4"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        QVERIFY(stopShown);
        QVERIFY2(sinceStop.elapsed() < 1000, qPrintable(QString::number(sinceStop.elapsed())));
        QVERIFY(!stop->isVisible());
        QCOMPARE(errors.count(), 0);
        QCOMPARE(box("txt2")->text(), QStringLiteral("메시지"));
        QCOMPARE(box("txt1")->text(), QStringLiteral("1000"));
        QCOMPARE(mpt::routinesStarted(), started + 1);
        const QString status = m_window->statusText();
        // The printer on a pseudo-terminal keeps every byte: each page before the one under way
        // is complete.
        const QRegularExpression stopped(QStringLiteral(
            "^Stopped (in|after) repetition (\\d+) of 1,000: (\\d+) complete; [\\d,]+ of about "
            "[\\d,]+ bytes sent, [\\d,]+ discarded$"));
        const QRegularExpressionMatch said = stopped.match(status);
        QVERIFY2(said.hasMatch(), qPrintable(status));
        QCOMPARE(said.captured(3).toInt(),
                 said.captured(2).toInt() - (said.captured(1) == QStringLiteral("in") ? 1 : 0));
        QVERIFY(m_traceText.str().find("{\"op\":\"Stop\"") != std::string::npos);
        if (how == QStringLiteral("close")) {
            QTRY_VERIFY(!m_window->isVisible());
            return;
        }
        m_printer->startReading();
        box("txt1")->setText(QStringLiteral("1"));
        QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));
        QCOMPARE(box("txt2")->text(), QStringLiteral("EPSON/SERIAL/CUTTER 정상 작동!!"));
        QCOMPARE(mpt::routinesStarted(), started + 2);
    }

    // A stop that comes while the port closes, waiting on a network printer that acknowledges
    // nothing of the stream it took: a stop like any other. The cutter test had set its message
    // before closing; the message box keeps its text all the same.
    void stopWhileThePortClosesIsAStop() {
        mpt::testing::TcpPrinter printer(mpt::testing::TcpPrinter::Behaviour::TakesNothing);
        mpt::testing::ScopedEnv com1("MPT_COM1", printer.address());
        box("txt1")->setText(QStringLiteral("500"));
        QSignalSpy errors(m_window.get(), &mpt::MainWindow::errorShown);
        QTimer::singleShot(500, m_window.get(),
                           [&] { QTest::keyClick(button("cmddevice8"), Qt::Key_Escape); });

        QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        QCOMPARE(errors.count(), 0);
        QCOMPARE(box("txt2")->text(), QStringLiteral("메시지"));
        const QString status = m_window->statusText();
        QVERIFY2(status.startsWith(QStringLiteral("Stopped in repetition 500 of 500: ")) &&
                     !status.endsWith(QStringLiteral(" 0 discarded")),
                 qPrintable(status));
        const std::string trace = m_traceText.str();
        QVERIFY2(trace.find("{\"op\":\"Stop\"") != std::string::npos &&
                     trace.find("\"at\":\"close\"}") != std::string::npos,
                 trace.substr(trace.size() > 300 ? trace.size() - 300 : 0).c_str());
    }

    // In a Korean locale the status line and the error box's detail are Korean; the captions,
    // the result message box and the error's number and text stay exactly as given.
    void koreanStatusLineAndErrorDetail() {
        mpt::testing::ScopedEnv limit("MPT_IO_TIMEOUT_MS", "300");
        QVERIFY(mpt::installTranslation(QLocale(QLocale::Korean, QLocale::SouthKorea)));
        m_window = std::make_unique<mpt::MainWindow>(*m_devices, m_trace);
        m_window->show();
        const QString device = QString::fromStdString(m_printer->devicePath());
        QVERIFY2(m_window->statusText().startsWith(QStringLiteral("준비. COM1 → ") + device),
                 qPrintable(m_window->statusText()));
        QSignalSpy errors(m_window.get(), &mpt::MainWindow::errorShown);
        QString boxTitle;
        QString boxText;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                boxTitle = box->windowTitle();
                boxText = box->text();
                box->reject();
            }
        });
        closer.start(20);
        box("txt1")->setText(QStringLiteral("100"));

        QTest::mouseClick(button("cmddevice"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));

        mpt::removeTranslation();
        const QString status = m_window->statusText();
        QVERIFY2(
            status.startsWith(QStringLiteral("QLX-610/650 SERIAL(EPSON): 약 87,600바이트 중 ")) &&
                status.contains(QStringLiteral(
                    "바이트 보낸 뒤 멈춤: 장치가 0.3초 동안 데이터를 받지 않았습니다; 넘겨준 ")) &&
                status.endsWith(QStringLiteral("바이트는 받아지지 않아 버렸습니다")),
            qPrintable(status));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.at(0).at(0).toInt(), 24);
        QCOMPARE(errors.at(0).at(1).toString(), QStringLiteral("Device timeout"));
        const QString detail = errors.at(0).at(2).toString();
        QVERIFY2(detail.startsWith(device + QStringLiteral(": 장치가 0.3초 동안 데이터를 받지 "
                                                           "않았습니다 (이번 쓰기의 ")),
                 qPrintable(detail));
        QCOMPARE(boxText, QStringLiteral("Run-time error '24':\n\nDevice timeout"));
        QCOMPARE(box("txt2")->text(), QStringLiteral("메시지"));
        QCOMPARE(button("cmddevice")->text().trimmed(),
                 QStringLiteral("QLX-610/650 SERIAL(EPSON)"));
        // English again once the translation is taken away.
        m_printer->drainAll();
        m_printer->startReading();
        box("txt1")->setText(QStringLiteral("1"));
        QTest::mouseClick(button("cmddevice8"), Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(*m_window));
        QVERIFY2(m_window->statusText().startsWith(QStringLiteral("Sent ")),
                 qPrintable(m_window->statusText()));
    }

  private:
    QPushButton* button(const char* name) const {
        return m_window->findChild<QPushButton*>(QLatin1String(name));
    }
    QLineEdit* box(const char* name) const {
        return m_window->findChild<QLineEdit*>(QLatin1String(name));
    }
    QLabel* statusLine() const { return m_window->findChild<QLabel*>(QStringLiteral("status")); }

    std::unique_ptr<mpt::testing::PtyPrinter> m_printer;
    std::unique_ptr<mpt::testing::ScopedEnv> m_com1;
    std::unique_ptr<mpt::Devices> m_devices;
    std::ostringstream m_traceText;
    mpt::Trace m_trace{&m_traceText};
    std::unique_ptr<mpt::MainWindow> m_window;
};

MPT_QT_TEST(StatusLineTest, "status_line_test")
#include "status_line_test.moc"
