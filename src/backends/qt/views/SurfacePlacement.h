#pragma once

#include <QRect>

#include "base/Rect.h"
#include "port/WindowSystem.h"

namespace kelvra::views {

// What the program's own windows share when they are placed over the desktop.

// The screen's device pixel ratio: Qt places windows in device-independent pixels,
// the server in physical ones.
double screenPixelRatio();

// A port frame as a widget geometry. Rounding the edges, not the size, keeps
// neighbouring zones edge to edge and a panel exactly on its zone.
QRect widgetGeometry(port::WindowSystem& windowSystem, const Rect& frame);

}  // namespace kelvra::views
