// SPDX-License-Identifier: MIT
#include "app/first_paint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace mpt {

namespace {

class FirstPaintProbe : public QObject {
  public:
    FirstPaintProbe(QWidget* window, long long since) : QObject(window), m_since(since) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // After the paint event has been handled: the frame is drawn.
            QTimer::singleShot(0, this, [this] {
                timespec now{};
                clock_gettime(CLOCK_MONOTONIC, &now);
                const long long ns = now.tv_sec * 1'000'000'000LL + now.tv_nsec;
                std::printf("first-paint-ms %.2f\n", static_cast<double>(ns - m_since) / 1e6);
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

  private:
    long long m_since;
    bool m_done = false;
};

}  // namespace

void reportFirstPaintIfAsked(QWidget* window) {
    const char* since = std::getenv("MPT_FIRST_PAINT_SINCE");
    if (since == nullptr || *since == '\0') {
        return;
    }
    window->installEventFilter(new FirstPaintProbe(window, std::atoll(since)));
}

}  // namespace mpt
