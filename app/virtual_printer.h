// The virtual printer: the console's ports wired to a printer that lives in this process, and
// the paper it prints on.
//
// Creating it creates the ports (pseudo-terminals for COM1 … COM9, a FIFO for "lpt1 ") and points
// the console's channels at them through the environment, so it must exist before the console
// opens a port; the console then sends through its real channel code. Bytes arrive on the ports'
// reading thread and are handed to this object's thread, where each port's decoder reads them
// and the one paper takes the items. Each port has its own decoder, so a sequence split between
// two reads of one port is put together again, and ports never mix within a sequence.
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

    // Every page: the cut ones, then the paper still in the printer if it holds anything.
    std::vector<printer::Page> pages() const { return m_paper.pages(); }
    std::size_t cutPages() const { return m_paper.cutPages().size(); }
    // Bytes received on all ports since the start.
    std::size_t bytesReceived() const { return m_received; }
    // "COM1  /dev/pts/4" … "lpt1  /tmp/…/lpt1": each port and the device behind it.
    QStringList wiring() const;

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
