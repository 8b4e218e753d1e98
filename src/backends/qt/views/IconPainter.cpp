#include "backends/qt/views/IconPainter.h"

#include <QPainter>
#include <QPainterPath>

#include "style/Theme.h"

namespace kelvra::views {

namespace {

QPainterPath roundedRect(double x, double y, double w, double h, double r) {
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), r, r);
    return path;
}

// The warning badge's colour: amber reads as "look here" on light and dark panels.
const QColor badgeColor(245, 166, 35);

}  // namespace

void paintIconShapes(QPainter& painter, port::TrayIcon state, const QColor& ink) {
    const bool warning = port::isWarning(state);
    const double dy = warning ? 0.5 : 0.0;
    QColor color = ink;
    if (state == port::TrayIcon::paused) color.setAlphaF(ink.alphaF() * 0.45);

    painter.setPen(QPen(color, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedRect(1.75, 3.0 + dy, 12.5, 10.0, 2.4));

    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    if (state == port::TrayIcon::paused) {
        painter.drawPath(roundedRect(6.0, 6.0, 1.6, 4.0, 0.8));
        painter.drawPath(roundedRect(8.7, 6.0, 1.6, 4.0, 0.8));
        return;
    }
    painter.drawPath(roundedRect(3.6, 4.9 + dy, 3.6, 6.2, 1.0));
    if (!warning) return;

    // The badge, with the exclamation mark cut out of it (clear, not painted over), so
    // the panel shows through whatever its colour.
    QPainterPath badge;
    badge.addEllipse(QRectF(10.1, 0.3, 5.8, 5.8));
    QPainterPath mark = roundedRect(12.45, 1.6, 1.1, 2.2, 0.55);
    mark.addPath(roundedRect(12.45, 4.2, 1.1, 0.9, 0.45));
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.drawPath(badge);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setBrush(badgeColor);
    painter.drawPath(badge.subtracted(mark));
}

QImage trayIcon(port::TrayIcon state, int size, const QColor& ink, const QColor& halo) {
    auto draw = [&](const QColor& color, double spread) {
        QImage layer(size, size, QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        for (double dx : {-spread, 0.0, spread}) {
            for (double dy : {-spread, 0.0, spread}) {
                p.save();
                p.translate(dx, dy);
                paintIconShapes(p, state, color);
                p.restore();
            }
        }
        return layer;
    };
    // The halo is the drawing spread a little in the contrasting colour, under the ink.
    QImage image = draw(halo, 0.6);
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    p.fillRect(image.rect(), QColor(0, 0, 0, 140));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(0, 0, draw(ink, 0.0));
    return image;
}

QImage applicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size;
    const QColor accent = QColor::fromRgbF(static_cast<float>(Theme::accent.red),
                                           static_cast<float>(Theme::accent.green),
                                           static_cast<float>(Theme::accent.blue));
    QLinearGradient tile(0, 0, 0, s);
    tile.setColorAt(0, accent.lighter(125));
    tile.setColorAt(1, accent.darker(115));
    p.setPen(Qt::NoPen);
    p.setBrush(tile);
    const double margin = s * 0.06;
    p.drawRoundedRect(QRectF(margin, margin, s - 2 * margin, s - 2 * margin), s * 0.2, s * 0.2);
    // The drawing sits in the middle of the tile, on a 16-unit grid of 70 % of it.
    const double inner = s * 0.7;
    p.translate((s - inner) / 2, (s - inner) / 2 - s * 0.02);
    p.scale(inner / 16.0, inner / 16.0);
    paintIconShapes(p, port::TrayIcon::normal, Qt::white);
    return image;
}

}  // namespace kelvra::views
