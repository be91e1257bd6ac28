// The console's window: thirteen test buttons, the repeat count box txt1, the result message box
// txt2, the port number box of the USB test, two labels and the picture.
//
// Every control sits at a fixed position and size whatever size the window is given. The window
// owns the Console, and through it the serial control MSComm1 and the parallel channel's file
// table; it lends its text boxes to the test routines through TextBoxes.
//
// A click runs the button's routine to its end on the GUI thread, so the window takes no input
// while a test runs. A click that still reaches the window during a run (from the event loop of
// the error box) waits in a queue and runs, in order, once the current run has ended. When a
// routine fails, the window shows the error in a modal box and stays open.
#pragma once

#include <QString>
#include <QWidget>
#include <deque>
#include <string>
#include <string_view>

#include "channels/devices.h"
#include "channels/errors.h"
#include "channels/trace.h"
#include "testpages/console.h"

class QLineEdit;

namespace mpt {

class MainWindow : public QWidget, public TextBoxes {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 717;   // 10755 twips
    static constexpr int kClientHeight = 313;  // 4695 twips

    MainWindow(Devices& devices, Trace& trace, QWidget* parent = nullptr);

    // TextBoxes: the text of "txt1", "txt2" or "port", in UTF-8. Any other name is a programming
    // error and throws std::invalid_argument.
    std::string text(std::string_view control) override;
    void setText(std::string_view control, std::string_view text) override;

    // Runs the routine of the named button, or queues it behind the run going on.
    void runTest(const QString& buttonName);

  signals:
    // Emitted when a routine has failed, just before the modal error box opens.
    void errorShown(int number, const QString& text, const QString& detail);

  private:
    void createControls();
    void connectButtons();
    void showError(const ConsoleError& error);
    QLineEdit* textBox(std::string_view control) const;

    Console m_console;
    std::deque<QString> m_pending;
    bool m_running = false;
};

}  // namespace mpt
