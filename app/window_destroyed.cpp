// SPDX-License-Identifier: MIT
#include "app/window_destroyed.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <QWidget>

namespace mpt {

WindowDestroyedWatch::WindowDestroyedWatch(const QWidget& window, std::function<void()> onDestroyed)
    : m_window(&window), m_onDestroyed(std::move(onDestroyed)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

WindowDestroyedWatch::~WindowDestroyedWatch() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

bool WindowDestroyedWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (m_seen || eventType != "xcb_generic_event_t" ||
        !m_window->testAttribute(Qt::WA_WState_Created)) {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The top bit marks an event sent by another client rather than by the server.
    if ((event->response_type & 0x7F) != XCB_DESTROY_NOTIFY) {
        return false;
    }
    const auto* destroyed = static_cast<const xcb_destroy_notify_event_t*>(message);
    if (destroyed->window != static_cast<xcb_window_t>(m_window->internalWinId())) {
        return false;
    }
    m_seen = true;
    // Not from inside the event dispatch: the callback may stop a run and quit.
    QMetaObject::invokeMethod(QCoreApplication::instance(), m_onDestroyed, Qt::QueuedConnection);
    return false;
}

}  // namespace mpt
