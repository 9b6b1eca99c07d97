// The upload of a 256 MiB file, side by side in one run: throughput, the client's CPU time and
// peak resident memory (and the server's CPU time where it is the sink), for
// - the upload engine into the upload sink (tests/peer/cmdstream_sink.cpp), which takes and
//   checks the frames as fast as they come, so the client is what is measured;
// - the simplest possible client of the same protocol sending the same frames into the same
//   sink (pipe_client.py, aiohttp);
// - the receptionist emit of the same file over HTTP into the same sink;
// - the upload engine into the loopback server, which runs the real writer on the server.
// Each of the first three runs five times, one upload each, the runs of all three interleaved in
// a random order so that a noisy moment of the shared machine does not fall on one of them; after
// the runs the medians and their ratios are printed.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "platform/concurrency/Concurrency.h"
#include "Core/ReceptionistClient.h"
#include "TarvoShareExtension/Intake/Crc32.h"
#include "tests/peer/PeerServer.h"
#include "tests/peer/SinkServer.h"

extern char** environ;

namespace {

// 256 MiB; 1 MiB for the smoke run of every benchmark (TARVO_BENCH_SMOKE).
const std::size_t kFileBytes = std::getenv("TARVO_BENCH_SMOKE") ? std::size_t(1) << 20 : std::size_t(256) << 20;
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

// The CPU time a child process has used so far (user + system), from /proc.
double processCPUSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;  // state .. cmajflt
    double utime = 0, stime = 0;
    fields >> utime >> stime;
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::uint32_t crcOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buf(1 << 20);
    std::uint32_t crc = 0;
    while (in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        crc = tarvo::crc32Update(crc, buf.data(), static_cast<std::size_t>(in.gcount()));
    }
    return crc;
}

// The sink's record of the last upload or emit: fails the benchmark unless it holds the whole
// file, checked frame by frame and by its CRC-32.
bool sinkHoldsTheFile(benchmark::State& state, const peer::SinkServer& sink, std::uint32_t crc) {
    const auto uploads = sink.uploads();
    if (uploads.empty()) {
        state.SkipWithError("the sink received nothing");
        return false;
    }
    const auto& last = uploads.back();
    if (last["ok"] != true || last["bytes"] != kFileBytes || last["crc32"] != crc) {
        state.SkipWithError(("the sink did not receive the file: " + last.dump()).c_str());
        return false;
    }
    return true;
}

// One loopback server, one sink and one local file for every benchmark.
struct Setup {
    peer::PeerServer server;
    peer::SinkServer sink;
    std::string local;
    std::string script;
    std::uint32_t crc = 0;
    Setup() {
        local = server.root() + "/payload.bin";
        writeFile(local, kFileBytes);
        crc = crcOfFile(local);
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

// One entry per run.
std::vector<double> engineSinkMBps, engineSinkCPU, pipeSinkMBps, pipeSinkCPU, emitSinkMBps, emitSinkCPU;

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

// Never destroyed: a network thread may still be returning from a post when a task ends.
platform::MainQueue& benchQueue() {
    static platform::MainQueue& queue = *new platform::MainQueue();
    return queue;
}
const tarvo::RemoteTransfer& benchEngine() {
    static platform::BackgroundQueue& background = *new platform::BackgroundQueue(2);
    static const tarvo::RemoteTransfer& engine = *new tarvo::RemoteTransfer(background);
    return engine;
}

struct Measured {
    double wall = 0;
    double cpu = 0;
    double serverCPU = 0;
};

// The upload engine's upload of the local file to baseURL, timed; false after SkipWithError.
bool engineUpload(benchmark::State& state, const std::string& baseURL, const std::string& token,
                  const std::string& name, Measured& m, std::int64_t& reports, pid_t server) {
    auto& s = setup();
    tarvo::RemoteAPI api(tarvo::RemoteConfig{*platform::URL::parse(baseURL), token},
                         std::make_shared<tarvo::URLSessionHTTPTransport>(platform::URLSession::make()),
                         std::make_shared<tarvo::URLSessionStreamTransport>());
    const auto file = platform::URL::fileURL(s.local);
    const double cpuStart = cpuSeconds();
    const double serverStart = server > 0 ? processCPUSeconds(server) : 0;
    const auto start = std::chrono::steady_clock::now();
    auto onProgress = [&reports](const tarvo::TransferProgress&) { ++reports; };
    auto task = platform::startTask(benchQueue().executor(), [&]() {
        return benchEngine().uploadLocalFileStreaming(api, file, "bench", name, std::nullopt, onProgress);
    });
    if (!benchQueue().runUntil([&] { return task.isDone(); }, std::chrono::minutes(10))) {
        state.SkipWithError("the upload did not finish");
        return false;
    }
    try {
        task.result();
    } catch (const std::exception& e) {
        state.SkipWithError(platform::describeError(e).c_str());
        return false;
    }
    m.wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.cpu += cpuSeconds() - cpuStart;
    if (server > 0) m.serverCPU += processCPUSeconds(server) - serverStart;
    return true;
}

void report(benchmark::State& state, const Measured& m, std::vector<double>& mbpsRuns, std::vector<double>& cpuRuns) {
    const double n = static_cast<double>(state.iterations());
    const double mbps = kFileBytes / kMiB / (m.wall / n);
    const double cpu = m.cpu / n;
    mbpsRuns.push_back(mbps);
    cpuRuns.push_back(cpu);
    state.SetBytesProcessed(static_cast<std::int64_t>(kFileBytes) * state.iterations());
    state.counters["MiB_per_s"] = mbps;
    state.counters["client_cpu_s"] = cpu;
    if (m.serverCPU > 0) state.counters["server_cpu_s"] = m.serverCPU / n;
}

void BM_UploadEngineIntoSink(benchmark::State& state) {
    auto& s = setup();
    Measured m;
    std::int64_t reports = 0;
    const double rssBefore = peakResidentMiB();
    for (auto _ : state) {
        if (!engineUpload(state, s.sink.baseURL(), "sink-token", "engine.bin", m, reports, s.sink.pid())) return;
        if (!sinkHoldsTheFile(state, s.sink, s.crc)) return;
    }
    report(state, m, engineSinkMBps, engineSinkCPU);
    state.counters["client_peak_rss_MiB"] = peakResidentMiB();
    state.counters["rss_growth_MiB"] = peakResidentMiB() - rssBefore;
    state.counters["progress_reports"] = static_cast<double>(reports) / static_cast<double>(state.iterations());
}

// Runs the Python client on the local file, timed with its own resource usage.
bool pythonUpload(benchmark::State& state, const std::string& baseURL, const std::string& token,
                  const std::string& remote, Measured& m, double& rss, pid_t server) {
    auto& s = setup();
    const std::string client = std::string(TARVO_SOURCE_DIR) + "/bench/cmdstream/pipe_client.py";
    std::vector<std::string> argv = {TARVO_PYTHON, client, baseURL, token, s.script, s.local, remote};
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    const double serverStart = server > 0 ? processCPUSeconds(server) : 0;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
        state.SkipWithError("cannot start the Python client");
        return false;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    m.wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (server > 0) m.serverCPU += processCPUSeconds(server) - serverStart;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        state.SkipWithError("the Python client failed");
        return false;
    }
    m.cpu += seconds(usage.ru_utime) + seconds(usage.ru_stime);
    rss = std::max(rss, static_cast<double>(usage.ru_maxrss) / 1024.0);
    return true;
}

void BM_PythonPipeClientIntoSink(benchmark::State& state) {
    auto& s = setup();
    Measured m;
    double rss = 0;
    for (auto _ : state) {
        if (!pythonUpload(state, s.sink.baseURL(), "sink-token", "bench/pipe.bin", m, rss, s.sink.pid())) return;
        if (!sinkHoldsTheFile(state, s.sink, s.crc)) return;
    }
    report(state, m, pipeSinkMBps, pipeSinkCPU);
    state.counters["client_peak_rss_MiB"] = rss;
}

void BM_EmitIntoSink(benchmark::State& state) {
    auto& s = setup();
    Measured m;
    std::int64_t reports = 0;
    static const auto session = platform::URLSession::make();
    const auto base = *platform::URL::parse(s.sink.baseURL());
    const auto file = platform::URL::fileURL(s.local);
    for (auto _ : state) {
        const double cpuStart = cpuSeconds();
        const double serverStart = processCPUSeconds(s.sink.pid());
        const auto start = std::chrono::steady_clock::now();
        auto task = platform::startTask(benchQueue().executor(), [&]() {
            return tarvo::ReceptionistClient::emitFile(
                session, base, "rcpt-token", file, "payload.bin", "bench", "share.file", "application/octet-stream",
                "bench", std::nullopt, std::nullopt, [&reports](const tarvo::TransferProgress&) { ++reports; });
        });
        if (!benchQueue().runUntil([&] { return task.isDone(); }, std::chrono::minutes(5))) {
            state.SkipWithError("the emit did not finish");
            return;
        }
        try {
            task.result();
        } catch (const std::exception& e) {
            state.SkipWithError(platform::describeError(e).c_str());
            return;
        }
        m.wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        m.cpu += cpuSeconds() - cpuStart;
        m.serverCPU += processCPUSeconds(s.sink.pid()) - serverStart;
        if (!sinkHoldsTheFile(state, s.sink, s.crc)) return;
    }
    report(state, m, emitSinkMBps, emitSinkCPU);
    state.counters["progress_reports"] = static_cast<double>(reports) / static_cast<double>(state.iterations());
}

// The real writer on the loopback server: the server, not the client, sets the pace here.
void BM_UploadEngineIntoLoopbackServer(benchmark::State& state) {
    auto& s = setup();
    Measured m;
    std::int64_t reports = 0;
    for (auto _ : state) {
        if (!engineUpload(state, s.server.baseURL(), s.server.options().token, "engine.bin", m, reports, -1)) return;
        s.removeUpload("bench/engine.bin");
    }
    std::vector<double> mbps, cpu;
    report(state, m, mbps, cpu);
}

constexpr int kRuns = 5;
BENCHMARK(BM_UploadEngineIntoSink)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns)->UseRealTime();
BENCHMARK(BM_PythonPipeClientIntoSink)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns)->UseRealTime();
BENCHMARK(BM_EmitIntoSink)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns)->UseRealTime();
BENCHMARK(BM_UploadEngineIntoLoopbackServer)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());  // a later flag on the command line overrides it
    argc = static_cast<int>(args.size());
    args.push_back(nullptr);
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double engineMBps = median(engineSinkMBps), engineCPU = median(engineSinkCPU);
    const double pipeMBps = median(pipeSinkMBps), pipeCPU = median(pipeSinkCPU);
    const double emitMBps = median(emitSinkMBps), emitCPU = median(emitSinkCPU);
    if (engineMBps > 0 && pipeMBps > 0 && emitMBps > 0) {
        std::printf("medians of %zu, %zu and %zu runs\n", engineSinkCPU.size(), pipeSinkCPU.size(), emitSinkCPU.size());
        std::printf("into the sink, client CPU per 256 MiB: engine %.3f s, simplest client %.3f s, emit %.3f s\n",
                    engineCPU, pipeCPU, emitCPU);
        std::printf("engine / simplest client: throughput %.2fx (%.1f vs %.1f MiB/s), CPU %.2fx\n",
                    engineMBps / pipeMBps, engineMBps, pipeMBps, engineCPU / pipeCPU);
        std::printf("engine / emit: throughput %.2fx (%.1f vs %.1f MiB/s), CPU %.2fx\n", engineMBps / emitMBps,
                    engineMBps, emitMBps, engineCPU / emitCPU);
    }
    return 0;
}
