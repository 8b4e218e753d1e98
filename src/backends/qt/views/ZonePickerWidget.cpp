#include "backends/qt/views/ZonePickerWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

#include "backends/qt/views/PanelPainting.h"
#include "backends/qt/views/ZoneGlyph.h"
#include "style/Theme.h"

namespace kelvra::views {

namespace {

constexpr double glyphWidth = 56;
constexpr double glyphHeight = 36;
constexpr double glyphTop = 14;  // from the cell's top
constexpr double labelGap = 8;   // between the glyph and its label
constexpr double hintSpacing = 8;

}  // namespace

ZonePickerWidget::ZonePickerWidget(const port::ZonePickerModel& model)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::NoDropShadowWindowHint),
      model_(model) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setWindowTitle(QStringLiteral("Kelvra zone picker"));
}

void ZonePickerWidget::setModel(const port::ZonePickerModel& model) {
    if (model == model_) return;
    model_ = model;
    update();
}

void ZonePickerWidget::setComposited(bool composited) {
    if (composited == composited_) return;
    composited_ = composited;
    maskPanel(*this, composited_);
    update();
}

QRectF ZonePickerWidget::cellRect(double column, double row) const {
    return {model_.padding + column * (model_.cellWidth + model_.gap),
            model_.padding + row * (model_.cellHeight + model_.gap), model_.cellWidth,
            model_.cellHeight};
}

std::optional<int> ZonePickerWidget::cellAt(QPointF point) const {
    for (int i = 0; i < static_cast<int>(model_.cells.size()); ++i) {
        if (cellRect(i % model_.columns, i / model_.columns).contains(point)) return i;
    }
    return std::nullopt;
}

void ZonePickerWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    maskPanel(*this, composited_);
}

void ZonePickerWidget::mouseMoveEvent(QMouseEvent* event) {
    auto cell = cellAt(event->position());
    if (cell && cell != hovered_) pointerOnCell.emit(event->globalPosition());
    hovered_ = cell;
}

void ZonePickerWidget::leaveEvent(QEvent*) {
    hovered_.reset();
}

void ZonePickerWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // The picker may close, and this widget go, while the signal runs.
    if (auto cell = cellAt(event->position())) cellClicked.emit(*cell);
}

QRectF ZonePickerWidget::glyphRect(int i) const {
    const QRectF cell = cellRect(i % model_.columns, i / model_.columns);
    return {cell.center().x() - glyphWidth / 2, cell.top() + glyphTop, glyphWidth, glyphHeight};
}

QRectF ZonePickerWidget::labelRect(int i) const {
    const QRectF cell = cellRect(i % model_.columns, i / model_.columns);
    const QRectF glyph = glyphRect(i);
    return {cell.left() + 2, glyph.bottom() + labelGap, cell.width() - 4,
            cell.bottom() - glyph.bottom() - labelGap};
}

namespace {
constexpr int labelFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
// Long words ("Maksymalizuj") and three-word names get a smaller type, down to this.
constexpr double labelPointSize = 10, smallestLabelPointSize = 8.5;

bool fits(const QFont& font, const QRectF& room, const QString& text) {
    const QRectF needed = QFontMetricsF(font).boundingRect(room, labelFlags, text);
    return needed.width() <= room.width() + 0.5 && needed.height() <= room.height() + 0.5;
}
}  // namespace

QFont ZonePickerWidget::labelFont(int i) const {
    const QString text = QString::fromStdString(model_.cells[static_cast<size_t>(i)].label);
    QFont f = font();
    for (double size = labelPointSize; size >= smallestLabelPointSize; size -= 0.5) {
        f.setPointSizeF(size);
        if (fits(f, labelRect(i), text)) break;
    }
    return f;
}

QStringList ZonePickerWidget::overflowingLabels() const {
    QStringList out;
    for (int i = 0; i < static_cast<int>(model_.cells.size()); ++i) {
        const QString text = QString::fromStdString(model_.cells[static_cast<size_t>(i)].label);
        if (!fits(labelFont(i), labelRect(i), text)) out << text;
    }
    return out;
}

void ZonePickerWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const PanelColours colours = paintPanel(p, *this, composited_, 0.95);
    const bool isDark = colours.dark;
    const QColor text = colours.text, secondary = colours.secondary;

    // The highlight behind the selected cell (between cells while it glides).
    QColor accent = toQColor(Theme::accent);
    p.setPen(QPen(withAlpha(accent, 0.85), 1.5));
    p.setBrush(withAlpha(accent, isDark ? 0.28 : 0.16));
    p.drawRoundedRect(
        cellRect(model_.highlightColumn, model_.highlightRow).adjusted(0.75, 0.75, -0.75, -0.75),
        10, 10);

    for (int i = 0; i < static_cast<int>(model_.cells.size()); ++i) {
        bool selected = i == model_.selection;
        ZoneGlyph{model_.cells[static_cast<size_t>(i)].zone, selected ? text : secondary,
                  selected ? accent : withAlpha(text, 0.45)}
            .paint(p, glyphRect(i));
        p.setFont(labelFont(i));
        p.setPen(selected ? text : secondary);
        p.drawText(labelRect(i), labelFlags,
                   QString::fromStdString(model_.cells[static_cast<size_t>(i)].label));
    }

    // The footer: the selected zone on the left, the key hints on the right.
    int rows = (static_cast<int>(model_.cells.size()) + model_.columns - 1) / model_.columns;
    double top = model_.padding + rows * model_.cellHeight + (rows - 1) * model_.gap;
    QRectF footer(model_.padding, top, width() - 2 * model_.padding, model_.footerHeight);
    QFont hintFont = font();
    hintFont.setPointSizeF(10);
    QFontMetricsF hintMetrics(hintFont);
    double right = footer.right();
    p.setFont(hintFont);
    p.setPen(secondary);
    for (auto it = model_.hints.rbegin(); it != model_.hints.rend(); ++it) {
        QString hint = QString::fromStdString(*it);
        double w = hintMetrics.horizontalAdvance(hint);
        p.drawText(QRectF(right - w, footer.top(), w, footer.height()),
                   Qt::AlignRight | Qt::AlignVCenter, hint);
        right -= w + hintSpacing;
    }
    if (model_.selection >= 0 && model_.selection < static_cast<int>(model_.cells.size())) {
        QFont selectedFont = font();
        selectedFont.setPointSizeF(11);
        selectedFont.setWeight(QFont::DemiBold);
        p.setFont(selectedFont);
        p.setPen(text);
        QRectF left(footer.left(), footer.top(), std::max(0.0, right - footer.left()),
                    footer.height());
        QString label =
            QString::fromStdString(model_.cells[static_cast<size_t>(model_.selection)].label);
        p.drawText(left, Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(selectedFont).elidedText(label, Qt::ElideRight, left.width()));
    }
}

}  // namespace kelvra::views
