// SPDX-License-Identifier: MIT
// Image2: the picture in the lower right corner of the window, a receipt printer with a receipt
// coming out of it and the cut line across the receipt.
//
// The picture is drawn from vector paths at its own size of 176 x 44 pixels (2640 x 660 twips),
// anchored at the widget's top left corner. It is never scaled: a larger widget shows the same
// picture with empty space around it, a smaller one shows part of it.
#pragma once

#include <QSize>
#include <QWidget>

namespace mpt {

class Picture : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kWidth = 176;
    static constexpr int kHeight = 44;

    explicit Picture(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {kWidth, kHeight}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace mpt
