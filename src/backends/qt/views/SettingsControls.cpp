#include "backends/qt/views/SettingsControls.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kelvra::views {

// Stepper pill -------------------------------------------------------------------------

StepperPillWidget::StepperPillWidget(QWidget* parent)
    : QWidget(parent),
      minus_(new QPushButton(QStringLiteral("−"), this)),
      value_(new QLabel(this)),
      plus_(new QPushButton(QStringLiteral("+"), this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (auto* b : {minus_, plus_}) {
        b->setFixedSize(26, 24);
        b->setAutoRepeat(true);
    }
    value_->setMinimumWidth(48);
    value_->setAlignment(Qt::AlignCenter);
    value_->setFocusPolicy(Qt::TabFocus);
    value_->installEventFilter(this);
    layout->addWidget(minus_);
    layout->addWidget(value_);
    layout->addWidget(plus_);
    connect(minus_, &QPushButton::clicked, this, &StepperPillWidget::minus);
    connect(plus_, &QPushButton::clicked, this, &StepperPillWidget::plus);
}

void StepperPillWidget::setText(const QString& text) {
    value_->setText(text);
}

void StepperPillWidget::setAccessibleBase(const QString& name) {
    minus_->setAccessibleName(name + QStringLiteral(" −"));
    plus_->setAccessibleName(name + QStringLiteral(" +"));
    value_->setAccessibleName(name);
}

bool StepperPillWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == value_) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            Q_EMIT reset();
            return true;
        }
        // From the keyboard: Enter on the value does what a double click does.
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                Q_EMIT reset();
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Shortcut field -----------------------------------------------------------------------

ShortcutField::ShortcutField(QWidget* parent) : QPushButton(parent) {
    setMinimumWidth(150);
    setMinimumHeight(26);
    timer_.setInterval(80);
    connect(&timer_, &QTimer::timeout, this, [this] {
        pulse_ = (pulse_ + 1) % 24;
        update();
    });
}

void ShortcutField::setState(const QString& text, bool recording, bool taken,
                             const QString& takenTip) {
    text_ = text;
    recording_ = recording;
    taken_ = taken;
    setToolTip(taken ? takenTip : QString());
    setText(text);  // for screen readers and size hints
    if (recording)
        timer_.start();
    else
        timer_.stop();
    update();
}

void ShortcutField::paintEvent(QPaintEvent*) {
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    p.drawControl(QStyle::CE_PushButtonBevel, option);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    QRectF area = rect().adjusted(8, 4, -8, -4);
    if (recording_) {
        const double phase = std::abs(pulse_ - 12) / 12.0;
        QColor accent = pal.color(QPalette::Highlight);
        accent.setAlphaF(0.25 + 0.5 * phase);
        QPainterPath chip;
        chip.addRoundedRect(area, 5, 5);
        p.fillPath(chip, accent);
        p.setPen(pal.color(QPalette::HighlightedText));
        p.drawText(area, Qt::AlignCenter, text_);
        return;
    }
    // Key chips, right-aligned, one per part of "Ctrl+Alt+Left".
    const QStringList parts = text_.contains(QLatin1Char('+')) && text_.size() > 1
                                  ? text_.split(QLatin1Char('+'), Qt::SkipEmptyParts)
                                  : QStringList{text_};
    const bool unset = parts.size() == 1 && !text_.contains(QLatin1Char('+'));
    QFontMetrics fm(font());
    double x = area.right();
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) {
        const double w = fm.horizontalAdvance(*it) + 12;
        QRectF chip(x - w, area.top(), w, area.height());
        if (!unset) {
            QPainterPath path;
            path.addRoundedRect(chip, 4, 4);
            QColor fill = taken_ ? QColor(220, 80, 60, 60) : pal.color(QPalette::AlternateBase);
            p.fillPath(path, fill);
            p.setPen(taken_ ? QColor(200, 60, 40) : pal.color(QPalette::Mid));
            p.drawPath(path);
        }
        p.setPen(unset ? pal.color(QPalette::PlaceholderText)
                       : (taken_ ? QColor(180, 40, 30) : pal.color(QPalette::ButtonText)));
        p.drawText(chip, Qt::AlignCenter, *it);
        x -= w + 4;
    }
    if (taken_) {
        p.setPen(QColor(200, 60, 40));
        p.drawText(QRectF(area.left(), area.top(), 18, area.height()), Qt::AlignCenter, "!");
    }
}

// Grid canvas --------------------------------------------------------------------------

GridCanvas::GridCanvas(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(150);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
}

void GridCanvas::setGrid(const port::SettingsGrid& grid) {
    grid_ = grid;
    keyCell_.setX(std::min(keyCell_.x(), grid.columns - 1));
    keyCell_.setY(std::min(keyCell_.y(), grid.rows - 1));
    update();
}

namespace {

QRectF toQRect(const Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

}  // namespace

QRectF GridCanvas::zoneRect(const port::SettingsGrid::Zone& z) const {
    return toQRect(port::gridZoneFrame(grid_, z, {double(width()), double(height())}));
}

QRectF GridCanvas::removeRect(const port::SettingsGrid::Zone& z) const {
    return toQRect(port::gridRemoveFrame(grid_, z, {double(width()), double(height())}));
}

std::optional<size_t> GridCanvas::removeControlAt(QPointF point) const {
    return port::gridRemoveControlAt(grid_, {point.x(), point.y()},
                                     {double(width()), double(height())});
}

void GridCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPalette pal = palette();
    QPainterPath frame;
    frame.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    p.fillPath(frame, pal.color(QPalette::Base));
    p.setPen(pal.color(QPalette::Mid));
    p.drawPath(frame);
    for (int r = 0; r < grid_.rows; ++r)
        for (int c = 0; c < grid_.columns; ++c) {
            QPainterPath cell;
            cell.addRoundedRect(zoneRect({c, r, 1, 1}), 4, 4);
            p.fillPath(cell, pal.color(QPalette::AlternateBase));
            if (hasFocus() && keyCell_ == QPoint(c, r)) {
                p.setPen(QPen(pal.color(QPalette::Highlight), 2));
                p.drawPath(cell);
            }
        }
    QColor accent = pal.color(QPalette::Highlight);
    int number = 1;
    for (const auto& z : grid_.zones) {
        QPainterPath path;
        path.addRoundedRect(zoneRect(z).adjusted(1, 1, -1, -1), 5, 5);
        QColor fill = accent;
        fill.setAlphaF(0.35);
        p.fillPath(path, fill);
        p.setPen(QPen(accent, 1.5));
        p.drawPath(path);
        p.setPen(pal.color(QPalette::Text));
        p.drawText(zoneRect(z), Qt::AlignCenter, QString::number(number++));
        // The remove control: a cross on a small disc.
        const QRectF control = removeRect(z);
        p.setPen(Qt::NoPen);
        p.setBrush(pal.color(QPalette::Base));
        p.drawEllipse(control);
        p.setPen(QPen(pal.color(QPalette::Text), 1.5, Qt::SolidLine, Qt::RoundCap));
        const QRectF cross = control.adjusted(5, 5, -5, -5);
        p.drawLine(cross.topLeft(), cross.bottomRight());
        p.drawLine(cross.topRight(), cross.bottomLeft());
        p.setBrush(Qt::NoBrush);
    }
    if (grid_.hasPending) {
        QPainterPath path;
        path.addRoundedRect(zoneRect(grid_.pending).adjusted(1, 1, -1, -1), 5, 5);
        p.setPen(QPen(accent, 2, Qt::DashLine));
        p.drawPath(path);
    } else if (grid_.zones.empty() && !grid_.emptyHint.empty()) {
        p.setPen(pal.color(QPalette::PlaceholderText));
        p.drawText(QRectF(rect()).adjusted(24, 0, -24, 0), Qt::AlignCenter | Qt::TextWordWrap,
                   QString::fromStdString(grid_.emptyHint));
    }
}

void GridCanvas::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = true;
    Q_EMIT dragged(event->position(), QSizeF(size()));
}

void GridCanvas::mouseMoveEvent(QMouseEvent* event) {
    if (dragging_) {
        Q_EMIT dragged(event->position(), QSizeF(size()));
        return;
    }
    setCursor(removeControlAt(event->position()) ? Qt::PointingHandCursor : Qt::CrossCursor);
}

void GridCanvas::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    dragging_ = false;
    Q_EMIT dragged(event->position(), QSizeF(size()));
    Q_EMIT dragEnded();
}

void GridCanvas::keyPressEvent(QKeyEvent* event) {
    QPoint next = keyCell_;
    switch (event->key()) {
        case Qt::Key_Left:
            next.rx() -= 1;
            break;
        case Qt::Key_Right:
            next.rx() += 1;
            break;
        case Qt::Key_Up:
            next.ry() -= 1;
            break;
        case Qt::Key_Down:
            next.ry() += 1;
            break;
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            // The topmost zone over the keyboard's cell, as if its remove control were
            // clicked.
            if (keyDrawing_) return;
            for (size_t i = grid_.zones.size(); i-- > 0;) {
                const auto& z = grid_.zones[i];
                if (z.col <= keyCell_.x() && keyCell_.x() < z.col + z.colSpan &&
                    z.row <= keyCell_.y() && keyCell_.y() < z.row + z.rowSpan) {
                    Q_EMIT dragged(removeRect(z).center(), QSizeF(size()));
                    Q_EMIT dragEnded();
                    break;
                }
            }
            return;
        case Qt::Key_Space: {
            const QPointF centre = zoneRect({keyCell_.x(), keyCell_.y(), 1, 1}).center();
            Q_EMIT dragged(centre, QSizeF(size()));
            if (keyDrawing_) Q_EMIT dragEnded();
            keyDrawing_ = !keyDrawing_;
            return;
        }
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    next.setX(std::clamp(next.x(), 0, grid_.columns - 1));
    next.setY(std::clamp(next.y(), 0, grid_.rows - 1));
    keyCell_ = next;
    if (keyDrawing_) Q_EMIT dragged(zoneRect({next.x(), next.y(), 1, 1}).center(), QSizeF(size()));
    update();
}

}  // namespace kelvra::views
