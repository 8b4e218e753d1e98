#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "backends/sim/SimBrowser.h"
#include "backends/sim/SimHttp.h"
#include "backends/sim/SimManagerSnapping.h"
#include "backends/sim/SimNotifications.h"
#include "backends/sim/SimProcesses.h"
#include "backends/sim/SimSecrets.h"
#include "backends/sim/SimState.h"
#include "backends/sim/SimSurfaces.h"
#include "backends/sim/VirtualRunLoop.h"
#include "port/Platform.h"

namespace kelvra::sim {

// An in-memory desktop that implements every platform port, for tests. Screens,
// applications and windows are set up by the test; the program then sees and moves
// them through the port exactly as it would on the real desktop.
class SimDesktop final : public port::Backend {
  public:
    SimDesktop();
    ~SimDesktop() override;  // uninstalls itself if it is the installed platform
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    // Makes this desktop the process's platform.
    void install();
    Platform ports();
    std::string name() const override { return "Simulated"; }
    void provide(Platform& platform) override;
    // Its surfaces are models the test reads, not windows.
    port::WindowSystem* windowSystem() override { return nullptr; }
    bool bridgeNeedsNewSession() const override { return bridgeNeedsNewSession_; }
    // Plays a desktop whose bridge answers only from the next login (GNOME).
    void setBridgeNeedsNewSession(bool needs) { bridgeNeedsNewSession_ = needs; }
    VirtualRunLoop& runLoop();
    // The program's own surfaces: what each shows.
    SimSurfaces& surfaces();
    // The network, the secret store and the browser, each set up by the test.
    SimHttp& http();
    SimSecrets& secrets();
    SimBrowser& browser();
    SimManagerSnapping& managerSnapping();  // the manager's own edge snapping
    SimNotifications& notifications();      // the desktop's notification server
    SimProcesses& processes();              // every process, windows or not

    // ---- screens (frames in the bottom-left space, as the platform reports them)
    uint64_t addScreen(const Rect& frame, const Rect& visibleFrame, bool builtIn = false);
    // Convenience: a screen given in the top-left space relative to the primary's height
    // at the time of the call (the first screen added is the primary).
    uint64_t addScreenTopLeft(const Rect& frame, const Rect& visible, bool builtIn = false);
    void removeScreen(uint64_t id);
    void setScreenFrames(uint64_t id, const Rect& frame, const Rect& visibleFrame);
    void setScreenOrder(const std::vector<uint64_t>& ids);  // first is the primary
    // Posts the screen-change notification through the run loop.
    void notifyScreensChanged();
    // Where the pointer is (top-left space); none by default, as if it cannot be told.
    void setPointerLocation(std::optional<Point> location);

    // ---- applications
    struct AppSpec {
        std::optional<std::string> appId;
        std::optional<std::string> localizedName;
        port::ActivationPolicy policy = port::ActivationPolicy::regular;
    };
    int32_t addApp(const AppSpec& spec);  // returns its pid; posts a launch notification
    int32_t ownPid() const;               // the pid of "this process", which has an app too
    void setFrontmostApp(std::optional<int32_t> pid);
    // An unresponsive application fails every read and write of its elements.
    void setResponsive(int32_t pid, bool responsive);
    // Removes the app and its windows; posts a termination notification.
    void quitApp(int32_t pid);
    std::vector<int32_t> terminateRequests() const;  // pids asked to terminate, in order
    std::vector<int32_t> activateRequests() const;
    std::vector<std::string> launchRequests() const;
    // Terminate requests quit the app at once when true (the default).
    void setTerminateQuits(bool quits);

    // ---- windows
    struct WindowSpec {
        Rect frame{100, 100, 800, 600};  // top-left space
        std::optional<std::string> title = std::string("Untitled");
        std::optional<port::WindowIcon> icon = std::nullopt;
        port::WindowKind kind = port::WindowKind::standard;
        bool minimized = false;
        Size minSize{0, 0};
        Size maxSize{1e9, 1e9};
    };
    // Adds a window to the app (the newest window is the app's focused window and the
    // top of the stack); posts the created event to the app's observers.
    port::WindowRef addWindow(int32_t pid, const WindowSpec& spec);
    port::WindowRef addWindow(int32_t pid) { return addWindow(pid, WindowSpec{}); }
    void setFocusedWindow(int32_t pid, port::WindowRef window);
    void setMinimized(port::WindowRef window, bool minimized);
    void setKind(port::WindowRef window, port::WindowKind kind);
    // The window's frame as the desktop holds it (top-left space).
    Rect windowFrame(port::WindowRef window) const;
    // Moves a window as a user would; posts moved/resized events to observers.
    void userSetFrame(port::WindowRef window, const Rect& frame);
    // Closes the window; posts the destroyed event.
    void destroyWindow(port::WindowRef window);
    // Windows of an app, in its window order.
    std::vector<port::WindowRef> windowsOf(int32_t pid) const;
    bool windowExists(port::WindowRef window) const;
    // Window observers currently subscribed to a window.
    size_t observerCount(port::WindowRef window) const;

    // ---- the window service's permission and its call record
    // Whether the desktop gates window control behind a permission (it does by default,
    // so that the permission paths can be tested).
    void setNeedsPermission(bool needs);
    void setHasWindowManager(bool has);
    void setCanControlWindows(bool canControlWindows);
    int promptCount() const;
    int settingsPageOpenCount() const;
    const std::vector<WindowCall>& windowCalls() const;
    void clearWindowCalls();

    // ---- alerts and log
    void setAlertResponse(int response);  // default: the first button (1000)
    const std::vector<port::AlertRequest>& alerts() const;
    // What the next prompts answer (the pre-filled text when none).
    void setPromptAnswer(std::optional<std::string> text);
    const std::vector<std::string>& logLines() const;

    // ---- hot keys
    using HotKey = SimHotKey;
    std::vector<HotKey> registeredHotKeys() const;
    // Another client holds this combination: registering it fails.
    void holdByOtherClient(uint32_t keyCode, uint32_t modifiers);
    // The keymap binds this combination to a server action (terminate, console switch).
    void bindToServerAction(uint32_t keyCode, uint32_t modifiers);
    // Presses a combination: the handler sees it if a hot key is registered for it.
    // Returns whether a registered hot key matched.
    bool pressHotKey(uint32_t keyCode, uint32_t modifiers);
    // A key held down: the first call presses it; calls before releaseKey are the
    // keyboard's auto-repeat, which fires nothing (a held key is one press). Returns
    // whether a registered hot key matched.
    bool holdKey(uint32_t keyCode, uint32_t modifiers);
    void releaseKey(uint32_t keyCode);
    int handlerInstallCount() const;
    // Hot keys that hear forecasts (a desktop that moves the window at the press), and
    // every forecast told so far.
    void takeForecasts();
    const std::vector<std::optional<port::HotKeyForecast>>& forecasts() const;

    // ---- keyboard layout (US by default) and key monitor
    void setKeyTranslation(uint16_t keyCode, std::optional<std::string> text);
    // Sends a key-down to the program's local monitors; true when one swallowed it.
    bool sendKeyDown(const port::KeyEvent& event);
    size_t keyMonitorCount() const;

    // ---- global mouse events
    bool mouseSourceRunning() const;
    void emitMouse(const port::MouseEvent& event);
    void setMouseSourceFails(bool fails);

    // ---- user defaults (in memory), login items, build information, locale
    port::UserDefaults& defaults();
    // The defaults report a failed save, and later one that worked again.
    void failSave(const std::string& reason);
    void recoverSave();
    void setLoginItemFailure(std::optional<std::string> error);
    std::optional<bool> loginItemRegistered() const;  // none until first call
    port::BuildInfo& buildInfo();  // the test may change it before the program starts
    void setPreferredLanguages(std::vector<std::string> languages);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool bridgeNeedsNewSession_ = false;
};

}  // namespace kelvra::sim
