// SPDX-License-Identifier: MIT
#include "channels/mscomm.h"

#include "channels/codepage.h"
#include "channels/errors.h"

namespace mpt {

MSComm::~MSComm() {
    release();
}

void MSComm::setCommPort(std::int16_t port) {
    if (port < 1) {
        throw makeError(err::kInvalidPortNumber,
                        {.fault = Fault::CommPortBelowOne, .number = port});
    }
    if (portOpen()) {
        throw makeError(err::kPortAlreadyOpen, {.fault = Fault::CommPortWhileOpen});
    }
    m_commPort = port;
    m_events->record(event::CommPortSet{port});
}

void MSComm::setPortOpen(bool open) {
    if (open) {
        m_run->throwIfStopped();
        if (portOpen()) {
            throw makeError(err::kPortAlreadyOpen,
                            {.fault = Fault::ComAlreadyOpen, .number = m_commPort});
        }
        m_line = m_devices->openSerial(*m_run, m_commPort, m_settings, m_handshaking);
        m_events->record(event::PortOpenSet{true});
        return;
    }
    if (!portOpen()) {
        return;
    }
    // The port counts as closed whatever the drain reports: the descriptor is released either way.
    std::unique_ptr<SerialLine> line = std::move(m_line);
    m_events->record(event::PortOpenSet{false});
    line->close();
    // A stop that came while the port was closing ends the run here.
    m_run->throwIfStopped(RunStopped::At::Close);
}

void MSComm::setSettings(std::string_view settings) {
    const LineSettings parsed = parseSettings(settings);
    if (portOpen()) {
        m_line->apply(parsed);
    }
    m_settings = parsed;
    m_settingsText = settings;
    m_events->record(event::SettingsSet{settings});
}

void MSComm::setHandshaking(std::int32_t mode) {
    if (mode < 0 || mode > 3) {
        throw makeError(err::kInvalidPropertyValue,
                        {.fault = Fault::BadHandshaking, .number = mode});
    }
    if (portOpen()) {
        m_line->setHandshaking(mode);
    }
    m_handshaking = mode;
    m_events->record(event::HandshakingSet{mode});
}

void MSComm::setOutput(std::string_view text) {
    m_run->throwIfStopped();
    if (!portOpen()) {
        throw makeError(err::kPortNotOpen,
                        {.fault = Fault::OutputWhileClosed, .number = m_commPort});
    }
    const std::string bytes = toCp949(text);
    m_events->record(event::Output{bytes});
    m_line->write(bytes);
    if (DeviceObserver* observer = m_run->observer; observer != nullptr) {
        observer->wrote();
    }
}

void MSComm::release() {
    if (!portOpen()) {
        return;
    }
    try {
        setPortOpen(false);
    } catch (const ConsoleError&) {
        // The routine's own error is the one the technician needs to see.
    } catch (const RunStopped&) {
        // The run has already ended; the port is closed.
    }
}

}  // namespace mpt
