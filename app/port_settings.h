// SPDX-License-Identifier: MIT
// The user's port bindings, kept between sessions in their configuration directory
// ($XDG_CONFIG_HOME/mini-printer-test/ports.conf, an INI file that QSettings writes atomically):
// which device COM1, any other port number and "lpt1 " lead to, by the device's identity, so that
// a re-plugged adapter or a renumbered printer is found again.
#pragma once

#include <QString>

#include "channels/devices.h"

namespace mpt {

class PortSettings {
  public:
    // The file in the user's configuration directory.
    static QString defaultFile();

    explicit PortSettings(QString file = defaultFile()) : m_file(std::move(file)) {}

    // Puts the saved bindings into `map`. A file that cannot be read or is damaged is ignored:
    // `map` keeps none of it and problem() says what was wrong.
    void load(PortMap& map);
    // Writes the bindings of `map`, replacing what was saved. Returns false, with problem() set,
    // when the file cannot be written.
    bool save(const PortMap& map);
    // Empty, or what went wrong with the file, for the user to read once.
    const QString& problem() const { return m_problem; }

  private:
    QString m_file;
    QString m_problem;
};

}  // namespace mpt
