// SPDX-License-Identifier: MIT
// The console's window: thirteen test buttons, the repeat count box txt1, the result message box
// txt2, the port number box of the USB test, two labels and the picture.
//
// Every control sits at a fixed position and size whatever size the window is given. The window
// owns the run session, and through it the Console with the serial control MSComm1 and the
// parallel channel's file table; a run reads a copy of the text boxes taken as it starts, and
// what the routine writes is copied back when it ends.
//
// A click starts the button's routine and returns. The routine runs on the session's worker
// thread while the window goes on painting, shows a busy cursor and reports progress in a status
// line beneath the controls; the run's end comes back to the window as an event of its own,
// where the outcome is shown. Mouse and keyboard input given meanwhile is held back and
// delivered, in order, once the run has ended by itself. Only the Stop button in the status line
// and Escape act during a run: they stop it at the next write, and whatever was held back during
// a stopped run is discarded. Closing the window stops the run the
// same way, then closes. A click that reaches the window while a run is going on waits in a queue
// and runs after it. When a routine fails, the window shows the error in a modal box and stays
// open; a termination signal or the window's destruction closes the box and ends the program.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "app/input_deferral.h"
#include "app/port_settings.h"
#include "channels/devices.h"
#include "channels/errors.h"
#include "channels/trace.h"
#include "core/run_session.h"
#include "testpages/console.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace mpt {

class MainWindow : public QWidget, public TextBoxes {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 717;   // 10755 twips
    static constexpr int kClientHeight = 313;  // 4695 twips
    // The status line beneath the controls.
    static constexpr int kStatusHeight = 22;

    MainWindow(Devices& devices, Trace& trace, QWidget* parent = nullptr);
    // A run going on is stopped at its next write and waited for.
    ~MainWindow() override;

    // TextBoxes: the text of "txt1", "txt2" or "port", in UTF-8. Any other name is a programming
    // error and throws std::invalid_argument.
    std::string text(std::string_view control) override;
    void setText(std::string_view control, std::string_view text) override;

    // Starts the routine of the named button and returns, or queues it behind the run going on.
    // runsEnded() tells when it, and whatever was queued or held during it, has ended.
    void runTest(const QString& buttonName);

    // What the status line says: where the ports lead when idle, progress during a run, what was
    // sent (or how far a failed or stopped run got) after it.
    QString statusText() const;

    bool running() const { return m_running; }
    // Whether any installed face can draw Korean, whatever the font configuration calls it in
    // the user's language; without one every Hangul text shows as empty boxes.
    static bool koreanFaceInstalled();
    // A notice shown with the idle status line until the first run.
    void showStartNotice(const QString& notice);
    // The devices take every byte and touch nothing (--dry-run): the idle status line says so
    // instead of where the ports lead.
    void setDryRun(bool dryRun);
    // Where the bindings made in the Ports dialog are kept; without one, the user's own file.
    void setPortSettings(PortSettings* settings) { m_settings = settings; }
    // Opens the Ports dialog (the Ports… button, Ctrl+,); not during a run.
    void openPortsDialog();
    // Opens the Printer status dialog (the button beside Ports…, Ctrl+.); not during a run.
    void openPrinterStatus();
    // Stops the run going on at the next write; nothing when idle.
    void stopRun();
    // Ends the program as a termination signal asks: a run going on is stopped first, then the
    // application quits.
    void stopAndQuit();

  signals:
    // Emitted when a routine has failed, just before the modal error box opens.
    void errorShown(int number, const QString& text, const QString& detail);
    // Emitted when the window is idle again: the run, the clicks queued behind it and those
    // replayed after it have ended (and any error box has been closed).
    void runsEnded();

  private:
    void createControls();
    void createStatusLine();
    void connectButtons();
    // Starts the first queued routine on the worker thread.
    void startNext();
    // The run going on, in the status line.
    void showProgress();
    // The worker has ended the routine: shows its outcome, then starts the next queued or
    // replayed click, or discards what was held when the run was stopped.
    void runEnded();
    void showOutcome();
    void showRunControls(bool running);
    void showIdleStatus();
    void showError(const ConsoleError& error);
    void closeAfterRun();
    // The USB button's port as its box holds it, for where the ports lead.
    int usbPortNumber();
    QLineEdit* textBox(std::string_view control) const;

    Devices* m_devices;
    Trace* m_trace;
    RunSession m_session;
    InputDeferral* m_deferral = nullptr;
    QTimer* m_tick = nullptr;  // the status line's progress during a run
    std::string m_runName;     // the routine of the run going on
    QLabel* m_status = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_ports = nullptr;
    QPushButton* m_printerStatus = nullptr;
    // The settings the dialogs keep: those given, else the window's own, made when first needed.
    PortSettings& settings();
    PortSettings* m_settings = nullptr;
    std::unique_ptr<PortSettings> m_ownSettings;
    std::deque<QString> m_pending;
    bool m_running = false;
    bool m_closeAfterRun = false;  // the window was closed during the run
    bool m_quitAfterRun = false;   // a termination signal came during the run
    bool m_traceFailureShown = false;
    bool m_dryRun = false;
    QPointer<QDialog> m_errorBox;  // while an error box is open
    QString m_notice;
};

}  // namespace mpt
