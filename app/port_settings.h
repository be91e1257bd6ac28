// SPDX-License-Identifier: MIT
// The user's port bindings, kept between sessions in their configuration directory
// ($XDG_CONFIG_HOME/mini-printer-test/ports.conf, an INI file that QSettings writes atomically):
// which device COM1, any other port number and "lpt1 " lead to, by the device's identity, so that
// a re-plugged adapter or a renumbered printer is found again.
//
// The file is a file, never a device: it is looked at without blocking before anything is read,
// and a FIFO, a device, a directory or a file larger than any set of bindings is refused. Two
// consoles may save at once: each re-reads the file under a lock and changes only the ports its
// own dialog changed.
#pragma once

#include <QString>
#include <string>

#include "channels/devices.h"

namespace mpt {

class PortSettings {
  public:
    // The file in the user's configuration directory.
    static QString defaultFile();
    // Larger than this, the file is damaged: bindings take a few hundred bytes.
    static constexpr qint64 kMostBytes = 1024 * 1024;

    explicit PortSettings(QString file = defaultFile()) : m_file(std::move(file)) {}

    // Puts the saved bindings into `map`. A file that cannot be read or is damaged is ignored:
    // `map` keeps none of it and problem() says what was wrong. An entry that names no port or
    // binds to something no device or address can be is left out and named in problem().
    void load(PortMap& map);
    // Saves the bindings that differ between `before` (what the dialog started from) and `now`,
    // leaving every other port as the file holds it. Returns false, with problem() set, when the
    // file cannot be written or a binding cannot be kept (see fitForSaving).
    bool save(const PortMap& before, const PortMap& now);
    // Whether the window asks the printer its status after each run: off unless saved on (the
    // [console] group of the same file), read by load().
    bool checkAfterRun() const { return m_checkAfterRun; }
    // Saves the choice under the same lock as the bindings, leaving them as they are. Returns
    // false, with problem() set, when the file cannot be written.
    bool saveCheckAfterRun(bool on);

    // Empty, or what went wrong with the file, for the user to read once.
    const QString& problem() const { return m_problem; }

    // Whether a binding can be saved and read back as it is: no line end, tab or other control
    // character, which would make a binding or the --ports listing say what is not there.
    static bool fitForSaving(const std::string& identity);

  private:
    QString m_file;
    QString m_problem;
    bool m_checkAfterRun = false;
};

}  // namespace mpt
