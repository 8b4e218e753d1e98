#pragma once

#include <functional>
#include <map>
#include <memory>

#include "backends/x11/X11Connection.h"
#include "backends/x11/X11Windows.h"
#include "base/LifetimeGuard.h"
#include "base/Signal.h"
#include "port/Screens.h"

namespace kelvra::x11 {

// The displays of an X11 session: RandR monitors (those made by hand included),
// each one's visible frame less the struts of the docks that sit on it.
class X11Screens final : public port::Screens {
  public:
    explicit X11Screens(X11Connection& connection);
    ~X11Screens() override;

    std::vector<port::PlatformScreen> screens() override;
    std::optional<Point> pointerLocation() override;
    Subscription onScreensChanged(std::function<void()> callback) override;

  private:
    // Reads monitors and struts from the server.
    std::vector<port::PlatformScreen> readScreens();

    void onEvent(const XEvent& event);
    // Posts the change to the subscribers; a possible change only when the screens differ.
    void scheduleNotify(bool onlyIfChanged);

    X11Connection& c_;
    X11Windows windows_;
    Subscription listener_;
    Signal<> changed_;
    bool notifyPending_ = false;
    bool notifyAlways_ = false;
    std::vector<port::PlatformScreen> lastSeen_;
    // The screens as last read; every event that can change them drops it, so a
    // shortcut press does not pay for reading every window's strut again.
    std::optional<std::vector<port::PlatformScreen>> cache_;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra::x11
