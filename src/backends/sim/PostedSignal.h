#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "backends/sim/VirtualRunLoop.h"
#include "base/Signal.h"

namespace kelvra::sim {

// A platform notification of the simulated desktop: listeners hear it when the run
// loop runs, as they would on the real desktop, never inside the call that caused it.
// A delivery reaches the listeners subscribed when it was posted and still subscribed
// when the loop runs.
template <typename... Args>
class PostedSignal {
  public:
    Subscription connect(std::function<void(const Args&...)> listener) {
        uint64_t seq = ++*connected_;
        return signal_.connect(
            [seq, limit = limit_, listener = std::move(listener)](const Args&... args) {
                if (seq <= *limit) listener(args...);
            });
    }

    void post(VirtualRunLoop& loop, Args... args) {
        // Copies share the listeners, so the delivery outlives the notifier.
        loop.post([signal = signal_, limit = limit_, upTo = *connected_, args...] {
            uint64_t outer = std::exchange(*limit, upTo);
            signal.emit(args...);
            *limit = outer;
        });
    }

    size_t size() const { return signal_.size(); }

  private:
    Signal<Args...> signal_;
    std::shared_ptr<uint64_t> connected_ = std::make_shared<uint64_t>(0);
    std::shared_ptr<uint64_t> limit_ = std::make_shared<uint64_t>(0);
};

}  // namespace kelvra::sim
