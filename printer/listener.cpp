// SPDX-License-Identifier: MIT
#include "printer/listener.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <utility>
#include <vector>

namespace mpt::printer {

Listener::Listener(Events events)
    : m_events(std::move(events)), m_server(std::make_unique<QTcpServer>()) {
    QObject::connect(m_server.get(), &QTcpServer::newConnection, m_server.get(),
                     [this] { accept(); });
}

Listener::~Listener() {
    // The sockets are the server's children and go with it; their last signals find no one.
    for (const auto& [socket, connection] : m_open) {
        socket->disconnect();
    }
    m_server.reset();
}

bool Listener::listen(const QHostAddress& address, quint16 port) {
    m_server->close();
    return m_server->listen(address, port);
}

bool Listener::isListening() const {
    return m_server->isListening();
}

QString Listener::errorString() const {
    return m_server->errorString();
}

QHostAddress Listener::address() const {
    return m_server->serverAddress();
}

quint16 Listener::port() const {
    return m_server->serverPort();
}

void Listener::accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        if (m_open.size() >= static_cast<std::size_t>(kMaxConnections)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setReadBufferSize(kReadAhead);
        m_open[socket] = {m_next++, "tcp " + socket->peerAddress().toString().toStdString()};
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket,
                         [this, socket] { end(socket); });
        // Bytes that came with the connection, before its signals were connected.
        read(socket);
    }
}

void Listener::read(QTcpSocket* socket) {
    const auto open = m_open.find(socket);
    if (open == m_open.end()) {
        return;
    }
    const Connection connection = open->second;
    while ((!m_open[socket].paused || m_open[socket].ending) && socket->bytesAvailable() > 0) {
        const QByteArray bytes = socket->read(kReadAhead);
        if (bytes.isEmpty()) {
            break;
        }
        m_events.received(
            connection.number, connection.source,
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }
}

QTcpSocket* Listener::socketOf(std::uint64_t connection) const {
    for (const auto& [socket, open] : m_open) {
        if (open.number == connection) {
            return socket;
        }
    }
    return nullptr;
}

bool Listener::send(std::uint64_t connection, std::string_view bytes) {
    QTcpSocket* socket = socketOf(connection);
    if (socket == nullptr) {
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    // The socket would queue without end for a peer that asks and never reads: an answer that
    // does not fit beside what still waits is dropped, as the serial ports drop theirs.
    if (socket->bytesToWrite() + size > kUnsentAnswers) {
        return false;
    }
    if (size > 0) {
        socket->write(bytes.data(), size);
    }
    return true;
}

void Listener::pause(std::uint64_t connection) {
    if (QTcpSocket* socket = socketOf(connection)) {
        m_open[socket].paused = true;
    }
}

void Listener::resume() {
    std::vector<QTcpSocket*> paused;
    for (auto& [socket, open] : m_open) {
        if (open.paused) {
            open.paused = false;
            paused.push_back(socket);
        }
    }
    for (QTcpSocket* socket : paused) {
        read(socket);
    }
}

void Listener::end(QTcpSocket* socket) {
    const auto open = m_open.find(socket);
    if (open == m_open.end()) {
        return;
    }
    m_open[socket].ending = true;
    read(socket);  // what arrived before the peer closed
    const Connection connection = open->second;
    m_open.erase(open);
    socket->disconnect();
    socket->deleteLater();
    m_events.ended(connection.number, connection.source);
}

}  // namespace mpt::printer
