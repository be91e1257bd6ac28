// SPDX-License-Identifier: MIT
// The virtual printer answers: the console binary's --status asks it over a pseudo-terminal and
// over TCP in each position of its switches and reads the same facts and exit code back; the
// automatic status follows the switches on the port or connection that enabled it; a halted
// printer holds what it is sent up to a limit, still answering, and prints it once cleared, a
// connection's closed meanwhile too; and a checked run
// reports paper near end after the routine's stream, which stays as it was.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTcpSocket>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/port_settings.h"
#include "app/printer_status_dialog.h"
#include "channels/printer_status.h"
#include "page_text.h"
#include "printer/virtual_printer.h"
#include "printer/window/preview_window.h"
#include "support/pty.h"
#include "support/qt_test_main.h"
#include "support/stream.h"

#ifndef MPT_CONSOLE_BINARY
#error "MPT_CONSOLE_BINARY names the console's executable"
#endif

namespace {

const QHostAddress kLoopback(QHostAddress::LocalHost);

// The console binary with `arguments`, serial port 1 leading to `com1`; its exit code and
// standard output once it has ended. The event loop runs meanwhile: the printer answers on it.
struct Ended {
    int exitCode = -1;
    QString out;
    QString err;
};
Ended runConsole(const QStringList& arguments, const QString& com1, const QString& trace = {}) {
    QProcess console;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MPT_COM1"), com1);
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    console.setProcessEnvironment(environment);
    QStringList all = arguments;
    if (!trace.isEmpty()) {
        all << QStringLiteral("--trace") << trace;
    }
    console.start(QStringLiteral(MPT_CONSOLE_BINARY), all);
    Ended ended;
    if (!console.waitForStarted(10000)) {
        return ended;
    }
    QElapsedTimer timer;
    timer.start();
    while (console.state() != QProcess::NotRunning && timer.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    ended.exitCode = console.exitCode();
    ended.out = QString::fromUtf8(console.readAllStandardOutput());
    ended.err = QString::fromUtf8(console.readAllStandardError());
    return ended;
}

// The console's end of a serial port, raw, as a client program would open it.
class PortEnd {
  public:
    explicit PortEnd(const std::string& device)
        : m_fd(::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        termios tio{};
        ::tcgetattr(m_fd, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(m_fd, TCSANOW, &tio);
    }
    ~PortEnd() { ::close(m_fd); }
    bool write(const std::string& bytes) {
        return ::write(m_fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Waits, running the event loop, until `size` bytes have come or `ms` pass.
    std::string read(std::size_t size, int ms = 5000) {
        std::string got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < size && timer.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            char buffer[64];
            const ssize_t n = ::read(m_fd, buffer, std::min(sizeof buffer, size - got.size()));
            if (n > 0) {
                got.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return got;
    }
    int fd() const { return m_fd; }

  private:
    int m_fd;
};

using mpt::testing::bytes;

}  // namespace

class AnsweringTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_printer = std::make_unique<mpt::VirtualPrinter>();
        QCOMPARE(m_printer->listen("127.0.0.1", 0), QString());
    }

    void cleanup() { m_printer.reset(); }

    // One table for both wires: the switches, the exit code of --status, and lines it prints.
    void statusOverEitherWire_data() {
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QString>("switches");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("lines");
        struct Row {
            const char* switches;
            int exitCode;
            QStringList lines;
        };
        const Row rows[] = {
            {"", 0, {"on-line\tyes", "paper\tloaded", "cover\tclosed", "verdict\tready"}},
            {"near-end", 6, {"on-line\tyes", "paper\tnear-end", "verdict\tpaper-near-end"}},
            {"paper-out", 5, {"on-line\tno", "paper\tout", "verdict\tpaper-out"}},
            {"cover-open", 4, {"on-line\tno", "cover\topen", "verdict\tcover-open"}},
            {"off-line", 3, {"on-line\tno", "cover\tclosed", "verdict\toff-line"}},
            {"drawer-open", 0, {"drawer\topen", "verdict\tready"}},
            {"recoverable-error", 7, {"recoverable-error\tyes", "verdict\tprinter-error"}},
            {"cutter-jam", 7, {"cutter-error\tyes", "verdict\tprinter-error"}},
            {"unrecoverable-error", 7, {"unrecoverable-error\tyes", "verdict\tprinter-error"}},
        };
        for (const char* wire : {"pty", "tcp"}) {
            for (const Row& row : rows) {
                QTest::addRow("%s %s", wire, *row.switches != '\0' ? row.switches : "ready")
                    << QString::fromLatin1(wire) << QString::fromLatin1(row.switches)
                    << row.exitCode
                    << (QStringList(row.lines) << "answer\tyes"
                                               << "model-name\tVIRTUAL PRINTER"
                                               << "maker\tMINI PRINTER TEST"
                                               << "two-byte-characters\tyes"
                                               << "cutter\tyes");
            }
        }
    }

    void statusOverEitherWire() {
        QFETCH(QString, wire);
        QFETCH(QString, switches);
        QFETCH(int, exitCode);
        QFETCH(QStringList, lines);
        m_printer->setSwitches(*mpt::status::parseSwitches(switches.toStdString()));
        const QString com1 = wire == "pty" ? QString::fromStdString(m_printer->portMap().serial[1])
                                           : m_printer->listenAddress();
        const Ended ended = runConsole({QStringLiteral("--status")}, com1);
        QVERIFY2(ended.exitCode == exitCode, qPrintable(ended.out + ended.err));
        const QStringList printed = ended.out.split('\n');
        for (const QString& line : lines) {
            QVERIFY2(printed.contains(line), qPrintable(line + " in\n" + ended.out));
        }
        QVERIFY(printed.contains("port\tCOM1"));
        QVERIFY(printed.contains("device\t" + com1));
        // Its firmware is the console's version.
        QVERIFY(printed.contains("firmware\t" +
                                 QString::fromStdString(mpt::VirtualPrinter::identity().firmware)));
    }

    // GS a n enables the automatic status: sent at once, then on every change of the switches,
    // on the port or connection that asked for it, and on no other.
    void automaticStatusFollowsTheSwitches() {
        PortEnd com2(m_printer->portMap().serial[2]);
        PortEnd com3(m_printer->portMap().serial[3]);
        QTcpSocket client;
        client.connectToHost(kLoopback, m_printer->listenAddress().section(':', -1).toUShort());
        QVERIFY(client.waitForConnected(5000));
        QVERIFY(com2.write(bytes({0x1D, 0x61, 0xFF})));
        client.write(QByteArray("\x1d\x61\x0f", 3));
        QCOMPARE(com2.read(4), bytes({0x10, 0, 0, 0}));
        QTRY_COMPARE(client.bytesAvailable(), qint64{4});
        QCOMPARE(client.readAll(), QByteArray("\x10\0\0\0", 4));

        mpt::status::Switches cover;
        cover.coverOpen = true;
        m_printer->setSwitches(cover);
        QCOMPARE(com2.read(4), bytes({0x38, 0, 0, 0}));
        QTRY_COMPARE(client.bytesAvailable(), qint64{4});
        QCOMPARE(client.readAll(), QByteArray("\x38\0\0\0", 4));
        QCOMPARE(com3.read(1, 200), std::string());  // it never asked

        // Disabled again: no more.
        QVERIFY(com2.write(bytes({0x1D, 0x61, 0x00})));
        QCOMPARE(com2.read(1, 200), std::string());
        m_printer->setSwitches({});
        QCOMPARE(com2.read(1, 200), std::string());
    }

    // Paper out: the printer holds what it is sent up to its limit and then reads no more, so
    // the sender is held back; well beyond a small buffer's worth it still answers DLE EOT; a
    // connection closed meanwhile is held too; once the paper is loaded it prints everything.
    void aHaltedPrinterTakesNothingUntilCleared() {
        mpt::status::Switches out;
        out.paper = mpt::status::Switches::Paper::Out;
        m_printer->setSwitches(out);
        PortEnd com4(m_printer->portMap().serial[4]);
        const std::string line = "halted but not lost\n";
        std::string sent;
        while (sent.size() < 8 * 1024) {
            QVERIFY(com4.write(line));
            sent += line;
        }
        const std::string paperOut(1, static_cast<char>(mpt::status::realTimeAnswer(4, out)));
        QVERIFY(com4.write(bytes({0x10, 0x04, 0x04})));
        QCOMPARE(com4.read(1), paperOut);
        // A client that sends while halted and closes: nothing of it is printed yet.
        QTcpSocket client;
        client.connectToHost(kLoopback, m_printer->listenAddress().section(':', -1).toUShort());
        QVERIFY(client.waitForConnected(5000));
        client.write(QByteArray("closed while halted\n\x10\x04\x04", 23));
        QTRY_COMPARE(client.bytesAvailable(), qint64{1});
        QCOMPARE(client.readAll().toStdString(), paperOut);
        client.disconnectFromHost();
        QTRY_COMPARE(m_printer->connectionCount(), 0);

        for (int i = 0; i < 20000 && com4.write(line); ++i) {
            sent += line;
            if (i % 100 == 0) {
                QTest::qWait(5);  // the printer's reader catches up, and stops at its limit
            }
        }
        QVERIFY2(sent.size() < 20000 * line.size(), "the port took everything");
        QVERIFY(sent.size() >= mpt::VirtualPrinter::kHeldLimit);
        QCOMPARE(m_printer->bytesReceived(), std::size_t{0});
        QVERIFY(m_printer->pages().empty());
        m_printer->setSwitches({});
        QTRY_VERIFY_WITH_TIMEOUT(m_printer->bytesReceived() >= sent.size() + 23, 10000);
        std::vector<std::string> text;
        for (const auto& page : m_printer->pages()) {
            const std::vector<std::string> lines = mpt::testing::pageText(page);
            text.insert(text.end(), lines.begin(), lines.end());
        }
        // Every line it was sent, none lost while it held them back.
        QCOMPARE(std::count(text.begin(), text.end(), "[A]halted but not lost"),
                 static_cast<std::ptrdiff_t>(sent.size() / line.size()));
        QCOMPARE(std::count(text.begin(), text.end(), "[A]closed while halted"), 1);
    }

    // --run … --check: the routine's stream first, exactly as without the check; the questions
    // after its close, in the trace as questions; the verdict after the result message.
    void aCheckAfterTheRunFindsPaperNearEnd() {
        mpt::status::Switches nearEnd;
        nearEnd.paper = mpt::status::Switches::Paper::NearEnd;
        m_printer->setSwitches(nearEnd);
        const QString com1 = QString::fromStdString(m_printer->portMap().serial[1]);
        QTemporaryDir dir;
        const QString plain = dir.filePath("plain.jsonl");
        const QString checked = dir.filePath("checked.jsonl");
        const QStringList run{"--run", "cmddevice8", "--count", "1"};
        const Ended first = runConsole(run, com1, plain);
        QCOMPARE(first.exitCode, 0);
        const Ended second = runConsole(QStringList(run) << "--check", com1, checked);
        QCOMPARE(second.exitCode, 0);
        QCOMPARE(second.out, first.out + "Printer after the run: paper near end\n");
        QFile a(plain);
        QFile b(checked);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QByteArray without = a.readAll();
        const QByteArray with = b.readAll();
        QVERIFY(with.startsWith(without));
        const QByteArray questions = with.mid(without.size());
        QVERIFY(
            questions.startsWith("{\"op\":\"Ask\",\"hex\":\"100401\"}\n"
                                 "{\"op\":\"Answer\",\"hex\":\"12\"}\n"));
        QVERIFY(!questions.contains("\"op\":\"Output\""));
        // A fault found after the run is the run's exit code. The short stream fits in the
        // buffer of the jammed printer, so the run itself ends.
        mpt::status::Switches jam;
        jam.error = mpt::status::Switches::Error::CutterJam;
        m_printer->setSwitches(jam);
        const Ended faulted = runConsole(QStringList(run) << "--check", com1);
        QCOMPARE(faulted.exitCode, 7);
        QCOMPARE(faulted.out, first.out + "Printer after the run: printer error\n");
        // In a suite, the fault is the routine's failure in the report, and --stop-on-failure
        // ends the suite there.
        const QString report = dir.filePath("report.xml");
        const Ended suite = runConsole({"--run", "cmddevice8,cmddevice8", "--count", "1", "--check",
                                        "--stop-on-failure", "--report", report},
                                       com1);
        QCOMPARE(suite.exitCode, 7);
        QCOMPARE(suite.out.count(QLatin1String("Printer after the run: printer error")), 1);
        QFile xml(report);
        QVERIFY(xml.open(QIODevice::ReadOnly));
        const QByteArray text = xml.readAll();
        QVERIFY2(text.contains("<failure message=\"Printer after the run: printer error\" "
                               "type=\"printer\">"),
                 text.constData());
        QVERIFY2(text.contains("failures=\"1\"") && text.contains("skipped=\"1\""),
                 text.constData());
        // What the printer said it is, as the suite's properties.
        QVERIFY2(text.contains("<property name=\"printer.COM1.model-name\" "
                               "value=\"VIRTUAL PRINTER\"/>"),
                 text.constData());
    }

    // The window's Printer status button asks the port chosen and shows the answers in words;
    // the choice to ask after each run is kept with the settings, and a run then ends with the
    // printer's verdict in the status line; without it, nothing is asked.
    void theWindowAsksAndChecksAfterARun() {
        mpt::status::Switches nearEnd;
        nearEnd.paper = mpt::status::Switches::Paper::NearEnd;
        m_printer->setSwitches(nearEnd);
        QTemporaryDir dir;
        const QString file = dir.filePath("ports.conf");
        mpt::PortSettings settings(file);
        const auto devices = mpt::systemDevices(m_printer->portMap());
        mpt::Trace trace;
        mpt::MainWindow window(*devices, trace);
        window.setPortSettings(&settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto* button = window.findChild<QPushButton*>(QStringLiteral("printerStatusButton"));
        QVERIFY(button != nullptr && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        auto* dialog = window.findChild<mpt::PrinterStatusDialog*>();
        QVERIFY(dialog != nullptr);
        QSignalSpy answered(dialog, &mpt::PrinterStatusDialog::answered);
        auto* ask = dialog->findChild<QPushButton*>(QStringLiteral("askPrinter"));
        QTest::mouseClick(ask, Qt::LeftButton);
        QVERIFY(answered.wait(10000));
        for (const char* words : {"COM1", "paper near end", "on line", "cover closed",
                                  "model: MINI PRINTER TEST VIRTUAL PRINTER"}) {
            QVERIFY2(dialog->answers().contains(QLatin1String(words)),
                     qPrintable(dialog->answers()));
        }
        auto* port = dialog->findChild<QComboBox*>(QStringLiteral("statusPort"));
        port->setCurrentIndex(port->findText(QStringLiteral("lpt1")));
        QTest::mouseClick(ask, Qt::LeftButton);
        QVERIFY(answered.wait(10000));
        QVERIFY2(dialog->answers().contains(QLatin1String("this port cannot answer")),
                 qPrintable(dialog->answers()));

        dialog->findChild<QCheckBox*>(QStringLiteral("checkAfterRun"))->setChecked(true);
        mpt::PortSettings reread(file);
        mpt::PortMap map;
        reread.load(map);
        QVERIFY(reread.checkAfterRun());
        QCOMPARE(reread.problem(), QString());
        dialog->reject();
        QTRY_VERIFY(window.findChild<mpt::PrinterStatusDialog*>() == nullptr);

        QSignalSpy ended(&window, &mpt::MainWindow::runsEnded);
        window.findChild<QLineEdit*>(QStringLiteral("txt1"))->setText(QStringLiteral("1"));
        window.runTest(QStringLiteral("cmddevice8"));
        QVERIFY(ended.wait(20000));
        QVERIFY2(
            window.statusText().endsWith(QLatin1String("Printer after the run: paper near end")),
            qPrintable(window.statusText()));
        QVERIFY(settings.saveCheckAfterRun(false));
        window.runTest(QStringLiteral("cmddevice8"));
        QVERIFY(ended.wait(20000));
        QVERIFY2(!window.statusText().contains(QLatin1String("Printer after")),
                 qPrintable(window.statusText()));
    }

    // The printer window's switches show what the printer has (--state at start) and set what
    // it answers.
    // Closed while its printer keeps silent, the dialog lets the window go on at once and goes
    // itself once the question's time is up, rather than holding the window for it.
    void closedWhileAskingTheDialogGoesOnceAnswered() {
        mpt::testing::PtyPrinter silent;  // reads nothing, answers nothing
        mpt::PortMap map;
        map.serial[1] = silent.devicePath();
        const auto devices = mpt::systemDevices(map);
        mpt::Trace trace;
        QTemporaryDir dir;
        mpt::PortSettings settings(dir.filePath("ports.conf"));
        mpt::PrinterStatusDialog dialog(*devices, trace, settings, 3);
        dialog.open();
        QSignalSpy answered(&dialog, &mpt::PrinterStatusDialog::answered);
        QSignalSpy finished(&dialog, &QDialog::finished);
        dialog.ask();
        QElapsedTimer held;
        held.start();
        dialog.reject();
        QVERIFY2(held.elapsed() < 200, "closing waited for the printer");
        QVERIFY(dialog.isVisible());
        QCOMPARE(finished.count(), 0);
        QVERIFY(answered.wait(10000));
        QTRY_COMPARE(finished.count(), 1);
        QVERIFY(!dialog.isVisible());
        QVERIFY2(dialog.answers().contains(QLatin1String("no answer")),
                 qPrintable(dialog.answers()));
    }

    void theWindowsSwitchesSetTheAnswers() {
        mpt::status::Switches nearEnd;
        nearEnd.paper = mpt::status::Switches::Paper::NearEnd;
        m_printer->setSwitches(nearEnd);
        mpt::PreviewWindow preview(*m_printer);
        auto* paper = preview.findChild<QComboBox*>(QStringLiteral("switchPaper"));
        QCOMPARE(paper->currentText(), QStringLiteral("Paper near end"));
        preview.findChild<QCheckBox*>(QStringLiteral("switchCover"))->click();
        QVERIFY(m_printer->switches().coverOpen);
        QCOMPARE(m_printer->switches().paper, mpt::status::Switches::Paper::NearEnd);
        const QString com1 = QString::fromStdString(m_printer->portMap().serial[1]);
        QCOMPARE(runConsole({"--status"}, com1).exitCode, 4);
        preview.findChild<QComboBox*>(QStringLiteral("switchError"))->setCurrentIndex(2);
        QCOMPARE(m_printer->switches().error, mpt::status::Switches::Error::CutterJam);
        const Ended jammed = runConsole({"--status"}, com1);
        QCOMPARE(jammed.exitCode, 7);
        QVERIFY(jammed.out.contains("cutter-error\tyes\n"));
        m_printer->setSwitches({});
        QVERIFY(!preview.findChild<QCheckBox*>(QStringLiteral("switchCover"))->isChecked());
        QCOMPARE(paper->currentIndex(), 0);
    }

  private:
    std::unique_ptr<mpt::VirtualPrinter> m_printer;
};

MPT_QT_TEST(AnsweringTest, "answering_test")
#include "answering_test.moc"
