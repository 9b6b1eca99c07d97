// A shared folder's zip before its upload: the screen's progress bar moves through it under the
// item's preparing status, and the upload then goes on as before.
#include <gtest/gtest.h>

#include <set>

#include "TarvoShareExtension/ShareViewController/ZipProgressState.h"
#include "tests/share/SendFlowFixture.h"

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
        {0, 1, {0, 4096}, 0.0f, "Overall 0% \u00b7 item 1/1 \u00b7 file 0% \u00b7 ", "Preparing 1/1\u2026"},
        {1, 2, {2048, 4096}, 0.75f, "Overall 75% \u00b7 item 2/2 \u00b7 file 50% \u00b7 ", "Preparing 2/2\u2026"},
        {0, 0, {4096, 4096}, 1.0f, "Overall 100% \u00b7 item 1/1 \u00b7 file 100% \u00b7 ", "Preparing 1/1\u2026"},
        // A total not known yet moves nothing.
        {2, 3, {0, 0}, 2.0f / 3, "Overall 66% \u00b7 item 3/3 \u00b7 ", "Preparing 3/3\u2026"},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.index) + " of " + std::to_string(k.count));
        const auto state = tarvo::share::makeZipProgressState(k.index, k.count, k.progress);
        EXPECT_FLOAT_EQ(state.fraction, k.fraction);
        EXPECT_EQ(state.detail.rfind(k.detailPrefix, 0), 0u) << state.detail;
        EXPECT_EQ(state.status, k.status);
    }
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
    bool shownDuringTheZip = false;
    tapSend();
    ASSERT_TRUE(env.mainQueue().runUntil(
        [&] {
            if (c.statusLabel->text == "Preparing 1/1\u2026" && !c.uploadProgressStack->hidden) {
                const double p = c.uploadProgressView->progress();
                if (preparing.empty() || preparing.back() != p) {
                    preparing.push_back(p);
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
    EXPECT_EQ(c.statusLabel->text, "Uploaded");
    EXPECT_EQ(env.context().outcome().state, NSExtensionContext::RequestState::completed);
    EXPECT_EQ(std::filesystem::file_size(filesRoot() / "inbox/photos.zip"), archiveBytes);
}

}  // namespace
}  // namespace share_test
