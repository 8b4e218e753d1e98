#pragma once

#include <unordered_set>
#include <vector>

#include "ax/AXWindow.h"
#include "platform/port/Subscription.h"

namespace kelvra {

class AppSettings;
class SnapEngine;

// Keeps windows snapped side by side linked. For now it follows which windows the
// engine snapped and detached and can dissolve every group; linked resizing arrives
// with the groups themselves.
class TileGroupManager {
  public:
    // Listens to the engine's snaps and detaches, so it must exist before the first snap.
    TileGroupManager(AppSettings& settings, SnapEngine& engine);

    // Dissolves every tile group and removes its dividers.
    void removeAll();

    // The snapped windows that may form groups.
    const std::unordered_set<AXWindow>& candidates() const { return candidates_; }

  private:
    [[maybe_unused]] AppSettings& settings_;
    [[maybe_unused]] SnapEngine& engine_;
    std::unordered_set<AXWindow> candidates_;
    std::vector<Subscription> hooks_;
};

}  // namespace kelvra
