// SPDX-License-Identifier: MIT
// The console's icon, drawn here rather than read from a picture file: a receipt coming out of a
// small printer, its cut line across it, as the desktop entry's scalable icon shows it. Drawing it
// needs no image plugin, and every size is sharp.
#pragma once

#include <QIcon>
#include <QImage>

class QWidget;

namespace mpt {

// The icon at `size` x `size` pixels, on a transparent ground.
QImage consoleIconImage(int size);

// The icon at the sizes window managers and task bars ask for.
QIcon consoleIcon();

// Gives `window` the console's icon just after its first frame is painted. Drawing the icon at
// every size and handing it to the window system would otherwise delay that frame by about as
// much as drawing the window's captions; window managers take an icon given later all the same.
void setIconAfterFirstFrame(QWidget* window);

}  // namespace mpt
