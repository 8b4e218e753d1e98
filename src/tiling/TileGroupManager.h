#pragma once

#include "ax/AXWindow.h"

namespace kelvra {

class AppSettings;
class SnapEngine;

// Keeps windows snapped side by side linked. For now it follows the engine's snaps
// and detaches and can dissolve every group; linked resizing arrives later.
class TileGroupManager {
public:
    // Hooks the engine's onSnap and onDetach, so it must exist before the first snap.
    TileGroupManager(AppSettings& settings, SnapEngine& engine);

    // Dissolves every tile group and removes its dividers.
    void removeAll();

    int snapsSeen() const { return snapsSeen_; }
    int detachesSeen() const { return detachesSeen_; }
    int removeAllCount() const { return removeAllCount_; }

private:
    [[maybe_unused]] AppSettings& settings_;
    [[maybe_unused]] SnapEngine& engine_;
    int snapsSeen_ = 0;
    int detachesSeen_ = 0;
    int removeAllCount_ = 0;
};

}  // namespace kelvra
