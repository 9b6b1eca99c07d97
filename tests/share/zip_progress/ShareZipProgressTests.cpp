// A shared folder's zip: before its upload the screen's progress bar moves through it under the
// item's preparing status; for the scan and the emit it runs off the main queue too.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <set>
#include <thread>

#include <boost/asio/post.hpp>

#include "TarvoShareExtension/ShareViewController/ZipProgress/ZipProgressState.h"
#include "platform/foundation/ByteCountFormatter.h"
#include "tests/share/send/SendFlowFixture.h"

namespace share_test {
namespace {

using namespace platform;
using tarvo::FolderZipProgress;

TEST(ZipProgressStateTest, TheZipMovesTheItemsShareOfTheBarUnderItsPreparingStatus) {
    struct Case {
        long long index, count;
        FolderZipProgress progress;
        float fraction;
        const char* detailPrefix;
        const char* status;
    };
    const std::vector<Case> cases = {
        {0, 1, {0, 4096, 2100}, 0.0f, "Overall 0% \u00b7 item 1/1 \u00b7 file 0% \u00b7 ", "Preparing 1/1\u2026"},
        {1, 2, {2048, 4096, 2100}, 0.75f, "Overall 75% \u00b7 item 2/2 \u00b7 file 50% \u00b7 ", "Preparing 2/2\u2026"},
        {0, 0, {4096, 4096, 2100}, 1.0f, "Overall 100% \u00b7 item 1/1 \u00b7 file 100% \u00b7 ", "Preparing 1/1\u2026"},
        // A total not known yet moves nothing.
        {2, 3, {0, 0, 0}, 2.0f / 3, "Overall 66% \u00b7 item 3/3 \u00b7 ", "Preparing 3/3\u2026"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.index) + " of " + std::to_string(k.count));
        const auto state = tarvo::share::makeZipProgressState(k.index, k.count, k.progress);
        EXPECT_FLOAT_EQ(state.fraction, k.fraction);
        EXPECT_EQ(state.detail.rfind(k.detailPrefix, 0), 0u) << state.detail;
        EXPECT_EQ(state.status, k.status);
    }
}

// The zip's work covers each member twice (its checksum, then its copy); the person is told of
// the archive being prepared, at the pace of that work.
TEST(ZipProgressStateTest, TheBytesShownAreTheArchives) {
    // A 315 MB archive of 314 MB of members, 25.2 MB into the work.
    const FolderZipProgress progress{25'200'000, 629'000'000, 315'000'000};
    const auto state = tarvo::share::makeZipProgressState(0, 1, progress);
    EXPECT_EQ(state.detail, "Overall 4% \u00b7 item 1/1 \u00b7 file 4% \u00b7 12.6 MB / 315 MB");
    EXPECT_NEAR(state.fraction, 25.2 / 629, 1e-6);
    // All the work done is the whole archive.
    const auto done = tarvo::share::makeZipProgressState(0, 1, FolderZipProgress{629'000'000, 629'000'000, 315'000'000});
    EXPECT_EQ(done.detail, "Overall 100% \u00b7 item 1/1 \u00b7 file 100% \u00b7 315 MB / 315 MB");
}

class ZipProgressScreenTest : public SendFlowTest {};

TEST_F(ZipProgressScreenTest, TheBarMovesWhileTheSharedFolderIsZipped) {
    // A folder of a few MiB, enough for several steps of the zip's progress, and of many small
    // files, which the zip spends a while opening after the large ones.
    const auto folder = std::filesystem::path(env.home().path()) / "shared/photos";
    std::uintmax_t archiveBytes = 22;
    auto add = [&](const std::string& name, const std::string& bytes) {
        tarvo_test::writeFile(folder / name, bytes);
        archiveBytes += 30 + 46 + 2 * name.size() + bytes.size();
    };
    for (int i = 0; i < 8; ++i) add("p" + std::to_string(i) + ".raw", std::string(1 << 20, 'a' + i));
    for (int i = 0; i < 1000; ++i) add("thumbs/" + std::to_string(i) + ".txt", "thumb");
    env.setServers(Json::array({env.server("a", "Box")}));
    storeDraft(uploadDraft("a", "inbox"));
    auto& c = *env.start({pathItem(folder)});
    watchOutcomes();

    // Whether the send's zip has finished its archive in the share's temporary folder (the
    // scan at start-up left one there already).
    const auto temporary = std::filesystem::path(env.home().path()) / "tmp";
    auto finishedArchives = [&] {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(temporary)) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with("_photos.zip") && entry.file_size() == archiveBytes) names.insert(name);
        }
        return names;
    };
    const std::set<std::string> scanned = finishedArchives();
    auto archiveWritten = [&] { return finishedArchives() != scanned; };

    // What the screen shows between two turns of the main queue while the item is prepared,
    // and whether the zip was still going on when it showed.
    std::vector<double> preparing;
    std::vector<std::string> details;
    bool shownDuringTheZip = false;
    tapSend();
    ASSERT_TRUE(env.mainQueue().runUntil(
        [&] {
            if (c.statusLabel->text == "Preparing 1/1\u2026" && !c.uploadProgressStack->hidden) {
                const double p = c.uploadProgressView->progress();
                if (preparing.empty() || preparing.back() != p) {
                    preparing.push_back(p);
                    if (p > 0) details.push_back(c.uploadProgressLabel->text);
                    if (p > 0 && p < 1 && !archiveWritten()) shownDuringTheZip = true;
                }
            }
            return c.sendTask && c.sendTask->isDone();
        },
        60000ms))
        << env.dump() << server().log();
    env.runUntilIdle();

    ASSERT_GE(preparing.size(), 3u) << "the bar stood still through the zip";
    EXPECT_TRUE(shownDuringTheZip) << "the progress came only once the zip was over";
    EXPECT_TRUE(std::is_sorted(preparing.begin(), preparing.end()));
    EXPECT_EQ(preparing.back(), 1.0);
    // The detail line counts the bytes of the archive being prepared, up to its whole size.
    const std::string archiveSize = ByteCountFormatter::string(static_cast<std::int64_t>(archiveBytes),
                                                               ByteCountFormatter::CountStyle::file);
    ASSERT_FALSE(details.empty());
    for (const auto& detail : details) EXPECT_TRUE(detail.ends_with(" / " + archiveSize)) << detail;
    EXPECT_TRUE(details.back().ends_with(archiveSize + " / " + archiveSize)) << details.back();
    EXPECT_EQ(c.statusLabel->text, "Uploaded");
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
    EXPECT_EQ(std::filesystem::file_size(filesRoot() / "inbox/photos.zip"), archiveBytes);
}

// A shared folder is zipped on the background queue for the scan and the emit as well, so the
// screen keeps turning meanwhile. With every background thread held, neither zip can begin;
// had it run on the main queue, it would have been written while the main queue ran.
class FolderOffMainTest : public SendFlowTest {
protected:
    ~FolderOffMainTest() override { release(); }

    void holdBackground() {
        auto background = env.environment().backgroundQueue.executor();
        for (int i = 0; i < 2; ++i) {  // the test environment's two background threads
            boost::asio::post(background, [this] {
                ++holding_;
                released_.wait();
            });
        }
        while (holding_ < 2) std::this_thread::yield();
    }
    void release() {
        if (!releasedOnce_) release_.set_value();
        releasedOnce_ = true;
    }
    std::set<std::string> zipsInTemporary() {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(env.home().path()) / "tmp")) {
            if (entry.path().extension() == ".zip") names.insert(entry.path().filename().string());
        }
        return names;
    }

private:
    std::promise<void> release_;
    std::shared_future<void> released_ = release_.get_future().share();
    std::atomic<int> holding_{0};
    bool releasedOnce_ = false;
};

TEST_F(FolderOffMainTest, TheScanZipsAFolderOffTheMainQueue) {
    const auto folder = makeProject();
    env.setServers(Json::array({env.server("a", "Box")}));
    auto& c = *env.start({});
    c.providers = {pathItem(folder)};
    holdBackground();
    c.scheduleArtifactPreviewScanIfNeeded();
    EXPECT_FALSE(env.mainQueue().runUntilIdle(100ms)) << "the scan waits for the background queue";
    EXPECT_TRUE(zipsInTemporary().empty()) << "nothing was zipped on the main queue";
    EXPECT_FALSE(c.artifactInsight.state.is(tarvo::share::ArtifactInsightState::Case::ready));

    release();
    ASSERT_TRUE(env.mainQueue().runUntil(
        [&] { return c.artifactInsight.state.is(tarvo::share::ArtifactInsightState::Case::ready); }, 60000ms))
        << env.dump();
    EXPECT_EQ(c.artifactInsight.filename, "project.zip");
    EXPECT_EQ(zipsInTemporary().size(), 1u);
}

TEST_F(FolderOffMainTest, TheEmitZipsAFolderOffTheMainQueue) {
    // Notes, not a project: a project would turn the share into an upload.
    const auto folder = std::filesystem::path(env.home().path()) / "shared/notes";
    tarvo_test::writeFile(folder / "monday.txt", "standup\n");
    tarvo_test::writeFile(folder / "week/tuesday.txt", "review\n");
    Json box = env.server("a", "Box");
    box["receptionistToken"] = server().options().receptionistToken;
    env.setServers(Json::array({box}));
    auto& c = *env.start({pathItem(folder)});
    // A folder's share starts as an upload; the person chooses the emit.
    env.driver().chooseSegment(std::string(tarvo::share::roles::actionControl), "Emit");
    env.runUntilIdle();
    ASSERT_EQ(c.draft.action, tarvo::share::ShareAction::emit);
    const std::set<std::string> scanned = zipsInTemporary();
    holdBackground();
    tapSend();
    EXPECT_FALSE(env.mainQueue().runUntilIdle(100ms)) << "the emit waits for the background queue";
    EXPECT_EQ(zipsInTemporary(), scanned) << "nothing was zipped on the main queue";
    EXPECT_TRUE(server().requestsTo("/emit").empty());

    release();
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return c.sendTask && c.sendTask->isDone(); }, 60000ms))
        << env.dump() << server().log();
    env.runUntilIdle();
    EXPECT_EQ(c.statusLabel->text, "Sent");
    const Json emits = server().requestsTo("/emit");
    ASSERT_EQ(emits.size(), 1u);
    EXPECT_EQ(header(emits[0], "X-File-Name"), "notes.zip");
}

}  // namespace
}  // namespace share_test
