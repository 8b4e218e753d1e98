#pragma once

#include <QRect>

#include "base/Rect.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

// What the program's own windows share when they are placed over the desktop.

// Native pixels per toolkit pixel: the screen's device pixel ratio where the window
// system places windows in physical pixels (Qt in device-independent ones), 1 where both
// speak logical pixels.
double screenPixelRatio(const port::WindowSystem& windowSystem);

// A port frame as a widget geometry. Rounding the edges, not the size, keeps
// neighbouring zones edge to edge and a panel exactly on its zone.
QRect widgetGeometry(port::WindowSystem& windowSystem, const Rect& frame);

}  // namespace kelvra::views
