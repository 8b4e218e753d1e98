#include "tiling/TileGroupManager.h"

#include "engine/SnapEngine.h"

namespace kelvra {

TileGroupManager::TileGroupManager(AppSettings& settings, SnapEngine& engine)
    : settings_(settings), engine_(engine) {
    engine_.onSnap = [this](const AXWindow&, ZoneID, const Rect&, const ScreenInfo&) {
        ++snapsSeen_;
    };
    engine_.onDetach = [this](const AXWindow&) { ++detachesSeen_; };
}

void TileGroupManager::removeAll() { ++removeAllCount_; }

}  // namespace kelvra
