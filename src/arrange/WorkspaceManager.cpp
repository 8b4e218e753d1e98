#include "arrange/WorkspaceManager.h"

#include <algorithm>
#include <set>

#include "arrange/SettleCheck.h"
#include "arrange/Trimmed.h"
#include "arrange/WorkspaceCapture.h"
#include "engine/SnapEngine.h"
#include "l10n/L10n.h"
#include "port/Platform.h"
#include "settings/AppSettings.h"

namespace kelvra {

namespace {

std::string describe(const WorkspaceItem& item) {
    std::string name = item.appName.empty() ? item.appId : item.appName;
    if (item.title && !item.title->empty()) name += " (" + *item.title + ")";
    return name;
}

}  // namespace

WorkspaceManager::WorkspaceManager(AppSettings& settings, const L10n& l10n, SnapEngine& engine)
    : settings_(settings), l10n_(l10n), engine_(engine) {}

WorkspaceManager::~WorkspaceManager() {
    lifetime_.end();
    stopPolling();
}

std::vector<WorkspaceItem> WorkspaceManager::captureCurrent() const {
    return WorkspaceCapture::captureCurrent(settings_.windowGap(), settings_.screenPadding());
}

Workspace WorkspaceManager::append(const std::string& name, std::vector<WorkspaceItem> items) {
    Workspace workspace{Uuid::random(), name, std::move(items)};
    auto list = settings_.workspaces();
    list.push_back(workspace);
    settings_.workspaces.set(std::move(list));
    settings_.persist();
    return workspace;
}

std::string WorkspaceManager::defaultName() const {
    return format(l10n_.string("ws.defaultName"),
                  {std::to_string(settings_.workspaces().size() + 1)});
}

void WorkspaceManager::promptSaveCurrent() {
    // Captured before the prompt shows, so the prompt itself changes nothing.
    auto items = captureCurrent();
    const auto& l = l10n_;
    port::AlertRequest request{l.string("ws.saveTitle"),
                               l.string("ws.saveBody"),
                               {l.string("ws.save"), l.string("common.cancel")}};
    auto answer = platform().alerts->prompt(request, defaultName(), l.string("ws.namePlaceholder"));
    if (!answer) return;
    std::string name = trimmed(*answer);
    if (name.empty()) name = defaultName();
    append(name, std::move(items));
}

void WorkspaceManager::place(const WindowHandle& window, const WorkspaceItem& item,
                             const std::vector<ScreenInfo>& screens,
                             std::vector<WindowHandle>& used) {
    used.push_back(window);
    auto screen = WorkspaceCapture::screenFor(item, screens);
    if (item.zone && screen) {
        engine_.snap(window, *item.zone, *screen);
        if (auto placed = window.frame()) {
            SettleCheck::schedule(
                window, *placed,
                lifetime_.guard([this, window, zone = *item.zone, screen = *screen] {
                    engine_.snap(window, zone, screen);
                }));
        }
        return;
    }
    Rect target(item.x, item.y, item.w, item.h);
    window.raise();
    platform().applications->activate(window.pid());
    if (auto placed = window.setFrame(target)) {
        SettleCheck::schedule(window, *placed, [window, target] { window.setFrame(target); });
    } else {
        logLine("workspace: the window for " + describe(item) + " did not take its frame");
    }
}

void WorkspaceManager::restore(const Workspace& workspace) {
    lastRestored_ = workspace;
    auto screens = ScreenInfo::all();
    auto windows = WorkspaceCapture::candidateWindows();
    std::vector<WindowHandle> used;
    std::vector<WorkspaceItem> missing;
    for (const auto& item : workspace.items) {
        if (auto window = WorkspaceCapture::chooseWindow(item, windows, used)) {
            place(*window, item, screens, used);
        } else {
            missing.push_back(item);
        }
    }
    // A restore that leaves nothing pending leaves a poll still running alone.
    if (missing.empty()) return;
    launchApps(missing);
    pendingItems_ = std::move(missing);
    pendingUsed_ = std::move(used);
    restoreScreens_ = std::move(screens);
    restoreDeadline_ = platform().runLoop->now() + pollLimit;
    stopPolling();
    restorePoller_.every(*platform().runLoop, pollInterval, [this] { pollPending(); });
}

void WorkspaceManager::launchApps(const std::vector<WorkspaceItem>& items) {
    std::set<std::string> running;
    for (const auto& app : platform().applications->runningApplications())
        if (app.appId) running.insert(*app.appId);
    for (const auto& w : WorkspaceCapture::candidateWindows())
        if (auto id = w.appId()) running.insert(*id);
    std::set<std::string> asked;
    for (const auto& item : items) {
        // An application that is already running gets no second instance: its other
        // windows may still appear, and a second launch would only add windows.
        if (running.count(item.appId) || !asked.insert(item.appId).second) continue;
        if (!platform().applications->launch(item.appId))
            logLine("workspace: cannot launch " + item.appId);
    }
}

void WorkspaceManager::pollPending() {
    auto fresh = WorkspaceCapture::candidateWindows();
    std::vector<WorkspaceItem> still;
    for (const auto& item : pendingItems_) {
        if (auto window = WorkspaceCapture::chooseWindow(item, fresh, pendingUsed_)) {
            place(*window, item, restoreScreens_, pendingUsed_);
        } else {
            still.push_back(item);
        }
    }
    pendingItems_ = std::move(still);
    if (!pendingItems_.empty() && restoreDeadline_ && platform().runLoop->now() < *restoreDeadline_)
        return;
    stopPolling();
    auto unplaced = std::move(pendingItems_);
    pendingItems_.clear();
    if (!unplaced.empty()) reportUnplaced(unplaced);
}

void WorkspaceManager::stopPolling() {
    restorePoller_.cancel();
}

void WorkspaceManager::reportUnplaced(const std::vector<WorkspaceItem>& items) {
    lastUnplaced_ = items;
    std::vector<std::string> names;
    for (const auto& item : items) {
        logLine("workspace: no window appeared in time for " + describe(item));
        names.push_back(describe(item));
    }
    const auto& l = l10n_;
    port::AlertRequest alert{
        l.string("ws.notPlacedTitle"), format(l.string("ws.notPlacedBody"), {l.list(names)}), {}};
    // Told after this tick: the alert is modal and the poll has finished.
    platform().runLoop->post([alert] { platform().alerts->runModal(alert); });
}

}  // namespace kelvra
