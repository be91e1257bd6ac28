// SPDX-License-Identifier: MIT
// The virtual printer: the console's ports wired to a printer that lives in this process, and
// the paper it prints on.
//
// Creating it creates the ports (pseudo-terminals for COM1 … COM9, a FIFO for "lpt1 "); portMap()
// hands them to the console's channels, which then send through their real code. Bytes arrive on
// the ports' reading thread and are handed to this object's thread, where each port's decoder reads
// them and the one paper takes the items. Each port has its own decoder, so a sequence split
// between two reads of one port is put together again, and ports never mix within a sequence.
//
// It can also listen for programs that print over TCP, on 127.0.0.1:9100 unless told otherwise.
// Each connection is read on this object's thread and has a decoder of its own like a port, and
// feeds the same paper; when the connection ends, what its decoder still held goes on the paper
// (a sequence cut short as such) and the decoder goes with it.
//
// What any sender can make it hold is bounded: the cut pages within kKeptBytes and kKeptPages,
// the page in the printer by its longest, the bytes read from the ports and not yet taken by
// kPortBacklog (the ports' reader waits, and the sender with it, as a printer holds back a fast
// host), a connection's by the listener's read-ahead.
//
// It answers the status and identity requests on the port or connection they came in on, from its
// switches (paper, cover, on or off line, drawer, error); while they say paper out, cover open, off
// line or an error, it prints nothing and holds what arrives, answering DLE EOT from it as a real
// printer with a full buffer does, until kHeldLimit wait on a port or connection; then it reads
// that source no more. What it held, of a connection since closed too, is printed once the
// switches are cleared.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "channels/devices.h"
#include "channels/printer_status.h"
#include "printer/decoder.h"
#include "printer/layout.h"
#include "printer/responder.h"

namespace mpt::printer {
class Listener;
class VirtualPorts;
}  // namespace mpt::printer

namespace mpt {

class VirtualPrinter : public QObject {
    Q_OBJECT

  public:
    // Throws std::runtime_error when the ports cannot be made.
    explicit VirtualPrinter(QObject* parent = nullptr);
    ~VirtualPrinter() override;

    // The most recent pages it keeps, and what they may take at most (by printer::Page::bytes());
    // older ones are dropped and counted, so that a printer left running for days, or sent
    // pages dense with text, holds a bounded amount.
    static constexpr std::size_t kKeptPages = 300;
    static constexpr std::size_t kKeptBytes = 64 * 1024 * 1024;
    // Bytes read from the ports that this object's thread has not taken yet, at most.
    static constexpr std::size_t kPortBacklog = 1024 * 1024;

    // Every page kept: the cut ones, then the paper still in the printer if it holds anything.
    std::vector<printer::Page> pages() const { return m_paper.pages(); }
    // The same, the cut pages shared rather than copied.
    std::vector<printer::SharedPage> sharedPages() const { return m_paper.sharedPages(); }
    // Pages cut since the start (or since the paper was cleared), kept or dropped.
    std::size_t cutPages() const { return m_paper.cutCount() + m_paper.droppedPages(); }
    // Cut pages kept, and what they take.
    std::size_t keptPages() const { return m_paper.cutCount(); }
    std::size_t keptBytes() const { return m_paper.keptBytes(); }
    // The oldest pages dropped to keep within kKeptPages and kKeptBytes.
    std::size_t droppedPages() const { return m_paper.droppedPages(); }
    // Bytes received on all ports and connections since the start.
    std::size_t bytesReceived() const { return m_received; }
    // "COM1  /dev/pts/4" … "lpt1  /tmp/…/lpt1": each port and the device behind it; then, while
    // it listens, where: "tcp://127.0.0.1:9100".
    QStringList wiring() const;
    // The same, for the console's devices: every port number and "lpt1 " lead here.
    PortMap portMap() const;

    // Where programs that print over the network find it unless told otherwise.
    static constexpr quint16 kListenPort = 9100;
    // Listens for programs that print over TCP on `host`:`port`, `host` a numeric IPv4 or IPv6
    // address ("127.0.0.1", "::1"; 0 for the port: one the system picks). Returns an empty text
    // when it listens, else why it cannot, for the user.
    QString listen(const std::string& host, quint16 port);
    // Listens on 127.0.0.1:`preferred`, or on a port of 127.0.0.1 the system picks when that one
    // is taken.
    QString listenOnLoopback(quint16 preferred = kListenPort);
    // "tcp://127.0.0.1:9100", "tcp://[::1]:9100"; empty while it does not listen.
    QString listenAddress() const;
    // Connections open now; there are never more than printer::Listener::kMaxConnections.
    int connectionCount() const;

    // Bytes a halted printer holds on one port or connection before it reads that source no
    // more (the last read may go beyond it by one read's worth).
    static constexpr std::size_t kHeldLimit = 64 * 1024;
    // Closed connections whose bytes a halted printer keeps at most; beyond them it prints the
    // oldest's. Each keeps what it held (kHeldLimit and the last read), what was in flight when it
    // closed, and the command its decoder had begun (at most Decoder's own limit, 1 MiB).
    static constexpr std::size_t kEndedHeld = 64;
    // Its answers to GS I.
    static status::Identity identity();
    // The printer's switches; answers follow them, and a printer halted by them prints what it
    // held once they are cleared. A source that enabled automatic status is sent it.
    status::Switches switches() const { return m_responder.switches(); }
    void setSwitches(const status::Switches& now);

    // Takes the paper out; the printer's settings and half-read sequences stay.
    void clearPaper();
    // Takes bytes as arrived on `port` (the ports' thread calls this through the event loop).
    void receive(const QString& port, const QByteArray& bytes);

  signals:
    void paperChanged();
    void switchesChanged();

  private:
    void take(printer::Decoder& decoder, const std::string& source, std::string_view bytes);
    // A connection has ended: what its decoder still holds goes on the paper, unless the printer
    // is halted, when what it held of the connection waits for the switches to be cleared.
    void endConnection(std::uint64_t connection, const std::string& source);
    // What its decoder still holds goes on the paper, and the decoder goes.
    void finishConnection(std::uint64_t connection, const std::string& source);

    // Bytes taken while halted, by where they came from: a port or a connection.
    struct Held {
        std::string bytes;
        std::string name;    // the pages' source: the port, "tcp 127.0.0.1"
        bool ended = false;  // the connection has closed since
    };
    // Keeps the bytes of a halted printer; true when the source is to be read no more.
    bool hold(const printer::Origin& origin, const std::string& name, std::string_view& bytes);

    printer::Responder m_responder{identity()};
    std::mutex m_heldMutex;  // the ports' thread holds bytes too
    std::map<printer::Origin, Held> m_held;
    printer::PageBuilder m_paper;
    std::map<std::string, printer::Decoder> m_decoders;
    std::map<std::uint64_t, printer::Decoder> m_connections;
    std::size_t m_received = 0;
    // Bytes handed over by the ports' thread and not yet taken; it waits while there are too many.
    std::mutex m_backlogMutex;
    std::condition_variable m_backlogTaken;
    std::size_t m_backlog = 0;
    bool m_closing = false;
    // After the paper and the decoders, so that it goes before them.
    std::unique_ptr<printer::Listener> m_listener;
    // Last, so that it goes first: its thread has stopped before the rest is taken down.
    std::unique_ptr<printer::VirtualPorts> m_ports;
};

}  // namespace mpt
