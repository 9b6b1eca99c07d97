// The upload of a 256 MiB file over the command stream to the loopback server: throughput, the
// client's CPU time and peak resident memory, for the upload engine and for the simplest
// possible client sending the same frames through the same server (pipe_client.py). After the
// runs the ratio of the two throughputs is printed.
#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "platform/concurrency/Concurrency.h"
#include "tests/peer/PeerServer.h"

extern char** environ;

namespace {

constexpr std::size_t kFileBytes = std::size_t(256) << 20;
constexpr double kMiB = 1024.0 * 1024.0;

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // KiB
}

void writeFile(const std::string& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    std::uint32_t x = 2024;
    for (std::size_t left = size; left > 0;) {
        for (auto& c : chunk) {
            x = x * 1664525u + 1013904223u;
            c = static_cast<char>(x >> 24);
        }
        const std::size_t n = std::min(left, chunk.size());
        out.write(chunk.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
}

// One server and one local file for both benchmarks.
struct Setup {
    peer::PeerServer server;
    std::string local;
    std::string script;
    Setup() {
        local = server.root() + "/payload.bin";
        writeFile(local, kFileBytes);
        script = server.root() + "/writer.py";
        std::ofstream(script) << tarvo::RemoteTransfer::writerScript();
    }
    void removeUpload(const std::string& name) {
        std::error_code ec;
        std::filesystem::remove(server.filesRoot() + "/" + name, ec);
    }
};

Setup& setup() {
    static Setup* s = new Setup();  // kept until exit, like the queue below
    return *s;
}

double engineMBps = 0;
double pipeMBps = 0;

void BM_UploadEngine256MiB(benchmark::State& state) {
    auto& s = setup();
    tarvo::RemoteAPI api(tarvo::RemoteConfig{*platform::URL::parse(s.server.baseURL()), s.server.options().token},
                         std::make_shared<tarvo::URLSessionHTTPTransport>(platform::URLSession::make()),
                         std::make_shared<tarvo::URLSessionStreamTransport>());
    const auto file = platform::URL::fileURL(s.local);
    // Never destroyed: a network thread may still be returning from a post when a task ends.
    static platform::MainQueue& queue = *new platform::MainQueue();
    static platform::BackgroundQueue& background = *new platform::BackgroundQueue(2);
    static const tarvo::RemoteTransfer& engine = *new tarvo::RemoteTransfer(background);
    double cpu = 0;
    double wall = 0;
    std::int64_t reports = 0;
    for (auto _ : state) {
        const double cpuStart = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        auto onProgress = [&reports](const tarvo::TransferProgress&) { ++reports; };
        auto task = platform::startTask(queue.executor(), [&]() {
            return engine.uploadLocalFileStreaming(api, file, "bench", "engine.bin", std::nullopt, onProgress);
        });
        if (!queue.runUntil([&] { return task.isDone(); }, std::chrono::minutes(10))) {
            state.SkipWithError("the upload did not finish");
            return;
        }
        try {
            task.result();
        } catch (const std::exception& e) {
            state.SkipWithError(platform::describeError(e).c_str());
            return;
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpuSeconds() - cpuStart;
        s.removeUpload("bench/engine.bin");
    }
    const double n = static_cast<double>(state.iterations());
    engineMBps = kFileBytes / kMiB / (wall / n);
    state.SetBytesProcessed(static_cast<std::int64_t>(kFileBytes) * state.iterations());
    state.counters["MiB_per_s"] = engineMBps;
    state.counters["client_cpu_s"] = cpu / n;
    state.counters["client_peak_rss_MiB"] = peakResidentMiB();
    state.counters["progress_reports"] = static_cast<double>(reports) / n;
}

void BM_PythonPipeClient256MiB(benchmark::State& state) {
    auto& s = setup();
    const std::string client = std::string(TARVO_SOURCE_DIR) + "/bench/cmdstream/pipe_client.py";
    double cpu = 0;
    double wall = 0;
    double rss = 0;
    for (auto _ : state) {
        std::vector<std::string> argv = {TARVO_PYTHON, client, s.server.baseURL(), s.server.options().token, s.script,
                                         s.local, "bench/pipe.bin"};
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        const auto start = std::chrono::steady_clock::now();
        pid_t pid;
        if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
            state.SkipWithError("cannot start the Python client");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the Python client failed");
            return;
        }
        cpu += seconds(usage.ru_utime) + seconds(usage.ru_stime);
        rss = std::max(rss, static_cast<double>(usage.ru_maxrss) / 1024.0);
        if (std::filesystem::file_size(s.server.filesRoot() + "/bench/pipe.bin") != kFileBytes) {
            state.SkipWithError("the server wrote a different number of bytes");
            return;
        }
        s.removeUpload("bench/pipe.bin");
    }
    const double n = static_cast<double>(state.iterations());
    pipeMBps = kFileBytes / kMiB / (wall / n);
    state.SetBytesProcessed(static_cast<std::int64_t>(kFileBytes) * state.iterations());
    state.counters["MiB_per_s"] = pipeMBps;
    state.counters["client_cpu_s"] = cpu / n;
    state.counters["client_peak_rss_MiB"] = rss;
}

BENCHMARK(BM_UploadEngine256MiB)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_PythonPipeClient256MiB)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (engineMBps > 0 && pipeMBps > 0) {
        std::printf("upload engine / simplest client throughput: %.2f (%.1f vs %.1f MiB/s)\n", engineMBps / pipeMBps,
                    engineMBps, pipeMBps);
    }
    return 0;
}
