#include "backends/qt/views/DividerWidget.h"

#include <QEnterEvent>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

#include "backends/qt/views/PanelPainting.h"
#include "port/PanelStacking.h"
#include "style/Theme.h"

namespace kelvra::views {

namespace {

constexpr Qt::WindowFlags panelFlags = Qt::Tool | Qt::FramelessWindowHint |
                                       Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint |
                                       Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;

// The backend sees the toolkit's window, not the widget: the mark goes there.
void markStacksWithGroup(QWidget& widget) {
    widget.winId();
    widget.windowHandle()->setProperty(port::stacksWithGroupProperty, true);
}

constexpr double gripThickness = 5;
constexpr double gripLength = 52;
constexpr double gripLongLength = 64;

QFont chipFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(8.5);
    font.setWeight(QFont::DemiBold);
    return font;
}

}  // namespace

DividerWidget::DividerWidget(const port::DividerModel& model, Report report)
    : QWidget(nullptr, panelFlags), model_(model), report_(std::move(report)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    // Each divider its own title: a compositor bridge finds Kelvra's windows by title, and
    // thirds have two dividers at once.
    static int made = 0;
    setWindowTitle(QStringLiteral("Kelvra divider %1").arg(++made));
    markStacksWithGroup(*this);
    setModel(model);
}

void DividerWidget::setModel(const port::DividerModel& model) {
    model_ = model;
    setCursor(model.orientation == port::DividerOrientation::vertical ? Qt::SizeHorCursor
                                                                      : Qt::SizeVerCursor);
    update();
}

void DividerWidget::setComposited(bool composited) {
    if (composited == composited_) return;
    composited_ = composited;
    update();
}

void DividerWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!composited_) p.fillRect(rect(), palette().color(QPalette::Window));
    if (model_.gripAlpha <= 0) return;
    bool vertical = model_.orientation == port::DividerOrientation::vertical;
    double length = model_.gripLong ? gripLongLength : gripLength;
    QSizeF size = vertical ? QSizeF(gripThickness, length) : QSizeF(length, gripThickness);
    QRectF grip(QPointF(width() / 2.0 - size.width() / 2, height() / 2.0 - size.height() / 2),
                size);
    p.setOpacity(std::clamp(model_.gripAlpha, 0.0, 1.0));
    // A soft shadow, drawn as a wider faint stroke, then the grip itself.
    QColor shadow = model_.accent ? toQColor(Theme::accent) : QColor(0, 0, 0);
    shadow.setAlphaF(model_.glow > 0 ? static_cast<float>(model_.glow)
                                     : (model_.accent ? 0.35f : 0.2f));
    QPainterPath path;
    path.addRoundedRect(grip, 2.5, 2.5);
    p.strokePath(path, QPen(shadow, 4));
    QColor fill = model_.accent ? toQColor(Theme::accent) : QColor::fromRgbF(1, 1, 1, 0.95f);
    QColor border =
        model_.accent ? QColor::fromRgbF(1, 1, 1, 0.9f) : QColor::fromRgbF(0, 0, 0, 0.3f);
    p.fillPath(path, fill);
    p.strokePath(path, QPen(border, 0.75));
}

void DividerWidget::report(port::SurfacePointer::Phase phase, QPointF global, int clicks) {
    if (report_) report_(phase, global, clicks);
}

void DividerWidget::enterEvent(QEnterEvent* event) {
    report(port::SurfacePointer::Phase::entered, event->globalPosition());
}

void DividerWidget::leaveEvent(QEvent*) {
    report(port::SurfacePointer::Phase::exited, QCursor::pos());
}

void DividerWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    report(port::SurfacePointer::Phase::pressed, event->globalPosition());
}

void DividerWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    report(port::SurfacePointer::Phase::pressed, event->globalPosition(), 2);
}

void DividerWidget::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    report(port::SurfacePointer::Phase::dragged, event->globalPosition());
}

void DividerWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    report(port::SurfacePointer::Phase::released, event->globalPosition());
}

RatioChipWidget::RatioChipWidget() : QWidget(nullptr, panelFlags | Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Kelvra split"));
    markStacksWithGroup(*this);
}

void RatioChipWidget::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    update();
}

QSize RatioChipWidget::sizeForText() const {
    QFontMetrics metrics(chipFont());
    return {metrics.horizontalAdvance(text_) + 22, 24};
}

void RatioChipWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), 12, 12);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

void RatioChipWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor background = palette().color(QPalette::Window);
    background.setAlphaF(0.96f);
    p.setPen(QPen(palette().color(QPalette::Mid), 0.5));
    p.setBrush(background);
    p.drawRoundedRect(box, 12, 12);
    p.setFont(chipFont());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect().adjusted(0, 5, 0, -5), Qt::AlignCenter, text_);
}

}  // namespace kelvra::views
