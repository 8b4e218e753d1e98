// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "Harness.h"
#include "WindowManagers.h"

#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>
#include <stdexcept>
#include <thread>

namespace kelvra::e2e {

namespace {

constexpr auto startDeadline = 15s;

// Windows may vanish under us at any time: X errors are noted, not fatal.
int lastXError = 0;
int onXError(Display*, XErrorEvent* event) {
    lastXError = event->error_code;
    return 0;
}

Atom atom(Display* d, const char* name) {
    return XInternAtom(d, name, False);
}

// A property's items (32-bit ones as longs, 8-bit ones as chars); empty when unset.
template <typename T>
std::vector<T> readProperty(Display* d, Window w, const char* name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<T> items;
    if (XGetWindowProperty(d, w, atom(d, name), 0, 1024, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) == Success &&
        format == (sizeof(T) == 1 ? 8 : 32))
        items.assign(reinterpret_cast<T*>(data), reinterpret_cast<T*>(data) + count);
    if (data) XFree(data);
    return items;
}

bool contains(const std::vector<long>& list, unsigned long item) {
    return std::find(list.begin(), list.end(), static_cast<long>(item)) != list.end();
}

// The viewable windows among all below the root, client windows inside WM frames too.
std::vector<Window> viewableWindows(Display* d, Window parent = None) {
    Window rootReturn, parentReturn, *children = nullptr;
    unsigned int count = 0;
    std::vector<Window> found;
    if (!XQueryTree(d, parent ? parent : DefaultRootWindow(d), &rootReturn, &parentReturn,
                    &children, &count))
        return found;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable)
            found.push_back(children[i]);
        auto inside = viewableWindows(d, children[i]);
        found.insert(found.end(), inside.begin(), inside.end());
    }
    if (children) XFree(children);
    return found;
}

}  // namespace

std::string kelvraProgram() {
    const char* installed = std::getenv("KELVRA_TEST_PROGRAM");
    return installed && *installed ? installed : KELVRA_PROGRAM;
}

std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.x << ", " << b.y << ", " << b.width << ", " << b.height << ")";
}

bool near(const Box& a, const Box& b, double tolerance) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
           std::fabs(a.width - b.width) <= tolerance && std::fabs(a.height - b.height) <= tolerance;
}

namespace zone {

namespace {
Box area_;
}

Box part(double x0, double y0, double x1, double y1) {
    constexpr double halfGap = 4;
    // An edge inside the area gives half the gap to each side; the area's own edges none.
    auto edge = [](double fraction, double start, double length, double inward) {
        const double at = start + fraction * length;
        return fraction <= 0 || fraction >= 1 ? at : at + inward;
    };
    const double left = edge(x0, area_.x, area_.width, halfGap),
                 right = edge(x1, area_.x, area_.width, -halfGap),
                 top = edge(y0, area_.y, area_.height, halfGap),
                 bottom = edge(y1, area_.y, area_.height, -halfGap);
    return {left, top, right - left, bottom - top};
}

void layOut(const Box& area) {
    area_ = area;
    leftHalf = part(0, 0, 0.5, 1), rightHalf = part(0.5, 0, 1, 1);
    topHalf = part(0, 0, 1, 0.5), bottomHalf = part(0, 0.5, 1, 1);
    topLeft = part(0, 0, 0.5, 0.5), topRight = part(0.5, 0, 1, 0.5);
    bottomLeft = part(0, 0.5, 0.5, 1), bottomRight = part(0.5, 0.5, 1, 1);
    leftThird = part(0, 0, 1.0 / 3, 1), centreThird = part(1.0 / 3, 0, 2.0 / 3, 1);
    rightThird = part(2.0 / 3, 0, 1, 1);
    leftTwoThirds = part(0, 0, 2.0 / 3, 1), rightTwoThirds = part(1.0 / 3, 0, 1, 1);
    maximized = part(0, 0, 1, 1);
}

std::vector<std::pair<unsigned long, Box>> byShortcut() {
    return {{XK_Left, leftHalf},   {XK_Right, rightHalf},  {XK_Up, topHalf},
            {XK_Down, bottomHalf}, {XK_Return, maximized}, {XK_u, topLeft},
            {XK_i, topRight},      {XK_j, bottomLeft},     {XK_k, bottomRight},
            {XK_d, leftThird},     {XK_f, centreThird},    {XK_g, rightThird},
            {XK_e, leftTwoThirds}, {XK_t, rightTwoThirds}};
}

}  // namespace zone

Desktop::Desktop(DesktopOptions options) {
    char pattern[] = "/tmp/kelvra-e2e-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    home_ = pattern;
    for (const char* dir : {".config/kelvra", ".local/share", ".cache", "run"})
        std::filesystem::create_directories(home_ / dir);
    std::filesystem::permissions(home_ / "run", std::filesystem::perms::owner_all);
    settings_ = {{"hasCompletedOnboarding", true}, {"snapAssistEnabled", false}};
    environment_ = {
        {"HOME", home_.string()},
        {"XDG_CONFIG_HOME", (home_ / ".config").string()},
        {"XDG_DATA_HOME", (home_ / ".local/share").string()},
        {"XDG_CACHE_HOME", (home_ / ".cache").string()},
        {"XDG_RUNTIME_DIR", (home_ / "run").string()},
        {"QT_QPA_PLATFORM", "xcb"},
        // No session bus: nothing may leak to or from the developer's desktop.
        {"DBUS_SESSION_BUS_ADDRESS", "disabled:"},
        {"WAYLAND_DISPLAY", ""},
        {"XAUTHORITY", ""},
    };
    XSetErrorHandler(onXError);

    // Xvfb picks a free display and writes its number to the pipe. -noreset: the server
    // keeps its RandR monitors when helper clients disconnect.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    server_ = start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", options.screen,
                     "-nolisten", "tcp", "-noreset", "+extension", "XTEST"},
                    fds[1]);
    close(fds[1]);
    FILE* pipe = fdopen(fds[0], "r");
    const bool started = std::fscanf(pipe, "%d", &displayNumber_) == 1;
    std::fclose(pipe);
    if (!started) throw std::runtime_error("Xvfb did not start: " + server_->logText());
    environment_["DISPLAY"] = displayName();
    display_ = XOpenDisplay(displayName().c_str());
    if (!display_) throw std::runtime_error("cannot connect to " + displayName());

    if (!options.monitors.empty()) setMonitors(options.monitors);
    if (options.sessionBus) {
        const auto socket = home_ / "run/bus";
        bus_ = start(
            {"dbus-daemon", "--session", "--nofork", "--address=unix:path=" + socket.string()});
        if (!waitUntil([&] { return std::filesystem::exists(socket); }))
            throw std::runtime_error("no session bus: " + bus_->logText());
        environment_["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + socket.string();
    }
    if (options.windowManager && chosenWindowManager() != "none")
        startWindowManager(options.stockWindowManagerConfig);
    zone::layOut(workArea());
}

void Desktop::startWindowManager(bool stock) {
    const std::string name = chosenWindowManager();
    auto launch = windowManagerLaunch(name, home_, stock);
    if (launch.argv.empty()) throw std::runtime_error("unknown window manager " + name);
    // The session's own bus, where the program meets the manager's settings services.
    if (bus_ && launch.argv.front() == "dbus-run-session")
        launch.argv.erase(launch.argv.begin(), launch.argv.begin() + 2);
    const auto sessionEnvironment = environment_;
    for (const auto& [variable, value] : launch.environment) environment_[variable] = value;
    windowManager_ = start(launch.argv);
    environment_ = sessionEnvironment;
    windowManagerName_ = name;
    // Ready once it has announced itself on the root window as EWMH asks, and once it
    // manages a window: framed, listed, its decorations published.
    auto failed = [&](const std::string& what) {
        return std::runtime_error(name + " " + what + ": " + windowManager_->logText());
    };
    // KWin takes its time on a busy machine.
    if (!waitUntil([&] { return !property(root(), "_NET_SUPPORTING_WM_CHECK").empty(); },
                   2 * startDeadline))
        throw failed("did not start");
    // A window mapped while the manager still takes over the screen may be missed: it is
    // mapped again until the manager takes it.
    const Window probe = XCreateSimpleWindow(display_, root(), 0, 0, 50, 50, 0, 0, 0);
    bool managed = false;
    for (int attempt = 0; attempt < 5 && !managed; ++attempt) {
        XUnmapWindow(display_, probe);
        XMapWindow(display_, probe);
        XFlush(display_);
        managed = waitUntil(
            [&] {
                return !property(probe, "_NET_FRAME_EXTENTS").empty() &&
                       contains(property(root(), "_NET_CLIENT_LIST"), probe);
            },
            3s);
    }
    XDestroyWindow(display_, probe);
    XSync(display_, False);
    if (!managed) throw failed("manages no window");
    // Gone from its list again, so that no test meets it; and the work area out, which
    // the zones are laid out in.
    waitUntil([&] {
        return !contains(property(root(), "_NET_CLIENT_LIST"), probe) &&
               !property(root(), "_NET_WORKAREA").empty();
    });
}

Box Desktop::workArea() const {
    const Box monitor = primaryMonitor();
    Box area{0, 0, monitor.width, monitor.height};
    const auto all = property(root(), "_NET_WORKAREA");
    const auto current = property(root(), "_NET_CURRENT_DESKTOP");
    const size_t at = 4 * size_t(current.empty() ? 0 : current[0]);
    if (all.size() < at + 4) return area;
    const double x0 = std::max(monitor.x, double(all[at])),
                 y0 = std::max(monitor.y, double(all[at + 1])),
                 x1 = std::min(monitor.x + monitor.width, double(all[at] + all[at + 2])),
                 y1 = std::min(monitor.y + monitor.height, double(all[at + 1] + all[at + 3]));
    if (x1 <= x0 || y1 <= y0) return area;
    return {x0 - monitor.x, y0 - monitor.y, x1 - x0, y1 - y0};
}

Spot Desktop::titleBar(Window window) const {
    const Box f = frame(window).value_or(Box{});
    const Box origin = primaryMonitor();
    auto e = property(window, "_NET_FRAME_EXTENTS");
    const double top = e.size() == 4 && e[2] > 2 ? double(e[2]) : 16;
    return {int(origin.x + f.x + f.width / 2), int(origin.y + f.y + top / 2)};
}

Desktop::~Desktop() {
    const bool failed = ::testing::Test::HasFailure();
    if (failed && kelvra_) {
        const std::string log = kelvra_->logText();
        std::cerr << "---- kelvra log (" << kelvra_->logFile() << ")\n"
                  << log.substr(log.size() > 4000 ? log.size() - 4000 : 0) << "----\n";
    }
    kelvra_.reset();  // first, so that it sees its clients and server go in a sane order
    clients_.clear();
    tray_.reset();
    windowManager_.reset();
    bus_.reset();
    if (display_) XCloseDisplay(display_);
    server_.reset();
    std::error_code ignored;
    if (!failed || !std::getenv("KELVRA_E2E_KEEP")) std::filesystem::remove_all(home_, ignored);
}

std::unique_ptr<ChildProcess> Desktop::start(const std::vector<std::string>& argv, int fd) {
    const std::string name = std::filesystem::path(argv.front()).filename();
    return std::make_unique<ChildProcess>(
        argv, environment_, home_ / (std::to_string(++logCounter_) + "-" + name + ".log"), fd);
}

int Desktop::run(const std::vector<std::string>& argv, std::string* output) {
    auto helper = start(argv);
    waitUntil([&] { return !helper->running(); }, startDeadline);
    if (output) *output = helper->logText();
    return helper->exitCode();
}

void Desktop::setMonitors(const std::vector<Monitor>& wanted) {
    // The first monitor takes over the server's one output, which removes the
    // automatic monitor that covers the whole root window.
    for (size_t i = 0; i < wanted.size(); ++i) {
        const Monitor& m = wanted[i];
        char geometry[64];  // width/mm x height/mm + x + y
        std::snprintf(geometry, sizeof geometry, "%d/%dx%d/%d+%d+%d", m.width, m.width / 4,
                      m.height, m.height / 4, m.x, m.y);
        if (run({"xrandr", "--setmonitor", (m.primary ? "*" : "") + m.name, geometry,
                 i == 0 ? "screen" : "none"}) != 0)
            throw std::runtime_error("xrandr --setmonitor failed for " + m.name);
    }
    int count = 0;
    if (!waitUntil([&] {
            XRRFreeMonitors(XRRGetMonitors(display_, root(), True, &count));
            return count == static_cast<int>(wanted.size());
        }))
        throw std::runtime_error("the monitors did not appear");
}

void Desktop::startKelvra(const std::map<std::string, std::string>& extraEnvironment) {
    std::ofstream(home_ / ".config/kelvra/com.orvane.Kelvra.json") << settings_.dump(2) << "\n";
    const auto sessionEnvironment = environment_;
    for (const auto& [name, value] : extraEnvironment) environment_[name] = value;
    // Its hot keys are registered once a probe cannot grab Control+Alt+Space. Should the
    // program register just while the probe holds it, it tells the user the combination
    // is taken: that start is made again, so no test runs beside that alert.
    for (int attempt = 0;; ++attempt) {
        kelvra_ = start({kelvraProgram()});
        bool grabbed = false, collided = false;
        waitUntil(
            [&] {
                if (!kelvra_->running()) return true;  // gone: no point waiting
                if (kelvraSaid("Ctrl+Alt+Space")) return collided = true;
                return grabbed = !grabbable(XK_space, ControlMask | Mod1Mask);
            },
            startDeadline);
        if (grabbed) break;
        if (!collided || attempt == 3)
            throw std::runtime_error("kelvra did not register its shortcuts:\n" +
                                     kelvra_->logText());
        kelvra_->stop();
    }
    environment_ = sessionEnvironment;
}

void Desktop::startKelvraWithoutWaiting(const std::string& program) {
    std::ofstream(home_ / ".config/kelvra/com.orvane.Kelvra.json") << settings_.dump(2) << "\n";
    kelvra_ = start({program});
}

std::optional<Window> Desktop::startFirstLaunch() {
    writeSettings({{"hasCompletedOnboarding", false}});
    changeEnvironment({{"XDG_SESSION_TYPE", "x11"}});
    startKelvraWithoutWaiting();
    std::optional<Window> welcome;
    if (!waitUntil([&] { return (welcome = ownWindow("Kelvra")).has_value(); }, 10s))
        return std::nullopt;
    activate(*welcome);
    return welcome;
}

bool Desktop::startFirstLaunchAtGestures() {
    // With no shortcuts stored, none is taken: the shortcuts page, shown first where some
    // are, stays out of the way.
    writeSettings({{"shortcuts", nlohmann::json::object()}});
    if (!startFirstLaunch()) return false;
    pressKey(XK_Return);  // Continue
    usleep(300000);
    return true;
}

nlohmann::json Desktop::readSettings() const {
    std::ifstream in(home_ / ".config/kelvra/com.orvane.Kelvra.json");
    return nlohmann::json::parse(in, nullptr, false);
}

int Desktop::runAnotherKelvra(std::vector<std::string> arguments, std::string* output) {
    arguments.insert(arguments.begin(), kelvraProgram());
    return run(arguments, output);
}

std::optional<Window> Desktop::findWindow(const std::string& title) const {
    for (Window w : viewableWindows(display_)) {
        auto name = readProperty<char>(display_, w, "_NET_WM_NAME");
        if (std::string(name.begin(), name.end()) == title) return w;
    }
    return std::nullopt;
}

std::vector<Window> Desktop::windowsOf(pid_t pid) const {
    std::vector<Window> result;
    for (Window w : viewableWindows(display_))
        if (property(w, "_NET_WM_PID") == std::vector<long>{pid}) result.push_back(w);
    return result;
}

std::optional<OwnWindow> Desktop::placed(Window w) const {
    XWindowAttributes a;
    int x = 0, y = 0;
    Window child;
    if (!XGetWindowAttributes(display_, w, &a) ||
        !XTranslateCoordinates(display_, w, root(), 0, 0, &x, &y, &child))
        return std::nullopt;
    const int b = a.border_width;
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display_, w, &rootReturn, &parent, &children, &count) && children)
        XFree(children);
    return OwnWindow{
        w,
        {double(x - b), double(y - b), double(a.width + 2 * b), double(a.height + 2 * b)},
        a.override_redirect != 0,
        parent && parent != root() && !contains(property(root(), "_NET_CLIENT_LIST"), w)};
}

std::vector<OwnWindow> Desktop::kelvraWindows() const {
    std::vector<OwnWindow> found;
    for (Window w : windowsOf(kelvra_->pid()))
        if (auto own = placed(w)) found.push_back(*own);
    return found;
}

std::optional<Window> Desktop::ownWindow(const std::string& title) const {
    for (const auto& own : kelvraWindows()) {
        auto name = readProperty<char>(display_, own.window, "_NET_WM_NAME");
        if (!own.embedded && std::string(name.begin(), name.end()) == title) return own.window;
    }
    return std::nullopt;
}

std::optional<OwnWindow> Desktop::ownWindowNear(const Box& box) const {
    for (const auto& own : kelvraWindows())
        if (near(own.box, box)) return own;
    return std::nullopt;
}

std::optional<Window> Desktop::openSettings(const std::string& tab) {
    std::optional<Window> w;
    if (runAnotherKelvra({"--settings=" + tab}) != 0 ||
        !waitUntil([&] { return (w = settingsWindow()).has_value(); }))
        return std::nullopt;
    activate(*w);
    return w;
}

bool Desktop::grabbable(unsigned long keysym, unsigned int modifiers) const {
    // A connection of its own: closing it gives back a grab that succeeded.
    Display* probe = XOpenDisplay(displayName().c_str());
    lastXError = 0;
    XGrabKey(probe, XKeysymToKeycode(probe, keysym), modifiers, DefaultRootWindow(probe), True,
             GrabModeAsync, GrabModeAsync);
    XSync(probe, False);
    XCloseDisplay(probe);
    return lastXError != BadAccess;
}

Window Desktop::startTestClient(const ClientOptions& options) {
    std::vector<std::string> argv = {KELVRA_TESTCLIENT, "--title", options.title};
    argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
    clients_.push_back(start(argv));
    ChildProcess& client = *clients_.back();
    // Mapped, and under a window manager managed: framed, with its decorations published.
    std::optional<Window> found;
    bool ready = false;
    waitUntil(
        [&] {
            found = findWindow(options.title);
            // Mutter publishes no decorations for a window that has none (docks, toolbars,
            // splashes, and windows that draw their own).
            auto undecorated = [&](Window w) {
                const auto motif = property(w, "_MOTIF_WM_HINTS");
                const auto type = property(w, "_NET_WM_WINDOW_TYPE");
                for (const char* bare : {"_NET_WM_WINDOW_TYPE_DOCK", "_NET_WM_WINDOW_TYPE_TOOLBAR",
                                         "_NET_WM_WINDOW_TYPE_SPLASH"})
                    if (contains(type, atom(display_, bare))) return true;
                return motif.size() >= 3 && (motif[0] & 2) && motif[2] == 0;
            };
            ready = found &&
                    (!windowManager_ ||
                     ((!property(*found, "_NET_FRAME_EXTENTS").empty() || undecorated(*found)) &&
                      contains(property(root(), "_NET_CLIENT_LIST"), *found)));
            return ready || !client.running();
        },
        startDeadline);
    if (!ready)
        throw std::runtime_error("no window \"" + options.title + "\": " + client.logText());
    return *found;
}

void Desktop::startTray() {
    const std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display_));
    auto trayRuns = [&] { return XGetSelectionOwner(display_, atom(display_, selection.c_str())); };
    // IceWM's taskbar and Fluxbox's toolbar hold a tray of their own.
    if (trayRuns()) return;
    // At the right end, away from the middle of the screen where dividers pass.
    tray_ = start({"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request",
                   "--height", "24"});
    if (!waitUntil(trayRuns, startDeadline))
        throw std::runtime_error("the system tray did not start");
}

std::optional<Window> Desktop::trayIcon() const {
    // Embedded in whichever tray runs: trayer, or the manager's own panel.
    for (Window w : windowsOf(kelvra_->pid()))
        if (auto own = placed(w); own && own->embedded) return w;
    return std::nullopt;
}

bool Desktop::openTrayMenu() {
    auto icon = trayIcon();
    if (!icon) return false;
    const long popup = static_cast<long>(atom(display_, "_NET_WM_WINDOW_TYPE_POPUP_MENU"));
    auto menuOpen = [&] {
        for (Window w : windowsOf(kelvra_->pid()))
            if (contains(property(w, "_NET_WM_WINDOW_TYPE"), popup)) return true;
        return false;
    };
    auto own = placed(*icon);
    if (!own) return false;
    const Spot centre{int(own->box.x + own->box.width / 2), int(own->box.y + own->box.height / 2)};
    // A click that lands while an earlier menu is still being taken down opens nothing.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!menuOpen()) click(centre);
        if (waitUntil(menuOpen, 1500ms)) return true;
    }
    return false;
}

void Desktop::click(Spot at) {
    pressButton(at);
    releaseButton();
}

void Desktop::pressKeys(const std::vector<unsigned long>& keysyms) {
    std::vector<KeyCode> keys;
    for (auto keysym : keysyms) {
        keys.push_back(XKeysymToKeycode(display_, keysym));
        if (!keys.back()) ADD_FAILURE() << "the server's keymap has no key for keysym " << keysym;
    }
    for (auto key : keys) XTestFakeKeyEvent(display_, key, True, CurrentTime);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key)
        XTestFakeKeyEvent(display_, *key, False, CurrentTime);
    XSync(display_, False);
}

void Desktop::pressButton(Spot at) {
    XTestFakeMotionEvent(display_, -1, at.x, at.y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XSync(display_, False);
    pointer_ = at;
}

void Desktop::moveButton(Spot to, int steps) {
    const Spot from = pointer_;
    for (int i = 1; i <= steps; ++i) {
        XTestFakeMotionEvent(display_, -1, from.x + (to.x - from.x) * i / steps,
                             from.y + (to.y - from.y) * i / steps, CurrentTime);
        XSync(display_, False);
        // A hand's pace: the window manager and Kelvra each see every step.
        std::this_thread::sleep_for(10ms);
    }
    pointer_ = to;
}

void Desktop::releaseButton() {
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
}

void Desktop::dragTitleBar(Window window, Spot to, int steps) {
    const Spot grip = titleBar(window);
    pressButton(grip);
    moveButton({grip.x + (to.x < grip.x ? -6 : 6), grip.y}, 1);
    moveButton(to, steps);
}

void Desktop::tellWindowManager(Window window, const char* message, std::vector<long> data) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = atom(display_, message);
    e.xclient.format = 32;
    std::copy(data.begin(), data.end(), e.xclient.data.l);
    XSendEvent(display_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(display_);
}

void Desktop::activate(Window window) {
    Window focus = None;
    int revert = 0;
    if (windowManager_) {
        // From a pager: the WM obeys without focus stealing checks.
        tellWindowManager(window, "_NET_ACTIVE_WINDOW", {2, CurrentTime});
    } else {
        XRaiseWindow(display_, window);
        XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
        XSync(display_, False);
    }
    if (!waitUntil([&] {
            return windowManager_ ? activeWindow() == window
                                  : XGetInputFocus(display_, &focus, &revert) && focus == window;
        }))
        ADD_FAILURE() << "the window did not become the active one";
}

std::optional<Window> Desktop::activeWindow() const {
    auto active = property(root(), "_NET_ACTIVE_WINDOW");
    if (active.empty() || active[0] == 0) return std::nullopt;
    return static_cast<Window>(active[0]);
}

std::vector<long> Desktop::property(Window window, const char* name) const {
    return readProperty<long>(display_, window, name);
}

std::optional<Box> Desktop::frame(Window window) const {
    lastXError = 0;
    const auto own = placed(window);
    auto e = property(window, "_NET_FRAME_EXTENTS");  // left, right, top, bottom
    if (e.size() != 4) e = {0, 0, 0, 0};
    if (!own || lastXError) return std::nullopt;
    const Box origin = primaryMonitor(), b = own->box;
    return Box{b.x - e[0] - origin.x, b.y - e[2] - origin.y, b.width + e[0] + e[1],
               b.height + e[2] + e[3]};
}

::testing::AssertionResult Desktop::reaches(Window window, const Box& expected,
                                            std::chrono::milliseconds deadline) {
    std::optional<Box> last;
    if (waitUntil([&] { return (last = frame(window)) && near(*last, expected); }, deadline))
        return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure() << "expected " << expected;
    if (last) return failure << ", got " << *last;
    return failure << ", the window vanished";
}

::testing::AssertionResult Desktop::pressAndExpect(Window window, unsigned long keysym,
                                                   const Box& expected) {
    pressShortcut(keysym);
    return reaches(window, expected) << " (keysym " << keysym << ")";
}

std::optional<Box> Desktop::waitForChange(Window window, const Box& before,
                                          std::chrono::milliseconds deadline) {
    std::optional<Box> last;
    waitUntil([&] { return !(last = frame(window)) || !(*last == before); }, deadline);
    return last;
}

bool Desktop::waitUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds deadline) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

Box Desktop::primaryMonitor() const {
    int count = 0, chosen = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display_, root(), True, &count);
    for (int i = 0; i < count; ++i)
        if (info[i].primary) chosen = i;
    Box box{0, 0, double(DisplayWidth(display_, 0)), double(DisplayHeight(display_, 0))};
    if (count > 0) {
        const XRRMonitorInfo& m = info[chosen];
        box = {double(m.x), double(m.y), double(m.width), double(m.height)};
    }
    XRRFreeMonitors(info);
    return box;
}

void Desktop::replaceWindowManager(const std::vector<std::string>& argv) {
    if (windowManager_) {
        ::kill(windowManager_->pid(), SIGKILL);
        waitUntil([&] { return !windowManager_->running(); });
    }
    windowManager_.reset();
    if (argv.empty()) return;
    // The dead manager's check window is gone; the new one's names itself.
    waitUntil([&] {
        auto check = property(root(), "_NET_SUPPORTING_WM_CHECK");
        return check.empty() || !placed(static_cast<Window>(check[0]));
    });
    windowManager_ = start(argv);
    if (!waitUntil(
            [&] {
                auto check = property(root(), "_NET_SUPPORTING_WM_CHECK");
                return !check.empty() && placed(static_cast<Window>(check[0])) &&
                       !property(root(), "_NET_WORKAREA").empty();
            },
            startDeadline))
        throw std::runtime_error(argv.front() + " did not start: " + windowManager_->logText());
}

void Desktop::killServer() {
    XCloseDisplay(display_);
    display_ = nullptr;
    ::kill(server_->pid(), SIGKILL);
    waitUntil([&] { return !server_->running(); });
}

ServiceProcess::ServiceProcess(const std::string& program, const std::filesystem::path& dataDir) {
    std::filesystem::create_directories(dataDir);
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{program, "--data", dataDir.string(), "--listen", "127.0.0.1:0"},
        std::map<std::string, std::string>{}, dataDir.parent_path() / "kelvra-server.log");
    const std::regex listening("listening on 127\\.0\\.0\\.1 port ([0-9]+)");
    std::string log;
    std::smatch found;
    Desktop::waitUntil(
        [&] {
            log = process_->logText();
            return std::regex_search(log, found, listening) || !process_->running();
        },
        10s);
    if (found.empty()) throw std::runtime_error("kelvra-server did not start:\n" + log);
    url_ = "http://127.0.0.1:" + found[1].str();
}

}  // namespace kelvra::e2e
