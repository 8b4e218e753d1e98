#include "backends/qt/views/OnboardingWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "backends/qt/views/IconPainter.h"

namespace kelvra::views {

namespace {
QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QLabel* wrapped(const QString& text, QWidget* parent, bool centred = true) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    if (centred) label->setAlignment(Qt::AlignHCenter);
    return label;
}

// "Ctrl+Alt+Left" as key chips.
QWidget* keyChips(const QString& combo, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(3);
    for (const QString& part : combo.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
        auto* chip = new QLabel(part, box);
        chip->setStyleSheet(
            QStringLiteral("QLabel{border:1px solid palette(mid);border-radius:4px;padding:1px 5px;"
                           "background:palette(alternate-base);}"));
        row->addWidget(chip);
    }
    return box;
}
}  // namespace

OnboardingWindow::OnboardingWindow(Handlers handlers)
    : handlers_(std::move(handlers)), layout_(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("kelvraOnboarding"));
    setWindowTitle(QStringLiteral("Kelvra"));
    // Fixed in device-independent pixels; Qt scales with the desktop's factor.
    setFixedSize(340, 470);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    layout_->setContentsMargins(22, 18, 22, 14);
    dots_.setInterval(400);
    connect(&dots_, &QTimer::timeout, this, [this] {
        phase_ = (phase_ + 1) % 4;
        if (waiting_) waiting_->setText(waitingText_ + QString(phase_, QLatin1Char('.')));
    });
}

OnboardingWindow::~OnboardingWindow() = default;

void OnboardingWindow::setModel(const port::OnboardingModel& model) {
    if (model == model_ && content_) return;
    model_ = model;
    rebuild();
}

void OnboardingWindow::rebuild() {
    const QString focused = focusWidget() ? focusWidget()->objectName() : QString();
    delete content_;
    waiting_ = nullptr;
    content_ = new QWidget(this);
    auto* v = new QVBoxLayout(content_);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(14);
    v->setAlignment(Qt::AlignHCenter);

    if (model_.page == 0) {
        auto* icon = new QLabel(content_);
        icon->setPixmap(QPixmap::fromImage(applicationIcon(128))
                            .scaled(72, 72, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        icon->setAlignment(Qt::AlignHCenter);
        v->addWidget(icon);
    }

    auto* title = wrapped(q(model_.title), content_);
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.35);
    title->setFont(big);
    title->setAccessibleName(q(model_.title));
    v->addWidget(title);
    v->addWidget(wrapped(q(model_.body), content_));

    for (const auto& help : model_.help) {
        auto* line = new QHBoxLayout();
        auto* label = wrapped(q(help.title), content_, false);
        label->setForegroundRole(QPalette::PlaceholderText);
        line->addWidget(label, 1);
        if (!help.id.empty()) {
            auto* b = new QPushButton(q(help.shortcut), content_);
            b->setObjectName(q("help:" + help.id));
            const std::string id = help.id;
            connect(b, &QPushButton::clicked, this, [this, id] { handlers_.chosen(id); });
            line->addWidget(b);
        }
        v->addLayout(line);
    }

    // A few examples sit on the page; a whole shortcut set scrolls in its own box.
    constexpr size_t examplesOnPage = 4;
    QWidget* examplesBox = content_;
    QVBoxLayout* examples = v;
    if (model_.examples.size() > examplesOnPage) {
        auto* scroll = new QScrollArea(content_);
        scroll->setObjectName(QStringLiteral("examples"));
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::StyledPanel);
        examplesBox = new QWidget(scroll);
        examples = new QVBoxLayout(examplesBox);
        scroll->setWidget(examplesBox);
        v->addWidget(scroll, 1);
    }
    for (const auto& [keys, what] : model_.examples) {
        auto* line = new QHBoxLayout();
        line->addWidget(keyChips(q(keys), examplesBox));
        line->addWidget(wrapped(q(what), examplesBox, false), 1);
        examples->addLayout(line);
    }

    if (model_.crashTitle) {
        auto* card = new QFrame(content_);
        card->setFrameShape(QFrame::StyledPanel);
        auto* c = new QHBoxLayout(card);
        auto* texts = new QVBoxLayout();
        auto* heading = wrapped(q(*model_.crashTitle), card, false);
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        texts->addWidget(heading);
        auto* body = wrapped(q(model_.crashBody), card, false);
        body->setForegroundRole(QPalette::PlaceholderText);
        texts->addWidget(body);
        c->addLayout(texts, 1);
        auto* toggle = new QCheckBox(card);
        toggle->setObjectName(QStringLiteral("crash"));
        toggle->setAccessibleName(q(*model_.crashTitle));
        toggle->setChecked(model_.crashOn);
        connect(toggle, &QCheckBox::toggled, this,
                [this](bool on) { handlers_.chosen(on ? "crash:on" : "crash:off"); });
        c->addWidget(toggle);
        v->addWidget(card);
    }

    if (model_.waiting) {
        waitingText_ = q(*model_.waiting);
        waiting_ = wrapped(waitingText_, content_);
        waiting_->setForegroundRole(QPalette::PlaceholderText);
        v->addWidget(waiting_);
        dots_.start();
    } else {
        dots_.stop();
    }

    // A scrolling set takes the free height itself.
    if (examples == v) v->addStretch(1);
    QPushButton* first = nullptr;
    for (const auto& b : model_.buttons) {
        auto* button = new QPushButton(q(b.title), content_);
        button->setObjectName(q("button:" + b.id));
        button->setMinimumHeight(30);
        const std::string id = b.id;
        connect(button, &QPushButton::clicked, this, [this, id] { handlers_.chosen(id); });
        v->addWidget(button);
        if (!first) first = button;
    }

    // Page dots.
    QString dots;
    for (int i = 0; i < model_.pageCount; ++i)
        dots += i == model_.page ? QStringLiteral("●") : QStringLiteral("○");
    auto* pageDots = wrapped(dots.split(QString()).join(QLatin1Char(' ')).trimmed(), content_);
    pageDots->setAccessibleName(
        QStringLiteral("%1 / %2").arg(model_.page + 1).arg(model_.pageCount));
    v->addWidget(pageDots);
    layout_->addWidget(content_);

    // Enter presses the page's main button; the focus stays where it was when it still
    // exists (a switch just flipped).
    if (first) {
        first->setDefault(true);
        first->setAutoDefault(true);
    }
    QWidget* again = focused.isEmpty() ? nullptr : content_->findChild<QWidget*>(focused);
    if (again)
        again->setFocus(Qt::OtherFocusReason);
    else if (first)
        first->setFocus(Qt::OtherFocusReason);
}

void OnboardingWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    if (handlers_.closed) handlers_.closed();
}

}  // namespace kelvra::views
