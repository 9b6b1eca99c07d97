// One derived refresh of the share screen in multi mode with 200 configured servers, all
// selected and each with a recommendation reply and a resolved draft, and an insight with 500
// shell candidates: the pass that runs after every change (texts, send state, mood over every
// target server, the artifact card's rail), then the server stack rebuilt with its 200 rows,
// which the selection changes run next (once as after an edit, where rows whose draft did not
// change are kept, once from scratch). A frame lasts 16 ms.
#include <benchmark/benchmark.h>

#include <functional>
#include <string>

#include "TarvoShareExtension/ShareViewController/Rules/RecipeStaleness.h"
#include "tests/share/ShareTestEnvironment.h"
#include "tests/share/ShareTestSupport.h"

namespace {

using platform::Json;
using tarvo::share::Draft;

constexpr int kServers = 200;
constexpr int kCandidates = 500;

struct Bench {
    Bench() {
        Json servers = Json::array();
        for (int i = 0; i < kServers; ++i) servers.push_back(env.server("server-" + std::to_string(i), "Server " + std::to_string(i)));
        env.setServers(servers);
        env.appGroupDefaults().set("share.serverMode", platform::PropertyList(std::string("multi")));
        auto& c = *env.start({share_test::ShareTestEnvironment::fileItem("public.zip-archive", "site.zip")});

        c.artifactInsight.state = tarvo::share::ArtifactInsightState::ready();
        c.artifactInsight.filename = "site.zip";
        c.artifactInsight.rootFolder = "site";
        c.artifactInsight.entryCount = 4000;
        for (int i = 0; i < kCandidates; ++i) {
            const std::string name = "scripts/step-" + std::to_string(i) + ".sh";
            c.artifactInsight.shellCandidates.push_back(share_test::candidate("site/" + name, name));
        }
        c.artifactInsight.baseShellCandidates = c.artifactInsight.shellCandidates;
        tarvo::ArtifactRecommendationResponse reply;
        reply.decision = tarvo::ArtifactSelectionKind::suggest;
        for (int i = 0; i < 50; ++i) {
            tarvo::ArtifactCandidateRecommendation r;
            r.scriptPath = "site/scripts/step-" + std::to_string(i * 7) + ".sh";
            r.successfulRunCount = i;
            reply.recommendations.push_back(r);
        }
        for (const auto& s : c.servers) {
            c.selectedServerIDs.insert(s.id);
            c.serverRecommendationsByServer[s.id] = reply;
            // Each server runs one of the scripts, as a selection writes it (its command too).
            const auto& script = c.artifactInsight.shellCandidates[std::hash<std::string>{}(s.id) % 350];
            c.resolvedDraftsByServer[s.id] = tarvo::share::draftBySelecting({script}, c.draft, s.id);
        }
        c.draft = c.resolvedDraftsByServer.begin()->second;
        c.applyDraftFieldsWithoutRefreshing(c.draft);
    }
    share_test::ShareTestEnvironment env;
};

void BM_DerivedRefresh200Servers500Candidates(benchmark::State& state) {
    Bench b;
    auto& c = b.env.controller();
    for (auto _ : state) c.refreshDerivedUI();
    state.counters["servers"] = static_cast<double>(c.servers.size());
    state.counters["candidates"] = static_cast<double>(c.artifactInsight.shellCandidates.size());
}
BENCHMARK(BM_DerivedRefresh200Servers500Candidates)->Unit(benchmark::kMillisecond);

void BM_ServerStackRebuild200Servers(benchmark::State& state) {
    Bench b;
    auto& c = b.env.controller();
    for (auto _ : state) c.rebuildMultiServerStack();
    state.counters["rows"] = static_cast<double>(c.multiServerStack->arrangedSubviews().size());
}
BENCHMARK(BM_ServerStackRebuild200Servers)->Unit(benchmark::kMillisecond);

// The same rebuild with nothing kept from the last one, as after new candidates: every row's
// scripts, texts and views worked out anew.
void BM_ServerStackRebuild200ServersFromScratch(benchmark::State& state) {
    Bench b;
    auto& c = b.env.controller();
    for (auto _ : state) {
        c.keptServerRows.clear();
        c.candidateIndexCache.reset();
        c.rebuildMultiServerStack();
    }
    state.counters["rows"] = static_cast<double>(c.multiServerStack->arrangedSubviews().size());
}
BENCHMARK(BM_ServerStackRebuild200ServersFromScratch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
