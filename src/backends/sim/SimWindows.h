#pragma once

#include "backends/sim/SimState.h"
#include "port/Windows.h"

namespace kelvra::sim {

// The simulated window service. Records every call in the state's call record; an
// application that does not answer gives "no value" for its windows.
class SimWindows final : public port::Windows {
  public:
    explicit SimWindows(SimState& s) : s_(s) {}

    port::WindowCapabilities capabilities() override {
        return {s_.needsPermission, s_.hasWindowManager};
    }
    bool canControlWindows() override { return s_.canControlWindows; }
    void promptForTrust() override { ++s_.promptCount; }
    void openPermissionSettings() override { ++s_.settingsPageCount; }

    std::optional<port::WindowRef> focusedWindow() override;
    std::optional<port::WindowRef> windowAt(Point point) override;
    std::vector<port::WindowRef> windowsOf(int32_t pid) override;

    bool exists(port::WindowRef window) override { return s_.windows.count(window.id) > 0; }
    std::optional<int32_t> pid(port::WindowRef window) override;
    std::optional<std::string> appId(port::WindowRef window) override;
    std::optional<Rect> frame(port::WindowRef window) override;
    std::optional<port::WindowKind> kind(port::WindowRef window) override;
    std::optional<bool> isMinimized(port::WindowRef window) override;
    std::optional<std::string> title(port::WindowRef window) override;
    std::optional<port::WindowIcon> icon(port::WindowRef window) override;

    void raise(port::WindowRef window) override;
    std::optional<Rect> setFrame(port::WindowRef window, const Rect& frame) override;
    // Nothing moves windows with the pointer here, so there is no move to keep going.
    std::optional<Rect> setFrameDuringMove(port::WindowRef window, const Rect& frame) override {
        return setFrame(window, frame);
    }

    Subscription onWindowEvent(port::WindowRef window,
                               std::function<void(port::WindowEvent)> callback) override;
    Subscription onWindowCreated(int32_t pid,
                                 std::function<void(port::WindowRef)> callback) override;

  private:
    SimState::Window* reach(const char* op, port::WindowRef window,
                            std::optional<Rect> frame = std::nullopt);
    SimState& s_;
};

}  // namespace kelvra::sim
