// SPDX-License-Identifier: MIT
// The virtual printer's network listener, on the loopback address only: a program of its own
// (tcp_send) prints a routine's stream to it and the preview window shows the pages; connections
// at once keep their sequences apart; a connection beyond the limit is closed; answers a peer
// does not read are bounded; a connection's end is announced once, after all it sent, however it
// ends; listening again moves it, on IPv4 or IPv6; a port that is taken gives way to a free one,
// and the console binary says where it listens, or that it cannot.
#include <sys/socket.h>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
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

        // The peer stops reading: answers go to the system until it holds no more, then wait up
        // to the bound, then are dropped; once the peer reads, every answer taken arrives, in
        // order and whole.
        client.setReadBufferSize(1);
        std::string taken;
        for (int i = 0; i < 2000; ++i) {
            const std::string more(16 * 1024, static_cast<char>('a' + i % 26));
            if (!listener.send(number, more)) {
                break;
            }
            taken += more;
            QCoreApplication::processEvents();
        }
        QVERIFY2(taken.size() < 2000 * 16 * 1024, "answers to a peer that does not read piled up");
        client.setReadBufferSize(0);
        QTRY_COMPARE_WITH_TIMEOUT(client.bytesAvailable(), static_cast<qint64>(taken.size()),
                                  20000);
        QVERIFY(client.readAll().toStdString() == taken);
    }

    // However a connection ends, its end is announced once, after every byte read from it: a
    // peer that closes; one that closes while its connection is paused, with more than the
    // read-ahead still to come, read to its end once resumed and not before; one that resets
    // the connection. A listener that goes first closes every descriptor and announces nothing.
    void aConnectionEndsOnce_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("size");
        QTest::newRow("closed") << "closed" << 1000;
        QTest::newRow("closed while paused") << "paused" << 200 * 1024;
        QTest::newRow("reset") << "reset" << 1000;
        QTest::newRow("the listener goes first") << "listener" << 1000;
    }

    void aConnectionEndsOnce() {
        QFETCH(QString, how);
        QFETCH(int, size);
        std::uint64_t number = 0;
        std::string received;
        int ended = 0;
        bool lateBytes = false;
        auto listener = std::make_unique<mpt::printer::Listener>(mpt::printer::Listener::Events{
            [&](std::uint64_t connection, const std::string& source, std::string_view bytes) {
                number = connection;
                QCOMPARE(source, std::string("tcp 127.0.0.1"));
                lateBytes = lateBytes || ended != 0;
                received.append(bytes);
            },
            [&](std::uint64_t connection, const std::string& source) {
                QCOMPARE(connection, number);
                QCOMPARE(source, std::string("tcp 127.0.0.1"));
                ++ended;
            }});
        QVERIFY(listener->listen("127.0.0.1", 0));
        QTcpSocket client;
        client.connectToHost(kLoopback, listener->port());
        QVERIFY(client.waitForConnected(5000));
        client.write("?");
        QTRY_COMPARE(received, std::string("?"));
        const std::string rest(static_cast<std::size_t>(size), 'x');
        if (how == "paused") {
            listener->pause(number);
        }
        client.write(rest.data(), static_cast<qint64>(rest.size()));
        if (how == "reset") {
            QTRY_COMPARE(client.bytesToWrite(), qint64{0});
            const linger now{1, 0};
            ::setsockopt(static_cast<int>(client.socketDescriptor()), SOL_SOCKET, SO_LINGER, &now,
                         sizeof now);
            client.abort();
            QTRY_COMPARE(ended, 1);
            QCOMPARE(listener->connectionCount(), 0);
            QVERIFY(std::string("?" + rest).starts_with(received));  // what came before the reset
            QVERIFY(!lateBytes);
            return;
        }
        if (how == "listener") {
            QTRY_COMPARE(received.size(), rest.size() + 1);
            const auto descriptors = [] {
                const std::filesystem::directory_iterator open("/proc/self/fd");
                return std::distance(begin(open), end(open));
            };
            const auto before = descriptors();
            listener.reset();
            QCOMPARE(descriptors(), before - 2);  // the listening socket and the connection's
            QTRY_COMPARE(client.state(), QAbstractSocket::UnconnectedState);
            QCOMPARE(ended, 0);
            return;
        }
        client.disconnectFromHost();
        if (how == "paused") {
            QTest::qWait(100);
            QCOMPARE(received, std::string("?"));  // the peer is held back meanwhile
            QCOMPARE(ended, 0);
            listener->resume();
        }
        QTRY_COMPARE(ended, 1);
        QVERIFY(received == "?" + rest);
        QVERIFY(!lateBytes);
        QCOMPARE(listener->connectionCount(), 0);
    }

    // Listening again gives up where it listened before: there connections are refused. It
    // listens on an IPv4 or IPv6 address, says where in the form the user types, and notes the
    // pages as from the peer's address; a name is not an address it can listen on.
    void listeningAgainMovesIt_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("source");
        QTest::newRow("IPv4 loopback") << "127.0.0.1"
                                       << ""
                                       << "tcp://127.0.0.1:"
                                       << "tcp 127.0.0.1";
        QTest::newRow("IPv6 loopback") << "::1"
                                       << ""
                                       << "tcp://[::1]:"
                                       << "tcp ::1";
        QTest::newRow("a name") << "localhost"
                                << "the virtual printer cannot listen on localhost:0: " +
                                       QString::fromLocal8Bit(std::strerror(EINVAL))
                                << ""
                                << "";
    }

    void listeningAgainMovesIt() {
        QFETCH(QString, host);
        QFETCH(QString, problem);
        QFETCH(QString, address);
        QFETCH(QString, source);
        if (QTcpServer probe; host == "::1" && !probe.listen(QHostAddress::LocalHostIPv6)) {
            QSKIP(qPrintable("this machine has no IPv6 loopback address: " + probe.errorString()));
        }
        QCOMPARE(m_printer->listen(host.toStdString(), 0), problem);
        QTcpSocket before;
        before.connectToHost(kLoopback, m_port);
        QVERIFY(!before.waitForConnected(5000));
        QCOMPARE(before.error(), QAbstractSocket::ConnectionRefusedError);
        const QString now = m_printer->listenAddress();
        QVERIFY2(address.isEmpty() ? now.isEmpty() : now.startsWith(address), qPrintable(now));
        if (now.isEmpty()) {
            return;
        }
        QTcpSocket client;
        client.connectToHost(QHostAddress(host), now.section(':', -1).toUShort());
        QVERIFY(client.waitForConnected(5000));
        client.write("from afar\n");
        client.disconnectFromHost();
        QTRY_COMPARE(m_printer->pages().size(), std::size_t{1});
        QCOMPARE(m_printer->pages().front().sources,
                 std::vector<std::string>{source.toStdString()});
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
