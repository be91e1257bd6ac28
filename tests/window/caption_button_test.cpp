// SPDX-License-Identifier: MIT
// The caption button: where its caption breaks into lines, that the caption itself stays intact,
// and that the drawing shows every line.
#include <QFontMetrics>
#include <QImage>
#include <QtTest>

#include "app/caption_button.h"
#include "app/main_window.h"
#include "channels/devices.h"
#include "channels/trace.h"
#include "support/qt_test_main.h"
#include "testpages/routines.h"

namespace {

const QStringList kCaptions{
    QStringLiteral("QLX-610/650 SERIAL(EPSON)"),
    QStringLiteral("QLX-610/650 PARALLEL(EPSON) "),
    QStringLiteral("MVR-720/730 SERIAL(CBM)"),
    QStringLiteral("MVR-720/730 PARALLEL(CBM)"),
    QStringLiteral("MVR-720/730 SERIAL(EPSON)"),
    QStringLiteral("MVR-720/730  PARALLEL(EPSON)"),
    QStringLiteral(" MVR720/730       SERIAL     LINE FEED TEST"),
    QStringLiteral(" MVR720/730       PARALLEL   LINE FEED TEST"),
    QStringLiteral("CUTTER TEST EPSON SERIAL"),
    QStringLiteral("CUTTER TEST   CBM SERIAL"),
    QStringLiteral("CUTTER TEST EPSON PARALLEL"),
    QStringLiteral("CUTTER    TEST   CBM PARALLEL"),
    QStringLiteral("QLX-610/650 USB(EPSON)"),
};

QFont captionFont() {
    QFont font = QApplication::font();
    font.setPointSizeF(14.25);
    font.setBold(true);
    return font;
}

int blanksAt(const QString& text, int position) {
    int count = 0;
    while (position + count < text.size() && text.at(position + count) == QLatin1Char(' ')) {
        ++count;
    }
    return count;
}

// Checks that `lines` are `caption` broken at runs of blanks, the runs at the breaks left out and
// nothing else changed; that a line is too wide only when it holds a single word; and that no
// line was broken before it had to be. Returns what is wrong, or an empty string.
QString wrapFault(const QString& caption, const QStringList& lines, const QFontMetrics& metrics,
                  int width) {
    int position = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (i > 0) {
            const int dropped = blanksAt(caption, position);
            if (dropped == 0) {
                return QStringLiteral("line %1 does not start after a run of blanks").arg(i);
            }
            if (metrics.horizontalAdvance(lines.at(i - 1) + caption.mid(position, dropped) +
                                          line.section(QLatin1Char(' '), 0, 0)) <= width) {
                return QStringLiteral("line %1 was broken although its next word fits").arg(i - 1);
            }
            position += dropped;
        }
        if (caption.mid(position, line.size()) != line) {
            return QStringLiteral("line %1 \"%2\" is not the caption's text at %3")
                .arg(i)
                .arg(line)
                .arg(position);
        }
        if (metrics.horizontalAdvance(line) > width && line.trimmed().contains(QLatin1Char(' '))) {
            return QStringLiteral("line %1 \"%2\" is too wide and could break").arg(i).arg(line);
        }
        position += static_cast<int>(line.size());
    }
    if (blanksAt(caption, position) != caption.size() - position) {
        return QStringLiteral("text after %1 is missing").arg(position);
    }
    return {};
}

// The heights of the separate horizontal bands of dark pixels inside `area` of `image`: one band
// for each line of text drawn there.
QList<int> inkBands(const QImage& image, const QRect& area) {
    QList<int> bands;
    bool inBand = false;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        bool ink = false;
        for (int x = area.left(); x <= area.right() && !ink; ++x) {
            ink = qGray(image.pixel(x, y)) < 100;
        }
        if (ink && !inBand) {
            bands.append(0);
        }
        if (ink) {
            ++bands.last();
        }
        inBand = ink;
    }
    return bands;
}

// The first and last rows of `image` that hold dark pixels between the given columns.
std::pair<int, int> inkRows(const QImage& image, int left, int right) {
    int first = -1;
    int last = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = left; x <= right; ++x) {
            if (qGray(image.pixel(x, y)) < 100) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
        }
    }
    return {first, last};
}

}  // namespace

class CaptionButtonTest : public QObject {
    Q_OBJECT

  private slots:
    void wrapKeepsCaptionAndBreaksOnlyWhereNeeded_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("width");
        for (const QString& caption : kCaptions) {
            for (const int width : {1, 60, 89, 120, 177, 185, 1000}) {
                QTest::addRow("%s @%d", qPrintable(caption), width) << caption << width;
            }
        }
    }

    void wrapKeepsCaptionAndBreaksOnlyWhereNeeded() {
        QFETCH(QString, caption);
        QFETCH(int, width);
        const QFontMetrics metrics(captionFont());
        const QStringList lines = mpt::CaptionButton::wrapCaption(caption, metrics, width);
        QVERIFY(!lines.isEmpty());
        const QString fault = wrapFault(caption, lines, metrics, width);
        QVERIFY2(fault.isEmpty(), qPrintable(fault + " in " + lines.join(QLatin1Char('|'))));
    }

    void wideButtonKeepsWholeCaptionOnOneLine() {
        const QFontMetrics metrics(captionFont());
        for (const QString& caption : kCaptions) {
            QCOMPARE(mpt::CaptionButton::wrapCaption(caption, metrics, 2000), QStringList{caption});
        }
    }

    void blankRunsStayInsideALineAndGoAtABreak() {
        const QFontMetrics metrics(captionFont());
        const QString caption = QStringLiteral("CUTTER    TEST   CBM PARALLEL");
        const int width = std::max(metrics.horizontalAdvance(QStringLiteral("CUTTER    TEST")),
                                   metrics.horizontalAdvance(QStringLiteral("CBM PARALLEL")));
        QVERIFY(metrics.horizontalAdvance(QStringLiteral("CUTTER    TEST   CBM")) > width);
        QCOMPARE(mpt::CaptionButton::wrapCaption(caption, metrics, width),
                 (QStringList{QStringLiteral("CUTTER    TEST"), QStringLiteral("CBM PARALLEL")}));
    }

    void narrowButtonPutsEachWordOnItsOwnLine() {
        const QFontMetrics metrics(captionFont());
        QCOMPARE(
            mpt::CaptionButton::wrapCaption(
                QStringLiteral(" MVR720/730       SERIAL     LINE FEED TEST"), metrics, 1),
            (QStringList{QStringLiteral(" MVR720/730"), QStringLiteral("SERIAL"),
                         QStringLiteral("LINE"), QStringLiteral("FEED"), QStringLiteral("TEST")}));
        QCOMPARE(mpt::CaptionButton::wrapCaption(QStringLiteral("QLX-610/650 PARALLEL(EPSON) "),
                                                 metrics, 1),
                 (QStringList{QStringLiteral("QLX-610/650"), QStringLiteral("PARALLEL(EPSON)")}));
    }

    void emptyCaptionIsOneEmptyLine() {
        QCOMPARE(mpt::CaptionButton::wrapCaption(QString(), QFontMetrics(captionFont()), 50),
                 QStringList{QString()});
    }

    void textIsTheCaptionExactly() {
        for (const QString& caption : kCaptions) {
            mpt::CaptionButton button(caption);
            button.resize(89, 65);
            QCOMPARE(button.text(), caption);
            QVERIFY(button.captionLines().size() > 1);
            QCOMPARE(button.text(), caption);
        }
    }

    void longCaptionsOfTheWindowWrap() {
        const auto devices = mpt::dryRunDevices();
        mpt::Trace trace;
        mpt::MainWindow window(*devices, trace);
        for (const char* name : {"cmddevice6", "cmddevice7", "cmddevice9", "cmddevice11"}) {
            auto* button = window.findChild<mpt::CaptionButton*>(QLatin1String(name));
            QVERIFY(button != nullptr);
            const QStringList lines = button->captionLines();
            QVERIFY2(lines.size() > 1, qPrintable(lines.join(QLatin1Char('|'))));
            QCOMPARE(lines.join(QLatin1Char(' ')).simplified(), button->text().simplified());
        }
    }

    // With the fonts at hand the cutter captions take four lines; every line must still be on
    // its button, whole, not cut off at the top or bottom edge.
    void everyLineOfTheWindowsCaptionsIsOnItsButton() {
        const auto devices = mpt::dryRunDevices();
        mpt::Trace trace;
        mpt::MainWindow window(*devices, trace);
        const auto buttons = window.findChildren<mpt::CaptionButton*>();
        QCOMPARE(buttons.size(), 13);
        for (mpt::CaptionButton* button : buttons) {
            const QImage image = button->grab().toImage();
            const auto [first, last] = inkRows(image, 4, image.width() - 5);
            const QByteArray name = (button->objectName() +
                                     QStringLiteral(": ink from row %1 to %2").arg(first).arg(last))
                                        .toUtf8();
            QVERIFY2(first >= 1, name.constData());
            QVERIFY2(last <= image.height() - 2, name.constData());
            const QList<int> bands = inkBands(image, image.rect().adjusted(4, 1, -4, -1));
            QCOMPARE(bands.size(), button->captionLines().size());
            for (const int height : bands) {
                QVERIFY2(height >= button->fontMetrics().capHeight(), name.constData());
            }
        }
    }

    void drawingShowsEveryLine() {
        mpt::CaptionButton button(QStringLiteral("ALPHA BRAVO CHARLIE"));
        button.setFont(captionFont());
        button.resize(QFontMetrics(captionFont()).horizontalAdvance(QStringLiteral("CHARLIE")) + 24,
                      120);
        const QStringList lines = button.captionLines();
        QCOMPARE(lines.size(), 3);
        const QImage wrapped = button.grab().toImage();
        const QRect inside = button.rect().adjusted(4, 4, -4, -4);
        QCOMPARE(inkBands(wrapped, inside).size(), 3);

        button.setText(QStringLiteral("ALPHA"));
        QCOMPARE(button.captionLines().size(), 1);
        QCOMPARE(inkBands(button.grab().toImage(), inside).size(), 1);
    }
};

MPT_QT_TEST(CaptionButtonTest, "caption_button_test")
#include "caption_button_test.moc"
