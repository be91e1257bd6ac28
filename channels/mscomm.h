// SPDX-License-Identifier: MIT
// MSComm: the serial communications control that sits on the console's window.
//
// The test routines drive a serial printer only by setting five properties, in the order a
// routine gives: CommPort selects the port, PortOpen opens and closes it, Settings and
// Handshaking configure the open line, and each assignment of Output is one write. Output text is
// converted to code page 949 here, at the channel, and sent whole: NUL bytes included, nothing
// added. The control owns the open port; the window owns the control. Once the run is asked to
// stop, opening the port and each Output raise RunStopped instead of going on, and so does closing
// it (once it is closed).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "channels/devices.h"
#include "channels/run_events.h"

namespace mpt {

class MSComm {
  public:
    // Opens its ports for `run`, the console's run, which outlives the control.
    MSComm(Devices& devices, RunContext& run, RunEvents& events)
        : m_devices(&devices), m_run(&run), m_events(&events) {}
    ~MSComm();
    MSComm(const MSComm&) = delete;
    MSComm& operator=(const MSComm&) = delete;

    // Selects the port for the next opening. Refused below 1 ("Invalid port number") and while
    // the port is open ("Port already open").
    void setCommPort(std::int16_t port);
    // true opens the selected port with the line settings the control holds; false drains and
    // closes it.
    void setPortOpen(bool open);
    // Four fields, "baud,parity,data,stop"; applied at once when the port is open.
    void setSettings(std::string_view settings);
    // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both; applied at once when the port is open.
    void setHandshaking(std::int32_t mode);
    // One write of the text, converted to code page 949.
    void setOutput(std::string_view text);

    std::int16_t commPort() const { return m_commPort; }
    bool portOpen() const { return m_line != nullptr; }
    const std::string& settings() const { return m_settingsText; }
    std::int32_t handshaking() const { return m_handshaking; }

    // Closes the port if a failed routine left it open: drains what can still be delivered,
    // bounded by the no-progress limit, and never raises.
    void release();

  private:
    Devices* m_devices;
    RunContext* m_run;
    RunEvents* m_events;
    std::unique_ptr<SerialLine> m_line;
    std::int16_t m_commPort = 1;
    std::string m_settingsText = "9600,n,8,1";
    LineSettings m_settings;
    std::int32_t m_handshaking = 0;
};

}  // namespace mpt
