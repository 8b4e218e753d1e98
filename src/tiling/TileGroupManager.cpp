#include "tiling/TileGroupManager.h"

#include "engine/SnapEngine.h"

namespace kelvra {

TileGroupManager::TileGroupManager(AppSettings& settings, SnapEngine& engine)
    : settings_(settings), engine_(engine) {
    hooks_.push_back(
        engine_.onSnap.connect([this](const AXWindow& window, ZoneID, const Rect&,
                                      const ScreenInfo&) { candidates_.insert(window); }));
    hooks_.push_back(
        engine_.onDetach.connect([this](const AXWindow& window) { candidates_.erase(window); }));
}

void TileGroupManager::removeAll() {
    candidates_.clear();
}

}  // namespace kelvra
