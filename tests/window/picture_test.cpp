// SPDX-License-Identifier: MIT
// Image2's picture: drawn, at its own size, and never scaled to the widget.
#include <QImage>
#include <QtTest>

#include "app/picture.h"
#include "support/qt_test_main.h"

namespace {

// The picture on a plain background of a known colour.
QImage render(const QSize& widgetSize) {
    QWidget frame;
    frame.setAutoFillBackground(true);
    QPalette palette = frame.palette();
    palette.setColor(QPalette::Window, Qt::magenta);
    frame.setPalette(palette);
    frame.resize(widgetSize);
    auto* picture = new mpt::Picture(&frame);
    picture->setGeometry(QRect(QPoint(0, 0), widgetSize));
    return frame.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

int countPixelsOtherThan(const QImage& image, const QRect& area, QRgb background) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            count += image.pixel(x, y) != background ? 1 : 0;
        }
    }
    return count;
}

}  // namespace

class PictureTest : public QObject {
    Q_OBJECT

  private slots:
    void ownSizeIsTheControlSize() {
        const mpt::Picture picture;
        QCOMPARE(picture.sizeHint(), QSize(176, 44));  // 2640 x 660 twips
        QCOMPARE(picture.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(picture.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
    }

    void drawsAPicture() {
        const QImage image = render({176, 44});
        const QRgb background = QColor(Qt::magenta).rgb();
        const int drawn = countPixelsOtherThan(image, image.rect(), background);
        // A printer, a receipt and a cut line cover a good part of the frame, not a dot.
        QVERIFY2(drawn > 176 * 44 / 5, qPrintable(QString::number(drawn)));
        // Something is drawn in each half, so the picture spans the frame.
        QVERIFY(countPixelsOtherThan(image, QRect(0, 0, 88, 44), background) > 0);
        QVERIFY(countPixelsOtherThan(image, QRect(88, 0, 88, 44), background) > 0);
    }

    void largerWidgetShowsTheSamePictureUnscaled() {
        const QImage own = render({176, 44});
        const QImage large = render({352, 88});
        const QRgb background = QColor(Qt::magenta).rgb();
        QCOMPARE(large.copy(0, 0, 176, 44), own);
        QCOMPARE(countPixelsOtherThan(large, QRect(176, 0, 176, 88), background), 0);
        QCOMPARE(countPixelsOtherThan(large, QRect(0, 44, 176, 44), background), 0);
    }
};

MPT_QT_TEST(PictureTest, "picture_test")
#include "picture_test.moc"
