#pragma once

#include <map>
#include <string>

#include "backends/bridge/BridgeSession.h"
#include "backends/wayland/BridgeWait.h"
#include "port/Windows.h"

namespace kelvra::wayland {

// Other applications' windows as the compositor's bridge reports them: reads answer from
// the mirror; raising and frames go to the bridge as commands. Frames wait for the
// bridge's result (at most a quarter second), as a window manager's answer is awaited on
// X11.
class BridgeWindows final : public port::Windows {
  public:
    // How long a frame change waits for the client to take it.
    static constexpr int frameWaitMs = 250;

    BridgeWindows(bridge::BridgeSession& session, BridgeWait& wait);

    port::WindowCapabilities capabilities() override;
    bool canControlWindows() override { return true; }
    void promptForTrust() override {}
    void openPermissionSettings() override {}

    std::optional<port::WindowRef> focusedWindow() override;
    std::optional<port::WindowRef> windowAt(Point point) override;
    std::vector<port::WindowRef> windowsOf(int32_t pid) override;
    bool exists(port::WindowRef window) override;
    std::optional<int32_t> pid(port::WindowRef window) override;
    std::optional<std::string> appId(port::WindowRef window) override;
    std::optional<Rect> frame(port::WindowRef window) override;
    std::optional<port::WindowKind> kind(port::WindowRef window) override;
    std::optional<bool> isMinimized(port::WindowRef window) override;
    std::optional<std::string> title(port::WindowRef window) override;
    std::optional<port::WindowIcon> icon(port::WindowRef window) override;
    void raise(port::WindowRef window) override;
    std::optional<Rect> setFrame(port::WindowRef window, const Rect& frame) override;
    std::optional<Rect> setFrameDuringMove(port::WindowRef window, const Rect& frame) override;
    Subscription onWindowEvent(port::WindowRef window,
                               std::function<void(port::WindowEvent)> callback) override;
    Subscription onWindowCreated(int32_t pid,
                                 std::function<void(port::WindowRef)> callback) override;

    // The bridge's id of a window, and the reverse: refs stay the same for as long as
    // the window exists.
    port::WindowRef refOf(const std::string& id);
    const bridge::WindowSnapshot* snapshot(port::WindowRef window) const;

  private:
    bridge::BridgeSession& session_;
    BridgeWait& wait_;
    std::map<std::string, uint64_t, std::less<>> refs_;
    std::map<uint64_t, std::string> ids_;
    uint64_t nextRef_ = 1;
};

}  // namespace kelvra::wayland
