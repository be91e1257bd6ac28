// SPDX-License-Identifier: MIT
#include "app/window_icon.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QWidget>

namespace mpt {

QImage consoleIconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);  // drawn on a 64 x 64 grid
    const auto pen = [](const char* colour, double width) {
        return QPen(QColor(colour), width, Qt::SolidLine, Qt::FlatCap);
    };
    // The receipt, three printed lines (the last in red), and the cut line across it.
    p.setPen(pen("#555555", 2));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(18, 4, 28, 30));
    p.setPen(pen("#333333", 2));
    p.drawLine(QLineF(23, 11, 41, 11));
    p.drawLine(QLineF(23, 17, 37, 17));
    p.setPen(pen("#cc2222", 2));
    p.drawLine(QLineF(23, 23, 39, 23));
    QPen cut = pen("#cc2222", 1.5);
    cut.setDashPattern({2, 4.0 / 3});
    p.setPen(cut);
    p.drawLine(QLineF(14, 29, 50, 29));
    // The printer: its body, the paper slot, the lamp and the button.
    p.setPen(pen("#2b3138", 2));
    p.setBrush(QColor("#4a5560"));
    p.drawRoundedRect(QRectF(6, 32, 52, 24), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor("#1d2227"));
    p.drawRect(QRectF(14, 34, 36, 4));
    p.setBrush(QColor("#5cd65c"));
    p.drawEllipse(QPointF(48, 48), 3, 3);
    p.setBrush(QColor("#8a96a3"));
    p.drawRoundedRect(QRectF(12, 45, 20, 5), 1, 1);
    return image;
}

QIcon consoleIcon() {
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(consoleIconImage(size)));
    }
    return icon;
}

namespace {

class IconAfterFirstFrame : public QObject {
  public:
    explicit IconAfterFirstFrame(QWidget* window) : QObject(window), m_window(window) {}

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // Once the paint event has been handled and the frame is on its way.
            QTimer::singleShot(0, this, [this] {
                m_window->setWindowIcon(consoleIcon());
                m_window->removeEventFilter(this);
            });
        }
        return false;
    }

  private:
    QWidget* m_window;
    bool m_done = false;
};

}  // namespace

void setIconAfterFirstFrame(QWidget* window) {
    window->installEventFilter(new IconAfterFirstFrame(window));
}

}  // namespace mpt
