// SPDX-License-Identifier: MIT
#include "app/caption_button.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

namespace {

// A word of the caption and the run of blanks in front of it. The blanks after the last word
// form a last piece with an empty word.
struct Piece {
    QString blanks;
    QString word;
};

QList<Piece> splitAtBlanks(const QString& caption) {
    QList<Piece> pieces;
    Piece piece;
    bool inWord = false;
    for (const QChar c : caption) {
        if (c == QLatin1Char(' ')) {
            if (inWord) {
                pieces.append(piece);
                piece = Piece{};
                inWord = false;
            }
            piece.blanks.append(c);
        } else {
            piece.word.append(c);
            inWord = true;
        }
    }
    if (!piece.blanks.isEmpty() || !piece.word.isEmpty()) {
        pieces.append(piece);
    }
    return pieces;
}

}  // namespace

namespace mpt {

CaptionButton::CaptionButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {}

QStringList CaptionButton::wrapCaption(const QString& caption, const QFontMetrics& metrics,
                                       int width) {
    QStringList lines;
    QString line;
    bool lineHasWord = false;
    for (const Piece& piece : splitAtBlanks(caption)) {
        const QString extended = line + piece.blanks + piece.word;
        if (!lineHasWord || metrics.horizontalAdvance(extended) <= width) {
            line = extended;
            lineHasWord = lineHasWord || !piece.word.isEmpty();
        } else if (!piece.word.isEmpty()) {
            lines.append(line);
            line = piece.word;
        }
        // Trailing blanks that do not fit are where the last line would break: they are dropped.
    }
    lines.append(line);
    return lines;
}

QRect CaptionButton::captionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

QStringList CaptionButton::captionLines() const {
    return wrapCaption(text(), fontMetrics(), captionRect().width());
}

void CaptionButton::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat()) {
            click();
        }
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CaptionButton::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    // The style draws the bevel and the focus frame; the caption is drawn here, line by line.
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    QRect area = captionRect();
    if (option.state & (QStyle::State_Sunken | QStyle::State_On)) {
        // A pressed button moves its caption as the style moves its own labels.
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }

    // Lines follow one another at the font's height. A caption with more lines than the button
    // holds at that spacing has them moved closer, down to one em, so that every line stays on
    // the button as it does with the narrow faces the window was laid out for.
    const QStringList lines = captionLines();
    const QFontMetrics metrics = fontMetrics();
    const int count = static_cast<int>(lines.size());
    int step = metrics.height();
    if (count > 1 && count * step > area.height()) {
        step = std::max(area.height() / count, QFontInfo(font()).pixelSize());
    }
    // The captions are capitals: the block is centred from the top of the first line's capitals
    // to the last line's baseline.
    const int capHeight = metrics.capHeight();
    int baseline = area.top() + (area.height() - (count - 1) * step - capHeight) / 2 + capHeight;
    for (const QString& line : lines) {
        const QRect lineRect(area.left(), baseline - metrics.ascent(), area.width(),
                             metrics.height());
        painter.drawItemText(lineRect, Qt::AlignHCenter | Qt::AlignTop, palette(), isEnabled(),
                             line, QPalette::ButtonText);
        baseline += step;
    }
}

}  // namespace mpt
