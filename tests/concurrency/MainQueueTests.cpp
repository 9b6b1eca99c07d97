#include "ConcurrencyTestSupport.h"

#include <boost/asio/steady_timer.hpp>

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace platform;
using namespace tarvo_test;

TEST(MainQueueTest, WorkPostedFromOtherThreadsRunsOnTheDrainingThreadInOrder) {
    MainQueue queue;
    const auto mainThread = std::this_thread::get_id();
    std::vector<int> seen;  // only touched on the queue
    std::atomic<int> wrongThread{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < 250; ++i)
                queue.post([&, t, i] {
                    if (std::this_thread::get_id() != mainThread || !queue.isCurrent()) ++wrongThread;
                    seen.push_back(t * 1000 + i);
                });
        });
    }
    EXPECT_TRUE(queue.runUntil([&] { return seen.size() == 1000; }, kTestTimeout));
    for (auto& p : posters) p.join();
    EXPECT_EQ(wrongThread.load(), 0);
    EXPECT_FALSE(queue.isCurrent());
    // Each poster's items keep their order.
    std::vector<int> last(4, -1);
    for (int v : seen) {
        EXPECT_GT(v % 1000, last[v / 1000]);
        last[v / 1000] = v % 1000;
    }
}

TEST(MainQueueTest, DrainRunsReadyWorkIncludingWorkItQueuesButNotFutureTimers) {
    MainQueue queue;
    std::vector<std::string> order;
    queue.post([&] {
        order.push_back("a");
        queue.post([&] { order.push_back("c"); });
    });
    queue.post([&] { order.push_back("b"); });
    auto sleeper = startTask(queue.executor(), [&]() -> Async<> {
        co_await sleepFor(kForever);
        order.push_back("timer");
    });
    const auto start = Clock::now();
    EXPECT_GE(queue.drain(), 3u);
    EXPECT_LT(elapsedSince(start), kPromptly);
    EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(queue.drain(), 0u);
    sleeper.cancel();
    queue.drain();
    EXPECT_TRUE(sleeper.isDone());
}

TEST(MainQueueTest, StopEndsRunAndTheQueueCanRunAgain) {
    MainQueue queue;
    int ran = 0;
    std::thread stopper([&] {
        queue.post([&] { ++ran; });
        queue.post([&] { queue.stop(); });
    });
    queue.run();  // returns only because of stop()
    stopper.join();
    EXPECT_EQ(ran, 1);
    queue.post([&] { ++ran; });
    EXPECT_TRUE(queue.runUntil([&] { return ran == 2; }, kTestTimeout));
}

TEST(MainQueueTest, RunUntilGivesUpAfterTheTimeout) {
    MainQueue queue;
    const auto start = Clock::now();
    EXPECT_FALSE(queue.runUntil([] { return false; }, 50ms));
    EXPECT_GE(elapsedSince(start), 50ms);
    EXPECT_LT(elapsedSince(start), kPromptly);
}

TEST(MainQueueTest, RunUntilIdleRunsEverythingThatCanGoOnAndThenReturns) {
    MainQueue queue;
    BackgroundQueue background(2);
    auto start = Clock::now();
    EXPECT_TRUE(queue.runUntilIdle(kTestTimeout));  // nothing at all: idle at once
    EXPECT_LT(elapsedSince(start), kPromptly);

    std::atomic<int> posted{0};
    std::vector<std::string> log;  // only touched on the queue
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) queue.post([&] { ++posted; });
    });
    // A task that sleeps, one that starts another when it ends, one whose only wait is on work
    // of the background pool (nothing of this queue is pending meanwhile), and a bare timer.
    detach(queue.executor(), [&]() -> Async<> {
        co_await sleepFor(20ms);
        log.push_back("slept");
        detach(queue.executor(), [&]() -> Async<> {
            co_await sleepFor(1ms);
            log.push_back("follow-up");
        });
    });
    detach(queue.executor(), [&]() -> Async<> {
        const int v = co_await runOn(background.executor(), []() -> Async<int> {
            co_await sleepFor(30ms);
            co_return 7;
        });
        log.push_back("background " + std::to_string(v));
    });
    boost::asio::steady_timer timer(queue.context(), 25ms);
    timer.async_wait([&](const boost::system::error_code&) { log.push_back("timer"); });
    poster.join();

    start = Clock::now();
    EXPECT_TRUE(queue.runUntilIdle(kTestTimeout));
    EXPECT_LT(elapsedSince(start), kPromptly);
    EXPECT_EQ(posted.load(), 100);
    std::sort(log.begin(), log.end());
    EXPECT_EQ(log, (std::vector<std::string>{"background 7", "follow-up", "slept", "timer"}));
}

TEST(MainQueueTest, RunUntilIdleStopsAtItsLimitWhileSomethingCouldStillGoOn) {
    MainQueue queue;
    // A task waiting for what nobody has done yet is live; so is a pending timer.
    std::optional<Continuation<int>> pending;
    auto task = startTask(queue.executor(), [&]() -> Async<int> {
        co_return co_await withContinuation<int>([&](Continuation<int> c) { pending = c; });
    });
    auto start = Clock::now();
    EXPECT_FALSE(queue.runUntilIdle(50ms));
    EXPECT_GE(elapsedSince(start), 50ms);
    EXPECT_LT(elapsedSince(start), kPromptly);
    ASSERT_TRUE(pending.has_value());
    std::thread([c = *pending] { c.resume(5); }).join();
    pending.reset();
    EXPECT_TRUE(queue.runUntilIdle(kTestTimeout));
    EXPECT_EQ(task.result(), 5);

    boost::asio::steady_timer timer(queue.context(), kForever);
    bool fired = false;
    timer.async_wait([&](const boost::system::error_code& ec) { fired = !ec; });
    EXPECT_FALSE(queue.runUntilIdle(20ms));
    timer.cancel();
    EXPECT_TRUE(queue.runUntilIdle(kTestTimeout));
    EXPECT_FALSE(fired);

    // stop() ends it early; the queue runs again afterwards.
    auto sleeper = startTask(queue.executor(), [] { return sleepFor(kForever); });
    queue.post([&] { queue.stop(); });
    EXPECT_FALSE(queue.runUntilIdle(kTestTimeout));
    sleeper.cancel();
    EXPECT_TRUE(queue.runUntilIdle(kTestTimeout));
    EXPECT_TRUE(sleeper.isDone());
}

TEST(MainQueueTest, SharedQueueIsOneInstance) {
    EXPECT_EQ(&MainQueue::shared(), &MainQueue::shared());
    int ran = 0;
    MainQueue::shared().post([&] { ++ran; });
    MainQueue::shared().drain();
    EXPECT_EQ(ran, 1);
}
