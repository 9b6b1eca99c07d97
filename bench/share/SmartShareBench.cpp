// The project insight's heavy work, and what the screen feels of it:
// - the scan of an archive of 60,000 entries to a ready insight with ranked candidates: the
//   inspection alone, and through the controller from the start of the scan to the ready
//   insight, with the longest time the main queue was kept busy meanwhile (a 1 ms ticker on the
//   main queue measures the gaps between its turns);
// - the smart-share plan over 100 remembered presets on each of 20 servers: resolving every
//   server's plan, and the controller's plan refresh with the same stall measured.
// The goal is that the screen never waits on either: a stall stays under a frame (16 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/ShareViewController/Smart/ArtifactInsightScan.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "platform/concurrency/Concurrency.h"
#include "tests/share/ShareTestEnvironment.h"

namespace {

using namespace platform;
using Clock = std::chrono::steady_clock;

// The smoke run of every benchmark (TARVO_BENCH_SMOKE) takes a small archive and a few presets.
const bool kSmoke = std::getenv("TARVO_BENCH_SMOKE") != nullptr;
const int kEntries = kSmoke ? 600 : 60000;
const int kServers = kSmoke ? 3 : 20;
const int kPresetsPerServer = kSmoke ? 5 : 100;

// The 60,000-entry project archive, made once (kept under the temporary folder): 40 scripts and
// a package.json among folders of small files.
const std::string& bigArchive() {
    static const std::string path = [] {
        const std::filesystem::path root =
            std::filesystem::temp_directory_path() / ("tarvo-smart-bench-" + std::to_string(kEntries));
        const std::filesystem::path archive = root / "project.zip";
        if (std::filesystem::exists(archive)) return archive.string();
        const std::filesystem::path folder = root / "project";
        for (int i = 0; i < kEntries - 41; ++i) {
            const auto dir = folder / ("module" + std::to_string(i / 500)) / ("part" + std::to_string(i % 10));
            if (i % 500 < 10) std::filesystem::create_directories(dir);
            std::ofstream(dir / ("file" + std::to_string(i) + ".txt")) << i;
        }
        // Listed first (the listing stops at 4,000 entries): the scripts and the marker.
        std::filesystem::create_directories(folder / "bin");
        for (int i = 0; i < 40; ++i) std::ofstream(folder / "bin" / ("task" + std::to_string(i) + ".sh")) << "echo " << i;
        std::ofstream(folder / "package.json") << "{}";
        const tarvo::TempItem item =
            tarvo::archiveDirectoryToTemp(URL::fileURL(folder.string()), "project.zip", root.string());
        std::filesystem::rename(item.url.path(), archive);
        std::filesystem::remove_all(folder);
        return archive.string();
    }();
    return path;
}

tarvo::TempItem archiveItem() {
    return tarvo::TempItem{URL::fileURL(bigArchive()), "project.zip", "application/zip"};
}

// Runs the main queue until done() while a ticker on it records the longest gap between turns.
double runMeasuringStall(share_test::ShareTestEnvironment& env, const std::function<bool()>& done) {
    auto longest = std::make_shared<double>(0);
    auto stop = std::make_shared<bool>(false);
    auto ticker = startTask(env.mainQueue().executor(), [longest, stop]() -> Async<void> {
        auto last = Clock::now();
        while (!*stop) {
            co_await sleepFor(std::chrono::milliseconds(1));
            const auto now = Clock::now();
            *longest = std::max(*longest, std::chrono::duration<double, std::milli>(now - last).count() - 1.0);
            last = now;
        }
    });
    env.mainQueue().runUntil(done, std::chrono::seconds(60));
    *stop = true;
    env.mainQueue().runUntil([&] { return ticker.isDone(); }, std::chrono::seconds(5));
    return *longest;
}

void BM_InspectArchive60k(benchmark::State& state) {
    const tarvo::TempItem item = archiveItem();
    tarvo::share::ArtifactInsight insight;
    for (auto _ : state) {
        insight = tarvo::share::inspectArtifact(item);
        benchmark::DoNotOptimize(insight);
    }
    state.counters["listed"] = static_cast<double>(insight.entryCount);
    state.counters["candidates"] = static_cast<double>(insight.baseShellCandidates.size());
}
BENCHMARK(BM_InspectArchive60k)->Unit(benchmark::kMillisecond);

void BM_ScanThroughTheController(benchmark::State& state) {
    share_test::ShareTestEnvironment env;
    env.setServers(Json::array({env.server("a", "A")}));
    auto& c = *env.start({});
    double stall = 0;
    for (auto _ : state) {
        c.providers = {NSItemProvider::contentsOf(bigArchive())};
        c.scheduleArtifactPreviewScanIfNeeded();
        stall = std::max(stall, runMeasuringStall(env, [&] {
                             return c.artifactInsight.state.is(tarvo::share::ArtifactInsightState::Case::ready);
                         }));
    }
    state.counters["main_stall_ms"] = stall;
    state.counters["candidates"] = static_cast<double>(c.artifactInsight.baseShellCandidates.size());
}
BENCHMARK(BM_ScanThroughTheController)->Unit(benchmark::kMillisecond)->UseRealTime();

// 100 presets on each of 20 servers: one per server of this project (made automatic), the rest
// of other projects of the same kind.
std::unique_ptr<tarvo::SmartSharePresetMemoryStore> memoryFor(const tarvo::ArtifactProjectSignature& project) {
    std::vector<tarvo::SmartSharePreset> presets;
    for (int s = 0; s < kServers; ++s) {
        for (int p = 0; p < kPresetsPerServer; ++p) {
            tarvo::SmartSharePreset preset;
            preset.id = "p" + std::to_string(s) + "-" + std::to_string(p);
            preset.serverID = "server-" + std::to_string(s);
            tarvo::ArtifactProjectSignature other = project;
            if (p != 0) {
                other.exactDigest = tarvo::artifactSHA256Hex(preset.id);
                other.normalizedPaths.resize(std::min<std::size_t>(other.normalizedPaths.size(), 300 + p));
            }
            preset.signature = other;
            preset.postUploadActionRaw = "unzipThenRun";
            preset.workingDirectoryRaw = "custom";
            preset.customWorkingDirectory = "{extract}/bin";
            preset.deployCommand = "bash './task1.sh'";
            preset.selectedScriptPaths = {"bin/task1.sh"};
            preset.isExplicitAutomatic = p == 0;
            preset.destinationFolder = "sites/app";
            presets.push_back(std::move(preset));
        }
    }
    return std::make_unique<tarvo::SmartSharePresetMemoryStore>(std::move(presets),
                                                                std::vector<tarvo::SmartShareAutomaticConfiguration>{});
}

void BM_ResolvePlans100x20(benchmark::State& state) {
    const auto insight = tarvo::share::inspectArtifact(archiveItem());
    const auto memory = memoryFor(*insight.projectSignature);
    int withPreset = 0;
    for (auto _ : state) {
        withPreset = 0;
        for (int s = 0; s < kServers; ++s) {
            const auto plan = memory->resolve("server-" + std::to_string(s), insight.projectSignature, "uploads");
            withPreset += plan.preset ? 1 : 0;
        }
    }
    state.counters["servers_with_plan"] = withPreset;
}
BENCHMARK(BM_ResolvePlans100x20)->Unit(benchmark::kMillisecond);

void BM_PlanRefreshThroughTheController(benchmark::State& state) {
    share_test::ShareTestEnvironment env;
    Json servers = Json::array();
    for (int s = 0; s < kServers; ++s) servers.push_back(env.server("server-" + std::to_string(s), "S" + std::to_string(s)));
    env.setServers(servers);
    const auto insight = tarvo::share::inspectArtifact(archiveItem());
    memoryFor(*insight.projectSignature)->save(env.appGroupDefaults());
    double stall = 0, call = 0;
    std::size_t plans = 0;
    for (auto _ : state) {
        state.PauseTiming();
        env.releaseController();
        // A controller whose scan has just published the project (the scan itself is measured
        // above), with the memory loaded at its creation.
        auto& c = *env.start({});
        c.artifactInsight = insight;
        state.ResumeTiming();
        const auto begin = Clock::now();
        c.refreshSmartSharePlan(true);
        call = std::max(call, std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
        stall = std::max(stall, runMeasuringStall(env, [&] { return c.smartSharePlan.has_value(); }));
        plans = c.smartSharePlansByServer.size();
    }
    state.counters["refresh_call_ms"] = call;
    state.counters["main_stall_ms"] = stall;
    state.counters["servers_planned"] = static_cast<double>(plans);
}
BENCHMARK(BM_PlanRefreshThroughTheController)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
