#pragma once

// GoogleTest before Xlib: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ChildProcess.h"

namespace kelvra::e2e {

using namespace std::chrono_literals;

// A window's outer frame (decorations included), in the program's working space:
// root coordinates shifted so that the primary monitor's top-left is the origin.
// The program under test: $KELVRA_TEST_PROGRAM when set (an installed copy, such as the
// packaged /usr/bin/kelvra), else this build's.
std::string kelvraProgram();

struct Box {
    double x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Box&, const Box&) = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b);
// The server works in whole pixels, so half-pixel zone edges round either way.
bool near(const Box& a, const Box& b, double tolerance = 1.0);

// The zones of the primary monitor's usable area with the default gap of 8 and no
// padding: each inner zone edge is pulled in by 4 pixels. Each desktop lays them out
// again over the work area its window manager announces (its own panel left out); the
// values here are those of the default 1440 x 900 screen without a panel.
namespace zone {
inline Box leftHalf{0, 0, 716, 900}, rightHalf{724, 0, 716, 900};
inline Box topHalf{0, 0, 1440, 446}, bottomHalf{0, 454, 1440, 446};
inline Box topLeft{0, 0, 716, 446}, topRight{724, 0, 716, 446};
inline Box bottomLeft{0, 454, 716, 446}, bottomRight{724, 454, 716, 446};
inline Box leftThird{0, 0, 476, 900}, centreThird{484, 0, 472, 900}, rightThird{964, 0, 476, 900};
inline Box leftTwoThirds{0, 0, 956, 900}, rightTwoThirds{484, 0, 956, 900};
inline Box maximized{0, 0, 1440, 900};
// The part of the area between the fractions (0 to 1) x0..x1 and y0..y1.
Box part(double x0, double y0, double x1, double y1);
void layOut(const Box& area);
// Each default shortcut's key (pressed with its set's modifiers) and the zone it snaps to.
std::vector<std::pair<unsigned long, Box>> byShortcut();
}  // namespace zone

struct Spot {  // root coordinates
    int x = 0, y = 0;
};

struct Monitor {  // a RandR monitor laid over the root window
    std::string name;
    int x = 0, y = 0, width = 0, height = 0;
    bool primary = false;
};

struct DesktopOptions {
    std::string screen = "1440x900x24";
    std::vector<Monitor> monitors = {};  // empty: the server's own single monitor
    // The manager KELVRA_E2E_WM names (openbox by default); false: none at all.
    bool windowManager = true;
    // The manager with the configuration Debian ships (for openbox, IceWM, Fluxbox and
    // xfwm4 Ctrl+Alt+arrows among its bindings) instead of one that takes none.
    bool stockWindowManagerConfig = false;
    // A private session bus shared by the manager, its settings services and the program
    // (otherwise the program has none, and a manager that wants one gets its own).
    bool sessionBus = false;
};

// One of the program's own windows (preview, picker, divider, menu), in root coordinates.
struct OwnWindow {
    Window window = 0;
    Box box;
    bool overrideRedirect = false;
    bool embedded = false;  // inside another program's window (a tray), not managed
};

// A test client's title and further options (its geometry is 400x300+200+150 unless given).
struct ClientOptions {
    std::string title;
    std::vector<std::string> arguments = {};
};

// One private X session for one test (Xvfb, optionally a window manager, clients and the
// program, with HOME and the XDG folders in a fresh temporary folder), torn down with it.
class Desktop {
  public:
    explicit Desktop(DesktopOptions options = {});
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    Display* display() const { return display_; }
    Window root() const { return DefaultRootWindow(display_); }
    std::string displayName() const { return ":" + std::to_string(displayNumber_); }
    const std::filesystem::path& home() const { return home_; }
    // The running window manager's name as KELVRA_E2E_WM gives it; "none" without one.
    const std::string& windowManagerName() const { return windowManagerName_; }
    bool hasWindowManager() const { return windowManager_ != nullptr; }

    // For the programs started from now on ("" removes a variable).
    void changeEnvironment(const std::map<std::string, std::string>& changes) {
        for (const auto& [name, value] : changes) environment_[name] = value;
    }
    // Members merged into the settings file that the program reads at start.
    void writeSettings(const nlohmann::json& members) { settings_.update(members); }
    // Starts the program, with these variables added, and waits until its shortcuts are
    // registered.
    void startKelvra(const std::map<std::string, std::string>& extraEnvironment = {});
    // Starts the program without waiting for its shortcuts (a first launch shows the
    // welcome window and registers them only once it is done).
    // `program` may be another build of it (the crash tests' kelvra-crashswitch).
    void startKelvraWithoutWaiting(const std::string& program = kelvraProgram());
    // A first launch in an X11 session: the welcome window, activated; none when it did
    // not come within 10 s.
    std::optional<Window> startFirstLaunch();
    // The same, with no shortcuts stored, past Continue: the page about the gestures shows.
    bool startFirstLaunchAtGestures();
    // A window of the program's own with this title, its tray icon (also "Kelvra") not
    // counted.
    std::optional<Window> ownWindow(const std::string& title) const;
    // A window of the program's own near `box` (root coordinates): a preview or a panel.
    std::optional<OwnWindow> ownWindowNear(const Box& box) const;
    // Opens the settings window on `tab` through a later start and gives it the focus:
    // the tab list has it, so Tab reaches the page's first control.
    std::optional<Window> openSettings(const std::string& tab);
    std::optional<Window> settingsWindow() const { return findWindow("Settings — Kelvra"); }
    // The settings file as the program last wrote it (empty when unreadable).
    nlohmann::json readSettings() const;
    ChildProcess& kelvra() { return *kelvra_; }
    pid_t kelvraPid() const { return kelvra_->pid(); }
    bool kelvraRunning() { return kelvra_->running(); }
    bool kelvraSaid(const std::string& text) const {
        return kelvra_->logText().find(text) != std::string::npos;
    }
    // Runs a program (xrandr, ...) in the session and waits for it to end: its exit code,
    // or -1; its output goes to `output` when given.
    int run(const std::vector<std::string>& argv, std::string* output = nullptr);
    int runAnotherKelvra(std::vector<std::string> arguments = {}, std::string* output = nullptr);

    // Waits until the client's window is mapped (and managed, under a window manager).
    Window startTestClient(const ClientOptions& options);
    // The same, then gives the window the focus.
    Window startActiveClient(const ClientOptions& options) {
        const Window window = startTestClient(options);
        activate(window);
        return window;
    }
    // The viewable window with this exact title.
    std::optional<Window> findWindow(const std::string& title) const;
    // A 32-bit property (cardinals, windows or atoms); empty when it is not set.
    std::vector<long> property(Window window, const char* name) const;
    std::optional<Window> activeWindow() const;
    // Whether another client could grab the combination now (it is given back at once).
    bool grabbable(unsigned long keysym, unsigned int modifiers) const;
    // A client message to the window manager about the window, as a pager sends it.
    void tellWindowManager(Window window, const char* message, std::vector<long> data);
    void closeWindow(Window window) { tellWindowManager(window, "_NET_CLOSE_WINDOW", {0, 2}); }
    // The program's viewable windows (with the tray icon when it has one).
    std::vector<OwnWindow> kelvraWindows() const;

    // Starts trayer at the bottom right and waits until it owns the tray selection.
    void startTray();
    // The program's icon window embedded in the tray.
    std::optional<Window> trayIcon() const;
    // Clicks the tray icon until the program's menu is mapped; false if it never opens.
    bool openTrayMenu();

    // Input through XTest: keys pressed in order and released in reverse, left clicks,
    // and the left button pressed, moved in `steps` at a hand's pace and released.
    void pressKeys(const std::vector<unsigned long>& keysyms);
    void pressKey(unsigned long keysym) { pressKeys({keysym}); }
    void pressShortcut(unsigned long keysym) { pressKeys({XK_Control_L, XK_Alt_L, keysym}); }
    void click(Spot at);
    void pressButton(Spot at);
    void moveButton(Spot to, int steps);
    void releaseButton();
    // Presses on the middle of the title bar, nudges the window towards `to`, and moves
    // there in `steps`; the button stays down.
    void dragTitleBar(Window window, Spot to, int steps);
    // Gives the window the input focus (through the WM when there is one) and waits.
    void activate(Window window);

    // Where a press grips the title bar: its middle, from the manager's frame extents.
    Spot titleBar(Window window) const;
    // The outer frame now, or nothing when the window is gone.
    std::optional<Box> frame(Window window) const;
    // Polls until the frame is near `expected`.
    ::testing::AssertionResult reaches(Window window, const Box& expected,
                                       std::chrono::milliseconds deadline = 3s);
    // Presses Control+Alt+`keysym`, then reaches(window, expected).
    ::testing::AssertionResult pressAndExpect(Window window, unsigned long keysym,
                                              const Box& expected);
    // Polls until the frame differs from `before`; returns the last frame seen.
    std::optional<Box> waitForChange(Window window, const Box& before,
                                     std::chrono::milliseconds deadline = 3s);
    static bool waitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds deadline = 3s);

    // Faults of the session. The window manager is killed (SIGKILL) and, when a command
    // is given, that one takes over; waits until it has announced itself.
    void replaceWindowManager(const std::vector<std::string>& argv);
    // The X server is killed; the test's own connection is closed first (nothing that
    // talks to the server may be called afterwards).
    void killServer();

  private:
    std::unique_ptr<ChildProcess> start(const std::vector<std::string>& argv, int fd = -1);
    void setMonitors(const std::vector<Monitor>& monitors);
    void startWindowManager(bool stock);
    // The primary monitor's part of the manager's _NET_WORKAREA (port space).
    Box workArea() const;
    Box primaryMonitor() const;
    // The window's area in root coordinates, its border included.
    std::optional<OwnWindow> placed(Window window) const;
    std::vector<Window> windowsOf(pid_t pid) const;

    std::filesystem::path home_;
    int displayNumber_ = -1;
    Display* display_ = nullptr;
    std::unique_ptr<ChildProcess> server_, bus_, windowManager_, kelvra_, tray_;
    std::vector<std::unique_ptr<ChildProcess>> clients_;
    nlohmann::json settings_;
    std::map<std::string, std::string> environment_;
    std::string windowManagerName_ = "none";
    int logCounter_ = 0;
    Spot pointer_;
};

// kelvra-server (`program`) on a loopback port of its own choosing, its data in `dataDir`
// and its log beside that folder.
class ServiceProcess {
  public:
    ServiceProcess(const std::string& program, const std::filesystem::path& dataDir);
    const std::string& url() const { return url_; }

  private:
    std::unique_ptr<ChildProcess> process_;
    std::string url_;
};

}  // namespace kelvra::e2e
