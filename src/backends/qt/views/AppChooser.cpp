#include "backends/qt/views/AppChooser.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "backends/qt/views/SettingsIcons.h"
#include "backends/xdg/DesktopApps.h"
#include "port/Applications.h"
#include "port/Platform.h"

namespace kelvra::views {

AppChooser::AppChooser(const Texts& texts, QWidget* parent)
    : QDialog(parent), search_(new QLineEdit(this)), list_(new QListWidget(this)) {
    setWindowTitle(texts.title);
    setObjectName(QStringLiteral("appChooser"));
    resize(380, 440);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(texts.title, this);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    search_->setPlaceholderText(texts.search);
    search_->setAccessibleName(texts.search);
    search_->setClearButtonEnabled(true);
    layout->addWidget(search_);
    list_->setIconSize(QSize(24, 24));
    list_->setAccessibleName(texts.title);
    layout->addWidget(list_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(search_, &QLineEdit::textChanged, this, &AppChooser::filter);
    fill(texts.running);
}

void AppChooser::fill(const QString& running) {
    std::set<std::string> seen;
    xdg::DesktopApps installed;
    // Running programs first: the one to exclude is usually on screen.
    for (const auto& app : platform().applications->runningApplications()) {
        if (!app.appId || app.activationPolicy != port::ActivationPolicy::regular) continue;
        if (!seen.insert(*app.appId).second) continue;
        const QString id = QString::fromStdString(*app.appId);
        QString name = QString::fromStdString(app.localizedName.value_or(*app.appId));
        if (const auto* entry = installed.byId(*app.appId))
            name = QString::fromStdString(entry->name);
        auto* item = new QListWidgetItem(applicationIconFor(id, name),
                                         name + QStringLiteral(" — ") + running);
        item->setData(Qt::UserRole, id);
        item->setData(Qt::UserRole + 1, name);
        list_->addItem(item);
    }
    std::vector<xdg::DesktopApps::Entry> entries;
    for (const auto& e : installed.entries())
        if (e.shown && !seen.count(e.id)) entries.push_back(e);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return QString::fromStdString(a.name).compare(QString::fromStdString(b.name),
                                                      Qt::CaseInsensitive) < 0;
    });
    for (const auto& e : entries) {
        const QString id = QString::fromStdString(e.id);
        const QString name = QString::fromStdString(e.name);
        auto* item = new QListWidgetItem(applicationIconFor(id, name), name);
        item->setData(Qt::UserRole, id);
        item->setData(Qt::UserRole + 1, name);
        list_->addItem(item);
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
}

void AppChooser::filter(const QString& typed) {
    for (int i = 0; i < list_->count(); ++i) {
        auto* item = list_->item(i);
        item->setHidden(!typed.isEmpty() && !item->text().contains(typed, Qt::CaseInsensitive) &&
                        !item->data(Qt::UserRole).toString().contains(typed, Qt::CaseInsensitive));
    }
}

std::optional<std::pair<QString, QString>> AppChooser::choose(const Texts& texts, QWidget* parent) {
    AppChooser dialog(texts, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    auto* item = dialog.list_->currentItem();
    if (!item || item->isHidden()) return std::nullopt;
    return std::make_pair(item->data(Qt::UserRole).toString(),
                          item->data(Qt::UserRole + 1).toString());
}

}  // namespace kelvra::views
