#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "backends/sim/VirtualRunLoop.h"

namespace kelvra::sim {
namespace {

TEST(VirtualRunLoopTest, TimersFireInDueOrderAtTheirExactTimes) {
    VirtualRunLoop loop;
    const double start = loop.now();
    std::vector<std::pair<std::string, double>> fired;
    auto stamp = [&](std::string name) {
        return [&, name] { fired.emplace_back(name, loop.now() - start); };
    };
    loop.scheduleTimer(0.5, false, stamp("late"));
    port::TimerId repeating = loop.scheduleTimer(0.2, true, stamp("tick"));
    loop.scheduleTimer(0.1, false, [&] {
        fired.emplace_back("early", loop.now() - start);
        // Work posted by a timer runs before the next timer fires.
        loop.post(stamp("posted"));
    });
    port::TimerId cancelled = loop.scheduleTimer(0.3, false, stamp("cancelled"));
    loop.cancelTimer(cancelled);

    loop.advance(0.65);
    std::vector<std::pair<std::string, double>> expected = {{"early", 0.1}, {"posted", 0.1},
                                                            {"tick", 0.2},  {"tick", 0.4},
                                                            {"late", 0.5},  {"tick", 0.6}};
    ASSERT_EQ(fired.size(), expected.size());
    for (size_t i = 0; i < fired.size(); ++i) {
        EXPECT_EQ(fired[i].first, expected[i].first) << i;
        EXPECT_NEAR(fired[i].second, expected[i].second, 1e-9) << i;
    }
    EXPECT_NEAR(loop.now() - start, 0.65, 1e-9);
    EXPECT_EQ(loop.activeTimers(), 1u);
    loop.cancelTimer(repeating);
    EXPECT_EQ(loop.activeTimers(), 0u);

    // Steps that add up to the interval reach the timer, though their sum rounds below it.
    int small = 0;
    loop.scheduleTimer(0.9, false, [&] { ++small; });
    for (int i = 0; i < 3; ++i) loop.advance(0.3);
    EXPECT_EQ(small, 1);
}

TEST(VirtualRunLoopTest, PostedWorkWaitsForTheLoopAndMayComeFromAnyThread) {
    VirtualRunLoop loop;
    std::vector<int> order;
    loop.post([&] {
        order.push_back(1);
        loop.post([&] { order.push_back(3); });
    });
    std::thread other([&] { loop.post([&] { order.push_back(2); }); });
    other.join();
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(loop.pendingWork(), 2u);
    loop.runPending();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

}  // namespace
}  // namespace kelvra::sim
