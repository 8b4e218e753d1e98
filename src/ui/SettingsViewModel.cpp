#include "ui/SettingsViewModel.h"

#include <array>
#include <cmath>

#include "cloud/CloudAccount.h"
#include "cloud/CloudSync.h"
#include "diagnostics/UpdaterController.h"
#include "input/ManagerSnappingConflict.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "ui/ManagerSnappingOffer.h"
#include "ui/SettingsRows.h"

namespace kelvra {

using port::RowButton;
using port::SettingsControl;
using port::SettingsEdit;
using port::SettingsGesture;
using port::SettingsPage;
using port::SettingsRow;

namespace {

constexpr std::array<double, 4> minWidths = {320, 400, 480, 560};

std::string percent(double v) {
    return std::to_string(static_cast<int>(std::lround(v * 100))) + "%";
}

std::string pixels(double v) {
    return std::to_string(static_cast<int>(std::lround(v))) + " px";
}

SettingsRow slider(std::string id, std::string title, double value, const StepperPill& pill,
                   std::string valueText) {
    auto r = rows::note(std::move(id), std::move(title));
    r.control = SettingsControl::slider;
    r.value = value;
    r.minimum = pill.minimum;
    r.maximum = pill.maximum;
    r.valueText = std::move(valueText);
    return r;
}

// A slider position goes to the nearest step, inside the range.
double fromSlider(const StepperPill& pill, double value) {
    return pill.clamp(pill.step * std::round(value / pill.step));
}

// Applies a slider or stepper gesture to a bound number; false for other gestures.
bool editNumber(Published<double>& field, const StepperPill& pill, const SettingsEdit& e) {
    if (e.gesture == SettingsGesture::sliderMoved) {
        field.set(fromSlider(pill, e.value));
    } else if (e.gesture == SettingsGesture::stepperMinus) {
        field.set(pill.minus(field()));
    } else if (e.gesture == SettingsGesture::stepperPlus) {
        field.set(pill.plus(field()));
    } else if (e.gesture == SettingsGesture::stepperReset) {
        if (auto v = pill.reset()) field.set(*v);
    } else {
        return false;
    }
    return true;
}

}  // namespace

SettingsViewModel::SettingsViewModel(const SettingsServices& services)
    : settings_(services.settings),
      l10n_(services.l10n),
      recorder_(services.recorder),
      account_(services.account),
      sync_(services.sync),
      updater_(services.updater),
      managerSnapping_(services.managerSnapping),
      layout_(services.settings, services.l10n) {
    subscriptions_.push_back(
        recorder_.recording.sink([this](const std::optional<std::string>&) { changed.emit(); }));
    if (managerSnapping_)
        subscriptions_.push_back(managerSnapping_->changed.connect([this] { changed.emit(); }));
}

SettingsViewModel::~SettingsViewModel() = default;

std::string SettingsViewModel::t(const std::string& key) const {
    return l10n_.string(key);
}

void SettingsViewModel::setTakenShortcuts(std::vector<KeyCombo> combos) {
    taken_ = std::move(combos);
    changed.emit();
}

const StepperPill& SettingsViewModel::overlayOpacityPill() {
    static const StepperPill pill{0.1, 0.4, 0.01, settingDefaults::overlayOpacity};
    return pill;
}

const StepperPill& SettingsViewModel::gapPill() {
    static const StepperPill pill{0, 32, 1, settingDefaults::windowGap};
    return pill;
}

const StepperPill& SettingsViewModel::paddingPill() {
    static const StepperPill pill{0, 64, 1, settingDefaults::screenPadding};
    return pill;
}

SettingsPage SettingsViewModel::page(SettingsTab tab) const {
    SettingsPage p;
    switch (tab) {
        case SettingsTab::general:
            p = generalPage();
            break;
        case SettingsTab::snap:
            p = snapPage();
            break;
        case SettingsTab::tiling:
            p = tilingPage();
            break;
        case SettingsTab::shortcuts:
            p = shortcutsPage();
            break;
        case SettingsTab::layout:
            p = layoutPage();
            break;
        case SettingsTab::workspaces:
            p = workspacesPage();
            break;
        case SettingsTab::autoPlace:
            p = autoPlacePage();
            break;
        case SettingsTab::exclude:
            p = excludePage();
            break;
        case SettingsTab::account:
            p = accountPage();
            break;
    }
    p.id = std::string(rawValue(tab));
    p.title = t("tab." + p.id);
    return p;
}

void SettingsViewModel::edit(SettingsTab tab, const SettingsEdit& e) {
    switch (tab) {
        case SettingsTab::general:
            return editGeneral(e);
        case SettingsTab::snap:
            return editSnap(e);
        case SettingsTab::tiling:
            return editTiling(e);
        case SettingsTab::shortcuts:
            return editShortcuts(e);
        case SettingsTab::layout:
            return editLayout(e);
        case SettingsTab::workspaces:
            return editWorkspaces(e);
        case SettingsTab::autoPlace:
            return editAutoPlace(e);
        case SettingsTab::exclude:
            return editExclude(e);
        case SettingsTab::account:
            return editAccount(e);
    }
}

void SettingsViewModel::leave(SettingsTab tab) {
    if (tab == SettingsTab::shortcuts || tab == SettingsTab::workspaces) recorder_.stop();
}

// General ------------------------------------------------------------------------------

SettingsPage SettingsViewModel::generalPage() const {
    SettingsPage p;
    p.rows.push_back(
        rows::toggle(l10n_, "launchAtLogin", "gen.launchLogin", settings_.launchAtLogin()));
    p.rows.push_back(
        rows::toggle(l10n_, "showMenuBarIcon", "gen.menuBarIcon", settings_.showTrayIcon()));

    auto language = rows::note("language", t("gen.language"));
    language.control = SettingsControl::choice;
    const auto options = l10n_.pickerOptions();
    const std::string current = settings_.languageCode().value_or("");
    for (size_t i = 0; i < options.size(); ++i) {
        language.options.push_back(options[i].second);
        if (options[i].first == current) language.selected = static_cast<int>(i);
    }
    if (language.selected < 0) language.selected = 0;
    p.rows.push_back(language);

    // The updater is optional: without one these rows show but do nothing.
    auto update =
        rows::toggle(l10n_, "autoUpdate", "gen.autoUpdate",
                     updater_ && updater_->automaticallyChecksForUpdates(), "gen.autoUpdateSub");
    update.enabled = updater_ != nullptr;
    update.buttons = {{RowButton::checkNow, t("common.checkNow")}};
    p.rows.push_back(update);

    p.rows.push_back(rows::toggle(l10n_, "crashReports", "gen.crashReports",
                                  settings_.crashReportingEnabled(), "gen.crashReportsSub"));
    p.footer = "Kelvra " + platform().buildInfo->version + " · " + platform().backend->name();
    return p;
}

void SettingsViewModel::editGeneral(const SettingsEdit& e) {
    const bool on = e.value != 0;
    if (e.row == "launchAtLogin") {
        settings_.launchAtLogin.set(on);
    } else if (e.row == "showMenuBarIcon") {
        settings_.showTrayIcon.set(on);
    } else if (e.row == "autoUpdate" && updater_) {
        if (e.pressed(RowButton::checkNow)) {
            updater_->checkNow();
        } else {
            updater_->setAutomaticallyChecksForUpdates(on);
        }
    } else if (e.row == "crashReports") {
        settings_.crashReportingEnabled.set(on);
    } else if (e.row == "language" && e.gesture == SettingsGesture::selected) {
        const auto options = l10n_.pickerOptions();
        const auto i = static_cast<size_t>(e.value);
        if (i >= options.size()) return;
        if (options[i].first.empty())
            settings_.languageCode.set(std::nullopt);
        else
            settings_.languageCode.set(options[i].first);
    }
}

// Snap ---------------------------------------------------------------------------------

SettingsPage SettingsViewModel::snapPage() const {
    SettingsPage p;
    p.rows.push_back(rows::toggle(l10n_, "dragSnap", "snap.dragSnap", settings_.dragSnapEnabled(),
                                  "snap.dragSnapSub"));
    addManagerSnappingRow(p);
    p.rows.push_back(rows::toggle(l10n_, "snapAssist", "snap.snapAssist",
                                  settings_.snapAssistEnabled(), "snap.snapAssistSub"));
    p.rows.push_back(rows::toggle(l10n_, "cornerQuarter", "snap.cornerQuarter",
                                  settings_.cornerQuarterPriority()));
    auto top = rows::note("topEdge", t("snap.topEdge"));
    top.control = SettingsControl::segmented;
    top.options = {t("common.off"), t("zone.topHalf"), t("zone.maximize")};
    top.icons = {"action-unavailable", "zone:topHalf", "zone:maximize"};
    top.selected = static_cast<int>(settings_.topEdgeAction());
    p.rows.push_back(top);
    p.rows.push_back(slider("overlayOpacity", t("snap.overlayOpacity"), settings_.overlayOpacity(),
                            overlayOpacityPill(), percent(settings_.overlayOpacity())));
    return p;
}

// The window manager's own edge snapping, when it would answer the same drags: what
// happens to Kelvra's, and the one-click way to change it (or back).
void SettingsViewModel::addManagerSnappingRow(SettingsPage& p) const {
    if (!managerSnapping_ || !settings_.dragSnapEnabled()) return;
    managerSnapping_->refresh();
    const auto offer = managerSnappingOffer(*managerSnapping_, l10n_);
    if (!offer) return;
    if (offer->id.empty())
        p.rows.push_back(rows::note("managerSnapUnknown", offer->text));
    else
        p.rows.push_back(rows::button(offer->id, offer->text, offer->button));
}

void SettingsViewModel::editSnap(const SettingsEdit& e) {
    const bool on = e.value != 0;
    if (e.row == "dragSnap") {
        settings_.dragSnapEnabled.set(on);
    } else if (e.row == "managerSnapOff" && managerSnapping_) {
        managerSnapping_->switchManagerOff();
    } else if (e.row == "managerSnapRestore" && managerSnapping_) {
        managerSnapping_->restoreManager();
    } else if (e.row == "snapAssist") {
        settings_.snapAssistEnabled.set(on);
    } else if (e.row == "cornerQuarter") {
        settings_.cornerQuarterPriority.set(on);
    } else if (e.row == "topEdge") {
        const auto i = static_cast<size_t>(e.value);
        if (i < allTopEdgeActions().size()) settings_.topEdgeAction.set(allTopEdgeActions()[i]);
    } else if (e.row == "overlayOpacity") {
        editNumber(settings_.overlayOpacity, overlayOpacityPill(), e);
    }
}

// Tiling -------------------------------------------------------------------------------

SettingsPage SettingsViewModel::tilingPage() const {
    SettingsPage p;
    p.rows.push_back(
        rows::toggle(l10n_, "linked", "til.linked", settings_.tilingEnabled(), "til.linkedSub"));
    const double gap = settings_.windowGap();
    auto gapRow = slider("gap", t("til.gap"), gap, gapPill(), pixels(gap));
    gapRow.subtitle = t(gap == 0 ? "spacing.gapZero" : "spacing.gapDesc");
    p.rows.push_back(gapRow);
    const double pad = settings_.screenPadding();
    auto padRow = slider("padding", t("til.padding"), pad, paddingPill(), pixels(pad));
    padRow.subtitle = t(pad == 0 ? "spacing.padZero" : "spacing.padDesc");
    p.rows.push_back(padRow);

    auto width = rows::note("minWidth", t("til.minWidth"));
    width.control = SettingsControl::choice;
    for (size_t i = 0; i < minWidths.size(); ++i) {
        width.options.push_back(pixels(minWidths[i]));
        if (minWidths[i] == settings_.minWindowWidth()) width.selected = static_cast<int>(i);
    }
    p.rows.push_back(width);
    p.rows.push_back(
        rows::toggle(l10n_, "dblReset", "til.dblReset", settings_.dividerDoubleClickReset()));
    p.footer = t("til.footer");
    return p;
}

void SettingsViewModel::editTiling(const SettingsEdit& e) {
    const bool on = e.value != 0;
    if (e.row == "linked") {
        settings_.tilingEnabled.set(on);
    } else if (e.row == "gap") {
        editNumber(settings_.windowGap, gapPill(), e);
    } else if (e.row == "padding") {
        editNumber(settings_.screenPadding, paddingPill(), e);
    } else if (e.row == "minWidth") {
        const auto i = static_cast<size_t>(e.value);
        if (i < minWidths.size()) settings_.minWindowWidth.set(minWidths[i]);
    } else if (e.row == "dblReset") {
        settings_.dividerDoubleClickReset.set(on);
    }
}

// Account ------------------------------------------------------------------------------

SettingsPage SettingsViewModel::accountPage() const {
    SettingsPage p;
    const auto state = account_.state.get();
    if (state.isSignedIn()) {
        p.rows.push_back(rows::heading("signedIn", t("acct.signedIn")));
        p.rows.back().subtitle = state.email;
        const std::string plan = state.tier == "pro" ? t("acct.tierPro") : t("acct.tierFree");
        p.rows.push_back(rows::note("tier", format(t("acct.tier"), {plan})));
        p.rows.push_back(
            rows::toggle(l10n_, "sync", "acct.sync", sync_.enabled.get(), "acct.syncBody"));
        p.rows.push_back(rows::button("signOut", "", t("acct.signOut")));
    } else {
        p.rows.push_back(rows::heading("signedOut", t("acct.signedOutTitle")));
        p.rows.back().subtitle = t("acct.signedOutBody");
        // Without a keyring the token could not be kept: say so instead of failing quietly.
        if (state.kind == CloudAccount::State::Kind::noSecretStore)
            p.rows.push_back(rows::note("noSecretStore", t("acct.noSecretStore")));
        // Stays available while a sign-in is pending: a new one replaces it.
        p.rows.push_back(rows::button("signIn", "", t("acct.signIn")));
    }
    p.footer = t("acct.footer");
    return p;
}

void SettingsViewModel::editAccount(const SettingsEdit& e) {
    if (e.row == "signIn") {
        account_.signIn();
    } else if (e.row == "signOut") {
        account_.signOut();
    } else if (e.row == "sync") {
        sync_.enabled.set(e.value != 0);
    }
    changed.emit();
}

}  // namespace kelvra
