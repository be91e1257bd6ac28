// The console's window: thirteen test buttons, the repeat count box txt1, the result message box
// txt2, the port number box of the USB test, two labels and the picture.
//
// Every control sits at a fixed position and size whatever size the window is given. The window
// owns the Console, and through it the serial control MSComm1 and the parallel channel's file
// table; it lends its text boxes to the test routines through TextBoxes.
//
// A click runs the button's routine to its end before the click returns. The routine itself runs
// on a worker thread while the window goes on painting, shows a busy cursor and reports progress
// in a status line beneath the controls; mouse and keyboard input given meanwhile is held back
// and delivered, in order, once the run has ended. A click that reaches the window while a run is
// going on waits in a queue and runs after it. When a routine fails, the window shows the error
// in a modal box and stays open.
#pragma once

#include <QString>
#include <QWidget>
#include <deque>
#include <map>
#include <string>
#include <string_view>

#include "app/input_deferral.h"
#include "channels/devices.h"
#include "channels/errors.h"
#include "channels/trace.h"
#include "testpages/console.h"

class QLabel;
class QLineEdit;

namespace mpt {

class MainWindow : public QWidget, public TextBoxes {
    Q_OBJECT

  public:
    static constexpr int kClientWidth = 717;   // 10755 twips
    static constexpr int kClientHeight = 313;  // 4695 twips
    // The status line beneath the controls.
    static constexpr int kStatusHeight = 22;

    MainWindow(Devices& devices, Trace& trace, QWidget* parent = nullptr);

    // TextBoxes: the text of "txt1", "txt2" or "port", in UTF-8. Any other name is a programming
    // error and throws std::invalid_argument.
    std::string text(std::string_view control) override;
    void setText(std::string_view control, std::string_view text) override;

    // Runs the routine of the named button, or queues it behind the run going on.
    void runTest(const QString& buttonName);

    // What the status line says: where the ports lead when idle, progress during a run, what was
    // sent (or how far a failed run got) after it.
    QString statusText() const;

  signals:
    // Emitted when a routine has failed, just before the modal error box opens.
    void errorShown(int number, const QString& text, const QString& detail);

  private:
    // The text boxes as a run sees them: read when it starts, since input is held back while it
    // goes on, and written back when it ends.
    class RunBoxes final : public TextBoxes {
      public:
        std::string text(std::string_view control) override;
        void setText(std::string_view control, std::string_view text) override;
        std::map<std::string, std::string, std::less<>> texts;
        std::map<std::string, std::string, std::less<>> written;
    };

    void createControls();
    void connectButtons();
    void runOne(const std::string& name);
    void showIdleStatus();
    void showError(const ConsoleError& error);
    QLineEdit* textBox(std::string_view control) const;

    Devices* m_devices;
    RunBoxes m_runBoxes;
    Console m_console;
    InputDeferral* m_deferral = nullptr;
    QLabel* m_status = nullptr;
    std::deque<QString> m_pending;
    bool m_running = false;
};

}  // namespace mpt
