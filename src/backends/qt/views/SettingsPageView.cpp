#include "backends/qt/views/SettingsPageView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "backends/qt/views/AppChooser.h"
#include "backends/qt/views/SettingsControls.h"
#include "backends/qt/views/SettingsIcons.h"

namespace kelvra::views {

using port::SettingsControl;
using Gesture = port::SettingsGesture;

namespace {
constexpr int sliderTicks = 1000;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

int toTicks(const port::SettingsRow& r) {
    if (r.maximum <= r.minimum) return 0;
    return static_cast<int>(
        std::lround((r.value - r.minimum) / (r.maximum - r.minimum) * sliderTicks));
}
}  // namespace

struct SettingsPageView::RowWidgets {
    QLabel* icon = nullptr;
    QLabel* title = nullptr;
    QLabel* subtitle = nullptr;
    QLabel* badge = nullptr;
    QCheckBox* toggle = nullptr;
    QComboBox* choice = nullptr;
    std::vector<QToolButton*> segments;
    QSlider* slider = nullptr;
    StepperPillWidget* pill = nullptr;
    QPushButton* button = nullptr;
    ShortcutField* shortcut = nullptr;
    QLineEdit* text = nullptr;
    GridCanvas* grid = nullptr;
    std::vector<QPushButton*> buttons;
};

bool sameShape(const port::SettingsPage& a, const port::SettingsPage& b) {
    if (a.id != b.id || a.rows.size() != b.rows.size()) return false;
    for (size_t i = 0; i < a.rows.size(); ++i) {
        const auto &x = a.rows[i], &y = b.rows[i];
        if (x.id != y.id || x.control != y.control || x.heading != y.heading ||
            x.options.size() != y.options.size() || x.buttons.size() != y.buttons.size() ||
            x.icon != y.icon || x.thumbnail.rects.empty() != y.thumbnail.rects.empty() ||
            x.badge.empty() != y.badge.empty() || x.subtitle.empty() != y.subtitle.empty() ||
            x.title.empty() != y.title.empty())
            return false;
    }
    return a.intro.empty() == b.intro.empty() && a.footer.empty() == b.footer.empty();
}

SettingsPageView::SettingsPageView(EditHandler onEdit, QWidget* parent)
    : QWidget(parent),
      onEdit_(std::move(onEdit)),
      layout_(new QVBoxLayout(this)),
      intro_(new QLabel(this)),
      footer_(new QLabel(this)) {
    layout_->setContentsMargins(20, 16, 20, 16);
    layout_->setSpacing(10);
    intro_->setWordWrap(true);
    footer_->setWordWrap(true);
    footer_->setForegroundRole(QPalette::PlaceholderText);
    layout_->addWidget(intro_);
    layout_->addStretch(1);
    layout_->addWidget(footer_);
}

SettingsPageView::~SettingsPageView() = default;

void SettingsPageView::send(const std::string& row, port::SettingsGesture gesture, double value,
                            const std::string& text, const std::string& detail) {
    port::SettingsEdit e;
    e.row = row;
    e.gesture = gesture;
    e.value = value;
    e.text = text;
    e.detail = detail;
    onEdit_(e);
}

void SettingsPageView::setPage(const port::SettingsPage& page) {
    if (rowsBox_ && sameShape(shown_, page))
        update(page);
    else
        rebuild(page);
    shown_ = page;
}

void SettingsPageView::rebuild(const port::SettingsPage& page) {
    rows_.clear();
    delete rowsBox_;
    rowsBox_ = new QWidget(this);
    auto* box = new QVBoxLayout(rowsBox_);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(6);
    for (const auto& row : page.rows) box->addWidget(makeRow(row));
    layout_->insertWidget(1, rowsBox_);
    update(page);
    // The scroll area sizes the page by its minimum: make it current now, so that a long
    // page scrolls instead of squeezing its rows.
    layout_->activate();
    setMinimumHeight(layout_->minimumSize().height());
    for (const auto& row : page.rows) {
        auto found = rows_.find(row.id);
        if (!row.focus || found == rows_.end()) continue;
        if (auto* field = found->second->text) field->setFocus(Qt::OtherFocusReason);
    }
}

QWidget* SettingsPageView::makeRow(const port::SettingsRow& row) {
    auto w = std::make_unique<RowWidgets>();
    auto* frame = new QFrame(rowsBox_);
    frame->setObjectName(q("row:" + row.id));
    if (!row.heading && row.control != SettingsControl::none)
        frame->setFrameShape(QFrame::StyledPanel);
    auto* outer = new QVBoxLayout(frame);
    outer->setContentsMargins(10, 6, 10, 6);
    auto* line = new QHBoxLayout();
    outer->addLayout(line);
    const std::string id = row.id;
    const QString name = q(row.title.empty() ? row.text : row.title);

    if (!row.icon.empty() || !row.thumbnail.rects.empty()) {
        w->icon = new QLabel(frame);
        line->addWidget(w->icon);
    }
    auto* texts = new QVBoxLayout();
    texts->setSpacing(1);
    if (!row.title.empty()) {
        w->title = new QLabel(frame);
        w->title->setWordWrap(true);
        if (row.heading) {
            QFont f = w->title->font();
            f.setBold(true);
            f.setPointSizeF(f.pointSizeF() * 1.1);
            w->title->setFont(f);
        }
        texts->addWidget(w->title);
    }
    if (!row.subtitle.empty()) {
        w->subtitle = new QLabel(frame);
        w->subtitle->setWordWrap(true);
        w->subtitle->setForegroundRole(QPalette::PlaceholderText);
        texts->addWidget(w->subtitle);
    }
    line->addLayout(texts, 1);
    if (!row.badge.empty()) {
        w->badge = new QLabel(frame);
        w->badge->setStyleSheet(QStringLiteral(
            "QLabel{border:1px solid palette(mid);border-radius:6px;padding:1px 6px;}"));
        line->addWidget(w->badge);
    }

    switch (row.control) {
        case SettingsControl::none:
            break;
        case SettingsControl::toggle:
            w->toggle = new QCheckBox(frame);
            w->toggle->setAccessibleName(name);
            connect(w->toggle, &QCheckBox::toggled, this,
                    [this, id](bool on) { send(id, Gesture::toggled, on ? 1 : 0); });
            line->addWidget(w->toggle);
            break;
        case SettingsControl::choice:
            w->choice = new QComboBox(frame);
            w->choice->setAccessibleName(name);
            w->choice->setMinimumWidth(120);
            connect(w->choice, &QComboBox::activated, this,
                    [this, id](int index) { send(id, Gesture::selected, index); });
            line->addWidget(w->choice);
            break;
        case SettingsControl::segmented: {
            auto* group = new QButtonGroup(frame);
            group->setExclusive(true);
            auto* seg = new QHBoxLayout();
            seg->setSpacing(0);
            for (size_t i = 0; i < row.options.size(); ++i) {
                auto* b = new QToolButton(frame);
                b->setCheckable(true);
                b->setToolButtonStyle(i < row.icons.size() ? Qt::ToolButtonIconOnly
                                                           : Qt::ToolButtonTextOnly);
                b->setFocusPolicy(Qt::StrongFocus);
                b->setMinimumSize(44, 26);
                group->addButton(b, static_cast<int>(i));
                seg->addWidget(b);
                w->segments.push_back(b);
            }
            connect(group, &QButtonGroup::idClicked, this,
                    [this, id](int index) { send(id, Gesture::selected, index); });
            line->addLayout(seg);
            break;
        }
        case SettingsControl::slider:
            w->slider = new QSlider(Qt::Horizontal, frame);
            w->slider->setRange(0, sliderTicks);
            w->slider->setFixedWidth(110);
            w->slider->setAccessibleName(name);
            connect(w->slider, &QSlider::valueChanged, this, [this, id, row](int ticks) {
                const double v = row.minimum + (row.maximum - row.minimum) * ticks / sliderTicks;
                send(id, Gesture::sliderMoved, v);
            });
            line->addWidget(w->slider);
            [[fallthrough]];
        case SettingsControl::stepper:
            w->pill = new StepperPillWidget(frame);
            w->pill->setAccessibleBase(name);
            connect(w->pill, &StepperPillWidget::minus, this,
                    [this, id] { send(id, Gesture::stepperMinus); });
            connect(w->pill, &StepperPillWidget::plus, this,
                    [this, id] { send(id, Gesture::stepperPlus); });
            connect(w->pill, &StepperPillWidget::reset, this,
                    [this, id] { send(id, Gesture::stepperReset); });
            line->addWidget(w->pill);
            break;
        case SettingsControl::button:
            w->button = new QPushButton(frame);
            connect(w->button, &QPushButton::clicked, this,
                    [this, id] { send(id, Gesture::clicked); });
            line->addWidget(w->button);
            if (row.title.empty()) line->insertStretch(0, 1);
            break;
        case SettingsControl::shortcut:
            w->shortcut = new ShortcutField(frame);
            w->shortcut->setAccessibleName(name.isEmpty() ? q(row.subtitle) : name);
            connect(w->shortcut, &QPushButton::clicked, this,
                    [this, id] { send(id, Gesture::recordPressed); });
            line->addWidget(w->shortcut);
            break;
        case SettingsControl::text:
            w->text = new QLineEdit(frame);
            w->text->setAccessibleName(name);
            w->text->setMinimumWidth(180);
            connect(w->text, &QLineEdit::textEdited, this, [this, id](const QString& t) {
                send(id, Gesture::textEdited, 0, t.toStdString());
            });
            connect(w->text, &QLineEdit::returnPressed, this, [this, id, w = w.get()] {
                send(id, Gesture::textCommitted, 0, w->text->text().toStdString());
            });
            line->addWidget(w->text);
            break;
        case SettingsControl::appChooser:
            w->button = new QPushButton(frame);
            w->button->setIcon(themedIcon(QStringLiteral("list-add")));
            connect(w->button, &QPushButton::clicked, this,
                    [this, id, name, search = q(row.placeholder), running = q(row.note)] {
                        if (auto app = AppChooser::choose({name, search, running}, window()))
                            send(id, Gesture::appChosen, 0, app->first.toStdString(),
                                 app->second.toStdString());
                    });
            line->addWidget(w->button);
            if (row.title.empty()) line->insertStretch(0, 1);
            break;
        case SettingsControl::grid:
            w->grid = new GridCanvas(frame);
            w->grid->setAccessibleName(name);
            connect(w->grid, &GridCanvas::dragged, this, [this, id](QPointF p, QSizeF s) {
                port::SettingsEdit e;
                e.row = id;
                e.gesture = Gesture::dragged;
                e.point = {p.x(), p.y()};
                e.canvas = {s.width(), s.height()};
                onEdit_(e);
            });
            connect(w->grid, &GridCanvas::dragEnded, this,
                    [this, id] { send(id, Gesture::dragEnded); });
            outer->addWidget(w->grid);
            break;
    }
    if (!row.buttons.empty()) {
        auto* buttons = new QHBoxLayout();
        if (row.control == SettingsControl::grid || row.control == SettingsControl::none)
            buttons->addStretch(1);
        for (const auto& [bid, title] : row.buttons) {
            auto* b = new QPushButton(q(title), frame);
            b->setAccessibleName(q(title) + (name.isEmpty() ? QString() : " — " + name));
            connect(b, &QPushButton::clicked, this, [this, id, which = bid] {
                port::SettingsEdit e;
                e.row = id;
                e.gesture = Gesture::buttonPressed;
                e.button = which;
                onEdit_(e);
            });
            buttons->addWidget(b);
            w->buttons.push_back(b);
        }
        if (row.control == SettingsControl::grid || row.control == SettingsControl::none)
            outer->addLayout(buttons);
        else
            line->addLayout(buttons);
    }
    rows_[id] = std::move(w);
    return frame;
}

void SettingsPageView::update(const port::SettingsPage& page) {
    intro_->setText(q(page.intro));
    intro_->setVisible(!page.intro.empty());
    footer_->setText(q(page.footer));
    footer_->setVisible(!page.footer.empty());
    for (const auto& row : page.rows) fill(row);
}

void SettingsPageView::fill(const port::SettingsRow& row) {
    auto found = rows_.find(row.id);
    if (found == rows_.end()) return;
    RowWidgets& w = *found->second;
    if (w.icon && !row.thumbnail.rects.empty())
        w.icon->setPixmap(
            thumbnailPixmap(row.thumbnail, w.icon->palette(), 24, w.icon->devicePixelRatioF()));
    else if (w.icon)
        w.icon->setPixmap(applicationIconFor(q(row.icon), q(row.title)).pixmap(24, 24));
    if (w.title) w.title->setText(q(row.title));
    if (w.subtitle) w.subtitle->setText(q(row.subtitle));
    if (w.badge) w.badge->setText(q(row.badge));
    if (w.toggle) {
        QSignalBlocker block(w.toggle);
        w.toggle->setChecked(row.on);
        w.toggle->setEnabled(row.enabled);
        w.toggle->setAccessibleName(q(row.title));
    }
    if (w.choice) {
        QSignalBlocker block(w.choice);
        w.choice->clear();
        for (const auto& o : row.options) w.choice->addItem(q(o));
        w.choice->setCurrentIndex(row.selected);
    }
    for (size_t i = 0; i < w.segments.size(); ++i) {
        QSignalBlocker block(w.segments[i]);
        const QString tip = q(row.options[i]);
        if (i < row.icons.size())
            w.segments[i]->setIcon(themedIcon(q(row.icons[i]), tip));
        else
            w.segments[i]->setText(tip);
        w.segments[i]->setToolTip(tip);
        w.segments[i]->setAccessibleName(q(row.title).isEmpty() ? tip : q(row.title) + ": " + tip);
        w.segments[i]->setChecked(static_cast<int>(i) == row.selected);
    }
    if (w.slider && !w.slider->isSliderDown()) {
        QSignalBlocker block(w.slider);
        w.slider->setValue(toTicks(row));
    }
    if (w.pill) w.pill->setText(q(row.valueText));
    if (w.button) {
        w.button->setText(q(row.text));
        w.button->setEnabled(row.enabled);
        if (row.control == SettingsControl::appChooser && !row.icon.empty())
            w.button->setIcon(applicationIconFor(q(row.icon), q(row.text)));
    }
    if (w.shortcut) w.shortcut->setState(q(row.text), row.recording, row.taken, q(row.note));
    if (w.text && !w.text->hasFocus()) {
        w.text->setText(q(row.text));
        w.text->setPlaceholderText(q(row.placeholder));
    }
    if (w.text && row.text.empty() && w.text->text().isEmpty())
        w.text->setPlaceholderText(q(row.placeholder));
    if (w.grid) w.grid->setGrid(row.grid);
    for (size_t i = 0; i < w.buttons.size() && i < row.buttons.size(); ++i) {
        w.buttons[i]->setText(q(row.buttons[i].second));
        w.buttons[i]->setEnabled(row.enabled);
    }
}

}  // namespace kelvra::views
