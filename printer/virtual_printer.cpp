// SPDX-License-Identifier: MIT
#include "printer/virtual_printer.h"

#include <QMetaObject>

#include "printer/virtual_ports.h"

namespace mpt {

VirtualPrinter::VirtualPrinter(QObject* parent) : QObject(parent) {
    m_paper.keepAtMost(kKeptPages);
    m_ports = std::make_unique<printer::VirtualPorts>(
        [this](const std::string& port, std::string_view bytes) {
            // On the ports' thread: copy and hand over; a call still queued when this object
            // goes is dropped with it.
            const QString name = QString::fromStdString(port);
            const QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
            QMetaObject::invokeMethod(
                this, [this, name, data] { receive(name, data); }, Qt::QueuedConnection);
        });
}

VirtualPrinter::~VirtualPrinter() {
    m_ports.reset();
}

QStringList VirtualPrinter::wiring() const {
    QStringList lines;
    for (const auto& [port, device] : m_ports->devices()) {
        lines << QString::fromStdString(port) + QStringLiteral("  ") +
                     QString::fromStdString(device);
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

void VirtualPrinter::clearPaper() {
    m_paper.clearPaper();
    emit paperChanged();
}

void VirtualPrinter::receive(const QString& port, const QByteArray& bytes) {
    const std::string name = port.toStdString();
    m_received += static_cast<std::size_t>(bytes.size());
    m_paper.add(m_decoders[name].feed(
                    std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))),
                name);
    emit paperChanged();
}

}  // namespace mpt
