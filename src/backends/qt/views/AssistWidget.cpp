#include "backends/qt/views/AssistWidget.h"

#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegion>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "backends/qt/views/PanelPainting.h"
#include "style/Theme.h"

namespace kelvra::views {

namespace {

constexpr double iconSize = 48;
constexpr double iconTop = 12;  // from the card's top
constexpr double cardInset = 8;
constexpr int scrollBarWidth = 10;

}  // namespace

AssistWidget::AssistWidget(const port::AssistCardsModel& model)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::NoDropShadowWindowHint),
      scrollBar_(new QScrollBar(Qt::Vertical, this)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    // Each panel its own title: the next zone's panel shows while the last one may still
    // be on screen, and a compositor bridge finds Kelvra's windows by title.
    static int made = 0;
    setWindowTitle(QStringLiteral("Kelvra snap assist %1").arg(++made));
    scrollBar_->setFocusPolicy(Qt::NoFocus);
    connect(scrollBar_, &QScrollBar::valueChanged, this, [this] { update(); });
    setModel(model);
}

void AssistWidget::setModel(const port::AssistCardsModel& model) {
    model_ = model;
    icons_.clear();
    for (const auto& card : model_.cards) icons_.push_back(iconOf(card));
    hovered_.reset();
    layoutScrollBar();
    update();
}

QIcon AssistWidget::iconOf(const port::AssistCard& card) const {
    if (!card.icon) return {};
    const auto& icon = *card.icon;
    if (!icon.argb.empty() && icon.width > 0 && icon.height > 0 &&
        icon.argb.size() >= size_t(icon.width) * size_t(icon.height)) {
        // The pixels are straight ARGB words, as QImage's ARGB32 keeps them.
        QImage image(reinterpret_cast<const uchar*>(icon.argb.data()), icon.width, icon.height,
                     icon.width * 4, QImage::Format_ARGB32);
        return QIcon(QPixmap::fromImage(image.copy()));
    }
    QString name = QString::fromStdString(icon.themeName);
    if (name.isEmpty()) return {};
    if (QFileInfo(name).isAbsolute()) return QIcon(name);
    QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull()) return themed;
    // Where the icon theme lookup ends: the shared pixmaps folder.
    for (const char* suffix : {".png", ".svg", ".xpm"}) {
        QString file = QStringLiteral("/usr/share/pixmaps/") + name + QLatin1String(suffix);
        if (QFileInfo::exists(file)) return QIcon(file);
    }
    return {};
}

void AssistWidget::setComposited(bool composited) {
    if (composited == composited_) return;
    composited_ = composited;
    maskPanel(*this, composited_);
    update();
}

QRectF AssistWidget::gridArea() const {
    double top = padding + headerHeight + gap;
    return {padding, top, std::max(0.0, width() - 2 * padding),
            std::max(0.0, height() - top - padding)};
}

int AssistWidget::columns() const {
    // The scroll bar's room is kept even when it is hidden, so cards never reflow as it
    // comes and goes.
    double w = gridArea().width() - scrollBarWidth;
    int fit = static_cast<int>(std::floor((w + gap) / (minCardWidth + gap)));
    return std::clamp(fit, 1, maxColumns);
}

double AssistWidget::contentHeight() const {
    int n = static_cast<int>(model_.cards.size());
    int rows = (n + columns() - 1) / columns();
    return rows * cardHeight + std::max(0, rows - 1) * gap;
}

QRectF AssistWidget::cardRect(int index) const {
    QRectF area = gridArea();
    int cols = columns();
    double w = (area.width() - scrollBarWidth - (cols - 1) * gap) / cols;
    int column = index % cols, row = index / cols;
    return {area.left() + column * (w + gap),
            area.top() + row * (cardHeight + gap) - scrollBar_->value(), w, cardHeight};
}

std::optional<int> AssistWidget::cardAt(QPointF point) const {
    if (!gridArea().contains(point)) return std::nullopt;
    for (int i = 0; i < static_cast<int>(model_.cards.size()); ++i)
        if (cardRect(i).contains(point)) return i;
    return std::nullopt;
}

void AssistWidget::layoutScrollBar() {
    QRectF area = gridArea();
    int overflow = static_cast<int>(std::ceil(contentHeight() - area.height()));
    scrollBar_->setRange(0, std::max(0, overflow));
    scrollBar_->setPageStep(static_cast<int>(area.height()));
    scrollBar_->setSingleStep(static_cast<int>(cardHeight / 2));
    scrollBar_->setGeometry(static_cast<int>(area.right()) - scrollBarWidth,
                            static_cast<int>(area.top()), scrollBarWidth,
                            static_cast<int>(area.height()));
    scrollBar_->setVisible(overflow > 0);
}

void AssistWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutScrollBar();
    maskPanel(*this, composited_);
}

void AssistWidget::mouseMoveEvent(QMouseEvent* event) {
    auto card = cardAt(event->position());
    if (card != hovered_) {
        hovered_ = card;
        update();
    }
}

void AssistWidget::leaveEvent(QEvent*) {
    hovered_.reset();
    update();
}

void AssistWidget::wheelEvent(QWheelEvent* event) {
    scrollBar_->setValue(scrollBar_->value() - event->angleDelta().y() / 2);
}

void AssistWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    // The offer may move on, and this widget go, while the signal runs.
    if (auto card = cardAt(event->position())) cardClicked.emit(*card);
}

void AssistWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Opaque with a compositor too: a window beneath showing through part of the panel
    // would paint the card area in a second tone.
    const PanelColours colours = paintPanel(p, *this, composited_, 1.0);
    const bool isDark = colours.dark;
    const QColor text = colours.text, secondary = colours.secondary;

    // The header: the title on the left, the hint on the right, each elided to its room.
    QRectF header(padding, padding, width() - 2 * padding, headerHeight);
    QFont hintFont = font();
    hintFont.setPointSizeF(10);
    QFontMetricsF hintMetrics(hintFont);
    QString hint = QString::fromStdString(model_.hint);
    double hintWidth = std::min(hintMetrics.horizontalAdvance(hint), header.width() / 3);
    p.setFont(hintFont);
    p.setPen(secondary);
    p.drawText(QRectF(header.right() - hintWidth, header.top(), hintWidth, header.height()),
               Qt::AlignRight | Qt::AlignVCenter,
               hintMetrics.elidedText(hint, Qt::ElideRight, hintWidth));
    QFont titleFont = font();
    titleFont.setPointSizeF(12);
    titleFont.setWeight(QFont::DemiBold);
    QRectF titleRect(header.left(), header.top(), std::max(0.0, header.width() - hintWidth - gap),
                     header.height());
    p.setFont(titleFont);
    p.setPen(text);
    p.drawText(titleRect, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetricsF(titleFont).elidedText(QString::fromStdString(model_.title),
                                                   Qt::ElideRight, titleRect.width()));

    QFont cardTitleFont = font();
    cardTitleFont.setPointSizeF(10.5);
    cardTitleFont.setWeight(QFont::Medium);
    QFont appFont = font();
    appFont.setPointSizeF(9);
    QFontMetricsF titleMetrics(cardTitleFont), appMetrics(appFont);
    QColor accent = toQColor(Theme::accent);
    p.setClipRect(gridArea());
    for (int i = 0; i < static_cast<int>(model_.cards.size()); ++i) {
        QRectF card = cardRect(i);
        if (!card.intersects(gridArea())) continue;
        const auto& c = model_.cards[static_cast<size_t>(i)];
        bool hovered = hovered_ == i;
        p.setPen(hovered ? QPen(withAlpha(accent, 0.85), 1.5)
                         : QPen(withAlpha(text, isDark ? 0.12 : 0.08), 1));
        p.setBrush(hovered ? withAlpha(accent, isDark ? 0.28 : 0.16)
                           : withAlpha(text, isDark ? 0.07 : 0.04));
        p.drawRoundedRect(card.adjusted(0.75, 0.75, -0.75, -0.75), 10, 10);

        QRectF iconRect(card.center().x() - iconSize / 2, card.top() + iconTop, iconSize, iconSize);
        const QIcon& icon = icons_[static_cast<size_t>(i)];
        if (!icon.isNull()) {
            icon.paint(&p, iconRect.toAlignedRect());
        } else {
            // No icon: the title's first letter in a tile.
            p.setPen(Qt::NoPen);
            p.setBrush(withAlpha(accent, 0.75));
            p.drawRoundedRect(iconRect, 10, 10);
            QFont letterFont = font();
            letterFont.setPointSizeF(20);
            letterFont.setWeight(QFont::DemiBold);
            p.setFont(letterFont);
            p.setPen(Qt::white);
            p.drawText(iconRect, Qt::AlignCenter,
                       QString::fromStdString(c.title).left(1).toUpper());
        }

        double textWidth = std::max(0.0, card.width() - 2 * cardInset);
        double textTop = iconRect.bottom() + 6;
        p.setFont(cardTitleFont);
        p.setPen(text);
        p.drawText(
            QRectF(card.left() + cardInset, textTop, textWidth, titleMetrics.height()),
            Qt::AlignHCenter | Qt::AlignTop,
            titleMetrics.elidedText(QString::fromStdString(c.title), Qt::ElideRight, textWidth));
        if (!c.appName.empty() && c.appName != c.title) {
            p.setFont(appFont);
            p.setPen(secondary);
            p.drawText(QRectF(card.left() + cardInset, textTop + titleMetrics.height() + 1,
                              textWidth, appMetrics.height()),
                       Qt::AlignHCenter | Qt::AlignTop,
                       appMetrics.elidedText(QString::fromStdString(c.appName), Qt::ElideRight,
                                             textWidth));
        }
    }
}

}  // namespace kelvra::views
