#include "backends/wayland/BridgeApplications.h"

#include <signal.h>
#include <unistd.h>

#include "port/Platform.h"

namespace kelvra::wayland {

BridgeApplications::BridgeApplications(bridge::BridgeSession& session) : session_(session) {
    // What runs already was not launched now.
    known_ = current();
    changes_ = session_.changed.connect([this](const bridge::FromBridge& message) {
        if (std::holds_alternative<bridge::WindowAdded>(message) ||
            std::holds_alternative<bridge::WindowRemoved>(message) ||
            std::holds_alternative<bridge::Snapshot>(message))
            compare();
        if (std::holds_alternative<bridge::WindowActivated>(message))
            platform().runLoop->post([this] { activated_.emit(); });
    });
}

std::map<int32_t, port::RunningApplication> BridgeApplications::current() {
    std::map<int32_t, port::RunningApplication> result;
    for (const bridge::WindowSnapshot* w : session_.mirror().windows()) {
        const auto pid = static_cast<int32_t>(w->pid);
        if (pid <= 0 || result.contains(pid)) continue;
        port::RunningApplication app;
        app.pid = pid;
        if (!w->appId.empty()) {
            app.appId = w->appId;
            const auto* entry = apps_.byId(w->appId);
            app.localizedName = entry ? entry->name : w->appId;
        }
        result.emplace(pid, std::move(app));
    }
    return result;
}

// Processes are seen through their windows: one appears with its first window and
// ends with its last.
void BridgeApplications::compare() {
    auto now = current();
    std::vector<port::RunningApplication> started, ended;
    for (const auto& [pid, app] : now) {
        if (!known_.contains(pid)) started.push_back(app);
    }
    for (const auto& [pid, app] : known_) {
        if (!now.contains(pid)) ended.push_back(app);
    }
    known_ = std::move(now);
    if (started.empty() && ended.empty()) return;
    platform().runLoop->post([this, started, ended] {
        for (const auto& app : started) launched_.emit(app);
        for (const auto& app : ended) terminated_.emit(app);
    });
}

std::vector<port::RunningApplication> BridgeApplications::runningApplications() {
    std::vector<port::RunningApplication> result;
    for (auto& [pid, app] : current()) result.push_back(app);
    return result;
}

std::optional<port::RunningApplication> BridgeApplications::frontmostApplication() {
    const auto* active = session_.mirror().activeWindow();
    if (!active) return std::nullopt;
    return application(static_cast<int32_t>(active->pid));
}

std::optional<port::RunningApplication> BridgeApplications::application(int32_t pid) {
    auto all = current();
    auto it = all.find(pid);
    if (it == all.end()) return std::nullopt;
    return it->second;
}

int32_t BridgeApplications::currentProcessId() {
    return static_cast<int32_t>(getpid());
}

bool BridgeApplications::activate(int32_t pid) {
    // The application's topmost window stands for it.
    const bridge::WindowSnapshot* top = nullptr;
    for (const auto* w : session_.mirror().windows()) {
        if (w->pid == pid && !w->minimized) top = w;
    }
    if (!top) return false;
    session_.send(bridge::Activate{0, top->id});
    return true;
}

bool BridgeApplications::terminate(int32_t pid) {
    return pid > 0 && ::kill(pid, SIGTERM) == 0;
}

bool BridgeApplications::launch(const std::string& appId) {
    return apps_.launch(appId).has_value();
}

Subscription BridgeApplications::onLaunched(
    std::function<void(const port::RunningApplication&)> callback) {
    return launched_.connect(std::move(callback));
}

Subscription BridgeApplications::onActivated(std::function<void()> callback) {
    return activated_.connect(std::move(callback));
}

Subscription BridgeApplications::onTerminated(
    std::function<void(const port::RunningApplication&)> callback) {
    return terminated_.connect(std::move(callback));
}

}  // namespace kelvra::wayland
