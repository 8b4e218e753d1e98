#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "base/Rect.h"
#include "port/SurfaceModels.h"

// The messages between Kelvra and the bridge that runs inside the compositor, as typed
// values. The wire format (JSON over the session bus) is in docs/bridge-protocol.md.
namespace kelvra::bridge {

inline constexpr int protocolVersion = 1;

enum class WindowKind { normal, dialog, utility, other };

struct WindowSnapshot {
    std::string id;
    std::int64_t pid = 0;
    std::string appId;
    WindowKind kind = WindowKind::normal;
    bool minimized = false;
    std::string title;
    Rect frame;
    friend bool operator==(const WindowSnapshot&, const WindowSnapshot&) = default;
};

struct ScreenSnapshot {
    std::string name;
    Rect geometry;
    Rect workArea;
    friend bool operator==(const ScreenSnapshot&, const ScreenSnapshot&) = default;
};

// ---- bridge -> Kelvra ----

struct Hello {
    std::string bridge;
    std::string bridgeVersion;
    int api = 0;
};

struct Poll {};

// The whole desktop: sent after the welcome and as the answer to a list command.
struct Snapshot {
    std::vector<WindowSnapshot> windows;  // bottom to top
    std::vector<ScreenSnapshot> screens;
    std::string active;  // empty: no active window
    Point pointer;
    std::optional<std::int64_t> commandId;
};

struct WindowAdded {
    WindowSnapshot window;
};

struct WindowRemoved {
    std::string window;
};

struct WindowActivated {
    std::string window;  // empty: no active window
};

struct WindowFrameChanged {
    std::string window;
    Rect frame;
    bool resized = false;  // windowResized on the wire, otherwise windowMoved
};

struct WindowMinimized {
    std::string window;
    bool minimized = false;
};

struct ScreensChanged {
    std::vector<ScreenSnapshot> screens;
};

enum class MovePhase { started, stepped, finished };

// A move the user drives with the pointer.
struct InteractiveMove {
    MovePhase phase = MovePhase::started;
    std::string window;
    Rect frame;
    Point pointer;
};

// A key combination the bridge holds for Kelvra was pressed (bridges that take shortcuts:
// GNOME's extension; on KDE Plasma they go through KDE's own service).
struct KeyPressed {
    std::string name;
};

// An item of Kelvra's top-bar menu was chosen, by its id (GNOME's extension: GNOME has no
// tray).
struct MenuChosen {
    std::string item;
};

enum class ResultStatus { done, settled, timedOut, noWindow, failed };

struct CommandResult {
    std::int64_t id = 0;
    ResultStatus status = ResultStatus::done;
    std::optional<Rect> frame;
    std::optional<Point> pointer;
    std::optional<std::string> window;
};

using FromBridge = std::variant<Hello, Poll, Snapshot, WindowAdded, WindowRemoved, WindowActivated,
                                WindowFrameChanged, WindowMinimized, ScreensChanged,
                                InteractiveMove, KeyPressed, MenuChosen, CommandResult>;

// ---- Kelvra -> bridge ----

struct SetFrame {
    std::int64_t id = 0;
    std::string window;
    Rect frame;
};

struct Raise {
    std::int64_t id = 0;
    std::string window;
};

struct Activate {
    std::int64_t id = 0;
    std::string window;
    // When set, only while this window is still the active one: the mirror may lag
    // behind a focus the compositor has already given elsewhere.
    std::string ifActive = {};
};

struct GetPointer {
    std::int64_t id = 0;
};

struct ListWindows {
    std::int64_t id = 0;
};

// Styles and places one of Kelvra's own windows, found by process and caption.
struct PlaceOwn {
    std::int64_t id = 0;
    std::int64_t pid = 0;
    std::string title;  // empty: any window of the process
    bool keepAbove = true;
    bool skipTaskbar = true;
    bool skipSwitcher = true;
    std::optional<Rect> frame;
    bool style = true;      // false: keepAbove and the skips stay as they are
    bool activate = false;  // give it the focus
};

// Holds a key combination for Kelvra, by the name its presses carry; `failed` when the
// compositor would not give it (another program holds it). `accelerator` is written as
// GTK does: modifiers in angle brackets, then the key's keycode in hex ("<Control><Alt>0x71").
struct GrabKey {
    std::int64_t id = 0;
    std::string name;
    std::string accelerator;
};

// Lets go of a combination taken with GrabKey.
struct ReleaseKey {
    std::int64_t id = 0;
    std::string name;
};

// What the next press of each grabbed key gives the window `window` while it is the active
// one with the frame `from` (for `validMs`, when given): the bridge applies it at the
// press, before Kelvra hears of it. An empty `window` withdraws the forecast.
struct Forecast {
    std::int64_t id = 0;
    std::string window;
    Rect from;
    std::vector<std::pair<std::string, Rect>> keys;  // by the grabbed key's name
    std::optional<std::int64_t> validMs;
};

struct TopBarMenu {
    std::string icon;  // normal, paused or a warning state (docs/bridge-protocol.md)
    std::string toolTip;
    std::vector<port::MenuItem> items;  // as the tray's
    friend bool operator==(const TopBarMenu&, const TopBarMenu&) = default;
};

// Shows Kelvra's button with this menu in the top bar; without a menu, removes it.
struct SetMenu {
    std::int64_t id = 0;
    std::optional<TopBarMenu> menu;
};

using Command = std::variant<SetFrame, Raise, Activate, GetPointer, ListWindows, PlaceOwn, GrabKey,
                             ReleaseKey, Forecast, SetMenu>;

struct Welcome {
    std::int64_t pid = 0;  // Kelvra's process
    // The address of Kelvra's direct connection for this bridge; empty: none offered.
    std::string peer;
};

struct Ack {};

struct Rejected {
    std::string reason;
};

struct Commands {
    std::vector<Command> commands;
};

using ToBridge = std::variant<Welcome, Ack, Rejected, Commands>;

}  // namespace kelvra::bridge
