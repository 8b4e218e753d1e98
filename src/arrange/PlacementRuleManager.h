#pragma once

namespace kelvra {

class AppSettings;
class SnapEngine;

// Places the windows of chosen applications when they open. For now it only knows
// whether it was started; the rules arrive later.
class PlacementRuleManager {
  public:
    PlacementRuleManager(AppSettings& settings, SnapEngine& engine);

    void start();
    bool started() const { return started_; }

  private:
    [[maybe_unused]] AppSettings& settings_;
    [[maybe_unused]] SnapEngine& engine_;
    bool started_ = false;
};

}  // namespace kelvra
