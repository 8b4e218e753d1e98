#include "arrange/PlacementRuleManager.h"

#include <algorithm>

#include "arrange/SettleCheck.h"
#include "engine/SnapEngine.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "settings/CustomLayout.h"

namespace kelvra {

PlacementRuleManager::PlacementRuleManager(AppSettings& settings, SnapEngine& engine)
    : settings_(settings), engine_(engine) {}

PlacementRuleManager::~PlacementRuleManager() {
    lifetime_.end();
}

void PlacementRuleManager::later(double seconds, std::function<void()> work) {
    platform().runLoop->scheduleTimer(seconds, false, lifetime_.guard(std::move(work)));
}

void PlacementRuleManager::start() {
    if (started_) return;
    started_ = true;
    auto& apps = *platform().applications;
    launchObserver_ =
        apps.onLaunched([this](const port::RunningApplication& a) { handleLaunch(a); });
    terminateObserver_ = apps.onTerminated([this](const port::RunningApplication& a) {
        windowObservers_.erase(a.pid);
        std::erase_if(placed_, [&](const auto& entry) { return entry.second == a.pid; });
    });
    rebuildWindowObservers();
    rulesObserver_ = settings_.placementRules.sink(
        [this](const std::vector<PlacementRule>&) { rebuildWindowObservers(); });
}

std::optional<PlacementRule> PlacementRuleManager::ruleFor(const std::string& appId,
                                                           PlacementRule::Trigger trigger) const {
    for (const auto& rule : settings_.placementRules())
        if (rule.enabled && rule.appId == appId && rule.trigger == trigger) return rule;
    return std::nullopt;
}

std::set<int32_t> PlacementRuleManager::observedProcesses() const {
    std::set<int32_t> pids;
    for (const auto& [pid, subscription] : windowObservers_) pids.insert(pid);
    return pids;
}

void PlacementRuleManager::rebuildWindowObservers() {
    windowObservers_.clear();
    std::set<std::string> watched;
    for (const auto& rule : settings_.placementRules())
        if (rule.enabled && rule.trigger == PlacementRule::Trigger::newWindow)
            watched.insert(rule.appId);
    if (watched.empty()) return;
    for (const auto& app : platform().applications->runningApplications())
        if (app.activationPolicy == port::ActivationPolicy::regular && app.appId &&
            watched.count(*app.appId))
            observeApp(app.pid);
}

void PlacementRuleManager::observeApp(int32_t pid) {
    if (windowObservers_.count(pid)) return;
    windowObservers_[pid] = platform().windows->onWindowCreated(
        pid, [this](port::WindowRef window) { handleWindowCreated(window); });
}

bool PlacementRuleManager::mayApply(const port::RunningApplication& app,
                                    PlacementRule::Trigger trigger) const {
    if (app.appId) return ruleFor(*app.appId, trigger).has_value();
    // Not known yet (its first window may be a splash screen that names nothing): its
    // windows are asked for their application one by one.
    const auto& rules = settings_.placementRules();
    return std::any_of(rules.begin(), rules.end(),
                       [&](const PlacementRule& r) { return r.enabled && r.trigger == trigger; });
}

void PlacementRuleManager::handleLaunch(const port::RunningApplication& app) {
    if (mayApply(app, PlacementRule::Trigger::newWindow)) {
        observeApp(app.pid);
        // An application is seen to launch when its first window appears, so the
        // windows it has now are new ones too.
        for (auto window : platform().windows->windowsOf(app.pid)) handleWindowCreated(window);
    }
    if (mayApply(app, PlacementRule::Trigger::launch))
        pollFirstWindow(app.pid, platform().runLoop->now() + firstWindowLimit);
}

void PlacementRuleManager::pollFirstWindow(int32_t pid, double deadline) {
    for (const auto& window : WindowHandle::allStandardWindows()) {
        if (window.pid() != pid || window.isMinimized()) continue;
        auto id = window.appId();
        if (!id) break;  // not known yet: look again
        if (auto rule = ruleFor(*id, PlacementRule::Trigger::launch)) apply(*rule, window);
        return;
    }
    if (platform().runLoop->now() >= deadline) return;
    later(firstWindowPoll, [this, pid, deadline] { pollFirstWindow(pid, deadline); });
}

void PlacementRuleManager::handleWindowCreated(port::WindowRef ref) {
    later(newWindowDelay, [this, ref] {
        auto window = WindowHandle::make(ref);
        if (!window || !window->isStandard() || window->isMinimized()) return;
        auto id = window->appId();
        if (!id) return;
        if (auto rule = ruleFor(*id, PlacementRule::Trigger::newWindow)) apply(*rule, *window);
    });
}

std::optional<ScreenInfo> PlacementRuleManager::targetScreen(const PlacementRule& rule,
                                                             const WindowHandle& window) const {
    auto screens = ScreenInfo::all();
    if (screens.empty()) return std::nullopt;
    switch (rule.display) {
        case PlacementRule::DisplayTarget::any:
            if (auto frame = window.frame())
                if (auto screen = ScreenInfo::containing(*frame)) return screen;
            break;
        case PlacementRule::DisplayTarget::builtin:
        case PlacementRule::DisplayTarget::external: {
            // A rule for a kind of display the desktop does not have (a built-in panel
            // on a desktop computer) waits for one: the window stays where it opened.
            bool builtIn = rule.display == PlacementRule::DisplayTarget::builtin;
            for (const auto& s : screens)
                if (s.screen.builtIn == builtIn) return s;
            return std::nullopt;
        }
    }
    return screens.front();
}

std::optional<Rect> PlacementRuleManager::place(const PlacementRule& rule,
                                                const WindowHandle& window,
                                                const ScreenInfo& screen) {
    if (rule.customLayoutID && rule.customZoneIndex) {
        for (const auto& layout : settings_.customLayouts()) {
            if (layout.id != *rule.customLayoutID) continue;
            if (auto frame = layout.zoneFrame(*rule.customZoneIndex, screen.visible,
                                              settings_.windowGap(), settings_.screenPadding()))
                return window.setFrame(*frame);
            break;
        }
    }
    if (!rule.zone) return std::nullopt;
    engine_.snap(window, *rule.zone, screen);
    return window.frame();
}

void PlacementRuleManager::apply(const PlacementRule& rule, const WindowHandle& window) {
    if (settings_.paused() || !Permissions::isGranted()) return;
    if (window.pid() == platform().applications->currentProcessId()) return;
    // Placed once: a later move is the user's.
    if (placed_.count(window.element())) return;
    auto screen = targetScreen(rule, window);
    if (!screen) return;
    auto placed = place(rule, window, *screen);
    if (!placed) return;
    placed_[window.element()] = window.pid();
    SettleCheck::schedule(window, *placed, lifetime_.guard([this, rule, window, screen = *screen] {
        place(rule, window, screen);
    }));
}

}  // namespace kelvra
