#include "platform/x11/X11Applications.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/port/Platform.h"
#include "platform/x11/pure/WindowKind.h"

namespace kelvra::x11 {

namespace {

// The program on PATH that an argument names, or nothing.
std::optional<std::string> resolveProgram(const std::string& program) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (program.find('/') != std::string::npos)
        return access(program.c_str(), X_OK) == 0 ? std::optional(program) : std::nullopt;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/" + program;
        if (end > start && access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate, ec))
            return candidate;
        start = end + 1;
    }
    return std::nullopt;
}

// Starts the program detached from this process: its own session, reaped at once.
bool spawnDetached(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            // Nothing of ours to read from: the launched program gets no terminal input.
            int devNull = open("/dev/null", O_RDONLY);
            if (devNull >= 0) dup2(devNull, 0);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

X11Applications::X11Applications(X11Connection& connection)
    : c_(connection), windows_(connection), commands_(connection, windows_) {
    entries_ = std::make_unique<DesktopEntryIndex>(DesktopEntryIndex::environmentDataDirs());
    if (!c_.isOpen()) return;
    c_.addEventMask(c_.root(), PropertyChangeMask | SubstructureNotifyMask);
    listener_ = c_.addListener([this](const XEvent& e) {
        bool clientList = e.type == PropertyNotify && e.xproperty.window == c_.root() &&
                          e.xproperty.atom == c_.atom("_NET_CLIENT_LIST");
        bool topLevel = (e.type == MapNotify || e.type == UnmapNotify || e.type == DestroyNotify) &&
                        e.xany.window == c_.root();
        if (clientList || topLevel) scheduleRefresh();
    });
    // The first snapshot waits for first use: naming applications needs the installed
    // platform (languages, our own identity), which may come after the ports are made.
}

X11Applications::~X11Applications() {
    *alive_ = false;
    listener_.cancel();
}

int32_t X11Applications::currentProcessId() {
    return static_cast<int32_t>(getpid());
}

std::vector<std::string> X11Applications::languages() {
    auto& p = platform();
    if (p.locale) return p.locale->preferredLanguages();
    const char* lang = std::getenv("LANG");
    return lang ? std::vector<std::string>{lang} : std::vector<std::string>{};
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
        app.bundleIdentifier = identity->first;
        app.localizedName = identity->second;
    }
    return app;
}

std::optional<std::pair<std::string, std::string>> X11Applications::identify(Window w) {
    auto wmClass = windows_.wmClass(w).value_or(std::pair<std::string, std::string>());
    std::string gtkId = windows_.gtkApplicationId(w).value_or("");
    if (const DesktopEntry* entry = entries_->match(wmClass.first, wmClass.second, gtkId))
        return std::make_pair(entry->id, entry->localizedName(languages()));
    if (!wmClass.second.empty()) return std::make_pair(wmClass.second, wmClass.second);
    return std::nullopt;
}

std::optional<std::string> X11Applications::applicationIdOf(Window w) {
    if (windows_.pid(w) == currentProcessId()) return ownIdentifier();
    auto identity = identify(w);
    if (!identity) return std::nullopt;
    return identity->first;
}

std::string X11Applications::ownIdentifier() {
    auto& p = platform();
    std::optional<std::string> id;
    if (p.bundleInfo) id = p.bundleInfo->infoValue("CFBundleIdentifier");
    return id.value_or("com.orvane.Kelvra");
}

port::RunningApplication X11Applications::describeSelf(const std::vector<Window>& windows) {
    port::RunningApplication app;
    app.pid = currentProcessId();
    app.bundleIdentifier = ownIdentifier();
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
    std::weak_ptr<bool> alive = alive_;
    platform().runLoop->post([this, alive] {
        auto a = alive.lock();
        if (!a || !*a) return;
        refreshPending_ = false;
        refresh(true);
    });
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

bool X11Applications::launch(const std::string& bundleIdentifier) {
    const DesktopEntry* entry = entries_->byId(bundleIdentifier);
    if (!entry) {
        // Installed since we looked: read the entries again.
        entries_ = std::make_unique<DesktopEntryIndex>(DesktopEntryIndex::environmentDataDirs());
        entry = entries_->byId(bundleIdentifier);
    }
    if (!entry) {
        logLine("cannot launch " + bundleIdentifier + ": no application entry has that id");
        return false;
    }
    auto args = entry->execArguments();
    std::optional<std::string> program = args ? resolveProgram(args->front()) : std::nullopt;
    if (!program) {
        logLine("cannot launch " + bundleIdentifier + ": its command line names no program");
        return false;
    }
    if (!spawnDetached(*program, *args)) {
        logLine("cannot launch " + bundleIdentifier + ": starting the process failed");
        return false;
    }
    return true;
}

Subscription X11Applications::subscribe(std::map<uint64_t, Callback>& into, Callback callback) {
    // From here on, what appears is a launch.
    if (!snapshotTaken_) refresh(false);
    uint64_t id = nextCallback_++;
    into.emplace(id, std::move(callback));
    std::weak_ptr<bool> alive = alive_;
    auto* map = &into;
    return Subscription([map, id, alive] {
        if (auto a = alive.lock(); a && *a) map->erase(id);
    });
}

Subscription X11Applications::onLaunched(Callback callback) {
    return subscribe(launched_, std::move(callback));
}

Subscription X11Applications::onTerminated(Callback callback) {
    return subscribe(terminated_, std::move(callback));
}

}  // namespace kelvra::x11
