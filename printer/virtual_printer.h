// SPDX-License-Identifier: MIT
// The virtual printer: the console's ports wired to a printer that lives in this process, and
// the paper it prints on.
//
// Creating it creates the ports (pseudo-terminals for COM1 … COM9, a FIFO for "lpt1 "); portMap()
// hands them to the console's channels, which then send through their real code. Bytes arrive on
// the ports' reading thread and are handed to this object's thread, where each port's decoder reads
// them and the one paper takes the items. Each port has its own decoder, so a sequence split
// between two reads of one port is put together again, and ports never mix within a sequence.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "channels/devices.h"
#include "printer/decoder.h"
#include "printer/layout.h"

namespace mpt::printer {
class VirtualPorts;
}

namespace mpt {

class VirtualPrinter : public QObject {
    Q_OBJECT

  public:
    // Throws std::runtime_error when the ports cannot be made.
    explicit VirtualPrinter(QObject* parent = nullptr);
    ~VirtualPrinter() override;

    // The most recent pages it keeps; older ones are dropped and counted, so that a printer left
    // running for days holds a bounded amount.
    static constexpr std::size_t kKeptPages = 300;

    // Every page kept: the cut ones, then the paper still in the printer if it holds anything.
    std::vector<printer::Page> pages() const { return m_paper.pages(); }
    // Pages cut since the start (or since the paper was cleared), kept or dropped.
    std::size_t cutPages() const { return m_paper.cutPages().size() + m_paper.droppedPages(); }
    // The oldest pages dropped to keep within kKeptPages.
    std::size_t droppedPages() const { return m_paper.droppedPages(); }
    // Bytes received on all ports since the start.
    std::size_t bytesReceived() const { return m_received; }
    // "COM1  /dev/pts/4" … "lpt1  /tmp/…/lpt1": each port and the device behind it.
    QStringList wiring() const;
    // The same, for the console's devices: every port number and "lpt1 " lead here.
    PortMap portMap() const;

    // Takes the paper out; the printer's settings and half-read sequences stay.
    void clearPaper();
    // Takes bytes as arrived on `port` (the ports' thread calls this through the event loop).
    void receive(const QString& port, const QByteArray& bytes);

  signals:
    void paperChanged();

  private:
    printer::PageBuilder m_paper;
    std::map<std::string, printer::Decoder> m_decoders;
    std::size_t m_received = 0;
    // Last, so that it goes first: its thread has stopped before the rest is taken down.
    std::unique_ptr<printer::VirtualPorts> m_ports;
};

}  // namespace mpt
