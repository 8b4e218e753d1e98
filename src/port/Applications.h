#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/Subscription.h"

namespace kelvra::port {

enum class ActivationPolicy { regular, accessory, prohibited };

struct RunningApplication {
    int32_t pid = 0;
    std::optional<std::string> appId;
    std::optional<std::string> localizedName;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

// The running applications of the user's session.
class Applications {
  public:
    virtual ~Applications() = default;
    // In the platform's order.
    virtual std::vector<RunningApplication> runningApplications() = 0;
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    virtual std::optional<RunningApplication> application(int32_t pid) = 0;
    // This process's own id.
    virtual int32_t currentProcessId() = 0;
    // Brings an application to the front (ignoring other applications).
    virtual bool activate(int32_t pid) = 0;
    // Asks an application to quit.
    virtual bool terminate(int32_t pid) = 0;
    // Launches the application with this identifier in the background, without raising it.
    virtual bool launch(const std::string& appId) = 0;
    virtual Subscription onLaunched(std::function<void(const RunningApplication&)> callback) = 0;
    virtual Subscription onTerminated(std::function<void(const RunningApplication&)> callback) = 0;
    // The frontmost application or its focused window changed; delivered on the main
    // run loop.
    virtual Subscription onActivated(std::function<void()> callback) = 0;
};

}  // namespace kelvra::port
