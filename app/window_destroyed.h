// SPDX-License-Identifier: MIT
// Notices when the console's window is destroyed from outside the program (a tool, a window
// manager gone wrong, `xdotool windowclose`): Qt goes on as if the window were there, and the
// process would linger without one, its port still open. On X11 the server says so with a
// DestroyNotify event for the window; this filter watches the event stream for it and calls back.
// Elsewhere it does nothing.
#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>

class QWidget;

namespace mpt {

class WindowDestroyedWatch final : public QAbstractNativeEventFilter {
  public:
    // Installs itself on the application for as long as it lives.
    WindowDestroyedWatch(const QWidget& window, std::function<void()> onDestroyed);
    ~WindowDestroyedWatch() override;
    WindowDestroyedWatch(const WindowDestroyedWatch&) = delete;
    WindowDestroyedWatch& operator=(const WindowDestroyedWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    const QWidget* m_window;
    std::function<void()> m_onDestroyed;
    bool m_seen = false;
};

}  // namespace mpt
