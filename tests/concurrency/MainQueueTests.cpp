#include "ConcurrencyTestSupport.h"

#include <mutex>
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

TEST(MainQueueTest, SharedQueueIsOneInstance) {
    EXPECT_EQ(&MainQueue::shared(), &MainQueue::shared());
    int ran = 0;
    MainQueue::shared().post([&] { ++ran; });
    MainQueue::shared().drain();
    EXPECT_EQ(ran, 1);
}
