// SPDX-License-Identifier: MIT
// The floor the console's window is measured against: a bare Qt Widgets window of the same size,
// built with the same compiler, flags and libraries, reporting its first paint the same way.
#include <QApplication>
#include <QWidget>

#include "app/first_paint.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.resize(717, 335);
    window.show();
    mpt::reportFirstPaintIfAsked(&window);
    return QApplication::exec();
}
