// Sharing a folder as an upload, side by side in one run: our path (the share's folder zip
// writer, then the upload engine into the upload sink) against `zip -0 -r` followed by the
// simplest client of the same upload protocol (pipe_client.py) sending that zip into the same
// sink. Each side's wall time and CPU time (child processes with their own resource usage),
// our client's peak resident memory at two folder sizes, and how often progress was reported.
//
//     folder_share_bench [MiB [files]]     (defaults 1024 MiB in 3000 files; or the
//                                           environment's TARVO_FOLDER_BENCH_MIB / _FILES)
//
// The smaller size is a quarter of the given one, with a quarter of the files.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TarvoShareExtension/Intake/FolderZipWriter.h"
#include "TarvoShareExtension/Remote/RemoteTransfer.h"
#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "bench/cmdstream/ProjectFolder.h"
#include "platform/concurrency/Concurrency.h"
#include "tests/peer/SinkServer.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }
double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

struct Result {
    double wall = 0;
    double cpu = 0;
    double peakMiB = 0;
    double zipWall = 0;
    long reports = 0;
    std::uint64_t zipBytes = 0;
    double longestSilence = 0;  // the longest time without a progress report while uploading
    bool ok = false;
};

// Our side in a child process, so that its resource usage is its own.
Result shareInChild(const fs::path& folder, const std::string& tmp, const peer::SinkServer& sink) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return {};
    const double start = now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        Result r;
        try {
            platform::MainQueue& queue = *new platform::MainQueue();
            platform::BackgroundQueue& background = *new platform::BackgroundQueue(2);
            const tarvo::RemoteTransfer& engine = *new tarvo::RemoteTransfer(background);
            tarvo::RemoteAPI api(tarvo::RemoteConfig{*platform::URL::parse(sink.baseURL()), "sink-token"},
                                 std::make_shared<tarvo::URLSessionHTTPTransport>(platform::URLSession::make()),
                                 std::make_shared<tarvo::URLSessionStreamTransport>());
            const double t0 = now();
            const auto item = tarvo::archiveDirectoryToTemp(platform::URL::fileURL(folder.string(), true), "project", tmp);
            r.zipWall = now() - t0;
            r.zipBytes = fs::file_size(item.url.path());
            double last = now();
            auto onProgress = [&r, &last](const tarvo::TransferProgress&) {
                const double t = now();
                r.longestSilence = std::max(r.longestSilence, t - last);
                last = t;
                ++r.reports;
            };
            auto task = platform::startTask(queue.executor(), [&]() {
                return engine.uploadLocalFileStreaming(api, item.url, "bench", item.filename, item.contentType, onProgress);
            });
            r.ok = queue.runUntil([&] { return task.isDone(); }, std::chrono::minutes(20));
            if (r.ok) task.result();
            fs::remove(item.url.path());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "share failed: %s\n", platform::describeError(e).c_str());
            r.ok = false;
        }
        ::write(pipeFds[1], &r, sizeof r);
        std::_Exit(0);
    }
    ::close(pipeFds[1]);
    Result r;
    if (::read(pipeFds[0], &r, sizeof r) != sizeof r) r.ok = false;
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    r.wall = now() - start;
    r.cpu = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    r.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return r;
}

// A program run to its end: wall and CPU time, peak memory; false when it failed.
bool run(std::vector<std::string> argv, Result& r, const char* cwd = nullptr) {
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (cwd) posix_spawn_file_actions_addchdir_np(&actions, cwd);
    const double start = now();
    pid_t pid;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    r.wall += now() - start;
    r.cpu += seconds(usage.ru_utime) + seconds(usage.ru_stime);
    r.peakMiB = std::max(r.peakMiB, static_cast<double>(usage.ru_maxrss) / 1024.0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const auto [mib, files] =
        tarvo_bench::readFolderSize(argc, argv, "folder_share_bench", "TARVO_FOLDER_BENCH", {1024, 3000});
    const fs::path work = fs::temp_directory_path() / ("tarvo-folder-bench-" + std::to_string(::getpid()));
    fs::create_directories(work / "tmp");
    peer::SinkServer sink;  // started before any thread of ours, so the fork above stays simple
    const std::string script = (work / "writer.py").string();
    std::ofstream(script) << tarvo::RemoteTransfer::writerScript();

    int failures = 0;
    for (const std::uint64_t size : {mib / 4, mib}) {
        const int count = size == mib ? files : std::max(1, files / 4);
        const fs::path folder = work / "project";
        tarvo_bench::makeProjectFolder(folder, size << 20, count);

        const Result ours = shareInChild(folder, (work / "tmp").string(), sink);
        const bool ourOK = ours.ok && ours.zipBytes > 0 && tarvo_bench::lastUploadHolds(sink, ours.zipBytes);

        Result zip, client;
        const std::string zipFile = (work / "peer.zip").string();
        fs::remove(zipFile);
        const bool zipped = run({"zip", "-0", "-r", "-q", zipFile, "project"}, zip, work.c_str());
        const bool sent = zipped && run({TARVO_PYTHON, std::string(TARVO_SOURCE_DIR) + "/bench/cmdstream/pipe_client.py",
                                         sink.baseURL(), "sink-token", script, zipFile, "bench/peer.zip"},
                                        client);
        const bool theirOK = sent && tarvo_bench::lastUploadHolds(sink, fs::file_size(zipFile));
        if (!ourOK || !theirOK) ++failures;

        const double theirWall = zip.wall + client.wall;
        const double theirCPU = zip.cpu + client.cpu;
        std::printf("folder %llu MiB in %d files\n", static_cast<unsigned long long>(size), count);
        std::printf("  ours   (zip writer + upload engine): %s wall %.2f s (zip %.2f s), CPU %.2f s, peak RSS %.1f MiB, "
                    "%ld progress reports, longest gap while uploading %.3f s\n",
                    ourOK ? "ok" : "FAILED", ours.wall, ours.zipWall, ours.cpu, ours.peakMiB, ours.reports,
                    ours.longestSilence);
        std::printf("  theirs (zip -0 -r + pipe_client.py): %s wall %.2f s (zip %.2f s), CPU %.2f s, peak RSS %.1f MiB\n",
                    theirOK ? "ok" : "FAILED", theirWall, zip.wall, theirCPU, std::max(zip.peakMiB, client.peakMiB));
        std::printf("  ours / theirs: wall %.2f, CPU %.2f\n", ours.wall / theirWall, ours.cpu / theirCPU);
        fs::remove(zipFile);
    }
    fs::remove_all(work);
    return failures == 0 ? 0 : 1;
}
