// SPDX-License-Identifier: MIT
// The Ports dialog: the devices present on this machine, refreshed while the dialog is open as
// they come and go, and where COM1, the USB button's port and "lpt1 " lead. The user binds each
// to a device from the list or to a path they type; a port that the environment or the virtual
// printer decides is shown as such and cannot be changed here. Accepting saves the bindings and
// hands them to the console's devices.
#pragma once

#include <QDialog>
#include <QTimer>
#include <map>
#include <string>
#include <vector>

#include "app/port_settings.h"
#include "channels/devices.h"
#include "channels/port_inventory.h"

class QComboBox;
class QFormLayout;
class QLabel;
class QListWidget;
class QSpinBox;

namespace mpt {

class PortsDialog : public QDialog {
    Q_OBJECT

  public:
    // `usbPort`: the number in the USB button's box, offered beside COM1.
    PortsDialog(Devices& devices, PortSettings& settings, int usbPort, QWidget* parent = nullptr);

    // The combo box that binds a port: "COM1", "COM3", "lpt1"; nullptr for a port not shown.
    QComboBox* binding(const QString& port) const;

    void accept() override;

  private:
    void refresh();
    void showState();
    void addPortRow(int number);
    void addRow(const QString& port, PortRoute route, const std::string& defaultPath);
    void fillChoices(QComboBox* box, DevicePresent::Kind kind, const std::string& bound);

    Devices* m_devices;
    PortSettings* m_settings;
    PortMap m_map;
    PortMap m_started;  // the bindings the dialog opened with: saving writes only what differs
    std::vector<DevicePresent> m_present;
    QListWidget* m_list = nullptr;
    QFormLayout* m_form = nullptr;
    QSpinBox* m_another = nullptr;
    QLabel* m_problem = nullptr;
    QLabel* m_state = nullptr;              // what the selected device says
    std::map<QString, QComboBox*> m_boxes;  // by port name
    QTimer m_poll;
};

}  // namespace mpt
