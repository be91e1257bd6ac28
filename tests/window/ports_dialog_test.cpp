// SPDX-License-Identifier: MIT
// The Ports dialog and the saved bindings: a port bound in the dialog leads there at once and in
// the next session, a port the environment decides cannot be changed, and a damaged settings file
// is reported and ignored.
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include <sys/stat.h>

#include <cerrno>

#include "app/main_window.h"
#include "app/port_settings.h"
#include "app/ports_dialog.h"
#include "channels/devices.h"
#include "run_end.h"
#include "support/pty.h"
#include "support/qt_test_main.h"

class PortsDialogTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        m_settings =
            std::make_unique<mpt::PortSettings>(m_dir.filePath(QStringLiteral("ports.conf")));
    }

    // COM3 bound in the dialog to a pseudo-terminal by typing its path: the USB button prints
    // there, the status line says where COM3 leads, and the binding is there in the next session.
    void boundPortLeadsThereNowAndNextTime() {
        mpt::testing::PtyPrinter printer;
        printer.startReading();
        const auto devices = mpt::systemDevices();
        mpt::Trace trace;
        mpt::MainWindow window(*devices, trace);
        window.setPortSettings(m_settings.get());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        bool bound = false;
        QTimer::singleShot(0, &window, [&] {
            auto* dialog = window.findChild<mpt::PortsDialog*>();
            QVERIFY(dialog != nullptr);
            QComboBox* com3 = dialog->binding(QStringLiteral("COM3"));
            QVERIFY(com3 != nullptr && com3->isEditable());
            com3->lineEdit()->setText(QString::fromStdString(printer.devicePath()));
            dialog->accept();
            bound = true;
        });
        auto* ports = window.findChild<QPushButton*>(QStringLiteral("portsButton"));
        QVERIFY(ports != nullptr && ports->isVisible());
        QTest::keyClick(&window, Qt::Key_Comma, Qt::ControlModifier);
        QVERIFY(bound);
        QVERIFY2(window.statusText().contains(QStringLiteral("COM3 → ") +
                                              QString::fromStdString(printer.devicePath())),
                 qPrintable(window.statusText()));

        window.findChild<QLineEdit*>(QStringLiteral("txt1"))->setText(QStringLiteral("1"));
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmddevice12")),
                          Qt::LeftButton);
        QVERIFY(mpt::test::runsEnd(window));
        QCOMPARE(window.findChild<QLineEdit*>(QStringLiteral("txt2"))->text(),
                 QStringLiteral("QLX-610/650 (USB) 정상 출력!!!"));
        QVERIFY(printer.waitFor(876).size() >= 876);

        mpt::PortMap next;
        mpt::PortSettings again(m_dir.filePath(QStringLiteral("ports.conf")));
        again.load(next);
        QVERIFY(again.problem().isEmpty());
        QCOMPARE(next.boundSerial.at(3), "path:" + printer.devicePath());
    }

    // The list follows devices as they come and go while the dialog is open; a port bound to a
    // device that has gone is shown as not plugged in.
    void listFollowsDevicesComingAndGoing() {
        const QString root = m_dir.filePath(QStringLiteral("tree"));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/sys/class/tty/ttyACM0")));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/dev")));
        mpt::PortMap map;
        map.root = root.toStdString();
        map.boundSerial[1] = "path:/dev/ttyACM0";
        const auto devices = mpt::systemDevices(map);
        mpt::PortsDialog dialog(*devices, *m_settings, 3);
        auto* list = dialog.findChild<QListWidget*>(QStringLiteral("devices"));
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->text(), QStringLiteral("No serial device or printer is present."));
        QFile node(root + QStringLiteral("/dev/ttyACM0"));
        QVERIFY(node.open(QIODevice::WriteOnly));
        node.close();
        QTRY_COMPARE_WITH_TIMEOUT(list->item(0)->text(), QStringLiteral("/dev/ttyACM0"), 3000);
        QCOMPARE(dialog.binding(QStringLiteral("COM1"))->currentText(),
                 QStringLiteral("/dev/ttyACM0"));
        // A plain file cannot say anything about a printer: nothing is made up.
        list->setCurrentRow(0);
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("state"))->text(),
                 QStringLiteral("/dev/ttyACM0: no state to show (it cannot tell, or another "
                                "program has it)"));
    }

    // What the dialog says of a binding that is not among the devices listed: a live
    // pseudo-terminal or a FIFO is present, an address is a network address, only a device that
    // is not there is not plugged in.
    void boundPortIsShownAsWhatItIs_data() {
        QTest::addColumn<QString>("kind");  // "pty", "fifo", or the path itself
        QTest::addColumn<QString>("words");
        QTest::newRow("a live pseudo-terminal") << "pty"
                                                << "%1 (present)";
        QTest::newRow("a FIFO") << "fifo"
                                << "%1 (present)";
        QTest::newRow("an absent device") << "/dev/mpt-no-such-tty"
                                          << "%1 (not plugged in)";
        QTest::newRow("an address") << "tcp://10.0.0.7:9100"
                                    << "%1 (network address)";
    }

    void boundPortIsShownAsWhatItIs() {
        QFETCH(QString, kind);
        QFETCH(QString, words);
        mpt::testing::PtyPrinter printer;
        QString path = kind;
        if (kind == QStringLiteral("pty")) {
            path = QString::fromStdString(printer.devicePath());
        } else if (kind == QStringLiteral("fifo")) {
            path = m_dir.filePath(QStringLiteral("bound.fifo"));
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 || errno == EEXIST);
        }
        mpt::testing::ScopedEnv noCom1("MPT_COM1", "");
        mpt::PortMap map;
        map.boundSerial[1] = "path:" + path.toStdString();
        const auto devices = mpt::systemDevices(map);
        mpt::PortsDialog dialog(*devices, *m_settings, 3);
        QCOMPARE(dialog.binding(QStringLiteral("COM1"))->currentText(), words.arg(path));
    }

    // A port the environment decides is shown so, and no binding is made for it.
    void environmentPortCannotBeChanged() {
        mpt::testing::ScopedEnv com1("MPT_COM1", "/dev/pts/77");
        const auto devices = mpt::systemDevices();
        mpt::PortsDialog dialog(*devices, *m_settings, 3);
        QComboBox* box = dialog.binding(QStringLiteral("COM1"));
        QVERIFY(box != nullptr);
        QVERIFY(!box->isEnabled());
        QCOMPARE(box->currentText(), QStringLiteral("set by MPT_COM1: /dev/pts/77"));
        dialog.accept();
        QVERIFY(devices->portMap().boundSerial.count(1) == 0);
    }

    // Damaged or unreadable settings, or no settings file at all: reported at once, ignored,
    // never a crash or a hang; saving again mends a damaged file and leaves what is no file alone.
    void damagedSettingsAreReportedAndIgnored_data() {
        QTest::addColumn<QString>("kind");  // "file" holding `content`, "fifo", "device"
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");  // a part of what the user is told
        QTest::addColumn<int>("kept");         // bindings loaded all the same
        QTest::addColumn<bool>("mended");      // saving again writes a good file
        QTest::newRow("a port that is no port")
            << "file" << QByteArray("[ports]\nbogus=path:/dev/x\n") << "\"bogus\", which names" << 0
            << true;
        QTest::newRow("several ports that are no ports")
            << "file"
            << QByteArray("[ports]\nbogus=path:/dev/x\ncom1=path:/dev/ttyUSB0\nlpt9=path:/dev/y\n")
            << "hold \"bogus\", \"lpt9\", which name no port" << 1 << true;
        QTest::newRow("a binding with a line end and a tab")
            << "file" << QByteArray("[ports]\ncom2=\"path:/dev/x\\nport\\tCOM9\\t/dev/y\"\n")
            << "bind \"com2\" to what is no device" << 0 << true;
        QTest::newRow("a binding with nothing after its kind")
            << "file" << QByteArray("[ports]\nlpt1=path:\ncom1=path:/dev/ttyUSB0\n")
            << "bind \"lpt1\" to what is no device" << 1 << true;
        QTest::newRow("binary garbage")
            << "file" << QByteArray::fromHex("00ff5b5b5b013d0afe") << "cannot be read" << 0 << true;
        QTest::newRow("over a megabyte") << "file"
                                         << QByteArray("[ports]\ncom1=path:/dev/ttyUSB0\n") +
                                                QByteArray(int(mpt::PortSettings::kMostBytes), ';')
                                         << "cannot be read; they are ignored" << 0 << true;
        QTest::newRow("a FIFO no program writes")
            << "fifo" << QByteArray() << "it is not a plain file" << 0 << false;
        QTest::newRow("a device") << "device" << QByteArray() << "it is not a plain file" << 0
                                  << false;
    }

    void damagedSettingsAreReportedAndIgnored() {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        QFETCH(int, kept);
        QFETCH(bool, mended);
        const QString file =
            m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".conf"));
        if (kind == QStringLiteral("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else if (kind == QStringLiteral("device")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        } else {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
            out.close();
        }
        mpt::PortSettings settings(file);
        mpt::PortMap map;
        QElapsedTimer clock;
        clock.start();
        settings.load(map);
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(int(map.boundSerial.size() + (map.boundLpt1.empty() ? 0 : 1)), kept);
        QVERIFY2(settings.problem().contains(problem), qPrintable(settings.problem()));
        map.boundSerial[2] = "path:/dev/ttyUSB0";
        QCOMPARE(settings.save({}, map), mended);
        QVERIFY(clock.elapsed() < 2000);
        mpt::PortMap reread;
        settings.load(reread);
        if (mended) {
            QCOMPARE(reread.boundSerial.at(2), std::string("path:/dev/ttyUSB0"));
            QVERIFY2(settings.problem().isEmpty(), qPrintable(settings.problem()));
        } else {
            QVERIFY(!settings.problem().isEmpty());
            QVERIFY(!QFileInfo(file).isFile());  // left as it was, not replaced
        }
    }

    // Two consoles, each with its dialog open, bind different ports and press OK: both bindings
    // are saved, and each console then also leads where the other bound.
    void twoConsolesKeepEachOthersBindings() {
        const QString file = m_dir.filePath(QStringLiteral("shared.conf"));
        mpt::PortSettings first(file);
        mpt::PortSettings second(file);
        const auto devicesA = mpt::systemDevices();
        const auto devicesB = mpt::systemDevices();
        mpt::PortsDialog a(*devicesA, first, 3);
        mpt::PortsDialog b(*devicesB, second, 3);
        a.binding(QStringLiteral("COM1"))->lineEdit()->setText(QStringLiteral("/dev/ttyUSB7"));
        b.binding(QStringLiteral("lpt1"))->lineEdit()->setText(QStringLiteral("/tmp/lpt1.out"));
        a.accept();
        b.accept();
        QCOMPARE(a.result(), int(QDialog::Accepted));
        QCOMPARE(b.result(), int(QDialog::Accepted));
        mpt::PortMap saved;
        mpt::PortSettings(file).load(saved);
        QCOMPARE(saved.boundSerial.at(1), std::string("path:/dev/ttyUSB7"));
        QCOMPARE(saved.boundLpt1, std::string("path:/tmp/lpt1.out"));
        QCOMPARE(devicesB->portMap().boundSerial.at(1), std::string("path:/dev/ttyUSB7"));

        // Unbinding in one console takes away only that port.
        mpt::PortsDialog again(*devicesA, first, 3);
        again.binding(QStringLiteral("COM1"))->setCurrentIndex(0);  // built-in
        again.accept();
        mpt::PortMap after;
        mpt::PortSettings(file).load(after);
        QCOMPARE(after.boundSerial.count(1), std::size_t(0));
        QCOMPARE(after.boundLpt1, std::string("path:/tmp/lpt1.out"));
    }

    // A device typed with a line end or a tab in it would forge ports in the file and in
    // --ports: it is refused, the dialog stays open, and nothing is bound or saved.
    void aDeviceWithAControlCharacterIsRefused() {
        const QString file = m_dir.filePath(QStringLiteral("forged.conf"));
        mpt::PortSettings settings(file);
        const auto devices = mpt::systemDevices();
        mpt::PortsDialog dialog(*devices, settings, 3);
        dialog.binding(QStringLiteral("COM1"))
            ->lineEdit()
            ->setText(QStringLiteral("/dev/x\nport\tCOM9\t/dev/y"));
        dialog.accept();
        QVERIFY(dialog.result() != int(QDialog::Accepted));
        QVERIFY(devices->portMap().boundSerial.empty());
        QVERIFY(!QFileInfo::exists(file));
        mpt::PortMap map;
        map.boundSerial[1] = "path:/dev/x\nport\tCOM9";
        QVERIFY(!settings.save({}, map));
        QVERIFY(settings.problem().contains(QStringLiteral("COM1")));
        QVERIFY(!QFileInfo::exists(file));
    }

    void unreadableSettingsAreReported() {
        // A directory where the file should be: neither read nor written.
        const QString file = m_dir.filePath(QStringLiteral("ports-dir.conf"));
        QVERIFY(QDir().mkpath(file));
        mpt::PortSettings settings(file);
        mpt::PortMap map;
        settings.load(map);
        QVERIFY(!settings.problem().isEmpty());
        QVERIFY(!settings.save({}, map));
        QVERIFY(!settings.problem().isEmpty());
    }

  private:
    QTemporaryDir m_dir;
    std::unique_ptr<mpt::PortSettings> m_settings;
};

MPT_QT_TEST(PortsDialogTest, "ports_dialog_test")
#include "ports_dialog_test.moc"
