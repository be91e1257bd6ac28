// SPDX-License-Identifier: MIT
// A second, informative floor for start-up: the bare window with one line of Hangul on it, in the
// Korean face the console draws its captions with. Drawing any text makes a Qt program read the
// font configuration and open a face, which the bare window never does; this floor shows how much
// of the console's start-up is that, and how much is the console's own.
#include <QApplication>
#include <QLabel>

#include "app/first_paint.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("인쇄매수"));
    window.setWindowTitle(QStringLiteral("text window"));
    window.setFont(QFont(QStringLiteral("NanumMyeongjo"), 12, QFont::Bold));
    window.resize(717, 335);
    window.show();
    mpt::reportFirstPaintIfAsked(&window);
    return QApplication::exec();
}
