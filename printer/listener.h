// SPDX-License-Identifier: MIT
// The virtual printer's network end: a TCP listener that programs print to as to a network
// printer's raw port. Each accepted connection is a stream of its own: its bytes are handed on as
// they are read, with the connection's number, and its end is announced, so that the printer can
// decode every connection apart from the others.
//
// It works on the thread that creates it, in that thread's event loop. What a peer can make it
// hold is bounded: at most kMaxConnections at once (one beyond them is closed as soon as it is
// accepted), and at most kReadAhead bytes read ahead per connection, so that a peer sending faster
// than the printer reads is held back by TCP's own flow control rather than filling memory.
#pragma once

#include <QHostAddress>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class QTcpServer;
class QTcpSocket;

namespace mpt::printer {

class Listener {
  public:
    static constexpr int kMaxConnections = 8;
    static constexpr qint64 kReadAhead = 64 * 1024;
    // Answers waiting to go to a peer, at most: a peer that asks and never reads has the answers
    // beyond them dropped, as a printer's answers to a host that does not read are lost.
    static constexpr qint64 kUnsentAnswers = 64 * 1024;

    // connection: a number of its own for each connection, never reused; source: "tcp " and the
    // peer's address, for the pages its bytes go on.
    struct Events {
        std::function<void(std::uint64_t connection, const std::string& source,
                           std::string_view bytes)>
            received;
        std::function<void(std::uint64_t connection, const std::string& source)> ended;
    };

    explicit Listener(Events events);
    // Closes every connection without announcing its end.
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    // Starts listening on `address`:`port` (0: a port the system picks), instead of where it
    // listened before. Returns false, with the system's reason in errorString(), when it cannot.
    bool listen(const QHostAddress& address, quint16 port);
    bool isListening() const;
    QString errorString() const;
    QHostAddress address() const;
    quint16 port() const;
    int connectionCount() const { return static_cast<int>(m_open.size()); }

    // Sends bytes back to the peer of a connection still open (the printer's answers). Returns
    // false when they were dropped: the connection has gone, or kUnsentAnswers would be exceeded.
    bool send(std::uint64_t connection, std::string_view bytes);
    // Reads a connection no more, so that TCP holds its peer back, until resume(). A connection
    // whose peer has closed is read to its end all the same: nothing it sent is left unread.
    void pause(std::uint64_t connection);
    void resume();

  private:
    struct Connection {
        std::uint64_t number = 0;
        std::string source;
        bool paused = false;
        bool ending = false;  // the peer has closed: read what is left, paused or not
    };
    QTcpSocket* socketOf(std::uint64_t connection) const;

    void accept();
    void read(QTcpSocket* socket);
    void end(QTcpSocket* socket);

    Events m_events;
    std::unique_ptr<QTcpServer> m_server;
    std::map<QTcpSocket*, Connection> m_open;
    std::uint64_t m_next = 1;
};

}  // namespace mpt::printer
