#include "assist/SnapAssistController.h"

#include <algorithm>

#include "engine/SnapEngine.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"
#include "style/Theme.h"

namespace kelvra {

namespace {

constexpr uint16_t escapeKey = 53;

double area(const Rect& r) {
    return r.isEmpty() ? 0 : r.width * r.height;
}

}  // namespace

SnapAssistController::SnapAssistController(AppSettings& settings, const L10n& l10n,
                                           SnapEngine& engine)
    : settings_(settings), l10n_(l10n), engine_(engine), animator_(*platform().runLoop) {}

SnapAssistController::~SnapAssistController() = default;

void SnapAssistController::maybeShow(ZoneID afterSnapping, const ScreenInfo& on,
                                     const WindowHandle& snapped) {
    if (!settings_.snapAssistEnabled() || isFilling_) return;
    auto fillOrder = snapAssistFillOrder(afterSnapping);
    // Any other snap ends the offer on screen; one with complements starts a new one.
    hide();
    if (fillOrder.empty()) return;
    excluded_ = {snapped};
    seqScreen_ = on;
    pendingZones_ = std::move(fillOrder);
    watchStarter(snapped);
    advance();
}

void SnapAssistController::hide() {
    removePanel();
    starterWatch_.cancel();
    pendingZones_.clear();
    excluded_.clear();
    candidates_.clear();
    seqScreen_.reset();
}

void SnapAssistController::watchStarter(const WindowHandle& window) {
    auto* windows = platform().windows;
    if (!windows) return;
    starterWatch_ = windows->onWindowEvent(window.element(), [this](port::WindowEvent event) {
        if (event == port::WindowEvent::destroyed || event == port::WindowEvent::minimized) hide();
    });
}

Rect SnapAssistController::frameOf(ZoneID zone) const {
    return frame(zone, seqScreen_->visible, settings_.windowGap(), settings_.screenPadding());
}

void SnapAssistController::advance() {
    if (!seqScreen_) {
        hide();
        return;
    }
    // One reading of the windows serves the whole step.
    auto windows = WindowHandle::allStandardWindows();
    while (!pendingZones_.empty()) {
        Rect region = frameOf(pendingZones_.front());
        if (occupied(region, windows)) {
            pendingZones_.erase(pendingZones_.begin());
            continue;
        }
        auto offered = candidatesFrom(windows);
        if (offered.empty()) break;
        candidates_ = std::move(offered);
        showPanel(region);
        return;
    }
    hide();
}

bool SnapAssistController::occupied(const Rect& zoneFrame,
                                    const std::vector<WindowHandle>& windows) const {
    double zoneArea = area(zoneFrame);
    if (zoneArea <= 0) return false;
    int32_t self = platform().applications->currentProcessId();
    for (const auto& window : windows) {
        // The snapped window and those placed since are in zones of their own, whatever
        // frame a compositor that answers late still reports for them.
        if (window.pid() == self || excluded_.contains(window)) continue;
        auto f = window.frame();
        if (!f) continue;  // unreadable: neither occupies nor is dropped from the offer
        if (area(f->intersection(zoneFrame)) / zoneArea > occupiedShare) return true;
    }
    return false;
}

std::vector<SnapCandidate> SnapAssistController::candidatesFrom(
    const std::vector<WindowHandle>& windows) {
    auto& apps = *platform().applications;
    int32_t self = apps.currentProcessId();
    std::vector<SnapCandidate> result;
    for (const auto& window : windows) {
        if (excluded_.contains(window) || window.pid() == self) continue;
        // Only the windows of the monitor being filled; an unreadable frame cannot tell.
        if (auto f = window.frame()) {
            auto screen = ScreenInfo::containing(*f);
            if (screen && !screen->sameDisplay(*seqScreen_)) continue;
        }
        auto app = apps.application(window.pid());
        if (settings_.isExcluded(app ? app->appId : std::nullopt)) continue;
        SnapCandidate c{std::to_string(nextCandidate_++), window, "", "", std::nullopt};
        c.appName = app ? app->localizedName.value_or("") : "";
        c.title = window.title().value_or("");
        if (c.title.empty()) c.title = c.appName;
        if (c.title.empty()) c.title = "Window";
        if (platform().windows) c.icon = platform().windows->icon(window.element());
        result.push_back(std::move(c));
    }
    return result;
}

void SnapAssistController::showPanel(const Rect& region) {
    removePanel();
    auto* surfaces = platform().surfaces;
    if (!surfaces) return;
    port::AssistCardsModel model;
    model.title = l10n_.string("assist.title");
    model.hint = l10n_.string("assist.hint");
    for (const auto& c : candidates_) model.cards.push_back({c.id, c.title, c.appName, c.icon});
    panel_ = surfaces->create(model);
    if (!panel_) return;  // this desktop cannot show it; nothing is offered

    panelSubscriptions_.push_back(panel_->onChosen([this](const std::string& id) { fill(id); }));
    // Escape anywhere ends the offer; other keys belong to whoever has the focus.
    panelSubscriptions_.push_back(panel_->onKey([this](const port::KeyEvent& event) {
        if (event.keyCode == escapeKey) hide();
    }));
    // A click outside the panel.
    panelSubscriptions_.push_back(panel_->onDismissed([this] { hide(); }));

    panel_->setFrame(region);
    panel_->setOpacity(0);
    panel_->setVisible(true);
    fade_ = animator_.start(
        fadeInDuration, Theme::easeOut, [this](double p) { panel_->setOpacity(p); },
        [this] { fade_.reset(); });
}

void SnapAssistController::removePanel() {
    if (fade_) animator_.cancel(*fade_);
    fade_.reset();
    panelSubscriptions_.clear();
    panel_.reset();
}

void SnapAssistController::fill(const std::string& candidateId) {
    auto it = std::find_if(candidates_.begin(), candidates_.end(),
                           [&](const SnapCandidate& c) { return c.id == candidateId; });
    if (it == candidates_.end() || pendingZones_.empty() || !seqScreen_) return;
    WindowHandle window = it->window;
    ZoneID zone = pendingZones_.front();
    ScreenInfo screen = *seqScreen_;
    // The engine tells every listener of this snap, this controller too: not a new offer.
    isFilling_ = true;
    engine_.snap(window, zone, screen);
    isFilling_ = false;
    window.raise();
    platform().applications->activate(window.pid());
    // Placed, even when the snap failed: the offer moves on either way.
    excluded_.insert(window);
    pendingZones_.erase(pendingZones_.begin());
    if (pendingZones_.empty()) {
        hide();
    } else {
        advance();
    }
}

}  // namespace kelvra
