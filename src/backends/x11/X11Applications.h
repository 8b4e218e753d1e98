#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/x11/X11Connection.h"
#include "backends/x11/X11WindowCommands.h"
#include "backends/x11/X11Windows.h"
#include "backends/xdg/DesktopApps.h"
#include "base/LifetimeGuard.h"
#include "base/Signal.h"
#include "port/Applications.h"

namespace kelvra::x11 {

// The running applications of an X11 session: client windows grouped by process id,
// named after the desktop entries their windows match, launched from their entries.
class X11Applications final : public port::Applications {
  public:
    explicit X11Applications(X11Connection& connection);
    ~X11Applications() override;

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

    // The identifier of the application a client window belongs to: its desktop
    // entry's id, else its class; Kelvra's own for our windows.
    std::optional<std::string> appIdOf(Window w);
    // The icon a client window's desktop entry names; empty when none.
    std::string entryIconOf(Window w);

  private:
    using Callback = std::function<void(const port::RunningApplication&)>;

    // The client windows of each process, frontmost first.
    std::map<int32_t, std::vector<Window>> windowsByPid();
    port::RunningApplication describe(int32_t pid, const std::vector<Window>& windows);
    port::RunningApplication describeSelf(const std::vector<Window>& windows);
    std::string ownIdentifier();
    // The entry of a window: the application we launched it as (by its process or its
    // startup id), else the entry its class and application id match.
    const xdg::DesktopApps::Entry* entryOf(Window w);
    // Its entry's id and name, else its class for both.
    std::optional<std::pair<std::string, std::string>> identify(Window w);
    // Refreshes the known applications and tells the subscribers what changed.
    void refresh(bool notify);
    void scheduleRefresh();
    Subscription subscribe(std::map<uint64_t, Callback>& into, Callback callback);

    X11Connection& c_;
    X11Windows windows_;
    X11WindowCommands commands_;
    xdg::DesktopApps apps_;
    std::map<int32_t, std::string> launchedPids_;          // process -> entry id
    std::map<std::string, std::string> launchedStartups_;  // startup id -> entry id
    Subscription listener_;
    std::vector<int32_t> order_;  // processes in the order they were first seen
    std::map<int32_t, port::RunningApplication> known_;
    std::map<uint64_t, Callback> launched_, terminated_;
    Signal<> activated_;
    uint64_t nextCallback_ = 1;
    bool refreshPending_ = false;
    bool snapshotTaken_ = false;
    LifetimeGuard lifetime_;
};

}  // namespace kelvra::x11
