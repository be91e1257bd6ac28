// SPDX-License-Identifier: MIT
// The Printer status dialog (the button beside Ports…, Ctrl+.): asks the printer on a port its
// status and identity and shows the answers in the user's language, and holds the choice of
// asking after each run, kept with the settings.
//
// The questions go out on a thread of their own, so that the window keeps painting while a printer
// that does not answer is waited for (1 s a question); the dialog is window-modal, so no run
// starts while it asks, and closed while it asks it goes once the question under way is answered.
#pragma once

#include <QDialog>
#include <optional>
#include <thread>

#include "channels/devices.h"
#include "channels/printer_status.h"
#include "channels/trace.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace mpt {

class PortSettings;

class PrinterStatusDialog : public QDialog {
    Q_OBJECT

  public:
    // `usbPort`: the USB button's port, offered beside COM1 and lpt1.
    PrinterStatusDialog(Devices& devices, Trace& trace, PortSettings& settings, int usbPort,
                        QWidget* parent = nullptr);
    ~PrinterStatusDialog() override;

    // Asks the printer on the port chosen; the answers show when they have come.
    void ask();
    // What the dialog shows: the answers in words, one a line, or that it is asking.
    QString answers() const;
    // Closing while a question is under way closes once it has its answer.
    void done(int result) override;

  signals:
    void answered();

  private:
    void show(const QString& text);

    Devices* m_devices;
    Trace* m_trace;
    PortSettings* m_settings;
    QComboBox* m_port = nullptr;
    QPushButton* m_ask = nullptr;
    QLabel* m_answers = nullptr;
    QCheckBox* m_checkAfterRun = nullptr;
    std::thread m_asking;
    // A question is under way while the Ask button is disabled. Closed meanwhile: the result
    // the dialog closes with once it has the answer.
    std::optional<int> m_closeWhenAnswered;
};

}  // namespace mpt
