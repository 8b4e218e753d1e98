#include "backends/qt/QtRunLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "unit/backends/qt/EventLoop.h"

namespace kelvra::qt {
namespace {

using test::runUntil;

TEST(QtRunLoop, PostedWorkRunsLaterInOrderIncludingWorkPostedFromOtherThreads) {
    QtRunLoop loop;
    std::vector<int> order;
    loop.post([&] { order.push_back(1); });
    loop.post([&] {
        order.push_back(2);
        loop.post([&] { order.push_back(4); });
    });
    loop.post([&] { order.push_back(3); });
    EXPECT_TRUE(order.empty());  // never inline
    ASSERT_TRUE(runUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));

    // Every thread's work arrives, in the order that thread posted it, on the main thread.
    constexpr int perThread = 200;
    std::vector<std::vector<int>> seen(2);
    std::atomic<int> offMain{0};
    const auto mainThread = std::this_thread::get_id();
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                loop.post([&, t, i] {
                    if (std::this_thread::get_id() != mainThread) ++offMain;
                    seen[t].push_back(i);
                });
            }
        });
    }
    for (auto& th : threads) th.join();
    ASSERT_TRUE(runUntil([&] { return seen[0].size() + seen[1].size() == 2 * perThread; }));
    EXPECT_EQ(offMain, 0);
    for (const auto& s : seen) {
        for (int i = 0; i < perThread; ++i) ASSERT_EQ(s[i], i);
    }
}

// One-shot timers fire once in due order, cancelled ones never, and a repeating timer
// that cancels itself from its own callback fires no more.
TEST(QtRunLoop, TimersFireInDueOrderUntilCancelled) {
    QtRunLoop loop;
    std::vector<char> order;
    int ticks = 0;
    port::TimerId repeating = 0;
    repeating = loop.scheduleTimer(0.001, true, [&] {
        if (++ticks == 3) loop.cancelTimer(repeating);
    });
    loop.scheduleTimer(0.05, false, [&] { order.push_back('b'); });
    const auto first = loop.scheduleTimer(0.0, false, [&] { order.push_back('a'); });
    EXPECT_NE(first, 0u);
    loop.cancelTimer(loop.scheduleTimer(0.01, false, [&] { order.push_back('x'); }));
    const auto until = loop.now() + 0.1;
    ASSERT_TRUE(runUntil([&] { return loop.now() >= until; }));
    EXPECT_EQ(order, (std::vector<char>{'a', 'b'}));
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(loop.activeTimers(), 0u);
    // Cancelling a finished or unknown timer is harmless.
    loop.cancelTimer(first);
    loop.cancelTimer(12345);
}

}  // namespace
}  // namespace kelvra::qt
