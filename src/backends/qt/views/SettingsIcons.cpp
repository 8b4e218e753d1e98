#include "backends/qt/views/SettingsIcons.h"

#include <QApplication>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>
#include <algorithm>
#include <cmath>

#include "backends/qt/views/ZoneGlyph.h"
#include "backends/xdg/DesktopApps.h"
#include "base/ZoneID.h"

namespace kelvra::views {

namespace {

QIcon fallback(const QString& label) {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor tint = QColor::fromHsl(static_cast<int>(qHash(label) % 360), 140, 110);
    QPainterPath tile;
    tile.addRoundedRect(QRectF(4, 4, 56, 56), 12, 12);
    p.fillPath(tile, tint);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(34);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(0, 0, 64, 64), Qt::AlignCenter,
               label.isEmpty() ? "?" : label.left(1).toUpper());
    return QIcon(pixmap);
}

QIcon zoneIcon(const QString& raw) {
    auto zone = zoneFromRaw(raw.toStdString());
    if (!zone) return {};
    QPixmap pixmap(56, 36);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette palette = QApplication::palette();
    ZoneGlyph{*zone, palette.color(QPalette::WindowText), palette.color(QPalette::Highlight)}.paint(
        p, QRectF(2, 2, 52, 32));
    return QIcon(pixmap);
}

xdg::DesktopApps& desktopApps() {
    static xdg::DesktopApps apps;
    return apps;
}

}  // namespace

QIcon themedIcon(const QString& name, const QString& label) {
    if (name.startsWith(QLatin1String("zone:"))) return zoneIcon(name.mid(5));
    if (!name.isEmpty()) {
        QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull()) return icon;
    }
    return fallback(label.isEmpty() ? name : label);
}

QIcon applicationIconFor(const QString& appId, const QString& label) {
    if (const auto* entry = desktopApps().byId(appId.toStdString())) {
        const QString icon = QString::fromStdString(entry->icon);
        if (QFileInfo(icon).isAbsolute() && QFileInfo::exists(icon)) return QIcon(icon);
        if (!icon.isEmpty() && QIcon::hasThemeIcon(icon)) return QIcon::fromTheme(icon);
    }
    if (QIcon::hasThemeIcon(appId)) return QIcon::fromTheme(appId);
    return fallback(label.isEmpty() ? appId : label);
}

QPixmap thumbnailPixmap(const port::Thumbnail& thumbnail, const QPalette& palette, int height,
                        double devicePixelRatio) {
    const double width = std::clamp(height * thumbnail.aspect, double(height), 2.0 * height);
    QPixmap pixmap(
        QSize(int(std::ceil(width * devicePixelRatio)), int(std::ceil(height * devicePixelRatio))));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF screen = QRectF(0, 0, width, height).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(palette.color(QPalette::Mid), 1));
    p.setBrush(palette.color(QPalette::AlternateBase));
    p.drawRoundedRect(screen, 3, 3);
    const QRectF inner = screen.adjusted(1.5, 1.5, -1.5, -1.5);
    QColor accent = palette.color(QPalette::Highlight);
    QColor fill = accent;
    fill.setAlphaF(0.45f);
    p.setPen(QPen(accent, 1));
    p.setBrush(fill);
    for (const auto& r : thumbnail.rects)
        p.drawRoundedRect(
            QRectF(inner.left() + r.x * inner.width(), inner.top() + r.y * inner.height(),
                   r.width * inner.width(), r.height * inner.height()),
            1.5, 1.5);
    return pixmap;
}

}  // namespace kelvra::views
