#pragma once

#include <QColor>

#include "port/SurfaceModels.h"

class QPainter;
class QWidget;

namespace kelvra::views {

// What the program's floating panels (zone picker, snap-assist cards) and its other
// drawn surfaces share, so that they look alike.

QColor toQColor(const port::Color& colour);
QColor withAlpha(QColor colour, double alpha);

struct PanelColours {
    bool dark = false;
    QColor text, secondary;
};

// Clears the window to transparent and paints the rounded panel over all of it,
// light or dark after the palette; without a compositor the panel is opaque.
PanelColours paintPanel(QPainter& painter, const QWidget& panel, bool composited, double opacity);

// Without a compositor the corners outside the rounded panel are cut away.
void maskPanel(QWidget& panel, bool composited);

constexpr double panelCornerRadius = 14;

}  // namespace kelvra::views
