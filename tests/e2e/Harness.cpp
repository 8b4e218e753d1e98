// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include "Harness.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <thread>

namespace kelvra::e2e {

namespace {

constexpr auto pollInterval = 10ms;
constexpr auto startDeadline = 15s;

// Errors about windows that vanished under us are expected (a client may quit at any
// time); they are counted instead of ending the test process.
int lastXError = 0;
int onXError(Display*, XErrorEvent* event) {
    lastXError = event->error_code;
    return 0;
}

Atom atom(Display* d, const char* name) {
    return XInternAtom(d, name, False);
}

std::optional<std::vector<long>> cardinals(Display* d, Window w, const char* name) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, atom(d, name), 0, 64, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) != Success ||
        type == None) {
        if (data) XFree(data);
        return std::nullopt;
    }
    std::vector<long> values;
    if (format == 32) {
        auto* longs = reinterpret_cast<long*>(data);
        values.assign(longs, longs + count);
    }
    XFree(data);
    return values;
}

std::optional<std::string> windowTitle(Display* d, Window w) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, atom(d, "_NET_WM_NAME"), 0, 1024, False, atom(d, "UTF8_STRING"),
                           &type, &format, &count, &after, &data) == Success &&
        type != None && data) {
        std::string title(reinterpret_cast<char*>(data), count);
        XFree(data);
        return title;
    }
    if (data) XFree(data);
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        std::string title(name);
        XFree(name);
        return title;
    }
    return std::nullopt;
}

bool viewable(Display* d, Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// Every window below `parent`, depth first; client windows sit inside WM frames.
void collectWindows(Display* d, Window parent, std::vector<Window>& out) {
    Window rootReturn, parentReturn;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(d, parent, &rootReturn, &parentReturn, &children, &count)) return;
    for (unsigned int i = 0; i < count; ++i) {
        out.push_back(children[i]);
        collectWindows(d, children[i], out);
    }
    if (children) XFree(children);
}

void sleepPoll() {
    std::this_thread::sleep_for(pollInterval);
}

std::string tail(const std::string& text, size_t lines) {
    size_t start = text.size();
    for (size_t n = 0; n <= lines; ++n) {
        if (start == 0) return text;
        size_t newline = text.rfind('\n', start - 1);
        if (newline == std::string::npos) return text;
        start = newline;
    }
    return text.substr(start + 1);
}

// No key bindings at all: the WM must not take any combination the program wants.
constexpr const char* openboxConfig = R"(<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <resistance><strength>0</strength><screen_edge_strength>0</screen_edge_strength></resistance>
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>no</center></placement>
  <desktops><number>1</number></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <keyboard><chainQuitKey>C-g</chainQuitKey></keyboard>
  <mouse>
    <dragThreshold>1</dragThreshold>
    <context name="Titlebar">
      <mousebind button="Left" action="Press"><action name="Focus"/><action name="Raise"/></mousebind>
      <mousebind button="Left" action="Drag"><action name="Move"/></mousebind>
    </context>
  </mouse>
</openbox_config>
)";

}  // namespace

std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "(" << b.x << ", " << b.y << ", " << b.width << ", " << b.height << ")";
}

bool near(const Box& a, const Box& b, double tolerance) {
    return std::fabs(a.x - b.x) <= tolerance && std::fabs(a.y - b.y) <= tolerance &&
           std::fabs(a.width - b.width) <= tolerance && std::fabs(a.height - b.height) <= tolerance;
}

Desktop::Desktop(DesktopOptions options) {
    char pattern[] = "/tmp/kelvra-e2e-XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    home_ = pattern;
    for (const char* dir : {".config", ".local/share", ".cache", "run"}) {
        std::filesystem::create_directories(home_ / dir);
    }
    std::filesystem::permissions(home_ / "run", std::filesystem::perms::owner_all);
    settings_ = {{"hasCompletedOnboarding", true}, {"snapAssistEnabled", false}};
    XSetErrorHandler(onXError);

    startServer(options.screen);
    if (!options.monitors.empty()) setMonitors(options.monitors);
    if (options.windowManager) startWindowManager(options.stockWindowManagerConfig);
}

Desktop::~Desktop() {
    const bool failed = ::testing::Test::HasFailure();
    if (failed && kelvra_) {
        std::cerr << "---- kelvra log (" << kelvra_->logFile() << ")\n"
                  << tail(kelvra_->logText(), 40) << "----\n";
    }
    // The program first, so it sees its clients and server go away in a sane order.
    if (kelvra_) kelvra_->stop();
    clients_.clear();
    tray_.reset();
    windowManager_.reset();
    if (display_) XCloseDisplay(display_);
    server_.reset();
    std::error_code ignored;
    if (!failed || std::getenv("KELVRA_E2E_KEEP") == nullptr) {
        std::filesystem::remove_all(home_, ignored);
    }
}

Window Desktop::root() const {
    return DefaultRootWindow(display_);
}

std::filesystem::path Desktop::logPath(const std::string& name) {
    return home_ / (std::to_string(++logCounter_) + "-" + name + ".log");
}

std::map<std::string, std::string> Desktop::sessionEnvironment() const {
    std::map<std::string, std::string> environment{
        {"DISPLAY", displayName()},
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
    for (const auto& [name, value] : environmentChanges_) environment[name] = value;
    return environment;
}

void Desktop::startServer(const std::string& screen) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    // -noreset: the server keeps its RandR monitors when helper clients disconnect.
    server_ = std::make_unique<ChildProcess>(ChildProcess::Options{
        .argv = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten",
                 "tcp", "-noreset", "+extension", "XTEST"},
        .environment = {},
        .logFile = logPath("xvfb"),
        .inheritedFds = {fds[1]},
    });
    close(fds[1]);
    std::string text;
    auto deadline = std::chrono::steady_clock::now() + startDeadline;
    while (text.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd p{fds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buf[32];
        ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    if (text.find('\n') == std::string::npos) {
        throw std::runtime_error("Xvfb did not start: " + server_->logText());
    }
    displayNumber_ = std::stoi(text);
    display_ = XOpenDisplay(displayName().c_str());
    if (!display_) throw std::runtime_error("cannot connect to " + displayName());
}

int Desktop::run(const std::vector<std::string>& argv) {
    ChildProcess helper({.argv = argv,
                         .environment = sessionEnvironment(),
                         .logFile = logPath(std::filesystem::path(argv.front()).filename()),
                         .inheritedFds = {}});
    waitUntil([&] { return !helper.running(); }, startDeadline);
    auto status = helper.exitStatus();
    return status && WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
}

void Desktop::setMonitors(const std::vector<Monitor>& wanted) {
    // The first monitor takes over the server's one output, which removes the
    // automatic monitor that covers the whole root window.
    bool first = true;
    for (const auto& m : wanted) {
        std::string geometry = std::to_string(m.width) + "/" + std::to_string(m.width / 4) + "x" +
                               std::to_string(m.height) + "/" + std::to_string(m.height / 4) + "+" +
                               std::to_string(m.x) + "+" + std::to_string(m.y);
        int rc = run({"xrandr", "--setmonitor", (m.primary ? "*" : "") + m.name, geometry,
                      first ? "screen" : "none"});
        if (rc != 0) throw std::runtime_error("xrandr --setmonitor failed for " + m.name);
        first = false;
    }
    if (!waitUntil([&] { return monitors().size() == wanted.size(); })) {
        throw std::runtime_error("the monitors did not appear");
    }
}

void Desktop::startWindowManager(bool stockConfig) {
    std::vector<std::string> argv = {"openbox", "--sm-disable"};
    if (!stockConfig) {
        auto config = home_ / "openbox-rc.xml";
        std::ofstream(config) << openboxConfig;
        argv.insert(argv.end(), {"--config-file", config.string()});
    }
    // Otherwise the session's fresh XDG_CONFIG_HOME has no openbox folder, so openbox
    // reads the system's stock rc.xml.
    windowManager_ = std::make_unique<ChildProcess>(ChildProcess::Options{
        .argv = argv,
        .environment = sessionEnvironment(),
        .logFile = logPath("openbox"),
        .inheritedFds = {},
    });
    // Ready once it has announced itself on the root window as EWMH asks.
    bool ready = waitUntil(
        [&] {
            auto check = cardinals(display_, root(), "_NET_SUPPORTING_WM_CHECK");
            return check && !check->empty() && cardinals(display_, root(), "_NET_WORKAREA");
        },
        startDeadline);
    if (!ready) throw std::runtime_error("openbox did not start: " + windowManager_->logText());
}

void Desktop::changeEnvironment(const std::map<std::string, std::string>& changes) {
    for (const auto& [name, value] : changes) environmentChanges_[name] = value;
}

void Desktop::writeSettings(const nlohmann::json& members) {
    settings_.update(members);
}

void Desktop::startKelvra(const std::map<std::string, std::string>& extraEnvironment) {
#ifndef KELVRA_PROGRAM
    (void)extraEnvironment;
    throw std::runtime_error("the kelvra program was not built");
#else
    auto folder = home_ / ".config" / "kelvra";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "com.orvane.Kelvra.json") << settings_.dump(2) << "\n";

    // A second connection probes whether the program holds Control+Alt+Space: that
    // succeeds only once its hot keys are registered. Space is the one default
    // combination these tests never press. When the program registers in the instant
    // the probe holds the combination, it reports it taken (and tells the user): that
    // start is ended and made again, so no test runs beside that alert.
    auto environment = sessionEnvironment();
    for (const auto& [name, value] : extraEnvironment) environment[name] = value;
    const std::string collision = "Ctrl+Alt+space";
    for (int attempt = 0;; ++attempt) {
        Display* probe = XOpenDisplay(displayName().c_str());
        KeyCode space = XKeysymToKeycode(probe, XK_space);
        kelvra_ = std::make_unique<ChildProcess>(ChildProcess::Options{
            .argv = {KELVRA_PROGRAM},
            .environment = environment,
            .logFile = logPath("kelvra"),
            .inheritedFds = {},
        });
        bool grabbed = false;
        bool collided = false;
        waitUntil(
            [&] {
                if (!kelvra_->running()) return true;  // gone: no point waiting
                if (kelvra_->logText().find(collision) != std::string::npos) {
                    return collided = true;
                }
                lastXError = 0;
                XGrabKey(probe, space, ControlMask | Mod1Mask, DefaultRootWindow(probe), True,
                         GrabModeAsync, GrabModeAsync);
                XSync(probe, False);
                if (lastXError == BadAccess) return grabbed = true;
                XUngrabKey(probe, space, ControlMask | Mod1Mask, DefaultRootWindow(probe));
                XSync(probe, False);
                return false;
            },
            startDeadline);
        XCloseDisplay(probe);
        if (grabbed) return;
        if (collided && attempt < 3) {
            kelvra_->stop();
            continue;
        }
        throw std::runtime_error(std::string("kelvra did not register its shortcuts") +
                                 (kelvra_->running() ? "" : " (it exited)") + ":\n" +
                                 tail(kelvra_->logText(), 30));
    }
#endif
}

std::optional<int> Desktop::runAnotherKelvra(std::chrono::milliseconds deadline,
                                             const std::vector<std::string>& arguments,
                                             std::string* output) {
#ifndef KELVRA_PROGRAM
    (void)arguments;
    (void)deadline;
    (void)output;
    throw std::runtime_error("the kelvra program was not built");
#else
    std::vector<std::string> argv{KELVRA_PROGRAM};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildProcess second({.argv = argv,
                         .environment = sessionEnvironment(),
                         .logFile = logPath("kelvra-second"),
                         .inheritedFds = {}});
    const bool ended = waitUntil([&] { return !second.running(); }, deadline);
    if (output) *output = second.logText();
    if (!ended) return std::nullopt;
    auto status = second.exitStatus();
    return status && WIFEXITED(*status) ? std::optional<int>(WEXITSTATUS(*status))
                                        : std::optional<int>(-1);
#endif
}

bool Desktop::kelvraRunning() {
    return kelvra_ && kelvra_->running();
}
std::optional<int> Desktop::kelvraExitStatus() const {
    return kelvra_ ? kelvra_->exitStatus() : std::nullopt;
}
pid_t Desktop::kelvraPid() const {
    return kelvra_ ? kelvra_->pid() : -1;
}
std::string Desktop::kelvraLog() const {
    return kelvra_ ? kelvra_->logText() : "";
}

std::optional<Window> Desktop::findWindow(const std::string& title) const {
    std::vector<Window> all;
    collectWindows(display_, root(), all);
    for (Window w : all) {
        auto t = windowTitle(display_, w);
        if (t && *t == title && viewable(display_, w)) return w;
    }
    return std::nullopt;
}

std::vector<Window> Desktop::windowsOfProcess(pid_t pid) const {
    std::vector<Window> all, result;
    collectWindows(display_, root(), all);
    for (Window w : all) {
        auto p = cardinals(display_, w, "_NET_WM_PID");
        if (p && !p->empty() && (*p)[0] == pid && viewable(display_, w)) result.push_back(w);
    }
    return result;
}

std::vector<OwnWindow> Desktop::kelvraWindows() const {
    std::vector<OwnWindow> found;
    if (!kelvra_) return found;
    for (Window w : windowsOfProcess(kelvra_->pid())) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display_, w, &a) || a.map_state != IsViewable) continue;
        Window child;
        int x = 0, y = 0;
        XTranslateCoordinates(display_, w, root(), 0, 0, &x, &y, &child);
        found.push_back({w,
                         {double(x), double(y), double(a.width), double(a.height)},
                         a.override_redirect != 0});
    }
    return found;
}

Window Desktop::waitForClientWindow(const std::string& title, ChildProcess& process) {
    std::optional<Window> found;
    bool ready = false;
    waitUntil(
        [&] {
            if (!process.running()) return true;  // gone: no point waiting
            found = findWindow(title);
            if (!found) return false;
            if (!windowManager_) return ready = true;
            // Managed: the WM has framed it and published its decorations.
            auto list = cardinals(display_, root(), "_NET_CLIENT_LIST");
            return ready = cardinals(display_, *found, "_NET_FRAME_EXTENTS") && list &&
                           std::find(list->begin(), list->end(), static_cast<long>(*found)) !=
                               list->end();
        },
        startDeadline);
    if (!ready) {
        throw std::runtime_error("no window \"" + title + "\" appeared: " + process.logText());
    }
    return *found;
}

Window Desktop::startTestClient(const ClientOptions& options) {
#ifndef KELVRA_TESTCLIENT
    (void)options;
    throw std::runtime_error("kelvra-testclient was not built");
#else
    std::vector<std::string> argv = {KELVRA_TESTCLIENT, "--title", options.title};
    argv.insert(argv.end(), options.arguments.begin(), options.arguments.end());
    clients_.push_back(std::make_unique<ChildProcess>(ChildProcess::Options{
        .argv = argv,
        .environment = sessionEnvironment(),
        .logFile = logPath("testclient"),
        .inheritedFds = {},
    }));
    return waitForClientWindow(options.title, *clients_.back());
#endif
}

Window Desktop::startXterm(const std::string& title) {
    clients_.push_back(std::make_unique<ChildProcess>(ChildProcess::Options{
        .argv = {"xterm", "-T", title, "-geometry", "80x24+120+90", "-e", "sleep", "3600"},
        .environment = sessionEnvironment(),
        .logFile = logPath("xterm"),
        .inheritedFds = {},
    }));
    return waitForClientWindow(title, *clients_.back());
}

void Desktop::startTray() {
    tray_ = std::make_unique<ChildProcess>(ChildProcess::Options{
        // At the right end, as trays usually sit: not under the middle of the screen,
        // where a divider between two halves passes.
        .argv = {"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request",
                 "--height", "24"},
        .environment = sessionEnvironment(),
        .logFile = logPath("trayer"),
        .inheritedFds = {},
    });
    std::string selection = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display_));
    if (!waitUntil([&] { return XGetSelectionOwner(display_, atom(display_, selection.c_str())); },
                   startDeadline))
        throw std::runtime_error("the system tray did not start");
}

std::optional<Window> Desktop::trayIcon() const {
    if (!tray_ || !kelvra_) return std::nullopt;
    for (Window w : windowsOfProcess(kelvra_->pid())) {
        // Embedded: some ancestor belongs to the tray.
        for (Window a = w; a != None && a != root();) {
            auto p = cardinals(display_, a, "_NET_WM_PID");
            if (p && !p->empty() && (*p)[0] == tray_->pid()) return w;
            Window rootReturn = None, parent = None, *children = nullptr;
            unsigned int count = 0;
            if (!XQueryTree(display_, a, &rootReturn, &parent, &children, &count)) break;
            if (children) XFree(children);
            a = parent;
        }
    }
    return std::nullopt;
}

bool Desktop::openTrayMenu() {
    auto icon = trayIcon();
    if (!icon) return false;
    const long popup = static_cast<long>(atom(display_, "_NET_WM_WINDOW_TYPE_POPUP_MENU"));
    auto menuOpen = [&] {
        for (Window w : windowsOfProcess(kelvra_->pid())) {
            auto types = property(w, "_NET_WM_WINDOW_TYPE");
            if (std::find(types.begin(), types.end(), popup) != types.end()) return true;
        }
        return false;
    };
    auto [x, y] = centreOf(*icon);
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (!menuOpen()) click(x, y);
        if (waitUntil(menuOpen, 1500ms)) return true;
    }
    return false;
}

std::pair<int, int> Desktop::centreOf(Window window) const {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window, &attributes);
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(display_, window, root(), attributes.width / 2, attributes.height / 2, &x,
                          &y, &child);
    return {x, y};
}

void Desktop::click(int x, int y) {
    XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
}

void Desktop::doubleClick(int x, int y) {
    click(x, y);
    std::this_thread::sleep_for(40ms);
    click(x, y);
}

void Desktop::pressKey(unsigned long keysym) {
    KeyCode key = XKeysymToKeycode(display_, keysym);
    if (!key) {
        ADD_FAILURE() << "the server's keymap has no key for keysym " << keysym;
        return;
    }
    XTestFakeKeyEvent(display_, key, True, CurrentTime);
    XTestFakeKeyEvent(display_, key, False, CurrentTime);
    XSync(display_, False);
}

void Desktop::activate(Window window) {
    if (windowManager_) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.window = window;
        e.xclient.message_type = atom(display_, "_NET_ACTIVE_WINDOW");
        e.xclient.format = 32;
        e.xclient.data.l[0] = 2;  // from a pager: the WM obeys without focus stealing checks
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
        XFlush(display_);
        bool active = waitUntil([&] {
            auto a = cardinals(display_, root(), "_NET_ACTIVE_WINDOW");
            return a && !a->empty() && static_cast<Window>((*a)[0]) == window;
        });
        if (!active) ADD_FAILURE() << "the window manager did not activate the window";
        return;
    }
    XRaiseWindow(display_, window);
    XSetInputFocus(display_, window, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
    bool focused = waitUntil([&] {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        return focus == window;
    });
    if (!focused) ADD_FAILURE() << "the window did not get the input focus";
}

void Desktop::pressShortcut(unsigned long keysym) {
    KeyCode control = XKeysymToKeycode(display_, XK_Control_L);
    KeyCode alt = XKeysymToKeycode(display_, XK_Alt_L);
    KeyCode key = XKeysymToKeycode(display_, keysym);
    if (!control || !alt || !key) {
        ADD_FAILURE() << "the server's keymap has no key for keysym " << keysym;
        return;
    }
    XTestFakeKeyEvent(display_, control, True, CurrentTime);
    XTestFakeKeyEvent(display_, alt, True, CurrentTime);
    XTestFakeKeyEvent(display_, key, True, CurrentTime);
    XTestFakeKeyEvent(display_, key, False, CurrentTime);
    XTestFakeKeyEvent(display_, alt, False, CurrentTime);
    XTestFakeKeyEvent(display_, control, False, CurrentTime);
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
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i) {
        const int x = from.x + (to.x - from.x) * i / steps;
        const int y = from.y + (to.y - from.y) * i / steps;
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
        // A hand's pace: the window manager and Kelvra each see every step.
        std::this_thread::sleep_for(dragStepInterval);
    }
    pointer_ = to;
}

void Desktop::releaseButton() {
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XSync(display_, False);
}

void Desktop::drag(Spot from, Spot to, int steps) {
    pressButton(from);
    // A hand starts a drag with a small movement, before the window manager has
    // moved anything.
    moveButton({from.x + (to.x < from.x ? -6 : 6), from.y}, 1);
    moveButton(to, steps);
    releaseButton();
}

void Desktop::addTopDock(int height) {
    Box m = primaryMonitor();
    Window dock = XCreateSimpleWindow(display_, root(), static_cast<int>(m.x),
                                      static_cast<int>(m.y), static_cast<unsigned>(m.width),
                                      static_cast<unsigned>(height), 0, 0, 0x202020);
    Atom dockType = atom(display_, "_NET_WM_WINDOW_TYPE_DOCK");
    XChangeProperty(display_, dock, atom(display_, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&dockType), 1);
    // left, right, top, bottom, then the start and end of each strut along its edge.
    long strut[12] = {
        0, 0, height, 0, 0, 0, 0, 0, static_cast<long>(m.x), static_cast<long>(m.x + m.width - 1),
        0, 0};
    auto setStrut = [&] {
        XChangeProperty(display_, dock, atom(display_, "_NET_WM_STRUT_PARTIAL"), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(strut), 12);
        XChangeProperty(display_, dock, atom(display_, "_NET_WM_STRUT"), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<unsigned char*>(strut), 4);
    };
    setStrut();
    long pid = getpid();
    XChangeProperty(display_, dock, atom(display_, "_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XStoreName(display_, dock, "e2e dock");
    XMapWindow(display_, dock);
    XSync(display_, False);
    if (!windowManager_) return;
    // A dock mapped while openbox is still finishing its start can be managed before
    // its strut is looked at: once it is managed, setting the strut again makes the
    // manager take it into account.
    auto managed = [&] {
        auto clients = cardinals(display_, root(), "_NET_CLIENT_LIST");
        return clients && std::find(clients->begin(), clients->end(), static_cast<long>(dock)) !=
                              clients->end();
    };
    // Openbox sometimes drops a map request that arrives while it finishes starting:
    // ask again.
    for (int attempt = 0; attempt < 3 && !waitUntil(managed, std::chrono::milliseconds(700));
         ++attempt) {
        XUnmapWindow(display_, dock);
        XSync(display_, False);
        XMapWindow(display_, dock);
        XSync(display_, False);
    }
    setStrut();
    XSync(display_, False);
    bool reserved = waitUntil([&] {
        auto area = cardinals(display_, root(), "_NET_WORKAREA");
        return area && area->size() >= 4 && (*area)[1] >= height;
    });
    if (!reserved) ADD_FAILURE() << "the window manager did not reserve the dock's strut";
}

std::vector<long> Desktop::property(Window window, const char* name) const {
    return cardinals(display_, window, name).value_or(std::vector<long>{});
}

std::optional<Window> Desktop::activeWindow() const {
    auto active = cardinals(display_, root(), "_NET_ACTIVE_WINDOW");
    if (!active || active->empty() || (*active)[0] == 0) return std::nullopt;
    return static_cast<Window>((*active)[0]);
}

void Desktop::closeWindow(Window window) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = atom(display_, "_NET_CLOSE_WINDOW");
    e.xclient.format = 32;
    e.xclient.data.l[0] = CurrentTime;
    e.xclient.data.l[1] = 2;  // from a pager
    XSendEvent(display_, root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(display_);
}

std::optional<Box> Desktop::frame(Window window) const {
    lastXError = 0;
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, window, &a)) return std::nullopt;
    int rx = 0, ry = 0;
    Window child = None;
    if (!XTranslateCoordinates(display_, window, root(), 0, 0, &rx, &ry, &child)) {
        return std::nullopt;
    }
    long left = 0, right = 0, top = 0, bottom = 0;
    if (auto extents = cardinals(display_, window, "_NET_FRAME_EXTENTS");
        extents && extents->size() == 4) {
        left = (*extents)[0];
        right = (*extents)[1];
        top = (*extents)[2];
        bottom = (*extents)[3];
    }
    if (lastXError) return std::nullopt;
    Box origin = primaryMonitor();
    return Box{static_cast<double>(rx - a.border_width - left) - origin.x,
               static_cast<double>(ry - a.border_width - top) - origin.y,
               static_cast<double>(a.width + 2 * a.border_width + left + right),
               static_cast<double>(a.height + 2 * a.border_width + top + bottom)};
}

std::optional<Box> Desktop::waitForFrame(Window window, const Box& expected,
                                         std::chrono::milliseconds deadline) {
    std::optional<Box> last;
    waitUntil(
        [&] {
            last = frame(window);
            return last && near(*last, expected);
        },
        deadline);
    return last;
}

::testing::AssertionResult Desktop::pressAndExpect(Window window, unsigned long keysym,
                                                   const Box& expected) {
    pressShortcut(keysym);
    auto got = waitForFrame(window, expected);
    if (got && near(*got, expected)) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure()
                   << "keysym " << keysym << ": expected " << expected;
    if (got) return failure << ", got " << *got;
    return failure << ", the window vanished";
}

std::optional<Box> Desktop::waitForChange(Window window, const Box& before,
                                          std::chrono::milliseconds deadline) {
    std::optional<Box> last;
    waitUntil(
        [&] {
            last = frame(window);
            return !last || !(*last == before);
        },
        deadline);
    return last;
}

bool Desktop::waitUntil(const std::function<bool()>& condition,
                        std::chrono::milliseconds deadline) {
    auto end = std::chrono::steady_clock::now() + deadline;
    while (true) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= end) return false;
        sleepPoll();
    }
}

std::vector<Monitor> Desktop::monitors() const {
    int count = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display_, root(), True, &count);
    std::vector<Monitor> result;
    for (int i = 0; i < count; ++i) {
        char* name = XGetAtomName(display_, info[i].name);
        result.push_back({name ? name : "", info[i].x, info[i].y, info[i].width, info[i].height,
                          info[i].primary != 0});
        if (name) XFree(name);
    }
    if (info) XRRFreeMonitors(info);
    return result;
}

Box Desktop::primaryMonitor() const {
    auto all = monitors();
    if (all.empty()) {
        Screen* s = DefaultScreenOfDisplay(display_);
        return {0, 0, static_cast<double>(s->width), static_cast<double>(s->height)};
    }
    auto primary = std::find_if(all.begin(), all.end(), [](const Monitor& m) { return m.primary; });
    const Monitor& m = primary != all.end() ? *primary : all.front();
    return {static_cast<double>(m.x), static_cast<double>(m.y), static_cast<double>(m.width),
            static_cast<double>(m.height)};
}

KeyHolder::KeyHolder(const std::string& displayName, unsigned long keysym) {
    display_ = XOpenDisplay(displayName.c_str());
    if (!display_) throw std::runtime_error("KeyHolder: cannot connect");
    KeyCode key = XKeysymToKeycode(display_, keysym);
    lastXError = 0;
    XGrabKey(display_, key, ControlMask | Mod1Mask, DefaultRootWindow(display_), True,
             GrabModeAsync, GrabModeAsync);
    XSync(display_, False);
    holding_ = lastXError == 0;
}

KeyHolder::~KeyHolder() {
    if (display_) XCloseDisplay(display_);
}

bool KeyHolder::receivedPress(std::chrono::milliseconds deadline) {
    return Desktop::waitUntil(
        [&] {
            while (XPending(display_)) {
                XEvent e;
                XNextEvent(display_, &e);
                if (e.type == KeyPress) return true;
            }
            return false;
        },
        deadline);
}

}  // namespace kelvra::e2e
