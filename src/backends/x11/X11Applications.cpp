#include "backends/x11/X11Applications.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "backends/x11/pure/WindowKind.h"
#include "port/Platform.h"

namespace kelvra::x11 {

X11Applications::X11Applications(X11Connection& connection)
    : c_(connection), windows_(connection), commands_(connection, windows_) {
    if (!c_.isOpen()) return;
    c_.addEventMask(c_.root(), PropertyChangeMask | SubstructureNotifyMask);
    listener_ = c_.addListener([this](const XEvent& e) {
        bool clientList = e.type == PropertyNotify && e.xproperty.window == c_.root() &&
                          e.xproperty.atom == c_.atom("_NET_CLIENT_LIST");
        bool topLevel = (e.type == MapNotify || e.type == UnmapNotify || e.type == DestroyNotify) &&
                        e.xany.window == c_.root();
        if (clientList || topLevel) scheduleRefresh();
        if (e.type == PropertyNotify && e.xproperty.window == c_.root() &&
            e.xproperty.atom == c_.atom("_NET_ACTIVE_WINDOW"))
            // After every cache has heard of the change.
            platform().runLoop->post(lifetime_.guard([this] { activated_.emit(); }));
    });
    // The first snapshot waits for first use: naming applications needs the installed
    // platform (languages, our own identity), which may come after the ports are made.
}

Subscription X11Applications::onActivated(std::function<void()> callback) {
    return activated_.connect(std::move(callback));
}

X11Applications::~X11Applications() {
    lifetime_.end();
    listener_.cancel();
}

int32_t X11Applications::currentProcessId() {
    return static_cast<int32_t>(getpid());
}

std::map<int32_t, std::vector<Window>> X11Applications::windowsByPid() {
    std::map<int32_t, std::vector<Window>> result;
    auto stack = windows_.stacking();
    auto pids = windows_.pids(stack);
    for (size_t i = stack.size(); i-- > 0;)
        if (pids[i]) result[*pids[i]].push_back(stack[i]);
    return result;
}

port::RunningApplication X11Applications::describe(int32_t pid,
                                                   const std::vector<Window>& windows) {
    if (pid == currentProcessId()) return describeSelf(windows);
    port::RunningApplication app;
    app.pid = pid;
    app.activationPolicy = port::ActivationPolicy::accessory;
    Window representative = None;
    for (Window w : windows) {
        bool taskbar = isTaskbarWindow(windows_.types(w), windows_.isTransient(w),
                                       windows_.hasState(w, "_NET_WM_STATE_SKIP_TASKBAR"));
        if (taskbar) {
            app.activationPolicy = port::ActivationPolicy::regular;
            representative = w;
            break;
        }
        if (representative == None) representative = w;
    }
    if (representative == None) return app;
    if (auto identity = identify(representative)) {
        app.appId = identity->first;
        app.localizedName = identity->second;
    }
    return app;
}

const xdg::DesktopApps::Entry* X11Applications::entryOf(Window w) {
    std::optional<std::string> launchedAs;
    if (auto pid = windows_.pid(w))
        if (auto it = launchedPids_.find(*pid); it != launchedPids_.end()) launchedAs = it->second;
    if (!launchedAs)
        if (auto startup = windows_.startupId(w))
            if (auto it = launchedStartups_.find(*startup); it != launchedStartups_.end())
                launchedAs = it->second;
    if (launchedAs)
        if (const auto* entry = apps_.byId(*launchedAs)) return entry;
    auto wmClass = windows_.wmClass(w).value_or(std::pair<std::string, std::string>());
    std::string gtkId = windows_.gtkApplicationId(w).value_or("");
    return apps_.match(wmClass.first, wmClass.second, gtkId);
}

std::optional<std::pair<std::string, std::string>> X11Applications::identify(Window w) {
    if (const auto* entry = entryOf(w)) return std::make_pair(entry->id, entry->name);
    auto wmClass = windows_.wmClass(w).value_or(std::pair<std::string, std::string>());
    if (!wmClass.second.empty()) return std::make_pair(wmClass.second, wmClass.second);
    return std::nullopt;
}

std::optional<std::string> X11Applications::appIdOf(Window w) {
    if (windows_.pid(w) == currentProcessId()) return ownIdentifier();
    auto identity = identify(w);
    if (!identity) return std::nullopt;
    return identity->first;
}

std::string X11Applications::entryIconOf(Window w) {
    const auto* entry = entryOf(w);
    return entry ? entry->icon : std::string();
}

std::string X11Applications::ownIdentifier() {
    auto& p = platform();
    return p.buildInfo ? p.buildInfo->appId : port::BuildInfo().appId;
}

port::RunningApplication X11Applications::describeSelf(const std::vector<Window>& windows) {
    port::RunningApplication app;
    app.pid = currentProcessId();
    app.appId = ownIdentifier();
    app.localizedName = "Kelvra";
    // A status-area program: regular only while one of its windows is on the taskbar.
    app.activationPolicy = port::ActivationPolicy::accessory;
    for (Window w : windows)
        if (isTaskbarWindow(windows_.types(w), windows_.isTransient(w),
                            windows_.hasState(w, "_NET_WM_STATE_SKIP_TASKBAR")))
            app.activationPolicy = port::ActivationPolicy::regular;
    return app;
}

void X11Applications::refresh(bool notify) {
    // What runs when we first look was not launched while we watched.
    if (!snapshotTaken_) notify = false;
    snapshotTaken_ = true;
    auto byPid = windowsByPid();
    byPid.try_emplace(currentProcessId());
    std::vector<port::RunningApplication> launched, terminated;
    for (const auto& [pid, windows] : byPid) {
        bool isNew = !known_.count(pid);
        known_[pid] = describe(pid, windows);
        if (isNew) {
            order_.push_back(pid);
            launched.push_back(known_[pid]);
        }
    }
    for (auto it = known_.begin(); it != known_.end();) {
        if (byPid.count(it->first)) {
            ++it;
            continue;
        }
        terminated.push_back(it->second);
        launchedPids_.erase(it->first);
        order_.erase(std::remove(order_.begin(), order_.end(), it->first), order_.end());
        it = known_.erase(it);
    }
    if (!notify) return;
    auto call = [](std::map<uint64_t, Callback>& callbacks, const port::RunningApplication& app) {
        std::vector<uint64_t> ids;
        for (const auto& [id, cb] : callbacks) ids.push_back(id);
        for (uint64_t id : ids)
            if (auto it = callbacks.find(id); it != callbacks.end()) {
                auto cb = it->second;
                cb(app);
            }
    };
    for (const auto& app : launched) call(launched_, app);
    for (const auto& app : terminated) call(terminated_, app);
}

void X11Applications::scheduleRefresh() {
    if (refreshPending_) return;
    refreshPending_ = true;
    platform().runLoop->post(lifetime_.guard([this] {
        refreshPending_ = false;
        refresh(true);
    }));
}

std::vector<port::RunningApplication> X11Applications::runningApplications() {
    if (!snapshotTaken_) refresh(false);
    // Read live, but leave the known set alone: the change notifications come from it.
    auto byPid = windowsByPid();
    byPid.try_emplace(currentProcessId());
    std::vector<port::RunningApplication> result;
    for (int32_t pid : order_)
        if (auto it = byPid.find(pid); it != byPid.end())
            result.push_back(describe(pid, it->second));
    for (const auto& [pid, windows] : byPid)
        if (std::find(order_.begin(), order_.end(), pid) == order_.end())
            result.push_back(describe(pid, windows));
    return result;
}

std::optional<port::RunningApplication> X11Applications::frontmostApplication() {
    auto active = windows_.activeWindow();
    if (!active) return std::nullopt;
    auto pid = windows_.pid(*active);
    if (!pid) return std::nullopt;
    return application(*pid);
}

std::optional<port::RunningApplication> X11Applications::application(int32_t pid) {
    auto byPid = windowsByPid();
    auto it = byPid.find(pid);
    if (it == byPid.end()) {
        if (pid == currentProcessId()) return describeSelf({});
        return std::nullopt;
    }
    return describe(pid, it->second);
}

bool X11Applications::activate(int32_t pid) {
    auto byPid = windowsByPid();
    auto it = byPid.find(pid);
    if (it == byPid.end() || it->second.empty()) return false;
    return commands_.activate(it->second.front());
}

bool X11Applications::terminate(int32_t pid) {
    if (pid <= 1 || pid == currentProcessId()) return false;
    auto byPid = windowsByPid();
    bool asked = false;
    if (auto it = byPid.find(pid); it != byPid.end())
        for (Window w : it->second) asked = commands_.close(w) || asked;
    if (asked) return true;
    // Nothing to close politely: the polite signal.
    return kill(pid, SIGTERM) == 0;
}

bool X11Applications::launch(const std::string& appId) {
    // Installed since we looked: read the entries again.
    if (!apps_.byId(appId)) apps_.reload();
    const auto* entry = apps_.byId(appId);
    if (!entry) {
        logLine("cannot launch " + appId + ": no application entry has that id");
        return false;
    }
    std::string id = entry->id;
    auto launched = apps_.launch(id);
    if (!launched) return false;
    if (launched->pid) launchedPids_[*launched->pid] = id;
    launchedStartups_[launched->startupId] = id;
    return true;
}

Subscription X11Applications::subscribe(std::map<uint64_t, Callback>& into, Callback callback) {
    // From here on, what appears is a launch.
    if (!snapshotTaken_) refresh(false);
    uint64_t id = nextCallback_++;
    into.emplace(id, std::move(callback));
    auto* map = &into;
    return Subscription(lifetime_.guard([map, id] { map->erase(id); }));
}

Subscription X11Applications::onLaunched(Callback callback) {
    return subscribe(launched_, std::move(callback));
}

Subscription X11Applications::onTerminated(Callback callback) {
    return subscribe(terminated_, std::move(callback));
}

}  // namespace kelvra::x11
