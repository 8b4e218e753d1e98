#include "backends/qt/views/OverlayWidget.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <algorithm>

#include "backends/qt/views/PanelPainting.h"

namespace kelvra::views {

namespace {

QPainterPath rounded(const QRectF& r, double radius) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    return path;
}

}  // namespace

OverlayWidget::OverlayWidget(const port::OverlayModel& model)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint),
      model_(model) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Kelvra zone preview"));
}

void OverlayWidget::setModel(const port::OverlayModel& model) {
    if (model == model_) return;
    model_ = model;
    updateMask();
    update();
}

void OverlayWidget::setComposited(bool composited) {
    if (composited == composited_) return;
    composited_ = composited;
    updateMask();
    update();
}

void OverlayWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateMask();
}

void OverlayWidget::updateMask() {
    if (composited_) {
        clearMask();
        return;
    }
    QRectF outer = rect();
    QRectF inner =
        outer.adjusted(outlineOnlyWidth, outlineOnlyWidth, -outlineOnlyWidth, -outlineOnlyWidth);
    QRegion ring(rounded(outer, model_.cornerRadius).toFillPolygon().toPolygon());
    if (inner.isValid()) {
        double innerRadius = std::max(0.0, model_.cornerRadius - outlineOnlyWidth);
        ring = ring.subtracted(QRegion(rounded(inner, innerRadius).toFillPolygon().toPolygon()));
    }
    setMask(ring);
}

void OverlayWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);

    if (!composited_) {
        p.fillRect(rect(), toQColor(model_.border));  // the mask leaves only the edge
        return;
    }
    // Strokes are centred on the path: inset by half the width to stay inside.
    double b = model_.borderWidth;
    QRectF outer = QRectF(rect()).adjusted(b / 2, b / 2, -b / 2, -b / 2);
    p.setPen(QPen(toQColor(model_.border), b));
    p.setBrush(toQColor(model_.fill));
    p.drawPath(rounded(outer, model_.cornerRadius));

    double i = model_.innerBorderWidth;
    QRectF inner = QRectF(rect()).adjusted(b + i / 2, b + i / 2, -b - i / 2, -b - i / 2);
    if (i > 0 && inner.isValid()) {
        p.setPen(QPen(toQColor(model_.innerBorder), i));
        p.setBrush(Qt::NoBrush);
        p.drawPath(rounded(inner, std::max(0.0, model_.cornerRadius - b)));
    }
}

}  // namespace kelvra::views
