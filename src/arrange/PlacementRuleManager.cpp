#include "arrange/PlacementRuleManager.h"

namespace kelvra {

PlacementRuleManager::PlacementRuleManager(AppSettings& settings, SnapEngine& engine)
    : settings_(settings), engine_(engine) {}

void PlacementRuleManager::start() {
    started_ = true;
}

}  // namespace kelvra
