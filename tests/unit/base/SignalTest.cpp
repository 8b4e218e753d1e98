#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Signal.h"

namespace kelvra {
namespace {

// Listeners that change the listener list while being called: the one who leaves
// finishes its call, one who joins hears only later emits, one cancelled by another
// is not called, and a listener may destroy the signal's owner.
TEST(SignalTest, ListenersMayChangeTheListWhileBeingCalled) {
    auto signal = std::make_unique<Signal<int>>();
    std::vector<std::string> calls;
    Subscription self, victim, late;
    self = signal->connect([&](int v) {
        calls.push_back("self " + std::to_string(v));
        self.cancel();
        late = signal->connect([&](int w) { calls.push_back("late " + std::to_string(w)); });
        victim.cancel();
    });
    victim = signal->connect([&](int) { calls.push_back("victim"); });
    Subscription killer = signal->connect([&](int v) {
        if (v == 2) signal.reset();
    });

    signal->emit(1);
    EXPECT_EQ(calls, (std::vector<std::string>{"self 1"}));
    signal->emit(2);  // the last listener destroys the signal
    EXPECT_EQ(calls, (std::vector<std::string>{"self 1", "late 2"}));
    killer.cancel();  // after its signal is gone: nothing happens
    late.cancel();
}

}  // namespace
}  // namespace kelvra
