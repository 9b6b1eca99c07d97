// The receptionist emit of a 256 MiB file to the loopback server: throughput, the client's CPU
// time, and the client's peak resident memory, which stays far below the file's size because
// the body is streamed from disk piece by piece.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <vector>

#include "Core/ReceptionistClient.h"
#include "platform/concurrency/Concurrency.h"
#include "tests/peer/PeerServer.h"

namespace {

// 256 MiB; 1 MiB for the smoke run of every benchmark (TARVO_BENCH_SMOKE).
const std::size_t kFileBytes = std::getenv("TARVO_BENCH_SMOKE") ? std::size_t(1) << 20 : std::size_t(256) << 20;

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

void writeFile(const std::string& path, std::size_t size) {
    std::ofstream out(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    std::uint32_t x = 12345;
    for (auto& c : chunk) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    for (std::size_t left = size; left > 0;) {
        const std::size_t n = std::min(left, chunk.size());
        out.write(chunk.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
}

void BM_EmitUpload256MiB(benchmark::State& state) {
    peer::PeerServer::Options options;
    options.discardBodies = true;  // the server hashes what it receives and keeps nothing
    peer::PeerServer server(options);
    const std::string path = server.root() + "/payload.bin";
    writeFile(path, kFileBytes);
    const auto base = *platform::URL::parse(server.baseURL());
    const auto file = platform::URL::fileURL(path);
    const std::string token = options.receptionistToken;

    const double rssBefore = peakResidentMiB();
    double cpu = 0;
    std::int64_t reports = 0;
    for (auto _ : state) {
        const double cpuStart = cpuSeconds();
        // Never destroyed: a network thread may still be returning from its post when the
        // task has ended.
        static platform::MainQueue& queue = *new platform::MainQueue();
        static const auto session = platform::URLSession::make();
        auto task = platform::startTask(queue.executor(), [&]() {
            return tarvo::ReceptionistClient::emitFile(
                session, base, token, file, "payload.bin", "bench", "share.file", "application/octet-stream", "bench",
                std::nullopt, std::nullopt, [&reports](const tarvo::TransferProgress&) { ++reports; });
        });
        if (!queue.runUntil([&] { return task.isDone(); }, std::chrono::minutes(5))) {
            state.SkipWithError("the emit did not finish");
            return;
        }
        auto reply = task.result();
        if (reply.bytes != static_cast<std::int64_t>(kFileBytes)) {
            state.SkipWithError("the server received a different number of bytes");
            return;
        }
        cpu += cpuSeconds() - cpuStart;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFileBytes));
    state.counters["client_cpu_s"] = benchmark::Counter(cpu / static_cast<double>(state.iterations()));
    state.counters["peak_rss_MiB"] = peakResidentMiB();
    state.counters["rss_before_MiB"] = rssBefore;
    state.counters["progress_reports"] = benchmark::Counter(static_cast<double>(reports) / static_cast<double>(state.iterations()));
}

BENCHMARK(BM_EmitUpload256MiB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
