// The share screen's two hot paths with 200 configured servers, each of which has a stored
// draft: one keystroke in a bound field, the upload's destination folder (snapshot, the whole draft store encoded and written to
// the app group's defaults file, the refreshes that follow) and a full build of the screen
// (render: every section rebuilt, the draft applied, the server menu of 200 servers). A frame
// lasts 16 ms; both should stay well under it. The store's save alone is measured beside them,
// since it is the one part that touches the disk.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "tests/share/ShareTestEnvironment.h"

namespace {

using platform::Json;
using tarvo::share::Draft;
using tarvo::share::ServerDraftStore;

constexpr int kServers = 200;

// A share of one zip archive on a group with kServers servers and a full draft for each.
struct Bench {
    Bench() {
        Json servers = Json::array();
        ServerDraftStore store;
        for (int i = 0; i < kServers; ++i) {
            const std::string id = "server-" + std::to_string(i);
            servers.push_back(env.server(id, "Server " + std::to_string(i), i % 2 == 0));
            Draft d;
            d.serverId = id;
            d.action = tarvo::share::ShareAction::upload;
            d.destFolder = "sites/app-" + std::to_string(i);
            d.postUploadAction = tarvo::share::PostUploadAction::unzipThenRun;
            d.deployWorkingDirectory = tarvo::share::PostUploadWorkingDirectory::custom;
            d.deployCustomWorkingDirectory = "{extract}/app";
            d.deployCommand = "bash './deploy.sh'\nbash './check.sh'";
            d.selectedScriptPaths = {"app/deploy.sh", "app/check.sh"};
            d.replyTo = "inbox, me";
            store.byServer[id] = d;
        }
        env.setServers(servers);
        store.save(env.appGroupDefaults());
        env.start({share_test::ShareTestEnvironment::fileItem("public.zip-archive", "site.zip")});
    }
    share_test::ShareTestEnvironment env;
};

void BM_KeystrokeWithAutosave(benchmark::State& state) {
    Bench b;
    auto& driver = b.env.driver();
    // The drafts are uploads, so the destination folder is the bound field on the screen.
    const std::string field(tarvo::share::roles::destFolderField);
    driver.tap(field);
    int typed = 0;
    for (auto _ : state) {
        driver.typeText(field, "x");
        if (++typed == 64) {
            state.PauseTiming();
            driver.replaceText(field, "sites/app-0");
            typed = 0;
            state.ResumeTiming();
        }
    }
    state.counters["drafts"] = static_cast<double>(b.env.controller().serverDraftStore.byServer.size());
}
BENCHMARK(BM_KeystrokeWithAutosave)->Unit(benchmark::kMillisecond);

void BM_DraftStoreSave(benchmark::State& state) {
    Bench b;
    auto& c = b.env.controller();
    for (auto _ : state) c.serverDraftStore.save(*c.defaults);
    state.counters["bytes"] = static_cast<double>(c.serverDraftStore.toJson().dump().size());
}
BENCHMARK(BM_DraftStoreSave)->Unit(benchmark::kMillisecond);

void BM_FullScreenBuild(benchmark::State& state) {
    Bench b;
    auto& c = b.env.controller();
    for (auto _ : state) c.render();
    state.counters["servers"] = static_cast<double>(c.servers.size());
}
BENCHMARK(BM_FullScreenBuild)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
