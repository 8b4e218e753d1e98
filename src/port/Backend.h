#pragma once

#include <string>

namespace kelvra {
struct Platform;
}

namespace kelvra::port {

class Surfaces;
class WindowSystem;

// One desktop the program runs on (an X11 session; the simulated desktop in tests):
// the ports that depend on the desktop, and the services the program's own windows
// are built on. The factory in the program picks one from the session at start.
class Backend {
  public:
    virtual ~Backend() = default;

    // Shown to people, in the settings window's footer: "X11".
    virtual std::string name() const = 0;
    // Fills in the ports this desktop provides: windows, screens, applications, hot
    // keys, keyboard layout and mouse events at least.
    virtual void provide(Platform& platform) = 0;
    // What the program's own windows need from the window system; null for a desktop
    // whose surfaces are not real windows (the simulated one).
    virtual WindowSystem* windowSystem() = 0;
    // Surfaces this desktop draws itself rather than the toolkit (GNOME's top-bar menu in
    // place of a tray): asked first; a kind it gives none for is the toolkit's. Null: none.
    virtual Surfaces* ownSurfaces() { return nullptr; }
    // True for a desktop whose compositor takes up a newly installed bridge only in a new
    // session (GNOME): while the bridge does not answer, logging out and in once is what
    // is missing.
    virtual bool bridgeNeedsNewSession() const { return false; }
};

}  // namespace kelvra::port
