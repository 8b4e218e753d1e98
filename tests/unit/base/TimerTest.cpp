#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backends/sim/VirtualRunLoop.h"
#include "base/LifetimeGuard.h"
#include "base/Throttle.h"
#include "base/Timer.h"

namespace kelvra {
namespace {

// A timer is cancelled by dropping, restarting or moving over it; a moved timer still
// fires; a one-shot is inactive once fired and may drop itself from its callback.
TEST(TimerTest, DroppingOrRestartingCancels) {
    sim::VirtualRunLoop loop;
    std::vector<std::string> fired;
    {
        Timer dropped;
        dropped.once(loop, 1, [&] { fired.push_back("dropped"); });
    }
    Timer restarted;
    restarted.once(loop, 1, [&] { fired.push_back("first"); });
    restarted.once(loop, 2, [&] { fired.push_back("second"); });
    Timer overwritten;
    overwritten.once(loop, 1, [&] { fired.push_back("overwritten"); });
    Timer source;
    source.once(loop, 1, [&] { fired.push_back("moved"); });
    overwritten = std::move(source);
    auto self = std::make_unique<Timer>();
    self->once(loop, 1, [&] { self.reset(); });
    EXPECT_EQ(loop.activeTimers(), 3u);

    loop.advance(1);
    EXPECT_EQ(fired, std::vector<std::string>{"moved"});
    EXPECT_FALSE(overwritten.active());
    EXPECT_EQ(self, nullptr);
    loop.advance(1);
    EXPECT_EQ(fired, (std::vector<std::string>{"moved", "second"}));
    EXPECT_EQ(loop.activeTimers(), 0u);
}

TEST(TimerTest, RepeatingFiresUntilCancelledFromItsOwnCallback) {
    sim::VirtualRunLoop loop;
    int ticks = 0;
    Timer timer;
    timer.every(loop, 0.5, [&] {
        if (++ticks == 3) timer.cancel();
    });
    loop.advance(10);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer.active());
    EXPECT_EQ(loop.activeTimers(), 0u);
}

// A process-wide owner may drop its timer after the run loop has gone.
TEST(TimerTest, ATimerMayOutliveItsScheduler) {
    Timer timer;
    {
        sim::VirtualRunLoop loop;
        timer.once(loop, 1, [] {});
    }
    timer.cancel();
    EXPECT_FALSE(timer.active());
}

// The first request runs at once, later ones within the interval wait for its end and
// the newest replaces the waiting one; flush runs the waiting one now.
TEST(ThrottleTest, NewestRequestLandsAtMostOncePerInterval) {
    sim::VirtualRunLoop loop;
    std::vector<std::pair<int, double>> runs;  // which request ran, and when
    Throttle throttle(loop, 0.1);
    const double start = loop.now();
    auto request = [&](int n) {
        throttle.request([&, n] { runs.emplace_back(n, loop.now() - start); });
    };
    request(1);
    loop.advance(0.03);
    request(2);
    request(3);
    EXPECT_TRUE(throttle.waiting());
    loop.advance(0.2);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].first, 3);
    EXPECT_NEAR(runs[1].second, 0.1, 1e-9);

    request(4);  // a quiet interval has passed
    EXPECT_EQ(runs.back().first, 4);
    request(5);
    throttle.flush();
    EXPECT_EQ(runs.back().first, 5);
    EXPECT_FALSE(throttle.waiting());
    request(6);
    throttle.cancel();
    loop.advance(1);
    EXPECT_EQ(runs.size(), 4u);  // 1, 3, 4 and 5
}

TEST(LifetimeGuardTest, GuardedCallbacksDoNothingOnceEnded) {
    int calls = 0;
    std::function<void(int)> callback;
    {
        LifetimeGuard guard;
        callback = guard.guard([&](int n) { calls += n; });
        callback(2);
    }
    callback(5);
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace kelvra
