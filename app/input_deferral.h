// SPDX-License-Identifier: MIT
// Holds back the mouse and keyboard input given to a window while a test runs, and hands it over
// in order once the run has ended: a technician's clicks and typing during a run take effect
// after it, and none is lost, while the window goes on painting. Two things act at once instead:
// the widgets let through (the Stop button), and Escape and Ctrl+Q, which are announced and not
// held.
// Closing the window is held too, and announced, so that the run can be stopped first.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <deque>
#include <memory>

class QWidget;

namespace mpt {

class InputDeferral : public QObject {
    Q_OBJECT

  public:
    explicit InputDeferral(QWidget* window);

    // From now on, input to the window's widgets is held back.
    void hold();
    // Stops holding input back; what was held stays queued for replay().
    void release();
    // Input to `widget` is never held back.
    void letThrough(QWidget* widget) { m_through = widget; }
    // Forgets what was held.
    void discard() { m_held.clear(); }

    // Hands the held input to its widgets in the order it was given, one event at a time, for as
    // long as `proceed` allows: a replayed click that starts another run stops the replay, and
    // the rest waits for that run to end. Returns true when everything held has been handed over.
    template <typename Proceed>
    bool replay(Proceed proceed) {
        while (!m_held.empty() && proceed()) {
            Held next = std::move(m_held.front());
            m_held.pop_front();
            if (next.receiver != nullptr) {
                deliver(next.receiver, next.event.get());
            }
        }
        return m_held.empty();
    }

  signals:
    // Escape was pressed while input is held.
    void escapePressed();
    // Ctrl+Q was pressed while input is held: the run is to stop and the program to end.
    void quitPressed();
    // The window was asked to close while input is held; it closes when the held Close is
    // replayed.
    void closeHeld();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Held {
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;
    };

    static void deliver(QObject* receiver, QEvent* event);

    QWidget* m_window;
    QPointer<QWidget> m_through;
    bool m_holding = false;
    std::deque<Held> m_held;
};

}  // namespace mpt
