#include "backends/sim/SimDesktop.h"

#include <algorithm>
#include <utility>

#include "backends/sim/SimAlerts.h"
#include "backends/sim/SimApplications.h"
#include "backends/sim/SimBrowser.h"
#include "backends/sim/SimDefaults.h"
#include "backends/sim/SimHotKeys.h"
#include "backends/sim/SimHttp.h"
#include "backends/sim/SimKeyMonitor.h"
#include "backends/sim/SimKeyboardLayout.h"
#include "backends/sim/SimLocale.h"
#include "backends/sim/SimLog.h"
#include "backends/sim/SimLoginItems.h"
#include "backends/sim/SimManagerSnapping.h"
#include "backends/sim/SimMouseEvents.h"
#include "backends/sim/SimScreens.h"
#include "backends/sim/SimSecrets.h"
#include "backends/sim/SimWindows.h"
#include "geometry/Coord.h"

namespace kelvra::sim {

namespace {

// The desktop whose ports are installed, so that only it uninstalls them.
const void* installedDesktop = nullptr;

}  // namespace

struct SimDesktop::Impl {
    SimState s;
    SimWindows windows{s};
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
    SimLocale locale{s};
    SimSurfaces surfaces;
    SimHttp http{s.loop};
    SimSecrets secrets;
    SimBrowser browser;
    SimManagerSnapping managerSnapping;
    SimNotifications notifications;
    SimProcesses processes;
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

void SimDesktop::provide(Platform& p) {
    Impl& i = *impl_;
    p.backend = this;
    p.windows = &i.windows;
    p.screens = &i.screens;
    p.applications = &i.applications;
    p.hotKeys = &i.hotKeys;
    p.keyboardLayout = &i.keyboardLayout;
    p.keyMonitor = &i.keyMonitor;
    p.mouseEvents = &i.mouseEvents;
    p.surfaces = &i.surfaces;
}

Platform SimDesktop::ports() {
    Impl& i = *impl_;
    Platform p;
    provide(p);
    p.runLoop = &i.s.loop;
    p.alerts = &i.alerts;
    p.log = &i.log;
    p.defaults = &i.defaults;
    p.loginItems = &i.loginItems;
    p.buildInfo = &i.s.build;
    p.locale = &i.locale;
    p.http = &i.http;
    p.secrets = &i.secrets;
    p.browser = &i.browser;
    p.managerSnapping = &i.managerSnapping;
    p.notifications = &i.notifications;
    p.processes = &i.processes;
    return p;
}

VirtualRunLoop& SimDesktop::runLoop() {
    return impl_->s.loop;
}

SimSurfaces& SimDesktop::surfaces() {
    return impl_->surfaces;
}

SimHttp& SimDesktop::http() {
    return impl_->http;
}

SimSecrets& SimDesktop::secrets() {
    return impl_->secrets;
}

SimManagerSnapping& SimDesktop::managerSnapping() {
    return impl_->managerSnapping;
}

SimNotifications& SimDesktop::notifications() {
    return impl_->notifications;
}

SimProcesses& SimDesktop::processes() {
    return impl_->processes;
}

SimBrowser& SimDesktop::browser() {
    return impl_->browser;
}

// ---- screens

uint64_t SimDesktop::addScreen(const Rect& frame, const Rect& visibleFrame, bool builtIn) {
    SimState& s = impl_->s;
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

void SimDesktop::setPointerLocation(std::optional<Point> location) {
    impl_->s.pointer = location;
}

// ---- applications

int32_t SimDesktop::addApp(const AppSpec& spec) {
    SimState& s = impl_->s;
    int32_t pid = s.nextPid++;
    SimState::App& app = s.apps[pid];
    app.info = {pid, spec.appId, spec.localizedName, spec.policy};
    s.launched.post(s.loop, app.info);
    return pid;
}

int32_t SimDesktop::ownPid() const {
    return impl_->s.ownPid;
}

void SimDesktop::setFrontmostApp(std::optional<int32_t> pid) {
    if (pid) impl_->s.app(*pid);
    impl_->s.setFrontmost(pid);
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

port::WindowRef SimDesktop::addWindow(int32_t pid, const WindowSpec& spec) {
    SimState& s = impl_->s;
    SimState::App& app = s.app(pid);
    uint64_t id = s.nextWindow++;
    SimState::Window& w = s.windows[id];
    w.pid = pid;
    w.minSize = spec.minSize;
    w.maxSize = spec.maxSize;
    w.title = spec.title;
    w.icon = spec.icon;
    w.kind = spec.kind;
    w.minimized = spec.minimized;
    w.frame = spec.frame;
    s.applyFrame(id, spec.frame);  // within its size limits, silently: nobody observes it yet
    app.windows.push_back(id);
    app.focused = id;
    s.stacking.push_back(id);
    app.created.post(s.loop, port::WindowRef{id});
    return port::WindowRef{id};
}

void SimDesktop::setFocusedWindow(int32_t pid, port::WindowRef window) {
    SimState::App& app = impl_->s.app(pid);
    if (std::find(app.windows.begin(), app.windows.end(), window.id) == app.windows.end()) {
        misuse("the window is not one of the application's");
    }
    app.focused = window.id;
}

void SimDesktop::setMinimized(port::WindowRef window, bool minimized) {
    impl_->s.window(window);
    impl_->s.setMinimized(window.id, minimized);
}

void SimDesktop::setKind(port::WindowRef window, port::WindowKind kind) {
    impl_->s.window(window).kind = kind;
}

Rect SimDesktop::windowFrame(port::WindowRef window) const {
    return impl_->s.window(window).frame;
}

void SimDesktop::userSetFrame(port::WindowRef window, const Rect& frame) {
    impl_->s.window(window);
    impl_->s.applyFrame(window.id, frame);
}

void SimDesktop::destroyWindow(port::WindowRef window) {
    impl_->s.window(window);
    impl_->s.removeWindow(window.id);
}

std::vector<port::WindowRef> SimDesktop::windowsOf(int32_t pid) const {
    std::vector<port::WindowRef> list;
    for (uint64_t id : impl_->s.app(pid).windows) list.push_back({id});
    return list;
}

bool SimDesktop::windowExists(port::WindowRef window) const {
    return impl_->s.windows.count(window.id) > 0;
}

size_t SimDesktop::observerCount(port::WindowRef window) const {
    auto it = impl_->s.windows.find(window.id);
    return it == impl_->s.windows.end() ? 0 : it->second.events.size();
}

// ---- the window service's permission and its call record

void SimDesktop::setNeedsPermission(bool needs) {
    impl_->s.needsPermission = needs;
}
void SimDesktop::setHasWindowManager(bool has) {
    impl_->s.hasWindowManager = has;
}
void SimDesktop::setCanControlWindows(bool canControlWindows) {
    impl_->s.canControlWindows = canControlWindows;
}
int SimDesktop::promptCount() const {
    return impl_->s.promptCount;
}
int SimDesktop::settingsPageOpenCount() const {
    return impl_->s.settingsPageCount;
}
const std::vector<WindowCall>& SimDesktop::windowCalls() const {
    return impl_->s.windowCalls;
}
void SimDesktop::clearWindowCalls() {
    impl_->s.windowCalls.clear();
}

// ---- alerts and log

void SimDesktop::setAlertResponse(int response) {
    impl_->s.alertResponse = response;
}
void SimDesktop::setPromptAnswer(std::optional<std::string> text) {
    impl_->s.promptAnswer = std::move(text);
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

void SimDesktop::bindToServerAction(uint32_t keyCode, uint32_t modifiers) {
    impl_->s.serverActions.insert({keyCode, modifiers});
}

void SimDesktop::takeForecasts() {
    impl_->s.takesForecasts = true;
}

const std::vector<std::optional<port::HotKeyForecast>>& SimDesktop::forecasts() const {
    return impl_->s.forecasts;
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
    SimState& s = impl_->s;
    const bool repeat = !s.keysDown.insert(keyCode).second;
    for (const auto& [_, k] : s.hotKeys) {
        if (k.keyCode != keyCode || k.modifiers != modifiers) continue;
        if (!repeat) s.hotKeyPressed.emit(k.signature, k.id);
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
    SimState& s = impl_->s;
    if (s.mouseRunning) s.mouse.emit(event);
}

void SimDesktop::setMouseSourceFails(bool fails) {
    impl_->s.mouseFails = fails;
}

// ---- defaults, login items, program info, locale

port::UserDefaults& SimDesktop::defaults() {
    return impl_->defaults;
}

void SimDesktop::failSave(const std::string& reason) {
    impl_->defaults.failSave(reason);
}

void SimDesktop::recoverSave() {
    impl_->defaults.recoverSave();
}

void SimDesktop::setLoginItemFailure(std::optional<std::string> error) {
    impl_->s.loginItemFailure = std::move(error);
}

std::optional<bool> SimDesktop::loginItemRegistered() const {
    return impl_->s.loginItemRegistered;
}

port::BuildInfo& SimDesktop::buildInfo() {
    return impl_->s.build;
}

void SimDesktop::setPreferredLanguages(std::vector<std::string> languages) {
    impl_->s.languages = std::move(languages);
}

}  // namespace kelvra::sim
