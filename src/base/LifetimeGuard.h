#pragma once

#include <memory>
#include <type_traits>
#include <utility>

namespace kelvra {

// Drops queued and asynchronous callbacks once their owner is gone. The owner wraps
// each callback that captures it with guard(); a wrapped callback does nothing after
// the guard has ended. Owners end it first thing in their destructor (or declare it
// last), so no callback runs on a half-destroyed object.
class LifetimeGuard {
  public:
    LifetimeGuard() = default;
    ~LifetimeGuard() = default;
    LifetimeGuard(const LifetimeGuard&) = delete;
    LifetimeGuard& operator=(const LifetimeGuard&) = delete;

    // From now on every wrapped callback does nothing.
    void end() { token_.reset(); }
    bool ended() const { return !token_; }

    // Expires with the guard: for code that must stop when something it calls has
    // destroyed the owner.
    std::weak_ptr<const char> token() const { return token_; }

    // The callback, run only while the guard lives; once it has ended the wrapper
    // returns a default value (nothing, false, an empty result) instead.
    template <class F>
    auto guard(F fn) const {
        return [alive = std::weak_ptr<const char>(token_), fn = std::move(fn)](auto&&... args) {
            using Result = std::invoke_result_t<const F&, decltype(args)...>;
            if (!alive.lock()) return Result();
            return fn(std::forward<decltype(args)>(args)...);
        };
    }

  private:
    std::shared_ptr<const char> token_ = std::make_shared<const char>();
};

}  // namespace kelvra
