#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "backends/sim/PostedSignal.h"
#include "backends/sim/VirtualRunLoop.h"
#include "base/Rect.h"
#include "base/Signal.h"
#include "port/Platform.h"

namespace kelvra::sim {

// The setup API is the test's own; a wrong id there is a broken test, not a platform failure.
[[noreturn]] void misuse(const std::string& what);

// A registered hot key as the simulated desktop holds it.
struct SimHotKey {
    uint32_t keyCode;
    uint32_t modifiers;
    uint32_t signature;
    uint32_t id;
    port::HotKeyRef ref;
};

// One call the program made on the window service, for tests that assert what was asked.
struct WindowCall {
    std::string op;  // "focused", "at", "windowsOf", "pid", "appId", "frame", "kind",
                     // "minimized", "title", "icon", "raise", "setFrame"
    port::WindowRef window;
    std::optional<Rect> frame;  // what setFrame asked for
    friend bool operator==(const WindowCall&, const WindowCall&) = default;
};

// Everything the simulated desktop holds. Each port of the desktop is a small class
// that reads and changes this one state.
struct SimState {
    VirtualRunLoop loop;

    // ---- windows
    struct Window {
        int32_t pid = 0;
        Rect frame;
        std::optional<std::string> title;
        std::optional<port::WindowIcon> icon;
        port::WindowKind kind = port::WindowKind::standard;
        bool minimized = false;
        Size minSize;
        Size maxSize;
        PostedSignal<port::WindowEvent> events;
    };
    struct App {
        port::RunningApplication info;
        std::vector<uint64_t> windows;
        std::optional<uint64_t> focused;
        bool responsive = true;
        PostedSignal<port::WindowRef> created;
    };
    uint64_t nextWindow = 1;
    std::map<uint64_t, Window> windows;
    std::map<int32_t, App> apps;     // pids grow with each launch, so this is launch order
    std::vector<uint64_t> stacking;  // back to front
    std::vector<WindowCall> windowCalls;
    bool needsPermission = true;
    bool hasWindowManager = true;
    bool canControlWindows = true;
    int promptCount = 0;
    int settingsPageCount = 0;

    // ---- screens and applications
    std::vector<port::PlatformScreen> screens;
    uint64_t nextScreen = 1;
    PostedSignal<> screensChanged;
    std::optional<Point> pointer;  // top-left space; none: the platform cannot tell
    int32_t ownPid = 100;
    int32_t nextPid = 1001;
    std::optional<int32_t> frontmost;
    std::vector<int32_t> terminateRequests, activateRequests;
    std::vector<std::string> launchRequests;
    bool terminateQuits = true;
    PostedSignal<port::RunningApplication> launched, terminated;
    PostedSignal<> activated;

    // ---- the rest
    int alertResponse = port::Alerts::firstButtonReturn;
    std::vector<port::AlertRequest> alerts;
    std::optional<std::string> promptAnswer;
    std::vector<std::string> logLines;
    std::map<std::string, port::DefaultsValue> defaults;
    Signal<uint32_t, uint32_t> hotKeyPressed;
    int handlerInstalls = 0;  // listeners subscribed to the hot keys
    std::map<port::HotKeyRef, SimHotKey> hotKeys;
    port::HotKeyRef nextHotKey = 1;
    std::set<std::pair<uint32_t, uint32_t>> heldByOthers;
    std::set<std::pair<uint32_t, uint32_t>> serverActions;  // the keymap's, like Ctrl+Alt+F1
    bool takesForecasts = false;
    std::vector<std::optional<port::HotKeyForecast>> forecasts;  // as told, in order
    std::set<uint32_t> keysDown;
    std::map<uint16_t, std::optional<std::string>> keyOverrides;
    std::map<port::KeyMonitorId, std::function<bool(const port::KeyEvent&)>> keyMonitors;
    port::KeyMonitorId nextKeyMonitor = 1;
    Signal<port::MouseEvent> mouse;
    bool mouseRunning = false;
    bool mouseFails = false;
    std::optional<std::string> loginItemFailure;
    std::optional<bool> loginItemRegistered;
    port::BuildInfo build = [] {
        port::BuildInfo b;
        b.version = "1.0.0";
        b.buildNumber = "1";
        return b;
    }();
    std::vector<std::string> languages = {"en-US"};

    SimState();

    App& app(int32_t pid);
    Window& window(port::WindowRef w);
    // The window if it exists and its application answers.
    Window* reachable(port::WindowRef w);
    void raise(uint64_t windowId);
    // Applies a frame change as the application would: sizes within its limits, and
    // moved/resized events only for what really changed.
    void applyFrame(uint64_t windowId, const Rect& frame);
    void setMinimized(uint64_t windowId, bool minimized);
    // Another application (or none) in front.
    void setFrontmost(std::optional<int32_t> pid);
    void removeWindow(uint64_t windowId);
};

}  // namespace kelvra::sim
