// SPDX-License-Identifier: MIT
#include "app/port_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "channels/texts.h"

namespace mpt {

namespace {

const QString kGroup = QStringLiteral("ports");

// The bindings are read before the window exists (and without one, for --run): their problems
// are looked up where the libraries below the window look theirs up.
QString words(const std::string& translated) {
    return QString::fromStdString(translated);
}

}  // namespace

QString PortSettings::defaultFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/mini-printer-test/ports.conf");
}

void PortSettings::load(PortMap& map) {
    m_problem.clear();
    if (!QFileInfo::exists(m_file)) {
        return;
    }
    QSettings settings(m_file, QSettings::IniFormat);
    // A file that says nothing QSettings can read as bindings is damaged too.
    if (settings.status() != QSettings::NoError || !QFileInfo(m_file).isReadable() ||
        (QFileInfo(m_file).size() > 0 && !settings.childGroups().contains(kGroup))) {
        m_problem = words(translate("mpt::PortSettings",
                                    "The saved port bindings in %1 cannot be read; "
                                    "they are ignored until they are saved again."))
                        .arg(m_file);
        return;
    }
    PortMap loaded = map;
    loaded.boundSerial.clear();
    loaded.boundLpt1.clear();
    settings.beginGroup(kGroup);
    for (const QString& key : settings.childKeys()) {
        const std::string identity = settings.value(key).toString().toStdString();
        bool number = false;
        const int port = key.startsWith(QStringLiteral("com"), Qt::CaseInsensitive)
                             ? key.mid(3).toInt(&number)
                             : 0;
        if (identity.empty()) {
            continue;
        }
        if (key.compare(QStringLiteral("lpt1"), Qt::CaseInsensitive) == 0) {
            loaded.boundLpt1 = identity;
        } else if (number && port >= 1 && port <= 32767) {
            loaded.boundSerial[port] = identity;
        } else {
            m_problem =
                words(translate("mpt::PortSettings",
                                "The saved port bindings in %1 hold \"%2\", which names no port; "
                                "it is ignored."))
                    .arg(m_file, key);
        }
    }
    map = std::move(loaded);
}

bool PortSettings::save(const PortMap& map) {
    m_problem.clear();
    QDir().mkpath(QFileInfo(m_file).path());
    // A damaged file is not written over by QSettings; what it held is lost anyway.
    if (QFileInfo(m_file).isFile() &&
        QSettings(m_file, QSettings::IniFormat).status() == QSettings::FormatError) {
        QFile::remove(m_file);
    }
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setAtomicSyncRequired(true);
    settings.remove(kGroup);
    settings.beginGroup(kGroup);
    for (const auto& [port, identity] : map.boundSerial) {
        settings.setValue(QStringLiteral("com%1").arg(port), QString::fromStdString(identity));
    }
    if (!map.boundLpt1.empty()) {
        settings.setValue(QStringLiteral("lpt1"), QString::fromStdString(map.boundLpt1));
    }
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        m_problem =
            words(translate("mpt::PortSettings", "The port bindings cannot be saved in %1."))
                .arg(m_file);
        return false;
    }
    return true;
}

}  // namespace mpt
