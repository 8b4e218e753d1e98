#pragma once

#include <map>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Subscription.h"
#include "port/Windows.h"

namespace kelvra::x11 {

class X11Connection;

// Keeps some of the program's own windows (override-redirect panels such as dividers)
// directly above the topmost frame of a group of client windows: restacked as a
// sibling of that frame, never kept above everything. Whenever the top-level order
// changes (a window raised, mapped), each panel is put back where it belongs, so a
// window put over the group covers the panel too and the group's return brings it back.
class X11GroupStacking {
  public:
    explicit X11GroupStacking(X11Connection& connection);
    ~X11GroupStacking();

    // `group` empty: the panel is no longer kept anywhere. The toolkit's own requests
    // (the panel's map) must have reached the server first.
    void keepAbove(unsigned long panel, const std::vector<port::WindowRef>& group);

  private:
    void restackAll();
    void scheduleRestack();
    // The root's child holding `window` (the manager's frame around a client).
    unsigned long topLevelOf(unsigned long window);

    X11Connection& c_;
    std::map<unsigned long, std::vector<port::WindowRef>> panels_;
    Subscription listener_;
    bool scheduled_ = false;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra::x11
