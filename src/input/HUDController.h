#pragma once

#include "platform/port/Signal.h"

#include <functional>

#include "geometry/ZoneID.h"

namespace kelvra {

// The keyboard zone picker's state.
struct HUDModel {
    int selection = 0;
};

// The keyboard zone picker. For now it tracks whether its panel is open; the panel
// itself arrives with the program's own panels.
class HUDController {
  public:
    void show();
    // Orders the panel out and drops it.
    void close();
    // The open panel, if any (and whether it is visible).
    bool hasVisiblePanel() const { return panelOpen_; }

    HUDModel model;
    Signal<ZoneID> onApply;

  private:
    bool panelOpen_ = false;
};

}  // namespace kelvra
