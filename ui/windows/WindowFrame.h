#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace corvan::ui {

// Takes the maximize button from a window whose size is fixed, where it would do nothing.
void offerNoMaximize(QWidget& window);

// Where a tool window of frame size `wanted` (at least `minimum`) goes so that it leaves the
// main window's frame `main` in sight on the screen's free area `screen`: to its right, else
// to its left, below, above, whole if one side has room, else shrunk towards `minimum` on
// the first side that has room for that, level with the main window as far as the screen
// allows. Only where no side has room even for `minimum` does it cover part of the main
// window, at `minimum` against the screen's right edge. Returns the frame's rectangle.
QRect besideMainWindow(const QRect& main, const QSize& wanted, const QSize& minimum,
                       const QRect& screen);

// Moves and sizes `window`, not shown yet, to besideMainWindow of `main`'s frame, taking the
// window manager's frame to be as wide as the main window's.
void placeBesideMainWindow(QWidget& window, const QWidget& main);

}  // namespace corvan::ui
