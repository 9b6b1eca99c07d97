// What a misbehaving server (tests/peer/raw_peer.py) can cost the client: for each act, the
// growth of the client's resident memory at its peak (sampled every 2 ms while the operation
// runs), the wall time and the CPU time. The huge meta frames are also decoded in process, side
// by side with a plain parse of the same bytes, and the ratio is printed: describing a value
// must cost about what reading it costs.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "Core/ReceptionistClient.h"
#include "TarvoShareExtension/Remote/CmdStreamFrame.h"
#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "platform/concurrency/Concurrency.h"
#include "tests/peer/RawPeer.h"

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double residentMiB() {
    long pages = 0, resident = 0;
    std::ifstream in("/proc/self/statm");
    in >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// The highest resident size seen while it lives, above the size when it started.
class PeakSampler {
public:
    PeakSampler() : base_(residentMiB()), peak_(base_) {
        thread_ = std::thread([this] {
            while (!stop_) {
                const double now = residentMiB();
                if (now > peak_) peak_ = now;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    ~PeakSampler() { finish(); }
    double growthMiB() {
        finish();
        return peak_ - base_;
    }

private:
    void finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    double base_;
    std::atomic<double> peak_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

peer::RawPeer& rawPeer() {
    static peer::RawPeer* p = new peer::RawPeer();  // until exit, like the queue
    return *p;
}

platform::MainQueue& queue() {
    static platform::MainQueue* q = new platform::MainQueue();
    return *q;
}

tarvo::RemoteAPI apiFor(const std::string& act) {
    tarvo::RemoteAPI api(tarvo::RemoteConfig{*platform::URL::parse(rawPeer().urlFor(act)), "t"},
                         std::make_shared<tarvo::URLSessionHTTPTransport>(platform::URLSession::make()),
                         std::make_shared<tarvo::URLSessionStreamTransport>());
    api.cmdStreamLimits.commandSeconds = 3;
    return api;
}

// Runs one operation per iteration (its failure is the expected outcome) and reports the costs.
void measure(benchmark::State& state, const std::function<platform::Async<void>()>& operation) {
    double growth = 0, cpu = 0, wall = 0;
    std::string outcome;
    for (auto _ : state) {
        PeakSampler sampler;
        const double cpuStart = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        auto task = platform::startTask(queue().executor(), operation);
        if (!queue().runUntil([&] { return task.isDone(); }, std::chrono::seconds(60))) {
            state.SkipWithError("the operation did not end");
            return;
        }
        try {
            task.result();
            outcome = "(success)";
        } catch (const std::exception& e) {
            outcome = platform::describeError(e);
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpuSeconds() - cpuStart;
        growth = std::max(growth, sampler.growthMiB());
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["peak_rss_growth_MiB"] = growth;
    state.counters["wall_s"] = wall / n;
    state.counters["cpu_s"] = cpu / n;
    state.SetLabel(outcome.substr(0, 60) + " (" + std::to_string(outcome.size()) + " bytes)");
}

platform::Async<void> runTrue(tarvo::RemoteAPI api) { co_await api.runCommandAndWait("true", {}, ""); }

void BM_CommandPrintingWithoutEnd(benchmark::State& state) {
    auto api = apiFor("flood");  // 60,000-character stdout frames until the 3 s limit
    measure(state, [api] { return runTrue(api); });
}

void BM_CommandPrinting8MiBThenExit(benchmark::State& state) {
    auto api = apiFor("floodexit");
    measure(state, [api] { return runTrue(api); });
}

void BM_MetaFrameNested2MiB(benchmark::State& state) {
    auto api = apiFor("nested");
    measure(state, [api] { return runTrue(api); });
}

void BM_MetaFrameWide2MiB(benchmark::State& state) {
    auto api = apiFor("wide");
    measure(state, [api] { return runTrue(api); });
}

void BM_RESTErrorMessage5MiB(benchmark::State& state) {
    auto api = apiFor("bigerror");
    measure(state, [api]() -> platform::Async<void> { co_await api.list("/"); });
}

void BM_EmitErrorBody5MiB(benchmark::State& state) {
    static const std::string file = [] {
        std::string path = "/tmp/tarvo-hostile-bench-" + std::to_string(::getpid());
        std::ofstream(path) << "payload";
        return path;
    }();
    const auto base = *platform::URL::parse(rawPeer().urlFor("bigerror"));
    measure(state, [base]() -> platform::Async<void> {
        co_await tarvo::ReceptionistClient::emitFile(platform::URLSession::make(), base, std::nullopt,
                                                     platform::URL::fileURL(file), "f", "d", "k", "text/plain", "a",
                                                     std::nullopt, std::nullopt, nullptr);
    });
}

// ---- the meta frames in process: decoding (parse and describe) against parsing alone

std::string nestedFrame() {
    const std::string unit = std::string(500, '[') + std::string(500, ']');
    std::string data;
    const std::size_t count = (std::size_t(2) << 20) / (unit.size() + 1);
    for (std::size_t i = 0; i < count; ++i) data += (i ? "," : "") + unit;
    return R"({"stream":"meta","data":[)" + data + "]}";
}

std::string wideFrame() {
    std::string data;
    const std::size_t count = (std::size_t(2) << 20) / 3;
    for (std::size_t i = 0; i < count; ++i) data += i ? ",[]" : "[]";
    return R"({"stream":"meta","data":[)" + data + "]}";
}

double parseSeconds[2] = {0, 0};
double decodeSeconds[2] = {0, 0};

void inProcess(benchmark::State& state, bool decode) {
    const int which = static_cast<int>(state.range(0));
    const std::string frame = which == 0 ? nestedFrame() : wideFrame();
    const auto message = platform::URLSessionWebSocketMessage::string(frame);
    PeakSampler sampler;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (decode) {
            auto f = tarvo::decodeCmdFrame(message);
            benchmark::DoNotOptimize(f);
        } else {
            auto j = platform::parseJson(frame);
            benchmark::DoNotOptimize(j);
        }
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    (decode ? decodeSeconds : parseSeconds)[which] = total / static_cast<double>(state.iterations());
    state.counters["peak_rss_growth_MiB"] = sampler.growthMiB();
    state.SetLabel(which == 0 ? "nested 500 deep" : "empty arrays");
}

void BM_ParseMetaFrame(benchmark::State& state) { inProcess(state, false); }
void BM_DecodeMetaFrame(benchmark::State& state) { inProcess(state, true); }

}  // namespace

BENCHMARK(BM_CommandPrintingWithoutEnd)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CommandPrinting8MiBThenExit)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MetaFrameNested2MiB)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MetaFrameWide2MiB)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RESTErrorMessage5MiB)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EmitErrorBody5MiB)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
// Decoding first, so that its memory is not hidden by what the full parse already took.
BENCHMARK(BM_DecodeMetaFrame)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseMetaFrame)->Arg(0)->Arg(1)->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (int i = 0; i < 2; ++i) {
        if (parseSeconds[i] > 0 && decodeSeconds[i] > 0) {
            std::printf("%s meta frame: decoding takes %.2f times as long as parsing alone\n",
                        i == 0 ? "nested" : "wide", decodeSeconds[i] / parseSeconds[i]);
        }
    }
    return 0;
}
