// SPDX-License-Identifier: MIT
#include "app/input_deferral.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace mpt {

InputDeferral::InputDeferral(QWidget* window) : QObject(window), m_window(window) {}

void InputDeferral::hold() {
    if (!m_holding) {
        m_holding = true;
        qApp->installEventFilter(this);
    }
}

void InputDeferral::release() {
    if (m_holding) {
        m_holding = false;
        qApp->removeEventFilter(this);
    }
}

bool InputDeferral::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != m_window) {
        return false;  // other windows (an error box, a preview) keep their input
    }
    if (m_through != nullptr && widget == m_through) {
        return false;
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape) {
            if (event->type() == QEvent::KeyPress) {
                emit escapePressed();
            }
            return true;
        }
        if (key->key() == Qt::Key_Q && key->modifiers() == Qt::ControlModifier) {
            if (event->type() == QEvent::KeyPress) {
                emit quitPressed();
            }
            return true;
        }
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::InputMethod:
        case QEvent::Close:
            m_held.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
            if (event->type() == QEvent::Close) {
                event->ignore();  // the window closes once the run has ended
                emit closeHeld();
            }
            return true;
        case QEvent::ShortcutOverride:
            // Asked before a key press reaches a widget; the press itself is held back.
            return true;
        default: return false;
    }
}

void InputDeferral::deliver(QObject* receiver, QEvent* event) {
    if (event->type() == QEvent::Close) {
        if (auto* widget = qobject_cast<QWidget*>(receiver)) {
            widget->close();
        }
        return;
    }
    QCoreApplication::sendEvent(receiver, event);
}

}  // namespace mpt
