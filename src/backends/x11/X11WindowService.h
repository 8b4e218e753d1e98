#pragma once

#include <X11/Xlib.h>

#include <memory>

#include "backends/x11/X11Applications.h"
#include "backends/x11/X11Connection.h"
#include "backends/x11/X11WindowCommands.h"
#include "backends/x11/X11WindowMover.h"
#include "backends/x11/X11Windows.h"
#include "port/Windows.h"

namespace kelvra::x11 {

class X11WindowObservers;

// Other applications' windows on an X11 desktop: the window manager's clients (the
// mapped top-levels without one), found, read, arranged and watched. A window's ref
// is its X window id. Any client may arrange windows here: no permission is needed.
class X11WindowService final : public port::Windows {
  public:
    X11WindowService(X11Connection& connection, X11Applications& applications);
    ~X11WindowService() override;

    port::WindowCapabilities capabilities() override;
    bool canControlWindows() override;
    void promptForTrust() override;
    void openPermissionSettings() override;

    std::optional<port::WindowRef> focusedWindow() override;
    std::optional<port::WindowRef> windowAt(Point point) override;
    std::vector<port::WindowRef> windowsOf(int32_t pid) override;

    bool exists(port::WindowRef window) override;
    std::optional<int32_t> pid(port::WindowRef window) override;
    std::optional<std::string> appId(port::WindowRef window) override;
    std::optional<Rect> frame(port::WindowRef window) override;
    std::optional<port::WindowKind> kind(port::WindowRef window) override;
    std::optional<bool> isMinimized(port::WindowRef window) override;
    std::optional<std::string> title(port::WindowRef window) override;
    std::optional<port::WindowIcon> icon(port::WindowRef window) override;

    void raise(port::WindowRef window) override;
    std::optional<Rect> setFrame(port::WindowRef window, const Rect& frame) override;
    std::optional<Rect> setFrameDuringMove(port::WindowRef window, const Rect& frame) override;

    Subscription onWindowEvent(port::WindowRef window,
                               std::function<void(port::WindowEvent)> callback) override;
    Subscription onWindowCreated(int32_t pid,
                                 std::function<void(port::WindowRef)> callback) override;

  private:
    // The X window of a ref, while it is a client window.
    std::optional<Window> client(port::WindowRef window);

    X11Connection& c_;
    X11Applications& applications_;
    X11Windows windows_;
    X11WindowMover mover_;
    X11WindowCommands commands_;
    // Kept out of this header: Qt code includes it, and Qt's keywords clash with Signal's.
    std::unique_ptr<X11WindowObservers> observers_;
};

}  // namespace kelvra::x11
