// Time per push through the notification service, settings read from a real app group
// included: the platform gives the service about 30 seconds, so anything in microseconds
// or low milliseconds is far inside the budget.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "TarvoNotificationExtension/NotificationService.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"

namespace {

namespace fs = std::filesystem;
using platform::Json;

struct Environment {
    Environment() {
        std::string dir = (fs::temp_directory_path() / "tarvo-notify-bench-XXXXXX").string();
        if (!::mkdtemp(dir.data())) std::abort();
        root = dir;
        ::setenv("TARVO_HOME", (root / "home").c_str(), 1);
        fs::create_directories(root / "sounds");
        std::FILE* f = std::fopen((root / "sounds" / "chime.caf").c_str(), "wb");
        if (f) std::fclose(f);
        platform::Bundle::main().setInfoDictionaryForTesting(Json{{"APP_GROUP_ID", "group.bench.notify"}});
        platform::Bundle::main().setResourceDirectory((root / "sounds").string());
        auto suite = platform::UserDefaults::suite("group.bench.notify");
        suite->set("push.soundMapJSON", std::string(R"({"deploy":"chime.caf","cmd":"silent","run_failed":"default"})"));
        suite->set("push.soundDefault", std::string("default"));
    }
    ~Environment() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path root;
};

Environment& environment() {
    static Environment env;
    return env;
}

platform::UNNotificationRequest request(std::string title, std::string body, Json userInfo) {
    platform::UNMutableNotificationContent content;
    content.setTitle(std::move(title));
    content.setBody(std::move(body));
    content.setUserInfo(std::move(userInfo));
    return platform::UNNotificationRequest("bench", content);
}

void deliver(benchmark::State& state, const platform::UNNotificationRequest& req) {
    environment();
    tarvo::NotificationService service;
    std::size_t bytes = 0;
    for (auto _ : state) {
        service.didReceive(req, [&](const platform::UNNotificationContent& c) { bytes += c.body().size(); });
    }
    benchmark::DoNotOptimize(bytes);
}

void BM_StructuredRun(benchmark::State& state) {
    deliver(state, request("Run failed / default@main", "",
                           Json{{"kind", "run_failed"}, {"server_label", "lab"}, {"script_name", "build.sh"},
                                {"duration_label", "42s"}, {"exit_code", 2}, {"failure_line", "make: Error 2"},
                                {"sound_key", "deploy"}}));
}
BENCHMARK(BM_StructuredRun)->Unit(benchmark::kMicrosecond);

void BM_UnstructuredRunRecoversArtifact(benchmark::State& state) {
    deliver(state, request("Upload", "Upload done. artifact: '/home/u/drop/site.zip'", Json{{"kind", "run_succeeded"}}));
}
BENCHMARK(BM_UnstructuredRunRecoversArtifact)->Unit(benchmark::kMicrosecond);

void BM_OtherPushWithSound(benchmark::State& state) {
    deliver(state, request("uptime / default@main", "load 0.42", Json{{"kind", "cmd"}, {"aps", {{"sound", "chime.caf"}}}}));
}
BENCHMARK(BM_OtherPushWithSound)->Unit(benchmark::kMicrosecond);

// A push at the relay's size limit (4 KB body).
void BM_FourKilobyteBody(benchmark::State& state) {
    std::string body(4000, 'x');
    body += " artifact: big.zip";
    deliver(state, request("t", body, Json{{"kind", "run_succeeded"}}));
}
BENCHMARK(BM_FourKilobyteBody)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
