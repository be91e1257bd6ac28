// SPDX-License-Identifier: MIT
#include "app/picture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace {

// The picture's own colours: it shows a printer, so it keeps them whatever the system palette.
const QColor kOutline{0x26, 0x2b, 0x31};
const QColor kBodyLight{0x8a, 0x95, 0xa1};
const QColor kBodyDark{0x4a, 0x54, 0x5f};
const QColor kPaper{0xfd, 0xfd, 0xf6};
const QColor kPaperEdge{0x8a, 0x8f, 0x96};
const QColor kInk{0x33, 0x38, 0x3f};
const QColor kCut{0xc0, 0x39, 0x2b};
const QColor kLamp{0x3f, 0xbf, 0x5f};

void drawPrinter(QPainter& painter) {
    // Housing with the lid seam, seen from the side, its paper exit on the right.
    QPainterPath body;
    body.addRoundedRect(QRectF(3, 16, 62, 26), 5, 5);
    QLinearGradient shade(0, 16, 0, 42);
    shade.setColorAt(0, kBodyLight);
    shade.setColorAt(1, kBodyDark);
    painter.setPen(QPen(kOutline, 1));
    painter.setBrush(shade);
    painter.drawPath(body);
    painter.drawLine(QPointF(5, 24.5), QPointF(63, 24.5));

    // The paper roll behind a window in the housing.
    painter.setBrush(kPaper);
    painter.drawEllipse(QPointF(21, 32), 7, 7);
    painter.setBrush(kPaperEdge);
    painter.drawEllipse(QPointF(21, 32), 2.5, 2.5);

    // Power lamp.
    painter.setPen(Qt::NoPen);
    painter.setBrush(kLamp);
    painter.drawEllipse(QPointF(56, 36), 2, 2);

    // Paper exit.
    painter.setBrush(kOutline);
    painter.drawRect(QRectF(61, 19, 5, 4));
}

void drawPrintedLines(QPainter& painter, qreal left, const QList<qreal>& lengths, qreal top) {
    painter.setPen(QPen(kInk, 1.5, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < lengths.size(); ++i) {
        const qreal y = top + 3 * i;
        painter.drawLine(QPointF(left, y), QPointF(left + lengths[i], y));
    }
}

void drawReceipt(QPainter& painter) {
    // The strip still in the printer, printed, up to the cut line.
    painter.setPen(QPen(kPaperEdge, 1));
    painter.setBrush(kPaper);
    painter.drawRect(QRectF(64, 15, 68, 13));
    drawPrintedLines(painter, 69, {40, 54, 30}, 18.5);

    // The receipt already cut off, dropping away from the strip.
    painter.save();
    painter.translate(141, 15);
    painter.rotate(8);
    QPainterPath piece;
    piece.moveTo(0, 0);
    piece.lineTo(26, 0);
    for (int step = 0; step < 4; ++step) {  // torn far end
        piece.lineTo(step % 2 == 0 ? 29 : 26, 3.25 * (step + 1));
    }
    piece.lineTo(0, 13);
    piece.closeSubpath();
    painter.setPen(QPen(kPaperEdge, 1));
    painter.setBrush(kPaper);
    painter.drawPath(piece);
    drawPrintedLines(painter, 4, {18, 12, 20}, 3.5);
    painter.restore();
}

void drawCutLine(QPainter& painter) {
    QPen dashes(kCut, 1.5, Qt::CustomDashLine, Qt::FlatCap);
    dashes.setDashPattern({2, 1.5});
    painter.setPen(dashes);
    painter.drawLine(QPointF(136.5, 10), QPointF(136.5, 32));

    // Scissors under the cut line, blades up.
    painter.setPen(QPen(kOutline, 1.2, Qt::SolidLine, Qt::RoundCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(QPointF(133, 39), QPointF(139.5, 33));
    painter.drawLine(QPointF(140, 39), QPointF(133.5, 33));
    painter.drawEllipse(QPointF(132, 40.5), 2, 2);
    painter.drawEllipse(QPointF(141, 40.5), 2, 2);
}

}  // namespace

namespace mpt {

Picture::Picture(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Picture::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(QRect(0, 0, kWidth, kHeight));
    drawPrinter(painter);
    drawReceipt(painter);
    drawCutLine(painter);
}

}  // namespace mpt
