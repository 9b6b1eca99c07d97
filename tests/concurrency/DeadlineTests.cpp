#include "ConcurrencyTestSupport.h"

#include <limits>

using namespace platform;
using namespace tarvo_test;

TEST(DeadlineTest, SaturatesInsteadOfOverflowing) {
    EXPECT_TRUE(Deadline::after(std::chrono::hours::max()).when() == Deadline::Clock::time_point::max());
    EXPECT_TRUE(Deadline::after(std::chrono::hours::max()).isNever());
    EXPECT_FALSE(Deadline::never().hasExpired());
    EXPECT_EQ(Deadline::never().remaining(), std::chrono::nanoseconds::max());
    EXPECT_EQ(Deadline::saturatedNanoseconds(std::chrono::duration<double>(1e300)),
              std::chrono::nanoseconds::max());
    EXPECT_EQ(Deadline::saturatedNanoseconds(std::chrono::duration<double>(-1e300)),
              std::chrono::nanoseconds::min());
    EXPECT_EQ(Deadline::saturatedNanoseconds(
                  std::chrono::duration<double>(std::numeric_limits<double>::quiet_NaN())),
              std::chrono::nanoseconds::zero());
    EXPECT_EQ(Deadline::saturatedNanoseconds(std::chrono::duration<double>(0.25)), 250ms);
    const auto past = Deadline::after(-5s);
    EXPECT_TRUE(past.hasExpired());
    EXPECT_EQ(past.remaining(), std::chrono::nanoseconds::zero());
    const auto soon = Deadline::after(10s);
    EXPECT_FALSE(soon.hasExpired());
    EXPECT_GT(soon.remaining(), 9s);
    EXPECT_LT(past, soon);
}

TEST(DeadlineTest, SleepsWaitOnTheSteadyClock) {
    MainQueue queue;
    auto task = startTask(queue.executor(), []() -> Async<std::vector<long>> {
        std::vector<long> ms;
        for (auto sleep : std::vector<std::function<Async<>()>>{
                 [] { return sleepFor(30ms); },
                 [] { return sleepFor(std::chrono::duration<double>(0.03)); },
                 [] { return sleepUntil(Deadline::after(30ms)); },
                 [] { return sleepFor(-1s); },
                 [] { return sleepUntil(Deadline::after(-1s)); },
             }) {
            const auto start = Clock::now();
            co_await sleep();
            ms.push_back(elapsedSince(start).count());
        }
        co_return ms;
    });
    const auto ms = runTask(queue, task);
    ASSERT_EQ(ms.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_GE(ms[i], 29);
        EXPECT_LT(ms[i], 30 + kPromptly.count());
    }
    EXPECT_LT(ms[3], 100);
    EXPECT_LT(ms[4], 100);
}

TEST(DeadlineTest, SleepUntilNeverIsCancellable) {
    MainQueue queue;
    bool sleeping = false;
    auto task = startTask(queue.executor(), [&]() -> Async<> {
        sleeping = true;
        co_await sleepUntil(Deadline::never());
    });
    ASSERT_TRUE(queue.runUntil([&] { return sleeping; }, kTestTimeout));
    EXPECT_FALSE(task.isDone());
    task.cancel();
    EXPECT_THROW(runTask(queue, task), CancellationError);
}
