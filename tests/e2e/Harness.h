#pragma once

// GoogleTest before Xlib: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <sys/types.h>

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
struct Box {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    friend bool operator==(const Box&, const Box&) = default;
};
std::ostream& operator<<(std::ostream& os, const Box& b);
// The server works in whole pixels, so half-pixel zone edges round either way.
bool near(const Box& a, const Box& b, double tolerance = 1.0);

// A point in root coordinates.
struct Spot {
    int x = 0;
    int y = 0;
};

// A RandR monitor laid over the root window (xrandr --setmonitor).
struct Monitor {
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool primary = false;
};

struct DesktopOptions {
    std::string screen = "1440x900x24";
    // Empty: the server's own single monitor. Otherwise these replace it.
    std::vector<Monitor> monitors;
    bool windowManager = true;
    // The window manager with its stock configuration (openbox's own key bindings,
    // Ctrl+Alt+arrows among them) instead of one that binds no keys.
    bool stockWindowManagerConfig = false;
};

// One of the program's own mapped windows (preview, picker, divider, menu).
struct OwnWindow {
    Window window = 0;
    Box box;  // root coordinates
    bool overrideRedirect = false;
};

// Extra options for the test client (its own command-line options).
struct ClientOptions {
    std::string title;
    std::vector<std::string> arguments;
};

// One private X session for one test: an Xvfb on a free display, optionally a window
// manager, client programs and the program under test, with HOME and the XDG folders
// in a fresh temporary directory. Everything is torn down when the object goes away,
// also when the test failed half-way.
class Desktop {
  public:
    static constexpr auto defaultDeadline = 3s;

    explicit Desktop(DesktopOptions options = {});
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    Display* display() const { return display_; }
    Window root() const;
    std::string displayName() const { return ":" + std::to_string(displayNumber_); }
    const std::filesystem::path& home() const { return home_; }

    // Changes the session environment of the programs started from now on ("" removes).
    void changeEnvironment(const std::map<std::string, std::string>& changes);
    // Members merged into the settings file that the program reads at start.
    void writeSettings(const nlohmann::json& members);
    // Starts the program (with these variables added to its environment) and waits
    // until its shortcuts are registered.
    void startKelvra(const std::map<std::string, std::string>& extraEnvironment = {});
    // Starts the program once more in the same session (with `arguments`) and waits
    // for it to end; its exit code, or nothing if it was still running at the deadline
    // (it is ended). Its output goes to `output` when given.
    std::optional<int> runAnotherKelvra(std::chrono::milliseconds deadline = 10s,
                                        const std::vector<std::string>& arguments = {},
                                        std::string* output = nullptr);
    bool kelvraRunning();
    // The program's wait status once it has ended.
    std::optional<int> kelvraExitStatus() const;
    pid_t kelvraPid() const;
    std::string kelvraLog() const;

    // Start a client and wait until its window is mapped (and managed, under a WM).
    Window startTestClient(const ClientOptions& options);
    Window startXterm(const std::string& title);
    // The managed window with this exact title, if one is mapped now.
    std::optional<Window> findWindow(const std::string& title) const;
    // A 32-bit property (cardinals, windows or atoms); empty when it is not set.
    std::vector<long> property(Window window, const char* name) const;
    // The window manager's active window, if it names one.
    std::optional<Window> activeWindow() const;
    // Asks the window manager to close the window, as its close button would.
    void closeWindow(Window window);
    // The program's own viewable windows (with the tray icon when it has one).
    std::vector<OwnWindow> kelvraWindows() const;
    // Mapped top-level windows whose _NET_WM_PID is the given process.
    std::vector<Window> windowsOfProcess(pid_t pid) const;

    // Starts a system tray (an XEmbed host at the bottom right) and waits until it owns
    // the tray selection.
    void startTray();
    // The program's icon window embedded in the tray, if it is there now.
    std::optional<Window> trayIcon() const;
    // Clicks the tray icon until the program's menu is mapped (a click that lands while
    // an earlier menu is still being taken down opens nothing); false if it never opens.
    bool openTrayMenu();
    // The centre of a window in root coordinates.
    std::pair<int, int> centreOf(Window window) const;
    // A left click at a point of the root window, through XTest.
    void click(int x, int y);
    // Two quick left clicks at a point.
    void doubleClick(int x, int y);
    // One key (no modifiers) through XTest.
    void pressKey(unsigned long keysym);

    // Gives the window the input focus (through the WM when there is one) and waits.
    void activate(Window window);
    // Control+Alt+key through XTest.
    void pressShortcut(unsigned long keysym);
    // The left button through XTest, in root coordinates: pressed at a point, moved in
    // `steps` equal steps, released; drag does all three, beginning with a small nudge.
    static constexpr auto dragStepInterval = 10ms;
    void pressButton(Spot at);
    void moveButton(Spot to, int steps);
    void releaseButton();
    void drag(Spot from, Spot to, int steps);
    // A bar at the top of the primary monitor that reserves `height` pixels; waits
    // until the WM's work area reflects it.
    void addTopDock(int height);

    // The outer frame now, or nothing when the window is gone.
    std::optional<Box> frame(Window window) const;
    // Polls until the frame is near `expected`; returns the last frame seen.
    std::optional<Box> waitForFrame(Window window, const Box& expected,
                                    std::chrono::milliseconds deadline = defaultDeadline);
    // Presses Control+Alt+`keysym` and checks that the frame comes near `expected`.
    ::testing::AssertionResult pressAndExpect(Window window, unsigned long keysym,
                                              const Box& expected);
    // Polls until the frame differs from `before`.
    std::optional<Box> waitForChange(Window window, const Box& before,
                                     std::chrono::milliseconds deadline = defaultDeadline);
    // Polls until `condition` holds; false at the deadline.
    static bool waitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds deadline = defaultDeadline);

    // The primary monitor in root coordinates.
    Box primaryMonitor() const;
    // All monitors in root coordinates, in the server's order.
    std::vector<Monitor> monitors() const;

    // Runs a helper program (xrandr, ...) against this display and waits for it.
    int run(const std::vector<std::string>& argv);

  private:
    void startServer(const std::string& screen);
    void setMonitors(const std::vector<Monitor>& monitors);
    void startWindowManager(bool stockConfig);
    Window waitForClientWindow(const std::string& title, ChildProcess& process);
    std::map<std::string, std::string> sessionEnvironment() const;
    std::filesystem::path logPath(const std::string& name);

    std::filesystem::path home_;
    int displayNumber_ = -1;
    Display* display_ = nullptr;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> windowManager_;
    std::unique_ptr<ChildProcess> kelvra_;
    std::unique_ptr<ChildProcess> tray_;
    std::vector<std::unique_ptr<ChildProcess>> clients_;
    nlohmann::json settings_;
    std::map<std::string, std::string> environmentChanges_;
    int logCounter_ = 0;
    Spot pointer_;
};

// A second client connection that holds Control+Alt+key on the root window, the way
// another program that owns the combination would.
class KeyHolder {
  public:
    KeyHolder(const std::string& displayName, unsigned long keysym);
    ~KeyHolder();
    bool holding() const { return holding_; }
    // Whether a press of the held key reached this client within the deadline.
    bool receivedPress(std::chrono::milliseconds deadline = Desktop::defaultDeadline);

  private:
    Display* display_ = nullptr;
    bool holding_ = false;
};

}  // namespace kelvra::e2e
