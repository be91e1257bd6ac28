// SPDX-License-Identifier: MIT
// The virtual printer's network listener, on the loopback address only: a program of its own
// (tcp_send) prints a routine's stream to it and the preview window shows the pages; connections
// at once keep their sequences apart; a connection beyond the limit is closed; answers a peer
// does not read are bounded; a port that is
// taken gives way to a free one, and the console binary says where it listens, or that it cannot.
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "page_text.h"
#include "printer/listener.h"
#include "printer/virtual_printer.h"
#include "printer/window/preview_window.h"
#include "routine_streams.h"
#include "support/qt_test_main.h"

#ifndef MPT_CONSOLE_BINARY
#error "MPT_CONSOLE_BINARY names the console's executable"
#endif
#ifndef MPT_TCP_SEND
#error "MPT_TCP_SEND names the sending program"
#endif

namespace {

using Text = std::vector<std::string>;

QString joined(const std::vector<mpt::printer::Page>& pages) {
    std::vector<Text> text;
    for (const auto& page : pages) {
        text.push_back(mpt::testing::pageText(page));
    }
    return QString::fromStdString(mpt::testing::listed(text));
}

QString joined(const std::vector<Text>& pages) {
    return QString::fromStdString(mpt::testing::listed(pages));
}

const QHostAddress kLoopback(QHostAddress::LocalHost);

}  // namespace

class ListenerTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        m_printer = std::make_unique<mpt::VirtualPrinter>();
        QCOMPARE(m_printer->listen("127.0.0.1", 0), QString());
        m_port = static_cast<quint16>(m_printer->listenAddress().section(':', -1).toUInt());
        QVERIFY(m_port != 0);
        m_preview = std::make_unique<mpt::PreviewWindow>(*m_printer);
        m_preview->show();
    }

    void cleanup() {
        m_preview.reset();
        m_printer.reset();
    }

    // Whole, or a few bytes at a time so that sequences are split between reads: the same pages,
    // noted as from the connection's peer, shown in the preview; the connection gone at its end.
    void aPageFromAnotherProcessIsShown_data() {
        QTest::addColumn<int>("piece");
        QTest::newRow("whole") << 0;
        QTest::newRow("3 bytes at a time") << 3;
    }

    void aPageFromAnotherProcessIsShown() {
        QFETCH(int, piece);
        const std::string stream = mpt::testing::routineStream("cmddevice8", "1").bytes;
        QProcess sender;
        sender.start(
            QStringLiteral(MPT_TCP_SEND),
            {QStringLiteral("127.0.0.1"), QString::number(m_port), QString::number(piece)});
        QVERIFY(sender.waitForStarted(10000));
        sender.write(stream.data(), static_cast<qint64>(stream.size()));
        sender.closeWriteChannel();
        QTRY_VERIFY_WITH_TIMEOUT(sender.state() == QProcess::NotRunning, 20000);
        QCOMPARE(sender.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(
            joined(m_preview->pages()),
            joined(
                std::vector<Text>{{"[B dw]1 cutter testing", "feed", "feed", "cut partial EPSON"},
                                  {"feed", "feed", "feed", "feed", "cut partial EPSON"},
                                  {"feed", "in printer"}}),
            10000);
        for (const auto& page : m_preview->pages()) {
            QCOMPARE(page.sources, std::vector<std::string>{"tcp 127.0.0.1"});
        }
        QCOMPARE(m_printer->bytesReceived(), stream.size());
        QCOMPARE(m_preview->shownPage(), 0);
        QVERIFY(!m_preview->shownImage().isNull());
        QTRY_COMPARE(m_printer->connectionCount(), 0);
    }

    // Each connection has a decoder of its own: a command cut in two on one connection is whole
    // again, whatever another sent between its parts; and what a connection leaves waiting when
    // it closes goes on the paper then: a text run with no line end (the line stays open in the
    // printer), a cut-short command.
    void connectionsKeepTheirSequencesApart() {
        QTcpSocket first;
        QTcpSocket second;
        first.connectToHost(kLoopback, m_port);
        second.connectToHost(kLoopback, m_port);
        QVERIFY(first.waitForConnected(5000));
        QVERIFY(second.waitForConnected(5000));
        QTRY_COMPARE(m_printer->connectionCount(), 2);
        std::size_t sent = 0;
        const auto send = [&](QTcpSocket& socket, const QByteArray& bytes) {
            socket.write(bytes);
            sent += static_cast<std::size_t>(bytes.size());
            QTRY_COMPARE(m_printer->bytesReceived(), sent);
        };
        send(first, "\x1b-");  // underline, its parameter still to come
        send(second, "plain\n");
        send(first,
             "\x01underlined\n"
             "tail");
        send(second, "\x1b");
        first.disconnectFromHost();
        QTRY_COMPARE(m_printer->connectionCount(), 1);
        second.disconnectFromHost();
        QTRY_COMPARE(m_printer->connectionCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(
            joined(m_printer->pages()),
            joined(std::vector<Text>{
                {"[A]plain", "[A ul]underlined", "(truncated)", "[A ul]tail", "in printer EPSON"}}),
            5000);
    }

    // A connection beyond the limit is closed at once; the others stay, and when one ends there
    // is room again.
    void connectionsBeyondTheLimitAreClosed() {
        std::vector<std::unique_ptr<QTcpSocket>> open;
        for (int i = 0; i < mpt::printer::Listener::kMaxConnections; ++i) {
            open.push_back(connecting());
        }
        QTRY_COMPARE(m_printer->connectionCount(), mpt::printer::Listener::kMaxConnections);
        const auto refused = connecting();
        QTRY_COMPARE(refused->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(m_printer->connectionCount(), mpt::printer::Listener::kMaxConnections);
        for (const auto& socket : open) {
            QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
        }
        open.front()->disconnectFromHost();
        QTRY_COMPARE(m_printer->connectionCount(), mpt::printer::Listener::kMaxConnections - 1);
        const auto admitted = connecting();
        QTRY_COMPARE(m_printer->connectionCount(), mpt::printer::Listener::kMaxConnections);
        QTRY_COMPARE(admitted->state(), QAbstractSocket::ConnectedState);
    }

    // Answers to a peer that asks and does not read wait up to kUnsentAnswers; one that does not
    // fit beside them is dropped rather than queued, and a smaller one still goes.
    void answersAPeerDoesNotReadAreBounded() {
        std::uint64_t number = 0;
        mpt::printer::Listener listener({[&](std::uint64_t connection, const std::string&,
                                             std::string_view) { number = connection; },
                                         [](std::uint64_t, const std::string&) {}});
        QVERIFY(listener.listen("127.0.0.1", 0));
        QTcpSocket client;
        client.connectToHost(kLoopback, listener.port());
        QVERIFY(client.waitForConnected(5000));
        client.write("?");
        QTRY_VERIFY(number != 0);
        const std::string answer(mpt::printer::Listener::kUnsentAnswers / 2 + 1, 'a');
        QVERIFY(listener.send(number, answer));
        QVERIFY(!listener.send(number, answer));
        QVERIFY(listener.send(number, "end"));
        QVERIFY(!listener.send(number + 1, "end"));  // no such connection
        QTRY_COMPARE(client.bytesAvailable(), static_cast<qint64>(answer.size() + 3));
        QCOMPARE(client.readAll().toStdString(), answer + "end");
    }

    // Where the port asked for is taken, loopback listening takes one the system picks and says
    // which; an address asked for explicitly is not given up for another.
    void aTakenPortGivesWayToAFreeOne() {
        QTcpServer holder;
        QVERIFY(holder.listen(kLoopback, 0));
        const QString taken = QString::number(holder.serverPort());
        mpt::VirtualPrinter printer;
        QCOMPARE(printer.listenOnLoopback(holder.serverPort()), QString());
        const QString address = printer.listenAddress();
        QVERIFY2(address.startsWith(QStringLiteral("tcp://127.0.0.1:")), qPrintable(address));
        QVERIFY(address.section(':', -1) != taken);
        QCOMPARE(printer.wiring().last(), address);
        QCOMPARE(printer.listen("127.0.0.1", holder.serverPort()),
                 QStringLiteral("the virtual printer cannot listen on 127.0.0.1:%1: %2")
                     .arg(taken, QString::fromLocal8Bit(std::strerror(EADDRINUSE))));
        QCOMPARE(printer.listenAddress(), QString());
    }

    // The console binary: --virtual prints the address it listens on among the wiring, and it
    // takes connections there; --listen on a taken port is an error at start, exit 1.
    void theConsoleSaysWhereItListens() {
        QProcess console;
        console.setProcessEnvironment(offscreen());
        console.start(QStringLiteral(MPT_CONSOLE_BINARY), {QStringLiteral("--virtual")});
        QVERIFY(console.waitForStarted(10000));
        const QRegularExpression listening(QStringLiteral("\n  tcp://127\\.0\\.0\\.1:(\\d+)\n"));
        QString wiring;
        QRegularExpressionMatch line;
        QTRY_VERIFY2_WITH_TIMEOUT(
            (line = listening.match(wiring += QString::fromUtf8(console.readAllStandardError())))
                .hasMatch(),
            qPrintable(wiring), 20000);
        QTcpSocket socket;
        socket.connectToHost(kLoopback, static_cast<quint16>(line.captured(1).toUInt()));
        QVERIFY(socket.waitForConnected(5000));
        socket.abort();

        QProcess taken;
        taken.setProcessEnvironment(offscreen());
        taken.start(QStringLiteral(MPT_CONSOLE_BINARY),
                    {QStringLiteral("--virtual"),
                     QStringLiteral("--listen=127.0.0.1:") + line.captured(1)});
        QVERIFY(taken.waitForFinished(20000));
        QCOMPARE(taken.exitCode(), 1);
        QVERIFY2(QString::fromUtf8(taken.readAllStandardError())
                     .contains(QStringLiteral("cannot listen on 127.0.0.1:") + line.captured(1)),
                 qPrintable(wiring));
        console.terminate();
        QVERIFY(console.waitForFinished(20000));
        QCOMPARE(console.exitCode(), 0);
    }

  private:
    static QProcessEnvironment offscreen() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("LANGUAGE"), QString());
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        return environment;
    }

    std::unique_ptr<QTcpSocket> connecting() const {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(kLoopback, m_port);
        return socket;
    }

    std::unique_ptr<mpt::VirtualPrinter> m_printer;
    std::unique_ptr<mpt::PreviewWindow> m_preview;
    quint16 m_port = 0;
};

MPT_QT_TEST(ListenerTest, "listener_test")
#include "listener_test.moc"
