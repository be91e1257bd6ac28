// SPDX-License-Identifier: MIT
// The Ports dialog and the saved bindings: a port bound in the dialog leads there at once and in
// the next session, a port the environment decides cannot be changed, and a damaged settings file
// is reported and ignored.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/main_window.h"
#include "app/port_settings.h"
#include "app/ports_dialog.h"
#include "channels/devices.h"
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

    // Damaged or unreadable settings: reported, ignored, never a crash; saving again mends them.
    void damagedSettingsAreReportedAndIgnored_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("a port that is no port") << QByteArray("[ports]\nbogus=path:/dev/x\n");
        QTest::newRow("binary garbage") << QByteArray::fromHex("00ff5b5b5b013d0afe");
    }

    void damagedSettingsAreReportedAndIgnored() {
        QFETCH(QByteArray, content);
        const QString file = m_dir.filePath(QStringLiteral("damaged.conf"));
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
        out.close();
        mpt::PortSettings settings(file);
        mpt::PortMap map;
        settings.load(map);
        QVERIFY(map.boundSerial.empty() && map.boundLpt1.empty());
        QVERIFY(!settings.problem().isEmpty());
        map.boundSerial[2] = "path:/dev/ttyUSB0";
        QVERIFY(settings.save(map));
        mpt::PortMap reread;
        settings.load(reread);
        QCOMPARE(reread.boundSerial.at(2), std::string("path:/dev/ttyUSB0"));
    }

    void unreadableSettingsAreReported() {
        // A directory where the file should be: neither read nor written.
        const QString file = m_dir.filePath(QStringLiteral("ports-dir.conf"));
        QVERIFY(QDir().mkpath(file));
        mpt::PortSettings settings(file);
        mpt::PortMap map;
        settings.load(map);
        QVERIFY(!settings.problem().isEmpty());
        QVERIFY(!settings.save(map));
        QVERIFY(!settings.problem().isEmpty());
    }

  private:
    QTemporaryDir m_dir;
    std::unique_ptr<mpt::PortSettings> m_settings;
};

MPT_QT_TEST(PortsDialogTest, "ports_dialog_test")
#include "ports_dialog_test.moc"
