#include "platform/sim/SimDesktop.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>
#include <utility>

#include "geometry/Coord.h"
#include "platform/sim/CallbackList.h"
#include "platform/sim/UsKeyboardLayout.h"

namespace kelvra::sim {

using port::AXElement;

namespace {

// The setup API is the test's own; a wrong id there is a broken test, not a platform failure.
[[noreturn]] void misuse(const std::string& what) {
    throw std::invalid_argument("SimDesktop: " + what);
}

Size clampSize(Size s, Size minSize, Size maxSize) {
    return {std::clamp(s.width, minSize.width, std::max(minSize.width, maxSize.width)),
            std::clamp(s.height, minSize.height, std::max(minSize.height, maxSize.height))};
}

// Everything the simulated desktop holds. The port adapters below read and change it.
struct State {
    VirtualRunLoop loop;

    // ---- accessibility model
    enum class Kind { systemWide, application, window, child };
    struct Element {
        Kind kind = Kind::child;
        int32_t pid = 0;
        uint64_t window = 0;  // for children: the window they are in
        uint64_t parent = 0;  // for children: the element they are in
        Point offset;         // for children: position relative to the window's origin
        Size size;
        std::string role;
        bool hasWindowAttribute = true;
        std::vector<uint64_t> children;  // for windows and children, front-most last

        static Element of(Kind kind, int32_t pid) {
            Element e;
            e.kind = kind;
            e.pid = pid;
            return e;
        }
    };
    struct Window {
        Rect frame;
        std::optional<std::string> title;
        std::optional<std::string> subrole;
        bool minimized = false;
        Size minSize;
        Size maxSize;
    };
    struct App {
        port::RunningApplication info;
        std::vector<uint64_t> windows;
        std::optional<uint64_t> focused;
        bool responsive = true;
        bool enhancedUserInterface = false;
    };
    struct Observer {
        int32_t pid = 0;
        port::Accessibility::ObserverCallback callback;
        std::set<std::pair<uint64_t, std::string>> registrations;
    };

    static constexpr uint64_t systemWideId = 1;
    uint64_t nextElement = 2;
    std::unordered_map<uint64_t, Element> elements;
    std::map<uint64_t, Window> windows;
    std::map<int32_t, App> apps;  // pids grow with each launch, so this is launch order
    std::map<int32_t, uint64_t> appElements;
    std::vector<uint64_t> stacking;  // back to front
    std::map<port::AXObserverId, Observer> observers;
    port::AXObserverId nextObserver = 1;
    std::vector<SimDesktop::AXCall> axCalls;
    std::map<uint64_t, double> timeouts;
    bool trusted = true;
    int promptCount = 0;
    int settingsPageCount = 0;

    // ---- screens and applications
    std::vector<port::PlatformScreen> screens;
    uint64_t nextScreen = 1;
    CallbackList<> screensChanged;
    int32_t ownPid = 100;
    int32_t nextPid = 1001;
    std::optional<int32_t> frontmost;
    std::vector<int32_t> terminateRequests, activateRequests;
    std::vector<std::string> launchRequests;
    bool terminateQuits = true;
    CallbackList<port::RunningApplication> launched, terminated;

    // ---- the rest
    int alertResponse = port::Alerts::firstButtonReturn;
    std::vector<port::AlertRequest> alerts;
    std::vector<std::string> logLines;
    std::map<std::string, port::DefaultsValue> defaults;
    std::function<void(uint32_t, uint32_t)> hotKeyHandler;
    int handlerInstalls = 0;
    std::map<port::HotKeyRef, SimDesktop::HotKey> hotKeys;
    port::HotKeyRef nextHotKey = 1;
    std::set<std::pair<uint32_t, uint32_t>> heldByOthers;
    std::set<uint32_t> keysDown;
    std::map<uint16_t, std::optional<std::string>> keyOverrides;
    std::map<port::KeyMonitorId, std::function<bool(const port::KeyEvent&)>> keyMonitors;
    port::KeyMonitorId nextKeyMonitor = 1;
    std::function<void(const port::MouseEvent&)> mouseHandler;
    bool mouseRunning = false;
    bool mouseFails = false;
    std::optional<std::string> loginItemFailure;
    std::optional<bool> loginItemRegistered;
    std::map<std::string, std::string> info = {
        {"CFBundleIdentifier", "com.orvane.Kelvra"},
        {"CFBundleShortVersionString", "1.0.0"},
        {"CFBundleVersion", "1"},
    };
    std::vector<std::string> languages = {"en-US"};

    State() {
        elements[systemWideId] = Element::of(Kind::systemWide, 0);
        App own;
        own.info = {ownPid, "com.orvane.Kelvra", "Kelvra", port::ActivationPolicy::accessory};
        apps[ownPid] = own;
        appElement(ownPid);
    }

    uint64_t newElement(Element e) {
        uint64_t id = nextElement++;
        elements[id] = std::move(e);
        return id;
    }

    uint64_t appElement(int32_t pid) {
        auto it = appElements.find(pid);
        if (it != appElements.end()) return it->second;
        uint64_t id = newElement(Element::of(Kind::application, pid));
        appElements[pid] = id;
        return id;
    }

    App& app(int32_t pid) {
        auto it = apps.find(pid);
        if (it == apps.end()) misuse("no application with pid " + std::to_string(pid));
        return it->second;
    }

    Window& window(AXElement e) {
        auto it = windows.find(e.id);
        if (it == windows.end()) misuse("no window " + std::to_string(e.id));
        return it->second;
    }

    // The element if it still exists: its app is running and its window is open.
    const Element* live(uint64_t id) const {
        auto it = elements.find(id);
        if (it == elements.end()) return nullptr;
        const Element& e = it->second;
        if (e.kind == Kind::systemWide) return &e;
        if (!apps.count(e.pid)) return nullptr;
        if (e.kind == Kind::window && !windows.count(id)) return nullptr;
        if (e.kind == Kind::child && !windows.count(e.window)) return nullptr;
        return &e;
    }

    // The element if its application answers messages.
    const Element* reachable(uint64_t id) const {
        const Element* e = live(id);
        if (!e || e->kind == Kind::systemWide) return e;
        return apps.at(e->pid).responsive ? e : nullptr;
    }

    Rect childFrame(const Element& child) const {
        Point origin = windows.at(child.window).frame.origin();
        return Rect(origin.x + child.offset.x, origin.y + child.offset.y, child.size.width,
                    child.size.height);
    }

    void record(const char* op, AXElement e, std::string attribute) {
        axCalls.push_back({op, e, std::move(attribute)});
    }

    // Queues the notification for every observer of the element's process that
    // registered it on the element or on its application.
    void notify(uint64_t elementId, int32_t pid, const std::string& notification) {
        uint64_t appId = appElement(pid);
        for (const auto& [observerId, observer] : observers) {
            if (observer.pid != pid) continue;
            if (!observer.registrations.count({elementId, notification}) &&
                !observer.registrations.count({appId, notification})) {
                continue;
            }
            loop.post([this, observerId = observerId, elementId, notification] {
                auto it = observers.find(observerId);
                if (it == observers.end()) return;
                auto callback = it->second.callback;  // it may destroy the observer
                callback(AXElement{elementId}, notification);
            });
        }
    }

    void raise(uint64_t windowId) {
        std::erase(stacking, windowId);
        stacking.push_back(windowId);
    }

    // Applies a frame change as the application would: sizes within its limits, and
    // moved/resized notifications only for what really changed.
    void applyFrame(uint64_t windowId, std::optional<Point> origin, std::optional<Size> size) {
        Window& w = windows.at(windowId);
        Rect before = w.frame;
        if (origin) {
            w.frame.x = origin->x;
            w.frame.y = origin->y;
        }
        if (size) {
            Size s = clampSize(*size, w.minSize, w.maxSize);
            w.frame.width = s.width;
            w.frame.height = s.height;
        }
        int32_t pid = elements.at(windowId).pid;
        if (w.frame.origin() != before.origin()) notify(windowId, pid, port::ax::movedNotification);
        if (w.frame.size() != before.size()) notify(windowId, pid, port::ax::resizedNotification);
    }

    void setMinimized(uint64_t windowId, bool minimized) {
        Window& w = windows.at(windowId);
        if (w.minimized == minimized) return;
        w.minimized = minimized;
        notify(windowId, elements.at(windowId).pid,
               minimized ? port::ax::miniaturizedNotification : "AXWindowDeminiaturized");
    }

    void forgetElementTree(uint64_t id) {
        auto it = elements.find(id);
        if (it == elements.end()) return;
        std::vector<uint64_t> children = it->second.children;
        for (uint64_t child : children) forgetElementTree(child);
        elements.erase(id);
        timeouts.erase(id);
        for (auto& [_, observer] : observers) {
            std::erase_if(observer.registrations, [id](const auto& r) { return r.first == id; });
        }
    }

    void removeWindow(uint64_t windowId) {
        int32_t pid = elements.at(windowId).pid;
        App& a = apps.at(pid);
        std::erase(a.windows, windowId);
        if (a.focused == windowId) {
            a.focused = a.windows.empty() ? std::nullopt : std::optional(a.windows.back());
        }
        std::erase(stacking, windowId);
        windows.erase(windowId);
    }

    // Deepest child under the point, front-most first; nothing when none is.
    std::optional<uint64_t> hitChild(const std::vector<uint64_t>& children, Point p) const {
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            const Element& child = elements.at(*it);
            if (!childFrame(child).contains(p)) continue;
            if (auto deeper = hitChild(child.children, p)) return deeper;
            return *it;
        }
        return std::nullopt;
    }

    port::AXAttributeValue windowsValue(const App& a) const {
        std::vector<AXElement> list;
        for (uint64_t id : a.windows) list.push_back(AXElement{id});
        return list;
    }

    std::optional<port::AXAttributeValue> attribute(uint64_t id, const Element& e,
                                                    const std::string& name) const {
        namespace ax = port::ax;
        switch (e.kind) {
            case Kind::systemWide:
                return std::nullopt;
            case Kind::application: {
                const App& a = apps.at(e.pid);
                if (name == ax::windows) return windowsValue(a);
                if (name == ax::focusedWindow && a.focused) return AXElement{*a.focused};
                if (name == ax::enhancedUserInterface) return a.enhancedUserInterface;
                if (name == ax::role) return std::string("AXApplication");
                if (name == ax::title && a.info.localizedName) return *a.info.localizedName;
                return std::nullopt;
            }
            case Kind::window: {
                const Window& w = this->windows.at(id);
                if (name == ax::position) return w.frame.origin();
                if (name == ax::size) return w.frame.size();
                if (name == ax::title && w.title) return *w.title;
                if (name == ax::subrole && w.subrole) return *w.subrole;
                if (name == ax::role) return std::string(ax::windowRole);
                if (name == ax::minimized) return w.minimized;
                if (name == ax::parent) return AXElement{appElements.at(e.pid)};
                return std::nullopt;
            }
            case Kind::child: {
                if (name == ax::position) return childFrame(e).origin();
                if (name == ax::size) return e.size;
                if (name == ax::role) return e.role;
                if (name == ax::window && e.hasWindowAttribute) return AXElement{e.window};
                if (name == ax::parent) return AXElement{e.parent};
                return std::nullopt;
            }
        }
        return std::nullopt;
    }
};

// ---- port adapters

class SimAccessibility final : public port::Accessibility {
  public:
    explicit SimAccessibility(State& s) : s_(s) {}

    bool isProcessTrusted() override { return s_.trusted; }
    void promptForTrust() override { ++s_.promptCount; }
    void openPermissionSettings() override { ++s_.settingsPageCount; }

    AXElement applicationElement(int32_t pid) override { return AXElement{s_.appElement(pid)}; }
    AXElement systemWideElement() override { return AXElement{State::systemWideId}; }

    std::optional<AXElement> elementAtPosition(AXElement systemWide, Point p) override {
        if (systemWide.id != State::systemWideId) return std::nullopt;
        for (auto it = s_.stacking.rbegin(); it != s_.stacking.rend(); ++it) {
            const State::Window& w = s_.windows.at(*it);
            if (w.minimized || !w.frame.contains(p)) continue;
            const State::Element& e = s_.elements.at(*it);
            // The hit test asks the owning application, which may not answer.
            if (!s_.apps.at(e.pid).responsive) return std::nullopt;
            return AXElement{s_.hitChild(e.children, p).value_or(*it)};
        }
        return std::nullopt;
    }

    std::optional<int32_t> pidOf(AXElement element) override {
        s_.record("pid", element, "");
        const State::Element* e = s_.live(element.id);
        if (!e || e->kind == State::Kind::systemWide) return std::nullopt;
        return e->pid;
    }

    void setMessagingTimeout(AXElement element, double seconds) override {
        s_.record("timeout", element, "");
        if (s_.live(element.id)) s_.timeouts[element.id] = seconds;
    }

    std::optional<port::AXAttributeValue> copyAttributeValue(AXElement element,
                                                             const std::string& name) override {
        s_.record("get", element, name);
        const State::Element* e = s_.reachable(element.id);
        if (!e) return std::nullopt;
        return s_.attribute(element.id, *e, name);
    }

    bool setAttributeValue(AXElement element, const std::string& name,
                           const port::AXAttributeValue& value) override {
        s_.record("set", element, name);
        const State::Element* e = s_.reachable(element.id);
        if (!e) return false;
        if (e->kind == State::Kind::application && name == port::ax::enhancedUserInterface) {
            if (auto on = std::get_if<bool>(&value)) {
                s_.apps.at(e->pid).enhancedUserInterface = *on;
                return true;
            }
            return false;
        }
        if (e->kind != State::Kind::window) return false;
        if (name == port::ax::position) {
            if (auto p = std::get_if<Point>(&value)) {
                s_.applyFrame(element.id, *p, std::nullopt);
                return true;
            }
        } else if (name == port::ax::size) {
            if (auto sz = std::get_if<Size>(&value)) {
                s_.applyFrame(element.id, std::nullopt, *sz);
                return true;
            }
        } else if (name == port::ax::minimized) {
            if (auto m = std::get_if<bool>(&value)) {
                s_.setMinimized(element.id, *m);
                return true;
            }
        }
        return false;
    }

    bool performAction(AXElement element, const std::string& action) override {
        s_.record("action", element, action);
        const State::Element* e = s_.reachable(element.id);
        if (!e || e->kind != State::Kind::window || action != port::ax::raiseAction) return false;
        s_.raise(element.id);
        s_.apps.at(e->pid).focused = element.id;
        return true;
    }

    std::optional<port::AXObserverId> createObserver(int32_t pid,
                                                     ObserverCallback callback) override {
        if (!s_.apps.count(pid) || !callback) return std::nullopt;
        port::AXObserverId id = s_.nextObserver++;
        s_.observers[id] = State::Observer{pid, std::move(callback), {}};
        return id;
    }

    bool addNotification(port::AXObserverId observer, AXElement element,
                         const std::string& notification) override {
        auto it = s_.observers.find(observer);
        if (it == s_.observers.end()) return false;
        const State::Element* e = s_.reachable(element.id);
        if (!e || e->kind == State::Kind::systemWide || e->pid != it->second.pid) return false;
        it->second.registrations.insert({element.id, notification});
        return true;
    }

    void removeNotification(port::AXObserverId observer, AXElement element,
                            const std::string& notification) override {
        auto it = s_.observers.find(observer);
        if (it != s_.observers.end()) it->second.registrations.erase({element.id, notification});
    }

    void destroyObserver(port::AXObserverId observer) override { s_.observers.erase(observer); }

  private:
    State& s_;
};

class SimScreens final : public port::Screens {
  public:
    explicit SimScreens(State& s) : s_(s) {}
    std::vector<port::PlatformScreen> screens() override { return s_.screens; }
    Subscription onScreensChanged(std::function<void()> callback) override {
        return s_.screensChanged.add(std::move(callback));
    }

  private:
    State& s_;
};

class SimApplications final : public port::Applications {
  public:
    explicit SimApplications(State& s) : s_(s) {}

    std::vector<port::RunningApplication> runningApplications() override {
        std::vector<port::RunningApplication> list;
        for (const auto& [_, app] : s_.apps) list.push_back(app.info);
        return list;
    }
    std::optional<port::RunningApplication> frontmostApplication() override {
        if (!s_.frontmost) return std::nullopt;
        return application(*s_.frontmost);
    }
    std::optional<port::RunningApplication> application(int32_t pid) override {
        auto it = s_.apps.find(pid);
        if (it == s_.apps.end()) return std::nullopt;
        return it->second.info;
    }
    int32_t currentProcessId() override { return s_.ownPid; }
    bool activate(int32_t pid) override {
        s_.activateRequests.push_back(pid);
        if (!s_.apps.count(pid)) return false;
        s_.frontmost = pid;
        return true;
    }
    bool terminate(int32_t pid) override;
    bool launch(const std::string& bundleIdentifier) override {
        s_.launchRequests.push_back(bundleIdentifier);
        return !bundleIdentifier.empty();
    }
    Subscription onLaunched(std::function<void(const port::RunningApplication&)> cb) override {
        return s_.launched.add(std::move(cb));
    }
    Subscription onTerminated(std::function<void(const port::RunningApplication&)> cb) override {
        return s_.terminated.add(std::move(cb));
    }

    void quit(int32_t pid) {
        if (pid == s_.ownPid) misuse("the own process cannot quit");
        port::RunningApplication info = s_.app(pid).info;
        for (uint64_t w : std::vector<uint64_t>(s_.apps.at(pid).windows)) {
            s_.removeWindow(w);
            s_.forgetElementTree(w);
        }
        s_.apps.erase(pid);
        // The process's observers die with it.
        std::erase_if(s_.observers, [pid](const auto& o) { return o.second.pid == pid; });
        if (s_.frontmost == pid) s_.frontmost.reset();
        s_.terminated.post(s_.loop, info);
    }

  private:
    State& s_;
};

bool SimApplications::terminate(int32_t pid) {
    s_.terminateRequests.push_back(pid);
    if (!s_.apps.count(pid) || pid == s_.ownPid) return false;
    if (s_.terminateQuits) quit(pid);
    return true;
}

class SimAlerts final : public port::Alerts {
  public:
    explicit SimAlerts(State& s) : s_(s) {}
    int runModal(const port::AlertRequest& request) override {
        s_.alerts.push_back(request);
        return s_.alertResponse;
    }

  private:
    State& s_;
};

class SimLog final : public port::Log {
  public:
    explicit SimLog(State& s) : s_(s) {}
    void line(const std::string& text) override { s_.logLines.push_back(text); }

  private:
    State& s_;
};

class SimDefaults final : public port::UserDefaults {
  public:
    explicit SimDefaults(State& s) : s_(s) {}
    std::optional<port::DefaultsValue> object(const std::string& key) override {
        auto it = s_.defaults.find(key);
        if (it == s_.defaults.end()) return std::nullopt;
        return it->second;
    }
    void set(const std::string& key, const port::DefaultsValue& value) override {
        s_.defaults[key] = value;
    }
    void remove(const std::string& key) override { s_.defaults.erase(key); }

  private:
    State& s_;
};

class SimHotKeys final : public port::HotKeys {
  public:
    explicit SimHotKeys(State& s) : s_(s) {}
    void installHandler(std::function<void(uint32_t, uint32_t)> handler) override {
        ++s_.handlerInstalls;
        s_.hotKeyHandler = std::move(handler);
    }
    std::optional<port::HotKeyRef> registerHotKey(uint32_t keyCode, uint32_t modifiers,
                                                  uint32_t signature, uint32_t id) override {
        if (s_.heldByOthers.count({keyCode, modifiers})) return std::nullopt;
        // Like the X11 backend: only a key the keyboard has can be grabbed.
        if (keyCode > 0xffff || !usKeyboardKeys().contains(static_cast<uint16_t>(keyCode))) {
            return std::nullopt;
        }
        for (const auto& [_, k] : s_.hotKeys) {
            if (k.keyCode == keyCode && k.modifiers == modifiers) return std::nullopt;
        }
        port::HotKeyRef ref = s_.nextHotKey++;
        s_.hotKeys[ref] = SimDesktop::HotKey{keyCode, modifiers, signature, id, ref};
        return ref;
    }
    void unregisterHotKey(port::HotKeyRef ref) override { s_.hotKeys.erase(ref); }

  private:
    State& s_;
};

class SimKeyboardLayout final : public port::KeyboardLayout {
  public:
    explicit SimKeyboardLayout(State& s) : s_(s) {}
    std::optional<std::string> translate(uint16_t keyCode) override {
        if (auto it = s_.keyOverrides.find(keyCode); it != s_.keyOverrides.end()) return it->second;
        const auto& layout = usKeyboardLayout();
        if (auto it = layout.find(keyCode); it != layout.end()) return it->second;
        return std::nullopt;
    }

  private:
    State& s_;
};

class SimKeyMonitor final : public port::KeyMonitor {
  public:
    explicit SimKeyMonitor(State& s) : s_(s) {}
    port::KeyMonitorId addLocalKeyDownMonitor(
        std::function<bool(const port::KeyEvent&)> handler) override {
        port::KeyMonitorId id = s_.nextKeyMonitor++;
        s_.keyMonitors[id] = std::move(handler);
        return id;
    }
    void removeMonitor(port::KeyMonitorId monitor) override { s_.keyMonitors.erase(monitor); }

  private:
    State& s_;
};

class SimMouseEvents final : public port::MouseEvents {
  public:
    explicit SimMouseEvents(State& s) : s_(s) {}
    bool start(std::function<void(const port::MouseEvent&)> handler) override {
        if (s_.mouseFails || !handler) return false;
        s_.mouseHandler = std::move(handler);
        s_.mouseRunning = true;
        return true;
    }
    void stop() override {
        s_.mouseRunning = false;
        s_.mouseHandler = nullptr;
    }

  private:
    State& s_;
};

class SimLoginItems final : public port::LoginItems {
  public:
    explicit SimLoginItems(State& s) : s_(s) {}
    bool registerMainApp(std::string& error) override { return change(true, error); }
    bool unregisterMainApp(std::string& error) override { return change(false, error); }

  private:
    bool change(bool registered, std::string& error) {
        if (s_.loginItemFailure) {
            error = *s_.loginItemFailure;
            return false;
        }
        s_.loginItemRegistered = registered;
        return true;
    }
    State& s_;
};

class SimBundleInfo final : public port::BundleInfo {
  public:
    explicit SimBundleInfo(State& s) : s_(s) {}
    std::optional<std::string> infoValue(const std::string& key) override {
        auto it = s_.info.find(key);
        if (it == s_.info.end()) return std::nullopt;
        return it->second;
    }

  private:
    State& s_;
};

class SimLocale final : public port::Locale {
  public:
    explicit SimLocale(State& s) : s_(s) {}
    std::vector<std::string> preferredLanguages() override { return s_.languages; }

  private:
    State& s_;
};

// The desktop whose ports are installed, so that only it uninstalls them.
const void* installedDesktop = nullptr;

}  // namespace

struct SimDesktop::Impl {
    State s;
    SimAccessibility accessibility{s};
    SimScreens screens{s};
    SimApplications applications{s};
    SimAlerts alerts{s};
    SimLog log{s};
    SimDefaults defaults{s};
    SimHotKeys hotKeys{s};
    SimKeyboardLayout keyboardLayout{s};
    SimKeyMonitor keyMonitor{s};
    SimMouseEvents mouseEvents{s};
    SimLoginItems loginItems{s};
    SimBundleInfo bundleInfo{s};
    SimLocale locale{s};
};

SimDesktop::SimDesktop() : impl_(std::make_unique<Impl>()) {}

SimDesktop::~SimDesktop() {
    if (installedDesktop == this) {
        uninstallPlatform();
        installedDesktop = nullptr;
    }
}

void SimDesktop::install() {
    installPlatform(ports());
    installedDesktop = this;
}

Platform SimDesktop::ports() {
    Impl& i = *impl_;
    Platform p;
    p.accessibility = &i.accessibility;
    p.screens = &i.screens;
    p.applications = &i.applications;
    p.runLoop = &i.s.loop;
    p.alerts = &i.alerts;
    p.log = &i.log;
    p.defaults = &i.defaults;
    p.hotKeys = &i.hotKeys;
    p.keyboardLayout = &i.keyboardLayout;
    p.keyMonitor = &i.keyMonitor;
    p.mouseEvents = &i.mouseEvents;
    p.loginItems = &i.loginItems;
    p.bundleInfo = &i.bundleInfo;
    p.locale = &i.locale;
    return p;
}

VirtualRunLoop& SimDesktop::runLoop() {
    return impl_->s.loop;
}

// ---- screens

uint64_t SimDesktop::addScreen(const Rect& frame, const Rect& visibleFrame, bool builtIn) {
    State& s = impl_->s;
    uint64_t id = s.nextScreen++;
    s.screens.push_back({id, frame, visibleFrame, builtIn, "Screen " + std::to_string(id)});
    return id;
}

uint64_t SimDesktop::addScreenTopLeft(const Rect& frame, const Rect& visible, bool builtIn) {
    const auto& screens = impl_->s.screens;
    double primaryHeight = screens.empty() ? frame.height : screens.front().frame.height;
    return addScreen(Coord::flip(frame, primaryHeight), Coord::flip(visible, primaryHeight),
                     builtIn);
}

namespace {
port::PlatformScreen& findScreen(std::vector<port::PlatformScreen>& screens, uint64_t id) {
    auto it = std::find_if(screens.begin(), screens.end(), [id](auto& s) { return s.id == id; });
    if (it == screens.end()) misuse("no screen " + std::to_string(id));
    return *it;
}
}  // namespace

void SimDesktop::removeScreen(uint64_t id) {
    auto& screens = impl_->s.screens;
    findScreen(screens, id);
    std::erase_if(screens, [id](const auto& s) { return s.id == id; });
}

void SimDesktop::setScreenFrames(uint64_t id, const Rect& frame, const Rect& visibleFrame) {
    auto& screen = findScreen(impl_->s.screens, id);
    screen.frame = frame;
    screen.visibleFrame = visibleFrame;
}

void SimDesktop::setScreenOrder(const std::vector<uint64_t>& ids) {
    auto& screens = impl_->s.screens;
    std::vector<port::PlatformScreen> ordered;
    for (uint64_t id : ids) ordered.push_back(findScreen(screens, id));
    // Screens not named keep their relative order after the named ones.
    for (const auto& s : screens) {
        if (std::find(ids.begin(), ids.end(), s.id) == ids.end()) ordered.push_back(s);
    }
    screens = std::move(ordered);
}

void SimDesktop::notifyScreensChanged() {
    impl_->s.screensChanged.post(impl_->s.loop);
}

// ---- applications

int32_t SimDesktop::addApp(const AppSpec& spec) {
    State& s = impl_->s;
    int32_t pid = s.nextPid++;
    State::App app;
    app.info = {pid, spec.bundleIdentifier, spec.localizedName, spec.policy};
    s.apps[pid] = app;
    s.appElement(pid);  // windows name it as their parent
    s.launched.post(s.loop, app.info);
    return pid;
}

int32_t SimDesktop::ownPid() const {
    return impl_->s.ownPid;
}

void SimDesktop::setFrontmostApp(std::optional<int32_t> pid) {
    if (pid) impl_->s.app(*pid);
    impl_->s.frontmost = pid;
}

void SimDesktop::setResponsive(int32_t pid, bool responsive) {
    impl_->s.app(pid).responsive = responsive;
}

void SimDesktop::quitApp(int32_t pid) {
    impl_->applications.quit(pid);
}

std::vector<int32_t> SimDesktop::terminateRequests() const {
    return impl_->s.terminateRequests;
}
std::vector<int32_t> SimDesktop::activateRequests() const {
    return impl_->s.activateRequests;
}
std::vector<std::string> SimDesktop::launchRequests() const {
    return impl_->s.launchRequests;
}
void SimDesktop::setTerminateQuits(bool quits) {
    impl_->s.terminateQuits = quits;
}

// ---- windows

AXElement SimDesktop::addWindow(int32_t pid, const WindowSpec& spec) {
    State& s = impl_->s;
    State::App& app = s.app(pid);
    State::Window w;
    w.minSize = spec.minSize;
    w.maxSize = spec.maxSize;
    Size size = clampSize(spec.frame.size(), w.minSize, w.maxSize);
    w.frame = Rect(spec.frame.origin(), size);
    w.title = spec.title;
    w.subrole = spec.subrole;
    w.minimized = spec.minimized;
    uint64_t id = s.newElement(State::Element::of(State::Kind::window, pid));
    s.windows[id] = w;
    app.windows.push_back(id);
    app.focused = id;
    if (spec.enhancedUserInterface) app.enhancedUserInterface = true;
    s.stacking.push_back(id);
    s.notify(id, pid, port::ax::windowCreatedNotification);
    return AXElement{id};
}

AXElement SimDesktop::addChild(AXElement parent, const Rect& frame, const std::string& role,
                               bool hasWindowAttribute) {
    State& s = impl_->s;
    const State::Element* p = s.live(parent.id);
    if (!p || (p->kind != State::Kind::window && p->kind != State::Kind::child)) {
        misuse("a child needs a window or another child as its parent");
    }
    uint64_t windowId = p->kind == State::Kind::window ? parent.id : p->window;
    Point origin = s.windows.at(windowId).frame.origin();
    State::Element child{State::Kind::child,
                         p->pid,
                         windowId,
                         parent.id,
                         Point{frame.x - origin.x, frame.y - origin.y},
                         frame.size(),
                         role,
                         hasWindowAttribute,
                         {}};
    uint64_t id = s.newElement(std::move(child));
    s.elements.at(parent.id).children.push_back(id);
    return AXElement{id};
}

void SimDesktop::setFocusedWindow(int32_t pid, AXElement window) {
    State::App& app = impl_->s.app(pid);
    if (std::find(app.windows.begin(), app.windows.end(), window.id) == app.windows.end()) {
        misuse("the window is not one of the application's");
    }
    app.focused = window.id;
}

void SimDesktop::setMinimized(AXElement window, bool minimized) {
    impl_->s.window(window);
    impl_->s.setMinimized(window.id, minimized);
}

void SimDesktop::setSubrole(AXElement window, std::optional<std::string> subrole) {
    impl_->s.window(window).subrole = std::move(subrole);
}

Rect SimDesktop::windowFrame(AXElement window) const {
    return impl_->s.window(window).frame;
}

void SimDesktop::userSetFrame(AXElement window, const Rect& frame) {
    impl_->s.window(window);
    impl_->s.applyFrame(window.id, frame.origin(), frame.size());
}

void SimDesktop::destroyWindow(AXElement window) {
    State& s = impl_->s;
    s.window(window);
    int32_t pid = s.elements.at(window.id).pid;
    // Queued before the registrations go, as the window's last word to its observers.
    s.notify(window.id, pid, port::ax::destroyedNotification);
    s.removeWindow(window.id);
    s.forgetElementTree(window.id);
}

std::vector<AXElement> SimDesktop::windowsOf(int32_t pid) const {
    std::vector<AXElement> list;
    for (uint64_t id : impl_->s.app(pid).windows) list.push_back(AXElement{id});
    return list;
}

bool SimDesktop::windowExists(AXElement window) const {
    return impl_->s.windows.count(window.id) > 0;
}

// ---- trust and the call record

void SimDesktop::setTrusted(bool trusted) {
    impl_->s.trusted = trusted;
}
int SimDesktop::promptCount() const {
    return impl_->s.promptCount;
}
int SimDesktop::settingsPageOpenCount() const {
    return impl_->s.settingsPageCount;
}
const std::vector<SimDesktop::AXCall>& SimDesktop::axCalls() const {
    return impl_->s.axCalls;
}
void SimDesktop::clearAXCalls() {
    impl_->s.axCalls.clear();
}

std::optional<double> SimDesktop::messagingTimeout(AXElement element) const {
    auto& timeouts = impl_->s.timeouts;
    auto it = timeouts.find(element.id);
    if (it == timeouts.end()) return std::nullopt;
    return it->second;
}

// ---- alerts and log

void SimDesktop::setAlertResponse(int response) {
    impl_->s.alertResponse = response;
}
const std::vector<port::AlertRequest>& SimDesktop::alerts() const {
    return impl_->s.alerts;
}
const std::vector<std::string>& SimDesktop::logLines() const {
    return impl_->s.logLines;
}

// ---- hot keys

std::vector<SimDesktop::HotKey> SimDesktop::registeredHotKeys() const {
    std::vector<HotKey> list;
    for (const auto& [_, k] : impl_->s.hotKeys) list.push_back(k);
    return list;
}

void SimDesktop::holdByOtherClient(uint32_t keyCode, uint32_t modifiers) {
    impl_->s.heldByOthers.insert({keyCode, modifiers});
}

bool SimDesktop::pressHotKey(uint32_t keyCode, uint32_t modifiers) {
    const bool matched = holdKey(keyCode, modifiers);
    releaseKey(keyCode);
    return matched;
}

void SimDesktop::releaseKey(uint32_t keyCode) {
    impl_->s.keysDown.erase(keyCode);
}

bool SimDesktop::holdKey(uint32_t keyCode, uint32_t modifiers) {
    State& s = impl_->s;
    const bool repeat = !s.keysDown.insert(keyCode).second;
    for (const auto& [_, k] : s.hotKeys) {
        if (k.keyCode != keyCode || k.modifiers != modifiers) continue;
        if (s.hotKeyHandler && !repeat) {
            auto handler = s.hotKeyHandler;  // it may reinstall itself
            handler(k.signature, k.id);
        }
        return true;
    }
    return false;
}

int SimDesktop::handlerInstallCount() const {
    return impl_->s.handlerInstalls;
}

// ---- keyboard layout and key monitor

void SimDesktop::setKeyTranslation(uint16_t keyCode, std::optional<std::string> text) {
    impl_->s.keyOverrides[keyCode] = std::move(text);
}

bool SimDesktop::sendKeyDown(const port::KeyEvent& event) {
    auto& monitors = impl_->s.keyMonitors;
    std::vector<port::KeyMonitorId> ids;
    for (const auto& [id, _] : monitors) ids.push_back(id);
    for (auto id : ids) {
        auto it = monitors.find(id);
        if (it == monitors.end()) continue;  // removed by an earlier handler
        auto handler = it->second;
        if (handler(event)) return true;
    }
    return false;
}

size_t SimDesktop::keyMonitorCount() const {
    return impl_->s.keyMonitors.size();
}

// ---- global mouse events

bool SimDesktop::mouseSourceRunning() const {
    return impl_->s.mouseRunning;
}

void SimDesktop::emitMouse(const port::MouseEvent& event) {
    State& s = impl_->s;
    if (!s.mouseRunning || !s.mouseHandler) return;
    auto handler = s.mouseHandler;  // it may stop the source
    handler(event);
}

void SimDesktop::setMouseSourceFails(bool fails) {
    impl_->s.mouseFails = fails;
}

// ---- defaults, login items, bundle info, locale

port::UserDefaults& SimDesktop::defaults() {
    return impl_->defaults;
}

void SimDesktop::setLoginItemFailure(std::optional<std::string> error) {
    impl_->s.loginItemFailure = std::move(error);
}

std::optional<bool> SimDesktop::loginItemRegistered() const {
    return impl_->s.loginItemRegistered;
}

void SimDesktop::setInfoValue(const std::string& key, std::optional<std::string> value) {
    if (value) {
        impl_->s.info[key] = *value;
    } else {
        impl_->s.info.erase(key);
    }
}

void SimDesktop::setPreferredLanguages(std::vector<std::string> languages) {
    impl_->s.languages = std::move(languages);
}

}  // namespace kelvra::sim
