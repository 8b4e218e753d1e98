#include "ui/OnboardingController.h"

#include "geometry/SnapAction.h"
#include "input/ManagerSnappingConflict.h"
#include "l10n/DisplayNames.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "settings/KeyCombo.h"
#include "ui/ManagerSnappingOffer.h"
#include "window/WindowHandle.h"

namespace kelvra {

namespace {
constexpr double checkInterval = 1.0;

port::MenuItem button(std::string id, std::string title) {
    port::MenuItem b;
    b.id = std::move(id);
    b.title = std::move(title);
    return b;
}
}  // namespace

OnboardingController::OnboardingController(AppSettings& settings, L10n& l10n,
                                           ManagerSnappingConflict* managerSnapping)
    : settings_(settings), l10n_(l10n), managerSnapping_(managerSnapping) {
    subscriptions_.push_back(l10n_.language.sink([this](const AppLanguage&) { refresh(); }));
    subscriptions_.push_back(settings_.crashReportingEnabled.sink([this](bool) { refresh(); }));
    if (managerSnapping_) {
        subscriptions_.push_back(managerSnapping_->changed.connect([this] { refresh(); }));
        subscriptions_.push_back(settings_.dragSnapEnabled.sink([this](bool) { refresh(); }));
    }
}

OnboardingController::~OnboardingController() {
    stopTimer();
    lifetime_.end();
}

port::OnboardingModel OnboardingController::model() const {
    const auto& l = l10n_;
    port::OnboardingModel m;
    m.page = page_;
    if (keysChecked_ && page_ == 2) {
        // The shortcuts page came (or comes) before the tutorial.
        m.pageCount = 4;
        if (keysPage_) {
            keysPage_->fill(m, l);
            return m;
        }
        m.page = 3;
    }
    if (page_ == 0) {
        m.title = l.string("onb.welcomeTitle");
        m.body = l.string("onb.welcomeBody");
        m.buttons = {button("continue", l.string("onb.continue"))};
    } else if (page_ == 1) {
        switch (check_) {
            case SessionCheck::needsPermission:
            case SessionCheck::ready:
                m.title = l.string("onb.permTitle");
                m.body = l.string("onb.permBody");
                m.buttons = {button("grant", l.string("onb.grant"))};
                m.help = {button("", l.string("onb.justToggle")),
                          button("", l.string("onb.permPath")),
                          button("openSettings", l.string("onb.notListed"))};
                m.help.back().shortcut = l.string("onb.openSettings");
                m.waiting = l.string("onb.waiting");
                break;
            case SessionCheck::waylandSession:
                m.title = l.string("onb.waylandTitle");
                m.body = l.string("onb.waylandBody");
                m.buttons = {button("checkAgain", l.string("onb.checkAgain")),
                             button("continueAnyway", l.string("onb.continueAnyway")),
                             button("quit", l.string("menu.quit"))};
                break;
            case SessionCheck::noWindowManager:
            case SessionCheck::newSessionNeeded:
                m.title = l.string(check_ == SessionCheck::noWindowManager ? "onb.noWmTitle"
                                                                           : "onb.newSessionTitle");
                m.body = l.string(check_ == SessionCheck::noWindowManager ? "onb.noWmBody"
                                                                          : "onb.newSessionBody");
                m.buttons = {button("checkAgain", l.string("onb.checkAgain")),
                             button("continueAnyway", l.string("onb.continueAnyway")),
                             button("quit", l.string("menu.quit"))};
                m.waiting = l.string("onb.checking");
                break;
        }
    } else {
        m.title = l.string("onb.tutTitle");
        m.body = l.string("onb.tutBody");
        const auto& table = settings_.shortcuts();
        for (SnapAction action : {SnapAction::snapLeftHalf, SnapAction::showZonePicker}) {
            auto found = table.find(std::string(rawValue(action)));
            const std::string keys =
                found == table.end() ? l.string("sc.unset") : found->second.displayName();
            const std::string what = action == SnapAction::showZonePicker
                                         ? l.string("hud.show")
                                         : displayName(ZoneID::leftHalf, l10n_);
            m.examples.emplace_back(keys, what);
        }
        addManagerSnappingHelp(m);
        m.crashTitle = l.string("onb.crashTitle");
        m.crashBody = l.string("onb.crashBody");
        m.crashOn = settings_.crashReportingEnabled();
        m.buttons = {button("start", l.string("onb.start"))};
    }
    return m;
}

// The same offer as the snap tab's, made before the user's first drag meets two answers.
void OnboardingController::addManagerSnappingHelp(port::OnboardingModel& m) const {
    if (!managerSnapping_ || !settings_.dragSnapEnabled()) return;
    const auto offer = managerSnappingOffer(*managerSnapping_, l10n_);
    if (!offer) return;
    m.help.push_back(button(offer->id, offer->text));
    m.help.back().shortcut = offer->button;
}

void OnboardingController::show() {
    if (!surface_) {
        page_ = 0;
        continueAnyway_ = false;
        keysPage_.reset();
        keysChecked_ = false;
        surface_ = platform().surfaces->create(model());
        if (!surface_) return;
        surfaceSubscriptions_.push_back(
            surface_->onChosen(lifetime_.guard([this](const std::string& id) { choose(id); })));
        // Closed, not finished: it comes back at the next launch.
        surfaceSubscriptions_.push_back(surface_->onDismissed(lifetime_.guard([this] {
            stopTimer();
            onClosed.emit();
        })));
    }
    if (page_ == 1) {
        checkAndAdvance();
        if (page_ == 1) startTimer();
    }
    refresh();
    surface_->setVisible(true);
}

void OnboardingController::choose(const std::string& id) {
    if (keysPage_ && page_ == 2 && keysPage_->choose(id, settings_)) {
        keysPage_.reset();
        refresh();
        return;
    }
    if (id == "continue" && page_ == 0) {
        setPage(1);
    } else if (id == "grant" || id == "openSettings") {
        Permissions::requestOrOpenSettings();
        checkAndAdvance();
    } else if (id == "checkAgain") {
        checkAndAdvance();
    } else if (id == "continueAnyway" && page_ == 1) {
        continueAnyway_ = true;
        enterTutorial();
    } else if (id == "quit") {
        onQuitRequested.emit();
    } else if (id == "managerSnapOff" && managerSnapping_) {
        managerSnapping_->switchManagerOff();
    } else if (id == "managerSnapRestore" && managerSnapping_) {
        managerSnapping_->restoreManager();
    } else if (id == "crash:on" || id == "crash:off") {
        settings_.crashReportingEnabled.set(id == "crash:on");
    } else if (id == "start" && page_ == 2 && !keysPage_) {
        finish();
    }
}

void OnboardingController::setPage(int page) {
    page_ = page;
    if (page_ == 1) {
        // Already fine: straight on, without waiting for the first tick.
        checkAndAdvance();
        if (page_ == 1) startTimer();
    } else {
        stopTimer();
        readManagerSnapping();
    }
    refresh();
}

void OnboardingController::checkAndAdvance() {
    check_ = checkThisSession();
    if (page_ == 1 && check_ == SessionCheck::ready) {
        stopTimer();
        enterTutorial();
    }
    refresh();
}

void OnboardingController::enterTutorial() {
    // Only a first start chooses the set: later the core holds the keys itself, and the
    // shortcuts tab marks what is taken.
    if (!keysChecked_ && !settings_.hasCompletedOnboarding()) {
        keysChecked_ = true;
        keysPage_ = OnboardingShortcutsPage::ifNeeded(settings_.shortcuts());
        // Nothing to choose: the page is left out, and so is its dot.
        if (!keysPage_) keysChecked_ = false;
    }
    setPage(2);
}

void OnboardingController::startTimer() {
    if (timer_.active()) return;
    timer_.every(*platform().runLoop, checkInterval, [this] { checkAndAdvance(); });
}

void OnboardingController::stopTimer() {
    timer_.cancel();
}

void OnboardingController::refresh() {
    if (surface_) surface_->setModel(model());
}

void OnboardingController::readManagerSnapping() {
    // The manager's settings may have changed since: read when its page comes up.
    if (page_ == 2 && managerSnapping_) managerSnapping_->refresh();
}

void OnboardingController::finish() {
    stopTimer();
    settings_.hasCompletedOnboarding.set(true);
    settings_.persist();
    // Released one turn later: this often runs inside the window's own button signal.
    if (surface_) {
        surface_->setVisible(false);
        auto gone =
            std::make_shared<std::pair<std::unique_ptr<port::Surface>, std::vector<Subscription>>>(
                std::move(surface_), std::move(surfaceSubscriptions_));
        platform().runLoop->post([gone] { gone->first.reset(); });
    }
    surface_.reset();
    surfaceSubscriptions_.clear();
    page_ = 0;
    keysPage_.reset();
    keysChecked_ = false;
    onFinished.emit();
}

}  // namespace kelvra
