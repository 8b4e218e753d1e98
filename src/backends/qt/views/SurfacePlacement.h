#pragma once

#include <QRect>

#include "base/Rect.h"

namespace kelvra::x11 {
class X11Connection;
}

namespace kelvra::views {

// What the program's own windows share when they are placed over the desktop.

// The screen's device pixel ratio: Qt places windows in device-independent pixels,
// the server in physical ones.
double screenPixelRatio();

// A port frame as a widget geometry. Rounding the edges, not the size, keeps
// neighbouring zones edge to edge and a panel exactly on its zone.
QRect widgetGeometry(x11::X11Connection& connection, const Rect& frame);

// Whether a compositing manager runs: only then may the windows be translucent.
bool compositingManagerRunning(x11::X11Connection& connection);

}  // namespace kelvra::views
