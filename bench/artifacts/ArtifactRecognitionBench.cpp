// Listings of thousands of entries must be fingerprinted and ranked in roughly linear time.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"

namespace {

using tarvo::ArtifactArchiveEntry;

// A project tree: nested source folders, one shell script in twenty entries, some noise.
std::vector<ArtifactArchiveEntry> listing(std::size_t count) {
    std::vector<ArtifactArchiveEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::string path = "Project-1.0/src/module" + std::to_string(i % 37) + "/sub" + std::to_string(i % 11) + "/";
        if (i % 20 == 0) {
            path += "scripts/deploy_" + std::to_string(i) + ".sh";
        } else if (i % 97 == 0) {
            path += "node_modules/dep/index.js";
        } else {
            path += "File" + std::to_string(i) + ".swift";
        }
        entries.push_back({path, static_cast<std::uint32_t>(i * 2654435761u), i * 17});
    }
    entries.push_back({"Project-1.0/Package.swift", 1, 1});
    return entries;
}

void BM_SignatureMake(benchmark::State& state) {
    auto entries = listing(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(tarvo::ArtifactProjectSignature::make(entries));
    }
    state.SetComplexityN(state.range(0));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SignatureMake)->RangeMultiplier(4)->Range(256, 16384)->Complexity(benchmark::oNLogN);

void BM_Candidates(benchmark::State& state) {
    auto entries = listing(static_cast<std::size_t>(state.range(0)));
    auto signature = tarvo::ArtifactProjectSignature::make(entries);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            tarvo::ArtifactCandidateRanker::candidates(entries, signature.markers, signature.scriptFingerprints));
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Candidates)->RangeMultiplier(4)->Range(256, 16384)->Complexity(benchmark::oNLogN);

void BM_Merge(benchmark::State& state) {
    auto entries = listing(static_cast<std::size_t>(state.range(0)));
    auto candidates = tarvo::ArtifactCandidateRanker::candidates(entries, {}, {});
    tarvo::ArtifactRecommendationResponse response;
    for (const auto& c : candidates) {
        response.recommendations.push_back({c.relativePath, c.relativePath, 5.5, {"seen"}, 2, 1, std::nullopt});
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(tarvo::ArtifactCandidateRanker::merge(candidates, response));
    }
    state.SetComplexityN(static_cast<std::int64_t>(candidates.size()));
}
BENCHMARK(BM_Merge)->RangeMultiplier(4)->Range(256, 16384)->Complexity(benchmark::oNLogN);

void BM_ResolvePlan(benchmark::State& state) {
    std::vector<tarvo::SmartSharePreset> presets;
    for (int i = 0; i < state.range(0); ++i) {
        tarvo::SmartSharePreset p;
        p.id = std::to_string(i);
        p.serverID = "srv";
        p.signature = tarvo::ArtifactProjectSignature::make(listing(200 + static_cast<std::size_t>(i)));
        presets.push_back(std::move(p));
    }
    tarvo::SmartSharePresetMemoryStore store(std::move(presets), {});
    auto shared = tarvo::ArtifactProjectSignature::make(listing(220));
    for (auto _ : state) {
        benchmark::DoNotOptimize(store.resolve("srv", shared, "uploads"));
    }
}
BENCHMARK(BM_ResolvePlan)->Arg(10)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
