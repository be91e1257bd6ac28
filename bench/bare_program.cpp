// SPDX-License-Identifier: MIT
// The floor `mini-printer-test --run` is measured against: a program that loads the same Qt
// libraries (it names a Widgets symbol so that the linker keeps them) and prints one line.
#include <QWidget>
#include <cstdio>

int main() {
    std::printf("%s\n", QWidget::staticMetaObject.className());
    return 0;
}
