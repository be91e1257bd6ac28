// SPDX-License-Identifier: MIT
#include "app/printer_status_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/port_settings.h"
#include "channels/errors.h"
#include "core/wording.h"
#include "printer/qt_text.h"

namespace mpt {

PrinterStatusDialog::PrinterStatusDialog(Devices& devices, Trace& trace, PortSettings& settings,
                                         int usbPort, QWidget* parent)
    : QDialog(parent), m_devices(&devices), m_trace(&trace), m_settings(&settings) {
    setObjectName(QStringLiteral("printerStatusDialog"));
    setWindowTitle(tr("Printer status"));
    m_port = new QComboBox(this);
    m_port->setObjectName(QStringLiteral("statusPort"));
    m_port->addItem(QStringLiteral("COM1"), 1);
    if (usbPort != 1 && usbPort > 0) {
        m_port->addItem(QStringLiteral("COM%1").arg(usbPort), usbPort);
    }
    m_port->addItem(QStringLiteral("lpt1"), 0);
    m_ask = new QPushButton(tr("Ask"), this);
    m_ask->setObjectName(QStringLiteral("askPrinter"));
    m_ask->setDefault(true);
    m_answers = new QLabel(tr("Choose the port and ask: the printer says its status and what it "
                              "is, where its cable carries data back."),
                           this);
    m_answers->setObjectName(QStringLiteral("printerAnswers"));
    m_answers->setTextFormat(Qt::PlainText);
    m_answers->setWordWrap(true);
    m_answers->setMinimumWidth(360);
    m_checkAfterRun = new QCheckBox(tr("Ask the printer after each run"), this);
    m_checkAfterRun->setObjectName(QStringLiteral("checkAfterRun"));
    m_checkAfterRun->setChecked(settings.checkAfterRun());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Port:"), this));
    row->addWidget(m_port, 1);
    row->addWidget(m_ask);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(m_answers, 1);
    layout->addWidget(m_checkAfterRun);
    layout->addWidget(buttons);

    connect(m_ask, &QPushButton::clicked, this, &PrinterStatusDialog::ask);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_checkAfterRun, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_settings->saveCheckAfterRun(on)) {
            show(m_settings->problem());
        }
    });
}

PrinterStatusDialog::~PrinterStatusDialog() {
    if (m_asking.joinable()) {
        m_asking.join();
    }
}

void PrinterStatusDialog::done(int result) {
    // Closed while a question is under way: the window keeps going, and the dialog goes once the
    // printer has answered or its time is up, rather than holding the window while it waits.
    if (!m_ask->isEnabledTo(this)) {
        m_closeWhenAnswered = result;
        show(tr("Closing once the question under way has its answer…"));
        return;
    }
    QDialog::done(result);
}

QString PrinterStatusDialog::answers() const {
    return m_answers->text();
}

void PrinterStatusDialog::show(const QString& text) {
    m_answers->setText(text);
}

void PrinterStatusDialog::ask() {
    if (m_asking.joinable()) {
        m_asking.join();
    }
    const int port = m_port->currentData().toInt();
    m_ask->setEnabled(false);
    show(tr("Asking %1…").arg(m_port->currentText()));
    m_asking = std::thread([this, port] {
        QString text;
        try {
            QStringList lines;
            for (const std::string& line : factsInWords(status::ask(*m_devices, port, *m_trace))) {
                lines << qtText(line);
            }
            text = lines.join(QLatin1Char('\n'));
        } catch (const ConsoleError& error) {
            text = tr("error %1: %2").arg(QString::number(error.number()), qtText(error.text())) +
                   QLatin1Char('\n') + qtText(detailOf(error));
        } catch (const std::exception& error) {
            text = tr("the question failed: %1").arg(qtText(error.what()));
        }
        QMetaObject::invokeMethod(
            this,
            [this, text] {
                show(text);
                m_ask->setEnabled(true);
                emit answered();
                if (m_closeWhenAnswered) {
                    QDialog::done(*m_closeWhenAnswered);
                }
            },
            Qt::QueuedConnection);
    });
}

}  // namespace mpt
