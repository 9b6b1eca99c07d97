// The folder picker on a folder of 100,000 entries (90,000 folders, 10,000 files) served by the
// loopback server: the listing (request, decoding, keeping the folders, the table's reload), one
// keystroke of the search (filter, order, reload) and a change of the sort order (the setting
// written, the order worked out, reload). A frame lasts 16 ms: a keystroke should fit in one.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPickerViewController.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "platform/uikit/UINavigationController.h"
#include "tests/share/ShareTestEnvironment.h"

namespace {

using platform::Json;
using tarvo::RemoteFolderPickerViewController;

// TARVO_PICKER_ENTRIES overrides the size, for quick looks; the smoke run (TARVO_BENCH_SMOKE) takes 1,000.
const int kEntries = [] {
    const char* v = std::getenv("TARVO_PICKER_ENTRIES");
    if (v && *v) return std::atoi(v);
    return std::getenv("TARVO_BENCH_SMOKE") ? 1'000 : 100'000;
}();
constexpr double kNow = 1'700'000'000;

struct Bench {
    Bench() {
        env.setServers(Json::array({env.server("a", "Big box")}));
        // Names like a real folder of builds: "build-04711-Release", some files among them.
        Json entries = Json::array();
        for (int i = 0; i < kEntries; ++i) {
            char name[64];
            std::snprintf(name, sizeof name, "%s-%05d-%s", i % 3 == 0 ? "Build" : "build", (i * 7919) % kEntries,
                          i % 2 ? "Release" : "debug");
            entries.push_back(Json{{"name", name},
                                   {"type", i % 10 == 9 ? "file" : "dir"},
                                   {"size", (i * 104729) % 1'000'003},
                                   {"mtime", static_cast<std::int64_t>(kNow) - (i * 37) % 5'000'000},
                                   {"executable", false}});
        }
        const std::string file = env.home().path() + "/big-listing.json";
        std::ofstream(file) << Json{{"path", "big"}, {"entries", entries}}.dump();
        env.server()->addRule({{"path", "/api/list"}, {"query", {{"path", "big"}}}, {"times", 0}, {"json_file", file}});

        env.start({share_test::ShareTestEnvironment::fileItem("public.zip-archive", "site.zip")});
        auto& driver = env.driver();
        driver.replaceText(std::string(tarvo::share::roles::destFolderField), "big");
        driver.tap(std::string(tarvo::share::roles::browseFolderButton));
        env.runUntilIdle();
        auto nav = std::dynamic_pointer_cast<platform::UINavigationController>(env.window().topViewController());
        picker = std::dynamic_pointer_cast<RemoteFolderPickerViewController>(nav->topViewController());
    }
    share_test::ShareTestEnvironment env{share_test::ShareTestEnvironment::Options{.loopbackServer = true, .now = kNow}};
    std::shared_ptr<RemoteFolderPickerViewController> picker;
};

void counters(benchmark::State& state, Bench& b) {
    state.counters["folders"] = static_cast<double>(b.picker->dirs().size());
    state.counters["rows"] = static_cast<double>(b.picker->tableView()->numberOfRows(0));
    state.counters["cells"] = static_cast<double>(b.picker->tableView()->visibleCells().size());
}

void BM_List100k(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        b.picker->loadCurrentPath();
        b.env.runUntilIdle();
    }
    counters(state, b);
}
BENCHMARK(BM_List100k)->Unit(benchmark::kMillisecond);

// One character typed into the search field: "Release" narrows step by step, then starts over.
void BM_SearchKeystroke100k(benchmark::State& state) {
    Bench b;
    auto& driver = b.env.driver();
    const std::string query = "0711-Release";
    std::size_t at = 0;
    driver.search("");
    for (auto _ : state) {
        driver.typeText("pickerSearchField", query.substr(at, 1));
        if (++at == query.size()) {
            state.PauseTiming();
            driver.search("");
            at = 0;
            state.ResumeTiming();
        }
    }
    counters(state, b);
}
BENCHMARK(BM_SearchKeystroke100k)->Unit(benchmark::kMillisecond);

// The first keystroke of a search, which keeps the most rows.
void BM_FirstSearchKeystroke100k(benchmark::State& state) {
    Bench b;
    auto& driver = b.env.driver();
    driver.search("");
    for (auto _ : state) {
        driver.typeText("pickerSearchField", "b");
        state.PauseTiming();
        driver.search("");
        state.ResumeTiming();
    }
    counters(state, b);
}
BENCHMARK(BM_FirstSearchKeystroke100k)->Unit(benchmark::kMillisecond);

// A new sort order chosen from the menu (each order worked out afresh: the listing is new).
void BM_SortChange100k(benchmark::State& state) {
    Bench b;
    auto& driver = b.env.driver();
    const char* modes[] = {"Largest", "Latest modified", "Name"};
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        b.picker->loadCurrentPath();  // a fresh listing has no order worked out yet
        b.env.runUntilIdle();
        state.ResumeTiming();
        driver.chooseMenuItem("sortButtonItem", {modes[i++ % 3]});
    }
    counters(state, b);
}
BENCHMARK(BM_SortChange100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
