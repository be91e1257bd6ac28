// SPDX-License-Identifier: MIT
#include "app/ports_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "channels/network.h"
#include "core/run_progress.h"
#include "core/texts.h"
#include "core/wording.h"
#include "printer/qt_text.h"

namespace mpt {

namespace {

// A binding that is none of the devices listed: an address is a network address, never plugged
// in or out; a path is present when something is there (a pseudo-terminal, a FIFO, a file); the
// rest is a device that is not plugged in.
QString boundElsewhere(const std::string& identity) {
    const std::string words = identityInWords(identity);
    if (identity.rfind("path:", 0) == 0) {
        const std::string path = identity.substr(5);
        if (isNetworkAddress(path)) {
            return qtText(fill(translate("Ports", "%1 (network address)"), {words}));
        }
        if (QFileInfo::exists(qtText(path))) {
            return qtText(fill(translate("Ports", "%1 (present)"), {words}));
        }
    }
    return qtText(fill(translate("Ports", "%1 (not plugged in)"), {words}));
}

// How often the list is read again while the dialog is open: devices come and go by hand.
constexpr int kPollMs = 1000;

}  // namespace

PortsDialog::PortsDialog(Devices& devices, PortSettings& settings, int usbPort, QWidget* parent)
    : QDialog(parent),
      m_devices(&devices),
      m_settings(&settings),
      m_map(devices.portMap()),
      m_started(m_map) {
    setObjectName(QStringLiteral("ports"));
    setWindowTitle(tr("Ports"));
    m_present = devicesPresent(m_map.root);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Devices on this machine:"), this));
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("devices"));
    layout->addWidget(m_list);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("state"));
    layout->addWidget(m_state);
    connect(m_list, &QListWidget::currentRowChanged, this, &PortsDialog::showState);

    m_form = new QFormLayout;
    layout->addLayout(m_form);
    addPortRow(1);
    if (usbPort >= 1 && usbPort != 1) {
        addPortRow(usbPort);
    }
    for (const auto& [number, identity] : m_map.boundSerial) {
        addPortRow(number);
    }
    addRow(QStringLiteral("lpt1"), lpt1Route(m_map), "/dev/lp0 or /dev/usb/lp0");

    auto* another = new QHBoxLayout;
    another->addWidget(new QLabel(tr("Another port number:"), this));
    m_another = new QSpinBox(this);
    m_another->setObjectName(QStringLiteral("anotherPort"));
    m_another->setRange(1, 32767);
    another->addWidget(m_another);
    auto* add = new QPushButton(tr("&Add"), this);
    add->setToolTip(tr("Bind this port number too (Alt+A)"));
    another->addWidget(add);
    another->addStretch();
    layout->addLayout(another);
    connect(add, &QPushButton::clicked, this, [this] { addPortRow(m_another->value()); });

    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setText(m_settings->problem());
    layout->addWidget(m_problem);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &PortsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    refresh();
    connect(&m_poll, &QTimer::timeout, this, [this] {
        refresh();
        showState();
    });
    m_poll.start(kPollMs);
}

QComboBox* PortsDialog::binding(const QString& port) const {
    const auto found = m_boxes.find(port);
    return found == m_boxes.end() ? nullptr : found->second;
}

void PortsDialog::addPortRow(int number) {
    const QString name = QStringLiteral("COM%1").arg(number);
    if (m_boxes.count(name) == 0) {
        addRow(name, serialRoute(number, m_map), "/dev/ttyS" + std::to_string(number - 1));
    }
}

void PortsDialog::addRow(const QString& port, PortRoute route, const std::string& defaultPath) {
    auto* box = new QComboBox(this);
    box->setObjectName(QStringLiteral("bind_") + port);
    box->setMinimumContentsLength(48);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    if (route.by == PortRoute::By::Environment || route.by == PortRoute::By::Virtual) {
        const QString variable = port == QStringLiteral("lpt1") ? QStringLiteral("MPT_LPT1")
                                                                : QStringLiteral("MPT_") + port;
        box->addItem(route.by == PortRoute::By::Virtual
                         ? tr("the virtual printer: %1").arg(qtText(route.path))
                         : tr("set by %1: %2").arg(variable, qtText(route.path)));
        box->setEnabled(false);
    } else {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->lineEdit()->setPlaceholderText(
            tr("a device from the list, a path, or tcp://HOST:PORT"));
        box->addItem(tr("built-in: %1").arg(qtText(defaultPath)), QString());
        fillChoices(box,
                    port == QStringLiteral("lpt1") ? DevicePresent::Kind::Printer
                                                   : DevicePresent::Kind::Serial,
                    route.identity);
    }
    m_boxes[port] = box;
    m_form->addRow(port, box);
}

// The devices of the port's kind; the bound one chosen, shown as not plugged in where absent.
void PortsDialog::fillChoices(QComboBox* box, DevicePresent::Kind kind, const std::string& bound) {
    const QString chosen = box->count() > 1 ? box->currentData().toString() : qtText(bound);
    while (box->count() > 1) {
        box->removeItem(1);
    }
    for (const DevicePresent& device : m_present) {
        if (device.kind == kind) {
            box->addItem(qtText(deviceLine(device)), qtText(device.identity()));
        }
    }
    if (!chosen.isEmpty() && box->findData(chosen) < 0) {
        box->addItem(boundElsewhere(chosen.toStdString()), chosen);
    }
    box->setCurrentIndex(std::max(0, box->findData(chosen)));
}

void PortsDialog::refresh() {
    std::vector<DevicePresent> present = devicesPresent(m_map.root);
    const auto describe = [](const std::vector<DevicePresent>& devices) {
        QStringList lines;
        for (const DevicePresent& device : devices) {
            lines << qtText(deviceLine(device));
        }
        return lines;
    };
    const QStringList lines = describe(present);
    const bool changed = lines != describe(m_present) || m_list->count() == 0;
    m_present = std::move(present);
    if (!changed) {
        return;
    }
    m_list->clear();
    m_list->addItems(lines);
    if (lines.isEmpty()) {
        m_list->addItem(tr("No serial device or printer is present."));
    }
    for (const auto& [port, box] : m_boxes) {
        // A box the user is typing a path into is left as it is.
        if (box->isEnabled() && box->currentText() == box->itemText(box->currentIndex())) {
            fillChoices(box,
                        port == QStringLiteral("lpt1") ? DevicePresent::Kind::Printer
                                                       : DevicePresent::Kind::Serial,
                        {});
        }
    }
}

// The selected device's lines or status, where it can be read without disturbing another program.
void PortsDialog::showState() {
    const int row = m_list->currentRow();
    if (row < 0 || row >= static_cast<int>(m_present.size())) {
        m_state->clear();
        return;
    }
    const DevicePresent& device = m_present[static_cast<std::size_t>(row)];
    const std::optional<DeviceState> state = peekDeviceState(device, m_map.root);
    m_state->setText(state ? qtText(device.node + ": " + stateText(*state))
                           : tr("%1: no state to show (it cannot tell, or another program has it)")
                                 .arg(qtText(device.node)));
}

void PortsDialog::accept() {
    const PortMap before = m_map;  // kept should a binding be refused
    for (const auto& [port, box] : m_boxes) {
        if (!box->isEnabled()) {
            continue;
        }
        std::string identity;
        const QString text = box->currentText().trimmed();
        if (text == box->itemText(box->currentIndex())) {
            identity = box->currentData().toString().toStdString();
        } else if (!text.isEmpty()) {
            identity = identityOfPath(text.toStdString(), m_present);
        }
        if (!PortSettings::fitForSaving(identity)) {
            m_map = before;
            m_problem->setText(tr("The device for %1 holds a line end, a tab or another control "
                                  "character: no device or address has one.")
                                   .arg(port));
            return;  // stays open, nothing bound
        }
        if (port == QStringLiteral("lpt1")) {
            m_map.boundLpt1 = identity;
        } else if (identity.empty()) {
            m_map.boundSerial.erase(port.mid(3).toInt());
        } else {
            m_map.boundSerial[port.mid(3).toInt()] = identity;
        }
    }
    m_devices->setPortMap(m_map);
    if (!m_settings->save(m_started, m_map)) {
        m_problem->setText(m_settings->problem());
        return;  // stays open: the bindings hold for this session, the user is told
    }
    // What another console saved meanwhile holds here too from now on.
    PortMap saved = m_map;
    m_settings->load(saved);
    if (m_settings->problem().isEmpty()) {
        m_devices->setPortMap(saved);
    }
    QDialog::accept();
}

}  // namespace mpt
