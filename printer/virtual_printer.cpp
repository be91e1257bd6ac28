// SPDX-License-Identifier: MIT
#include "printer/virtual_printer.h"

#include <QMetaObject>

#include "printer/decoder.h"
#include "printer/listener.h"
#include "printer/virtual_ports.h"

namespace mpt {

namespace {

// "127.0.0.1:9100", "[::1]:9100": an IPv6 address in brackets, so that its colons are not taken
// for the port's.
QString hostAndPort(const std::string& host, quint16 port) {
    return (host.find(':') != std::string::npos ? QStringLiteral("[%1]:%2")
                                                : QStringLiteral("%1:%2"))
        .arg(QString::fromStdString(host))
        .arg(port);
}

}  // namespace

VirtualPrinter::VirtualPrinter(QObject* parent) : QObject(parent) {
    // Text is decoded on the event loop, where a missing converter could not be reported.
    printer::prepareCodePage();
    m_paper.keepAtMost(kKeptPages);
    m_paper.keepWithin(kKeptBytes);
    m_ports = std::make_unique<printer::VirtualPorts>(
        [this](const std::string& port, std::string_view bytes) {
            // On the ports' thread: answer the requests among the bytes, then copy and hand over;
            // a call still queued when this object goes is dropped with it. While too much waits
            // to be taken, it reads no more, so that the sender is held back by the port rather
            // than the bytes piling up here.
            printer::VirtualPorts::Reception reception;
            const printer::Origin origin = printer::Origin::ofPort(port);
            reception.answer = m_responder.answer(origin, bytes);
            if (hold(origin, port, bytes)) {
                reception.pause = true;
                return reception;
            }
            if (bytes.empty()) {
                return reception;
            }
            const QString name = QString::fromStdString(port);
            const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
            {
                std::unique_lock lock(m_backlogMutex);
                m_backlogTaken.wait(lock, [this] { return m_closing || m_backlog < kPortBacklog; });
                m_backlog += bytes.size();
            }
            QMetaObject::invokeMethod(
                this,
                [this, name, data] {
                    {
                        const std::lock_guard lock(m_backlogMutex);
                        m_backlog -= static_cast<std::size_t>(data.size());
                    }
                    m_backlogTaken.notify_one();
                    receive(name, data);
                },
                Qt::QueuedConnection);
            return reception;
        });
}

VirtualPrinter::~VirtualPrinter() {
    {
        const std::lock_guard lock(m_backlogMutex);
        m_closing = true;
    }
    m_backlogTaken.notify_all();
    m_ports.reset();
    m_listener.reset();
}

QString VirtualPrinter::listen(const std::string& host, quint16 port) {
    if (!m_listener) {
        m_listener = std::make_unique<printer::Listener>(printer::Listener::Events{
            [this](std::uint64_t connection, const std::string& source, std::string_view bytes) {
                const printer::Origin origin = printer::Origin::ofConnection(connection);
                m_listener->send(connection, m_responder.answer(origin, bytes));
                if (hold(origin, source, bytes)) {
                    m_listener->pause(connection);
                }
                if (!bytes.empty()) {
                    take(m_connections[connection], source, bytes);
                }
            },
            [this](std::uint64_t connection, const std::string& source) {
                endConnection(connection, source);
            }});
    }
    if (m_listener->listen(host, port)) {
        return {};
    }
    return tr("the virtual printer cannot listen on %1: %2")
        .arg(hostAndPort(host, port), m_listener->errorString());
}

QString VirtualPrinter::listenOnLoopback(quint16 preferred) {
    const std::string loopback = "127.0.0.1";
    const QString problem = listen(loopback, preferred);
    return problem.isEmpty() || preferred == 0 ? problem : listen(loopback, 0);
}

QString VirtualPrinter::listenAddress() const {
    if (!m_listener || !m_listener->isListening()) {
        return {};
    }
    return QStringLiteral("tcp://") + hostAndPort(m_listener->address(), m_listener->port());
}

int VirtualPrinter::connectionCount() const {
    return m_listener ? m_listener->connectionCount() : 0;
}

QStringList VirtualPrinter::wiring() const {
    QStringList lines;
    for (const auto& [port, device] : m_ports->devices()) {
        lines << QString::fromStdString(port) + QStringLiteral("  ") +
                     QString::fromStdString(device);
    }
    if (const QString address = listenAddress(); !address.isEmpty()) {
        lines << address;
    }
    return lines;
}

PortMap VirtualPrinter::portMap() const {
    PortMap map;
    for (const auto& [port, device] : m_ports->devices()) {
        if (port == "lpt1") {
            map.lpt1 = device;
        } else {
            map.serial[std::stoi(port.substr(3))] = device;  // "COM3"
        }
    }
    return map;
}

status::Identity VirtualPrinter::identity() {
    status::Identity identity;
    identity.firmware = MPT_VERSION;
    identity.maker = "MINI PRINTER TEST";
    identity.modelName = "VIRTUAL PRINTER";
    return identity;
}

bool VirtualPrinter::hold(const printer::Origin& origin, const std::string& name,
                          std::string_view& bytes) {
    const std::lock_guard lock(m_heldMutex);
    if (!m_responder.halted()) {
        return false;
    }
    Held& held = m_held[origin];
    if (held.name.empty()) {
        held.name = name;
    }
    held.bytes.append(bytes);
    bytes = {};
    return held.bytes.size() >= kHeldLimit;
}

void VirtualPrinter::setSwitches(const status::Switches& now) {
    std::vector<std::pair<printer::Origin, std::string>> owed;
    std::map<printer::Origin, Held> released;
    {
        const std::lock_guard lock(m_heldMutex);
        owed = m_responder.setSwitches(now);
        if (!now.halted()) {
            released.swap(m_held);
        }
    }
    for (const auto& [origin, bytes] : owed) {
        if (origin.isConnection()) {
            if (m_listener) {
                m_listener->send(origin.connection, bytes);
            }
        } else {
            m_ports->send(origin.port, bytes);
        }
    }
    for (const auto& [origin, held] : released) {
        if (origin.isConnection()) {
            take(m_connections[origin.connection], held.name, held.bytes);
            if (held.ended) {
                finishConnection(origin.connection, held.name);
            }
        } else {
            take(m_decoders[held.name], held.name, held.bytes);
        }
    }
    if (!now.halted()) {
        m_ports->resume();
        if (m_listener) {
            m_listener->resume();
        }
    }
    emit switchesChanged();
}

void VirtualPrinter::endConnection(std::uint64_t connection, const std::string& source) {
    const printer::Origin origin = printer::Origin::ofConnection(connection);
    m_responder.forget(origin);
    // What goes on the paper now, and the connection it came on.
    Held due{{}, source};
    std::uint64_t dueConnection = connection;
    {
        const std::lock_guard lock(m_heldMutex);
        const auto decoder = m_connections.find(connection);
        const bool waiting = m_held.count(origin) != 0 ||
                             (decoder != m_connections.end() && decoder->second.pendingBytes() > 0);
        if (m_responder.halted() && waiting) {
            // A halted printer prints nothing of it, not even the end of its stream, until the
            // switches are cleared. It keeps what kEndedHeld closed connections left at most:
            // beyond them the oldest is printed, so that clients that connect and close again
            // and again cannot make it hold more and more.
            Held& held = m_held[origin];
            if (held.name.empty()) {
                held.name = source;
            }
            held.ended = true;
            std::size_t ended = 0;
            auto oldest = m_held.end();
            for (auto each = m_held.begin(); each != m_held.end(); ++each) {
                if (each->second.ended) {
                    ++ended;
                    if (oldest == m_held.end() ||
                        each->first.connection < oldest->first.connection) {
                        oldest = each;
                    }
                }
            }
            if (ended <= kEndedHeld) {
                return;
            }
            due = std::move(oldest->second);
            dueConnection = oldest->first.connection;
            m_held.erase(oldest);
        }
    }
    if (!due.bytes.empty()) {
        take(m_connections[dueConnection], due.name, due.bytes);
    }
    finishConnection(dueConnection, due.name);
}

void VirtualPrinter::finishConnection(std::uint64_t connection, const std::string& source) {
    const auto decoder = m_connections.find(connection);
    if (decoder != m_connections.end()) {
        m_paper.add(decoder->second.finish(), source);
        m_connections.erase(decoder);
        emit paperChanged();
    }
}

void VirtualPrinter::clearPaper() {
    m_paper.clearPaper();
    emit paperChanged();
}

void VirtualPrinter::receive(const QString& port, const QByteArray& bytes) {
    const std::string name = port.toStdString();
    take(m_decoders[name], name,
         std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void VirtualPrinter::take(printer::Decoder& decoder, const std::string& source,
                          std::string_view bytes) {
    m_received += bytes.size();
    m_paper.add(decoder.feed(bytes), source);
    emit paperChanged();
}

}  // namespace mpt
