#pragma once

#include <QColor>
#include <QImage>

#include "port/SurfaceModels.h"

class QPainter;

namespace kelvra::views {

// Kelvra's icon drawn from its vector description: a screen outline with the left-half
// pane, pause bars when paused, a badge with an exclamation mark when something needs
// the user. Drawn on a 16 × 16 grid and scaled, so it is crisp at any size.

// The tray icon at `size` device pixels: `ink` for the shapes, `halo` (a contrasting
// colour) under them so that the icon reads on light and dark panels alike.
QImage trayIcon(port::TrayIcon state, int size, const QColor& ink, const QColor& halo);

// The application icon for menus and launchers: the drawing in white on an accent tile.
QImage applicationIcon(int size);

// The drawing itself into a painter already scaled to the 16 × 16 grid.
void paintIconShapes(QPainter& painter, port::TrayIcon state, const QColor& ink);

}  // namespace kelvra::views
