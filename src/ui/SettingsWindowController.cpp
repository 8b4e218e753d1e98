#include "ui/SettingsWindowController.h"

#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

SettingsWindowController::SettingsWindowController(const SettingsServices& services)
    : settings_(services.settings), l10n_(services.l10n), viewModel_(services) {
    subscriptions_.push_back(settings_.objectWillChange.connect([this] { scheduleRefresh(); }));
    subscriptions_.push_back(
        services.l10n.language.sink([this](const AppLanguage&) { scheduleRefresh(); }));
    subscriptions_.push_back(viewModel_.changed.connect([this] { scheduleRefresh(); }));
    // The account tab follows sign-in, sign-out and the sync switch wherever they happen.
    subscriptions_.push_back(
        services.account.state.sink([this](const CloudAccount::State&) { scheduleRefresh(); }));
    subscriptions_.push_back(services.sync.enabled.sink([this](bool) { scheduleRefresh(); }));
    subscriptions_.push_back(selectedTab.sink([this](const SettingsTab& tab) {
        if (tab != shownTab_) viewModel_.leave(shownTab_);
        shownTab_ = tab;
        scheduleRefresh();
    }));
}

SettingsWindowController::~SettingsWindowController() {
    lifetime_.end();
}

port::SettingsWindowModel SettingsWindowController::model() const {
    const auto& l = l10n_;
    port::SettingsWindowModel m;
    m.title = l.string("settings");
    for (SettingsTab tab : allSettingsTabs()) {
        const std::string id(rawValue(tab));
        port::SettingsTabItem item{id, l.string("tab." + id), l.string("sub." + id),
                                   std::string(iconName(tab)), false};
        item.dividerBefore = tab == SettingsTab::shortcuts || tab == SettingsTab::exclude ||
                             tab == SettingsTab::account;
        m.tabs.push_back(item);
    }
    m.selectedTab = rawValue(selectedTab());
    m.page = viewModel_.page(selectedTab());
    m.appName = "Kelvra";
    m.version = platform().buildInfo->version;
    return m;
}

void SettingsWindowController::select(SettingsTab tab) {
    if (tab != selectedTab()) selectedTab.set(tab);
}

void SettingsWindowController::show(std::optional<SettingsTab> tab) {
    if (tab) select(*tab);
    if (!surface_) {
        surface_ = platform().surfaces->create(model());
        if (!surface_) return;
        connectSurface();
    }
    surface_->setModel(model());
    surface_->setVisible(true);
    visible_ = true;
}

void SettingsWindowController::setTakenShortcuts(std::vector<KeyCombo> combos) {
    viewModel_.setTakenShortcuts(std::move(combos));
}

void SettingsWindowController::connectSurface() {
    subscriptions_.push_back(surface_->onChosen(lifetime_.guard([this](const std::string& id) {
        if (auto tab = settingsTabFromRaw(id)) select(*tab);
    })));
    subscriptions_.push_back(surface_->onEdited(lifetime_.guard(
        [this](const port::SettingsEdit& edit) { viewModel_.edit(selectedTab(), edit); })));
    subscriptions_.push_back(surface_->onDismissed(lifetime_.guard([this] {
        visible_ = false;
        // A recording must not outlive the window: the hot keys come back.
        viewModel_.leave(selectedTab());
    })));
}

void SettingsWindowController::scheduleRefresh() {
    if (refreshQueued_ || !surface_) return;
    refreshQueued_ = true;
    platform().runLoop->post(lifetime_.guard([this] { refresh(); }));
}

void SettingsWindowController::refresh() {
    refreshQueued_ = false;
    if (surface_) surface_->setModel(model());
}

}  // namespace kelvra
