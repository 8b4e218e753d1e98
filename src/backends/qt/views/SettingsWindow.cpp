#include "backends/qt/views/SettingsWindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "backends/qt/views/IconPainter.h"
#include "backends/qt/views/SettingsIcons.h"
#include "backends/qt/views/SettingsPageView.h"

namespace kelvra::views {

namespace {
constexpr int tabRole = Qt::UserRole;
// The sidebar's width when every label is short; longer labels widen it.
constexpr int minimumSidebarWidth = 210;
// Around a label in the sidebar: the layout's margins, the icon and its spacing, the
// item's own padding.
constexpr int sidebarMargins = 20;
constexpr int itemPadding = 24;
}  // namespace

SettingsWindow::SettingsWindow(Handlers handlers)
    : handlers_(std::move(handlers)),
      side_(new QWidget(this)),
      sidebar_(new QListWidget(this)),
      heading_(new QLabel(this)),
      foot_(new QLabel(this)),
      scroll_(new QScrollArea(this)),
      page_(new SettingsPageView([this](const port::SettingsEdit& e) {
          if (handlers_.edited) handlers_.edited(e);
      })) {
    setObjectName(QStringLiteral("kelvraSettings"));
    // Sizes are in device-independent pixels: Qt scales them with the desktop.
    resize(760, 520);
    setMinimumSize(640, 420);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* side = side_;
    side->setFixedWidth(minimumSidebarWidth);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(10, 14, 10, 10);
    QFont bold = heading_->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    heading_->setFont(bold);
    sideLayout->addWidget(heading_);
    sidebar_->setIconSize(QSize(20, 20));
    sidebar_->setFrameShape(QFrame::NoFrame);
    sidebar_->setAccessibleName(QStringLiteral("tabs"));
    sideLayout->addWidget(sidebar_, 1);
    auto* footRow = new QHBoxLayout();
    auto* appIcon = new QLabel(side);
    appIcon->setPixmap(QPixmap::fromImage(applicationIcon(64))
                           .scaled(28, 28, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    footRow->addWidget(appIcon);
    footRow->addWidget(foot_, 1);
    sideLayout->addLayout(footRow);
    layout->addWidget(side);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);

    scroll_->setWidgetResizable(true);
    // Tab goes from the tab list straight to the page's first control.
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidget(page_);
    layout->addWidget(scroll_, 1);

    connect(sidebar_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* item, QListWidgetItem*) {
                if (!item) return;
                const std::string id = item->data(tabRole).toString().toStdString();
                if (id.empty() || id == model_.selectedTab) return;
                if (handlers_.tabChosen) handlers_.tabChosen(id);
            });
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::fitSidebar() {
    const QFontMetrics metrics(sidebar_->font());
    int widest = 0;
    for (int i = 0; i < sidebar_->count(); ++i) {
        widest = std::max(widest, sidebar_->iconSize().width() + itemPadding +
                                      metrics.horizontalAdvance(sidebar_->item(i)->text()));
    }
    widest = std::max(widest, heading_->fontMetrics().horizontalAdvance(heading_->text()));
    side_->setFixedWidth(std::max(minimumSidebarWidth, widest + sidebarMargins));
}

void SettingsWindow::setModel(const port::SettingsWindowModel& model) {
    const bool tabsChanged = model.tabs != model_.tabs;
    const bool pageChanged = model.selectedTab != model_.selectedTab;
    model_ = model;
    setWindowTitle(QString::fromStdString(model.title) + QStringLiteral(" — Kelvra"));
    heading_->setText(QString::fromStdString(model.title));
    foot_->setText(QString::fromStdString(model.appName) + QStringLiteral("\n") +
                   QString::fromStdString(model.version));
    if (tabsChanged) {
        QSignalBlocker block(sidebar_);
        sidebar_->clear();
        for (const auto& tab : model.tabs) {
            if (tab.dividerBefore && sidebar_->count() > 0) {
                auto* divider = new QListWidgetItem(sidebar_);
                divider->setFlags(Qt::NoItemFlags);
                divider->setSizeHint(QSize(10, 9));
                auto* rule = new QFrame();
                rule->setFrameShape(QFrame::HLine);
                rule->setFrameShadow(QFrame::Sunken);
                sidebar_->setItemWidget(divider, rule);
            }
            auto* item = new QListWidgetItem(
                themedIcon(QString::fromStdString(tab.icon), QString::fromStdString(tab.title)),
                QString::fromStdString(tab.title), sidebar_);
            item->setData(tabRole, QString::fromStdString(tab.id));
            item->setToolTip(QString::fromStdString(tab.subtitle));
            item->setData(Qt::AccessibleDescriptionRole, QString::fromStdString(tab.subtitle));
        }
        fitSidebar();
    }
    {
        QSignalBlocker block(sidebar_);
        for (int i = 0; i < sidebar_->count(); ++i)
            if (sidebar_->item(i)->data(tabRole).toString().toStdString() == model.selectedTab)
                sidebar_->setCurrentRow(i);
    }
    page_->setPage(model.page);
    if (pageChanged) scroll_->verticalScrollBar()->setValue(0);
}

void SettingsWindow::focusTabs() {
    sidebar_->setFocus(Qt::OtherFocusReason);
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
    // Hidden, not destroyed: it opens again as it was.
    event->ignore();
    hide();
    if (handlers_.closed) handlers_.closed();
}

}  // namespace kelvra::views
