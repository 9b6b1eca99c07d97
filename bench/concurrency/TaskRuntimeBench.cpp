// Costs of the task runtime: starting and finishing a task on the main queue, how long a
// cancelled sleep takes to end, a race against a timer, and a group of parallel children.
#include "platform/concurrency/Concurrency.h"

#include <benchmark/benchmark.h>

#include <chrono>

using namespace platform;
using namespace std::chrono_literals;

namespace {

void BM_StartAndFinishTaskOnMainQueue(benchmark::State& st) {
    MainQueue queue;
    for (auto _ : st) {
        auto task = startTask(queue.executor(), []() -> Async<int> { co_return 1; });
        queue.runUntil([&] { return task.isDone(); }, 10s);
        benchmark::DoNotOptimize(task.result());
    }
}
BENCHMARK(BM_StartAndFinishTaskOnMainQueue);

void BM_AwaitTaskOnTheBackgroundPool(benchmark::State& st) {
    MainQueue queue;
    BackgroundQueue background(2);
    for (auto _ : st) {
        auto task = startTask(queue.executor(), [&]() -> Async<int> {
            co_return co_await runOn(background.executor(), []() -> Async<int> { co_return 2; });
        });
        queue.runUntil([&] { return task.isDone(); }, 10s);
        benchmark::DoNotOptimize(task.result());
    }
}
BENCHMARK(BM_AwaitTaskOnTheBackgroundPool)->UseRealTime();

// Time from cancel() to the end of a task parked in a long sleep.
void BM_CancelPendingSleep(benchmark::State& st) {
    MainQueue queue;
    for (auto _ : st) {
        st.PauseTiming();
        auto task = startTask(queue.executor(), []() -> Async<> { co_await sleepFor(1h); });
        queue.drain();
        st.ResumeTiming();
        task.cancel();
        queue.runUntil([&] { return task.isDone(); }, 10s);
    }
}
BENCHMARK(BM_CancelPendingSleep)->UseRealTime();

// An operation that wins against a time-out: the price of a soft-timeout receive.
void BM_WithTimeoutFastOperation(benchmark::State& st) {
    MainQueue queue;
    auto op = []() -> Async<int> { co_return 3; };
    for (auto _ : st) {
        auto task = startTask(queue.executor(), [&]() -> Async<bool> {
            auto r = co_await withTimeout(2s, op());
            co_return r.has_value();
        });
        queue.runUntil([&] { return task.isDone(); }, 10s);
        benchmark::DoNotOptimize(task.result());
    }
}
BENCHMARK(BM_WithTimeoutFastOperation);

void BM_TaskGroupOnPool(benchmark::State& st) {
    MainQueue queue;
    BackgroundQueue background(4);
    const int children = static_cast<int>(st.range(0));
    for (auto _ : st) {
        auto task = startTask(queue.executor(), [&]() -> Async<int> {
            co_return co_await withTaskGroup<int>(background.executor(), [&](TaskGroup<int>& group) -> Async<int> {
                for (int i = 0; i < children; ++i) group.addTask([i]() -> Async<int> { co_return i; });
                int sum = 0;
                while (auto v = co_await group.next()) sum += *v;
                co_return sum;
            });
        });
        queue.runUntil([&] { return task.isDone(); }, 10s);
        benchmark::DoNotOptimize(task.result());
    }
    st.SetItemsProcessed(st.iterations() * children);
}
BENCHMARK(BM_TaskGroupOnPool)->Arg(8)->Arg(128)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
