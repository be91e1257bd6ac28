// SPDX-License-Identifier: MIT
#include "app/port_settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <algorithm>
#include <cerrno>

#include "core/texts.h"
#include "printer/qt_text.h"

namespace mpt {

namespace {

const QString kGroup = QStringLiteral("ports");
// The window's own choices, beside the bindings.
const QString kCheckAfterRun = QStringLiteral("console/checkAfterRun");

// The bindings are read before the window exists (and without one, for --run): their problems
// are looked up where the libraries below the window look theirs up, with translate().

enum class FileKind { Absent, Regular, NotAFile, TooLarge, Unreadable };

// What is at the settings path, found without reading a byte and without waiting: a FIFO is
// opened non-blocking, so that no writer is waited for.
FileKind kindOf(const QString& file) {
    const QByteArray path = QFile::encodeName(file);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return errno == ENOENT ? FileKind::Absent : FileKind::Unreadable;
    }
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!known) {
        return FileKind::Unreadable;
    }
    if (!S_ISREG(st.st_mode)) {
        return FileKind::NotAFile;
    }
    return st.st_size > PortSettings::kMostBytes ? FileKind::TooLarge : FileKind::Regular;
}

QString damaged(const QString& file) {
    return qtText(translate("mpt::PortSettings",
                            "The saved port bindings in %1 cannot be read; "
                            "they are ignored until they are saved again."))
        .arg(file);
}

QString notAFile(const QString& file) {
    return qtText(translate("mpt::PortSettings",
                            "The saved port bindings in %1 cannot be read: it is not a plain file. "
                            "They are ignored, and not saved there."))
        .arg(file);
}

// An identity of one of the three kinds, with something after its kind.
bool wellFormed(const std::string& identity) {
    for (const char* kind : {"path:", "serial:by-id:", "printer:"}) {
        const std::string prefix = kind;
        if (identity.rfind(prefix, 0) == 0) {
            return identity.size() > prefix.size() && PortSettings::fitForSaving(identity);
        }
    }
    return false;
}

enum class Entry { Binding, Empty, NoPort, BadValue };

// What an entry of the group is: a binding of a port, or what load() names and save() drops.
Entry entryOf(const QString& key, const std::string& identity, int* port = nullptr) {
    bool number = false;
    const int n =
        key.startsWith(QStringLiteral("com"), Qt::CaseInsensitive) ? key.mid(3).toInt(&number) : 0;
    if (key.compare(QStringLiteral("lpt1"), Qt::CaseInsensitive) != 0 &&
        !(number && n >= 1 && n <= 32767)) {
        return Entry::NoPort;
    }
    if (port != nullptr) {
        *port = number ? n : 0;
    }
    return identity.empty()       ? Entry::Empty
           : wellFormed(identity) ? Entry::Binding
                                  : Entry::BadValue;
}

QString quotedList(const QStringList& names) {
    QStringList quoted;
    for (const QString& name : names) {
        quoted << QLatin1Char('"') + name + QLatin1Char('"');
    }
    return quoted.join(QStringLiteral(", "));
}

// Held while the file is re-read and written, so that two consoles saving at once each see what
// the other saved. The lock is on the directory, so that no file is made for it.
class DirectoryLock {
  public:
    explicit DirectoryLock(const QString& directory)
        : m_fd(::open(QFile::encodeName(directory).constData(),
                      O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        while (m_fd >= 0 && ::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~DirectoryLock() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    DirectoryLock(const DirectoryLock&) = delete;
    DirectoryLock& operator=(const DirectoryLock&) = delete;

  private:
    int m_fd;
};

// What a save does with a file that is too large or that QSettings cannot read.
enum class Damaged { Replace, Refuse };

// Changes the file under the lock on its directory, written atomically: `change` edits the
// settings as they are read under the lock, so that what another console saved meanwhile is kept.
// A FIFO, a device or a file that cannot be looked at is never written; a damaged one is removed
// first or refused, as `damaged` says. Returns whether the file now holds the change.
template <typename Change>
bool writeLocked(const QString& file, Damaged damaged, Change change) {
    const QString directory = QFileInfo(file).path();
    QDir().mkpath(directory);
    const DirectoryLock lock(directory);
    bool broken = false;
    switch (kindOf(file)) {
        case FileKind::NotAFile:
        case FileKind::Unreadable: return false;
        case FileKind::TooLarge: broken = true; break;
        case FileKind::Absent: break;
        case FileKind::Regular:
            // A damaged file is not written over by QSettings.
            broken = QSettings(file, QSettings::IniFormat).status() == QSettings::FormatError;
            break;
    }
    if (broken) {
        if (damaged == Damaged::Refuse) {
            return false;
        }
        // What it held is lost anyway.
        QFile::remove(file);
    }
    QSettings settings(file, QSettings::IniFormat);
    settings.setAtomicSyncRequired(true);
    change(settings);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace

QString PortSettings::defaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/mini-printer-test/ports.conf");
}

bool PortSettings::fitForSaving(const std::string& identity) {
    return std::none_of(identity.begin(), identity.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

void PortSettings::load(PortMap& map) {
    m_problem.clear();
    switch (kindOf(m_file)) {
        case FileKind::Absent: return;
        case FileKind::NotAFile: m_problem = notAFile(m_file); return;
        case FileKind::TooLarge:
        case FileKind::Unreadable: m_problem = damaged(m_file); return;
        case FileKind::Regular: break;
    }
    QSettings settings(m_file, QSettings::IniFormat);
    // A file that says nothing QSettings can read as bindings is damaged too.
    if (settings.status() != QSettings::NoError ||
        (QFileInfo(m_file).size() > 0 && !settings.childGroups().contains(kGroup) &&
         !settings.contains(kCheckAfterRun))) {
        m_problem = damaged(m_file);
        return;
    }
    m_checkAfterRun = settings.value(kCheckAfterRun, false).toBool();
    PortMap loaded = map;
    loaded.boundSerial.clear();
    loaded.boundLpt1.clear();
    QStringList noPort;
    QStringList badValue;
    settings.beginGroup(kGroup);
    for (const QString& key : settings.childKeys()) {
        const std::string identity = settings.value(key).toString().toStdString();
        int port = 0;
        switch (entryOf(key, identity, &port)) {
            case Entry::NoPort: noPort << key; break;
            case Entry::BadValue: badValue << key; break;
            case Entry::Empty: break;
            case Entry::Binding:
                if (port == 0) {
                    loaded.boundLpt1 = identity;
                } else {
                    loaded.boundSerial[port] = identity;
                }
                break;
        }
    }
    QStringList problems;
    if (noPort.size() == 1) {
        problems << qtText(translate("mpt::PortSettings",
                                     "The saved port bindings in %1 hold \"%2\", which names no "
                                     "port; it is ignored."))
                        .arg(m_file, noPort.front());
    } else if (noPort.size() > 1) {
        problems << qtText(translate("mpt::PortSettings",
                                     "The saved port bindings in %1 hold %2, which name no port; "
                                     "they are ignored."))
                        .arg(m_file, quotedList(noPort));
    }
    if (!badValue.isEmpty()) {
        problems << qtText(translate("mpt::PortSettings",
                                     "The saved port bindings in %1 bind %2 to what is no device "
                                     "or address; ignored."))
                        .arg(m_file, quotedList(badValue));
    }
    m_problem = problems.join(QLatin1Char(' '));
    map = std::move(loaded);
}

bool PortSettings::save(const PortMap& before, const PortMap& now) {
    m_problem.clear();
    const auto refuse = [this](const QString& problem) {
        m_problem = problem;
        return false;
    };
    // What this dialog changed: a port is written only where its binding differs from the one
    // the dialog started from.
    std::map<QString, std::string> changed;  // key → identity, empty to remove
    const auto compare = [&](const QString& key, const std::string& was, const std::string& is) {
        if (was != is) {
            changed[key] = is;
        }
    };
    for (const auto& [port, identity] : now.boundSerial) {
        const auto was = before.boundSerial.find(port);
        compare(QStringLiteral("com%1").arg(port),
                was == before.boundSerial.end() ? std::string() : was->second, identity);
    }
    for (const auto& [port, identity] : before.boundSerial) {
        if (now.boundSerial.count(port) == 0) {
            compare(QStringLiteral("com%1").arg(port), identity, {});
        }
    }
    compare(QStringLiteral("lpt1"), before.boundLpt1, now.boundLpt1);
    for (const auto& [key, identity] : changed) {
        if (!fitForSaving(identity)) {
            return refuse(qtText(translate("mpt::PortSettings",
                                           "The binding of %1 holds a line end, a tab or another "
                                           "control character; it is not saved."))
                              .arg(key.toUpper()));
        }
    }
    const bool written = writeLocked(m_file, Damaged::Replace, [&](QSettings& settings) {
        settings.beginGroup(kGroup);
        // Entries that load() named and left out are dropped: they bind nothing.
        for (const QString& key : settings.childKeys()) {
            if (entryOf(key, settings.value(key).toString().toStdString()) != Entry::Binding) {
                settings.remove(key);
            }
        }
        for (const auto& [key, identity] : changed) {
            if (identity.empty()) {
                settings.remove(key);
            } else {
                settings.setValue(key, QString::fromStdString(identity));
            }
        }
        settings.endGroup();
    });
    if (!written) {
        return refuse(
            qtText(translate("mpt::PortSettings", "The port bindings cannot be saved in %1."))
                .arg(m_file));
    }
    return true;
}

bool PortSettings::saveCheckAfterRun(bool on) {
    m_problem.clear();
    if (!writeLocked(m_file, Damaged::Refuse,
                     [on](QSettings& settings) { settings.setValue(kCheckAfterRun, on); })) {
        m_problem = qtText(translate("mpt::PortSettings", "The settings cannot be saved in %1."))
                        .arg(m_file);
        return false;
    }
    m_checkAfterRun = on;
    return true;
}

}  // namespace mpt
