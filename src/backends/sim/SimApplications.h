#pragma once

#include "backends/sim/SimState.h"

namespace kelvra::sim {

// The running applications: launched and quit by the test, asked by the program.
class SimApplications final : public port::Applications {
  public:
    explicit SimApplications(SimState& s) : s_(s) {}

    std::vector<port::RunningApplication> runningApplications() override;
    std::optional<port::RunningApplication> frontmostApplication() override;
    std::optional<port::RunningApplication> application(int32_t pid) override;
    int32_t currentProcessId() override { return s_.ownPid; }
    bool activate(int32_t pid) override;
    bool terminate(int32_t pid) override;
    bool launch(const std::string& appId) override;
    Subscription onLaunched(std::function<void(const port::RunningApplication&)> cb) override {
        return s_.launched.connect(std::move(cb));
    }
    Subscription onTerminated(std::function<void(const port::RunningApplication&)> cb) override {
        return s_.terminated.connect(std::move(cb));
    }
    Subscription onActivated(std::function<void()> cb) override {
        return s_.activated.connect(std::move(cb));
    }

    // Ends the application: its windows close (their observers hear it), then the
    // termination is announced.
    void quit(int32_t pid);

  private:
    SimState& s_;
};

}  // namespace kelvra::sim
