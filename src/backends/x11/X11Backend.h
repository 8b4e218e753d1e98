#pragma once

#include <memory>
#include <string>

#include "port/Backend.h"

namespace kelvra::x11 {

// The X11 desktop: one connection to the X server that every port of it shares, and the
// window-system services of the program's own windows on the same server. Kept free of
// Xlib's headers: the program and the views see only the port.
class X11Backend final : public port::Backend {
  public:
    // Opens the display named by $DISPLAY; null, after a line saying why, when it cannot.
    // The toolkit is told to put the program's own windows on that server.
    static std::unique_ptr<X11Backend> open();
    ~X11Backend() override;
    X11Backend(const X11Backend&) = delete;
    X11Backend& operator=(const X11Backend&) = delete;

    std::string name() const override { return "X11"; }
    // Builds the ports. They post to the run loop from their first request on, so the
    // platform's run loop and log are installed before this runs; the toolkit's event
    // loop exists too (the connection's events are read from it).
    void provide(Platform& platform) override;
    port::WindowSystem* windowSystem() override;

  private:
    X11Backend();

    struct Ports;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kelvra::x11
