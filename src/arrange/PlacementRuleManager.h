#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/LifetimeGuard.h"
#include "base/Subscription.h"
#include "geometry/ScreenInfo.h"
#include "port/Applications.h"
#include "settings/PlacementRule.h"
#include "window/WindowHandle.h"

namespace kelvra {

class AppSettings;
class SnapEngine;

// Places the windows of chosen applications when they open: the first window after a
// launch (polled for a while) or every new window, each into its rule's built-in or
// custom zone on the rule's kind of display. A window is placed once; where the user
// moves it afterwards is left alone.
class PlacementRuleManager {
  public:
    static constexpr double firstWindowPoll = 0.6;
    static constexpr double firstWindowLimit = 12.0;
    // New windows are looked at after this, once they have a kind and a frame.
    static constexpr double newWindowDelay = 0.25;

    PlacementRuleManager(AppSettings& settings, SnapEngine& engine);
    ~PlacementRuleManager();
    PlacementRuleManager(const PlacementRuleManager&) = delete;
    PlacementRuleManager& operator=(const PlacementRuleManager&) = delete;

    void start();
    bool started() const { return started_; }

    // The first enabled rule for the application with this trigger.
    std::optional<PlacementRule> ruleFor(const std::string& appId,
                                         PlacementRule::Trigger trigger) const;
    // The display a rule sends a window to: the window's own for any display, else the
    // first of the rule's kind; nothing when the desktop has no display of that kind.
    std::optional<ScreenInfo> targetScreen(const PlacementRule& rule,
                                           const WindowHandle& window) const;
    // The applications whose new windows are watched.
    std::set<int32_t> observedProcesses() const;

  private:
    void handleLaunch(const port::RunningApplication& app);
    // Whether a rule with this trigger may be for the application.
    bool mayApply(const port::RunningApplication& app, PlacementRule::Trigger trigger) const;
    void rebuildWindowObservers();
    void observeApp(int32_t pid);
    void pollFirstWindow(int32_t pid, double deadline);
    void handleWindowCreated(port::WindowRef window);
    void apply(const PlacementRule& rule, const WindowHandle& window);
    // Sets the window into the rule's zone; the frame it got, or nothing.
    std::optional<Rect> place(const PlacementRule& rule, const WindowHandle& window,
                              const ScreenInfo& screen);
    // Runs `work` after `seconds` while this manager lives.
    void later(double seconds, std::function<void()> work);

    AppSettings& settings_;
    SnapEngine& engine_;
    bool started_ = false;
    Subscription launchObserver_, terminateObserver_, rulesObserver_;
    std::map<int32_t, Subscription> windowObservers_;
    std::map<port::WindowRef, int32_t> placed_;  // with their process
    LifetimeGuard lifetime_;
};

}  // namespace kelvra
