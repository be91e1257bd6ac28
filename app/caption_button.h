// SPDX-License-Identifier: MIT
// A push button that breaks its caption into lines at blanks where the caption does not fit the
// button's width, and draws the lines centred.
//
// The captions of the test buttons are long and are laid out with runs of blanks; a plain
// QPushButton draws them on one line and cuts them off. The caption is kept as given: text()
// returns it unchanged, and only the blanks where a line breaks are left out of the drawing.
#pragma once

#include <QPushButton>
#include <QStringList>

class QFontMetrics;

namespace mpt {

class CaptionButton : public QPushButton {
    Q_OBJECT

  public:
    explicit CaptionButton(const QString& caption, QWidget* parent = nullptr);

    // The lines the caption is drawn on at the button's current width and font.
    QStringList captionLines() const;

    // Breaks `caption` into lines no wider than `width` where possible. A line breaks only at a
    // run of blanks, and that run is left out; every other blank stays where it is, leading and
    // trailing ones included. A word wider than `width` stays whole on a line of its own.
    static QStringList wrapCaption(const QString& caption, const QFontMetrics& metrics, int width);

  protected:
    void paintEvent(QPaintEvent* event) override;
    // Enter or Return on the focused button clicks it, as Space does. The button has no default
    // role: Enter elsewhere in the window (in a text box) clicks nothing.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // The part of the button the caption may take, inside the bevel and margins.
    QRect captionRect() const;
};

}  // namespace mpt
