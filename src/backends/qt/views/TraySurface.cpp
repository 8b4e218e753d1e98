#include "backends/qt/views/TraySurface.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "backends/qt/views/IconPainter.h"
#include "port/Platform.h"

namespace kelvra::views {

namespace {

QString menuText(const port::MenuItem& item) {
    // "&" marks a mnemonic in menu texts; names the user typed must show it as is.
    QString text =
        QString::fromStdString(item.title).replace(QLatin1Char('&'), QLatin1String("&&"));
    if (!item.shortcut.empty()) text += QLatin1Char('\t') + QString::fromStdString(item.shortcut);
    return text;
}

}  // namespace

TraySurface::TraySurface(port::WindowSystem& windowSystem, const port::TrayModel& model)
    : windowSystem_(windowSystem),
      model_(model),
      menu_(std::make_unique<QMenu>()),
      icon_(std::make_unique<QSystemTrayIcon>()) {
    typeAsPopupMenu(menu_.get());
    icon_->setContextMenu(menu_.get());
    // The menu is made again only when it is about to open and something changed.
    QObject::connect(menu_.get(), &QMenu::aboutToShow, menu_.get(), [this] {
        if (menuStale_) rebuildMenu();
    });
    // A click on the icon opens the menu too: it is all the icon offers.
    QObject::connect(
        icon_.get(), &QSystemTrayIcon::activated, menu_.get(),
        [this](QSystemTrayIcon::ActivationReason reason) {
            // A second click soon after the first comes as a double click;
            // it opens the menu all the same.
            if ((reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) &&
                !menu_->isVisible())
                menu_->popup(QCursor::pos());
        });
    applyIcon();
    rebuildMenu();
}

TraySurface::~TraySurface() {
    icon_->hide();
}

void TraySurface::setVisible(bool visible) {
    if (visible && !QSystemTrayIcon::isSystemTrayAvailable()) {
        static bool told = false;
        if (!told)
            logLine("no system tray on this desktop; start kelvra again to open its settings");
        told = true;
    }
    icon_->setVisible(visible);
}

void TraySurface::setModel(const port::SurfaceModel& model) {
    auto* tray = std::get_if<port::TrayModel>(&model);
    if (!tray || *tray == model_) return;
    const bool menuChanged = tray->menu != model_.menu;
    model_ = *tray;
    applyIcon();
    if (!menuChanged) return;
    menuStale_ = true;
    if (!menu_->isVisible()) rebuildMenu();
}

void TraySurface::applyIcon() {
    icon_->setToolTip(QString::fromStdString(model_.toolTip));
    if (shownIcon_ == model_.icon) return;
    shownIcon_ = model_.icon;
    const QPalette palette = QApplication::palette();
    const QColor ink = palette.color(QPalette::WindowText);
    const QColor halo = palette.color(QPalette::Window);
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(trayIcon(model_.icon, size, ink, halo)));
    icon_->setIcon(icon);
}

void TraySurface::typeAsPopupMenu(QMenu* menu) {
    QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu] {
        // The window exists from here on; Qt sets its type only when it is made.
        windowSystem_.markAsPopupMenu(static_cast<port::NativeWindow>(menu->winId()));
    });
}

void TraySurface::rebuildMenu() {
    menuStale_ = false;
    menu_->clear();
    std::function<void(QMenu*, const std::vector<port::MenuItem>&)> fill =
        [&](QMenu* into, const std::vector<port::MenuItem>& items) {
            for (const auto& item : items) {
                if (item.separator) {
                    into->addSeparator();
                } else if (!item.submenu.empty()) {
                    QMenu* sub = into->addMenu(menuText(item));
                    typeAsPopupMenu(sub);
                    fill(sub, item.submenu);
                } else {
                    QAction* action = into->addAction(menuText(item));
                    action->setEnabled(item.enabled);
                    if (item.checked) {
                        action->setCheckable(true);
                        action->setChecked(true);
                    }
                    // Reported after the menu has closed: the choice may change the menu.
                    QObject::connect(action, &QAction::triggered, menu_.get(),
                                     [this, id = item.id] {
                                         QMetaObject::invokeMethod(
                                             menu_.get(), [this, id] { chosen_.emit(id); },
                                             Qt::QueuedConnection);
                                     });
                }
            }
        };
    fill(menu_.get(), model_.menu);
}

}  // namespace kelvra::views
