// One folder shared to three servers, the way a share goes: the scan turns the folder into its
// archive and lists it, then each server's upload takes the item. Side by side in one run:
//   each use   - every use makes its own copy (the scan, then each server: four archives);
//   once       - the share's copy made once and used by the scan and every server.
// For each: bytes written to the run's temporary folder, wall time, and the disk the
// temporaries still use after the share (copies for each use were never removed; the share's
// folder is, so zero is right for it). The run fails unless each use made its own copy, the
// share made one, and every server received its archive whole: figures of a share that did not
// happen as described compare nothing.
//
//     folder_multi_share_bench [MiB [files]]   (defaults 8 MiB in 200 files; or the
//                                               environment's TARVO_MULTI_SHARE_BENCH_MIB / _FILES)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TarvoShareExtension/Intake/ItemMaterializer.h"
#include "TarvoShareExtension/Intake/MaterializedItemCache.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "bench/cmdstream/ProjectFolder.h"
#include "platform/concurrency/Concurrency.h"
#include "platform/extension/NSItemProvider.h"
#include "platform/foundation/RunTemporaryFolder.h"
#include "tests/peer/SinkServer.h"

namespace fs = std::filesystem;

namespace {

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

std::uint64_t bytesUnder(const fs::path& dir) {
    std::uint64_t total = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(dir, ec); !ec && it != fs::recursive_directory_iterator(); ++it) {
        if (it->is_regular_file(ec)) total += it->file_size(ec);
    }
    return total;
}

struct Outcome {
    bool ok = false;
    double wall = 0;
    std::uint64_t written = 0;  // bytes in the run's folder when the share ends
    std::uint64_t left = 0;     // bytes under the user's temporary folder once it is removed
    std::size_t copies = 0;
    std::vector<std::uint64_t> uploaded;  // each sink's archive, in bytes, in the sinks' order
};

using Materialize = std::function<platform::Async<tarvo::TempItem>(std::shared_ptr<platform::NSItemProvider>,
                                                                   std::string)>;

Outcome share(const fs::path& folder, const fs::path& base, const std::vector<std::unique_ptr<peer::SinkServer>>& sinks,
              platform::MainQueue& queue, platform::BackgroundQueue& background, const tarvo::RemoteTransfer& engine,
              bool once) {
    Outcome o;
    const std::string run = platform::makeRunTemporaryFolder(base.string(), platform::currentUserID());
    tarvo::MaterializedItemCache cache;
    std::size_t fresh = 0;
    auto materialize = [&](std::shared_ptr<platform::NSItemProvider> provider) -> platform::Async<tarvo::TempItem> {
        tarvo::MaterializeOptions options;
        options.fileWork = platform::Executor(background.executor());
        if (once) return cache.materialize(std::move(provider), run, std::move(options), queue.executor());
        ++fresh;
        return tarvo::materializeToTempFile(std::move(provider), run, std::move(options));
    };
    const auto provider = platform::NSItemProvider::contentsOf(folder.string());
    const double start = now();
    auto task = platform::startTask(queue.executor(), [&]() -> platform::Async<void> {
        // The scan: the archive, then its listing.
        tarvo::TempItem scanned = co_await materialize(provider);
        (void)tarvo::listZipEntries(scanned.url, 100000);
        // Each server's upload.
        for (const auto& sink : sinks) {
            tarvo::TempItem item = co_await materialize(provider);
            o.uploaded.push_back(fs::file_size(item.url.path()));
            tarvo::RemoteAPI api(tarvo::RemoteConfig{*platform::URL::parse(sink->baseURL()), "sink-token"},
                                 std::make_shared<tarvo::URLSessionHTTPTransport>(platform::URLSession::make()),
                                 std::make_shared<tarvo::URLSessionStreamTransport>());
            co_await engine.uploadLocalFileStreaming(api, item.url, "bench", item.filename, item.contentType, {});
        }
    });
    o.ok = queue.runUntil([&] { return task.isDone(); }, std::chrono::minutes(30));
    o.wall = now() - start;
    if (o.ok) {
        try {
            task.result();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "share failed: %s\n", platform::describeError(e).c_str());
            o.ok = false;
        }
    }
    o.written = bytesUnder(run);
    o.copies = once ? cache.copiesStarted() : fresh;
    // The share's end: its folder goes (copies made for each use were never removed).
    if (once) fs::remove_all(run);
    o.left = bytesUnder(fs::path(run).parent_path());
    fs::remove_all(run);
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const auto [mib, files] =
        tarvo_bench::readFolderSize(argc, argv, "folder_multi_share_bench", "TARVO_MULTI_SHARE_BENCH", {8, 200});
    const fs::path work = fs::temp_directory_path() / ("tarvo-multi-share-bench-" + std::to_string(::getpid()));
    fs::create_directories(work / "tmp");
    std::vector<std::unique_ptr<peer::SinkServer>> sinks;
    for (int i = 0; i < 3; ++i) sinks.push_back(std::make_unique<peer::SinkServer>());

    platform::MainQueue& queue = *new platform::MainQueue();
    platform::BackgroundQueue& background = *new platform::BackgroundQueue(2);
    const tarvo::RemoteTransfer& engine = *new tarvo::RemoteTransfer(background);

    tarvo_bench::makeProjectFolder(work / "project", mib << 20, files);
    std::printf("folder of %llu MiB in %d files, shared to %zu servers (scan, then one upload each)\n",
                static_cast<unsigned long long>(mib), files, sinks.size());
    int failures = 0;
    for (const bool once : {false, true}) {
        const Outcome o = share(work / "project", work / "tmp", sinks, queue, background, engine, once);
        // What the comparison rests on: the share's copy made once, against one for the scan and
        // one for each server; and every server received its archive whole.
        const std::size_t expectedCopies = once ? 1 : 1 + sinks.size();
        bool uploadsWhole = o.uploaded.size() == sinks.size();
        for (std::size_t i = 0; uploadsWhole && i < sinks.size(); ++i) {
            uploadsWhole = tarvo_bench::lastUploadHolds(*sinks[i], o.uploaded[i]);
        }
        const bool ok = o.ok && o.copies == expectedCopies && uploadsWhole && (!once || o.left == 0);
        if (!ok) ++failures;
        std::printf("  %-9s %s: %zu archive(s) (%zu expected), %.1f MiB written to the temporary folder, wall %.2f s, "
                    "%llu bytes left after the share, %s\n",
                    once ? "once" : "each use", ok ? "ok" : "FAILED", o.copies, expectedCopies,
                    static_cast<double>(o.written) / (1 << 20), o.wall, static_cast<unsigned long long>(o.left),
                    uploadsWhole ? "every server received its archive whole" : "a server's upload is missing or broken");
    }
    fs::remove_all(work);
    return failures == 0 ? 0 : 1;
}
