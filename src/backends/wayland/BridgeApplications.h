#pragma once

#include <map>

#include "backends/bridge/BridgeSession.h"
#include "backends/xdg/DesktopApps.h"
#include "base/Signal.h"
#include "port/Applications.h"

namespace kelvra::wayland {

// The running applications are the processes behind the windows the bridge reports,
// named by their desktop entries; launching goes through the desktop entries too.
class BridgeApplications final : public port::Applications {
  public:
    explicit BridgeApplications(bridge::BridgeSession& session);

    std::vector<port::RunningApplication> runningApplications() override;
    std::optional<port::RunningApplication> frontmostApplication() override;
    std::optional<port::RunningApplication> application(int32_t pid) override;
    int32_t currentProcessId() override;
    bool activate(int32_t pid) override;
    bool terminate(int32_t pid) override;
    bool launch(const std::string& appId) override;
    Subscription onLaunched(std::function<void(const port::RunningApplication&)> callback) override;
    Subscription onTerminated(
        std::function<void(const port::RunningApplication&)> callback) override;
    Subscription onActivated(std::function<void()> callback) override;

  private:
    std::map<int32_t, port::RunningApplication> current();
    void compare();

    bridge::BridgeSession& session_;
    xdg::DesktopApps apps_;
    std::map<int32_t, port::RunningApplication> known_;
    Signal<port::RunningApplication> launched_;
    Signal<port::RunningApplication> terminated_;
    Signal<> activated_;
    Subscription changes_;
};

}  // namespace kelvra::wayland
