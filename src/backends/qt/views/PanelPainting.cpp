#include "backends/qt/views/PanelPainting.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWidget>

namespace kelvra::views {

QColor toQColor(const port::Color& c) {
    return QColor::fromRgbF(static_cast<float>(c.red), static_cast<float>(c.green),
                            static_cast<float>(c.blue), static_cast<float>(c.alpha));
}

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

PanelColours paintPanel(QPainter& p, const QWidget& panel, bool composited, double opacity) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(panel.rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    PanelColours colours;
    colours.dark = panel.palette().color(QPalette::Window).lightnessF() < 0.5;
    colours.text = colours.dark ? QColor(245, 245, 247) : QColor(28, 28, 30);
    colours.secondary = withAlpha(colours.text, 0.62);
    QColor background = colours.dark ? QColor(32, 32, 36) : QColor(246, 246, 248);
    background.setAlphaF(composited ? static_cast<float>(opacity) : 1.0f);
    p.setPen(QPen(withAlpha(colours.text, colours.dark ? 0.14 : 0.1), 1));
    p.setBrush(background);
    p.drawRoundedRect(QRectF(panel.rect()).adjusted(0.5, 0.5, -0.5, -0.5), panelCornerRadius,
                      panelCornerRadius);
    return colours;
}

void maskPanel(QWidget& panel, bool composited) {
    if (composited) {
        panel.clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(panel.rect()), panelCornerRadius, panelCornerRadius);
    panel.setMask(QRegion(path.toFillPolygon().toPolygon()));
}

}  // namespace kelvra::views
