// SPDX-License-Identifier: MIT
// The virtual printer's network end: a TCP listener that programs print to as to a network
// printer's raw port. Each accepted connection is a stream of its own: its bytes are handed on as
// they are read, with the connection's number, and its end is announced, so that the printer can
// decode every connection apart from the others.
//
// It works on the thread that creates it, in that thread's event loop: the system's sockets,
// watched by socket notifiers. What a peer can make it hold is bounded: at most kMaxConnections at
// once (one beyond them is closed as soon as it is accepted), and at most kReadAhead bytes read
// per readiness of a connection, none while it is paused, so that a peer sending faster than the
// printer reads is held back by TCP's own flow control rather than filling memory.
#pragma once

#include <QString>
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class QSocketNotifier;

namespace mpt::printer {

class Listener {
  public:
    static constexpr int kMaxConnections = 8;
    static constexpr qint64 kReadAhead = 64 * 1024;
    // Answers waiting to go to a peer, at most: a peer that asks and never reads has the answers
    // beyond them dropped, as a printer's answers to a host that does not read are lost.
    static constexpr qint64 kUnsentAnswers = 64 * 1024;
    // Connections the system holds for it, not yet accepted, at most.
    static constexpr int kBacklog = 50;

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

    // Starts listening on `host`, a numeric IPv4 or IPv6 address ("127.0.0.1", "::1", "0.0.0.0";
    // an IPv6 address takes IPv6 connections only), and `port` (0: a port the system picks),
    // instead of where it listened before. Returns false, with the system's reason in
    // errorString(), when it cannot.
    bool listen(const std::string& host, quint16 port);
    bool isListening() const { return m_socket >= 0; }
    QString errorString() const;
    // Where it listens: "127.0.0.1", "::1" (empty while it does not), and the port.
    std::string address() const;
    quint16 port() const;
    int connectionCount() const { return static_cast<int>(m_open.size()); }

    // Sends bytes back to the peer of a connection still open (the printer's answers). Returns
    // false when they were dropped: the connection has gone, or kUnsentAnswers would be exceeded.
    // They are written as the connection can take them, in the event loop.
    bool send(std::uint64_t connection, std::string_view bytes);
    // Reads a connection no more, so that TCP holds its peer back, until resume(). A connection
    // whose peer has closed while paused is read to its end after resume(), its end announced
    // then: nothing it sent is left unread.
    void pause(std::uint64_t connection);
    void resume();

  private:
    struct Connection {
        int socket = -1;
        std::string source;
        std::unique_ptr<QSocketNotifier> readable;
        std::unique_ptr<QSocketNotifier> writable;  // enabled while answers wait
        std::string unsent;
        bool paused = false;
        bool ending = false;  // sending failed: the peer has gone; read what is left, paused or not
    };

    void stopListening();
    void accept();
    void admit(int socket, const std::string& peer);
    void read(std::uint64_t connection);
    void write(std::uint64_t connection);
    // Closes the connection and announces its end.
    void end(std::uint64_t connection);
    static void closeConnection(Connection& connection);

    Events m_events;
    int m_socket = -1;
    int m_error = 0;  // errno of the last listen() that failed
    std::unique_ptr<QSocketNotifier> m_accepting;
    std::map<std::uint64_t, Connection> m_open;
    std::uint64_t m_next = 1;
};

}  // namespace mpt::printer
