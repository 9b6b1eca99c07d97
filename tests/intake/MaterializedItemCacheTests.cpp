// The share's copies of its items: one copy per item however many callers ask (also at the same
// time), a new one only when the source changed or the copy is gone, a failure not kept, and
// every copy readable by its owner only.
#include <gtest/gtest.h>

#include "IntakeTestSupport.h"
#include "TarvoShareExtension/Intake/MaterializedItemCache.h"
#include "platform/concurrency/BackgroundQueue.h"
#include "platform/concurrency/TaskGroup.h"

using namespace intake_test;
using platform::NSItemProvider;
using tarvo::MaterializedItemCache;
using tarvo::TempItem;

namespace {

class MaterializedItemCacheTest : public IntakeTest {
protected:
    TempItem ask(const std::shared_ptr<NSItemProvider>& provider) {
        tarvo::MaterializeOptions options;
        options.fileWork = platform::Executor(background.executor());
        return runTask(cache.materialize(provider, outDir(), options, tarvo_test::testQueue().executor()));
    }
    std::size_t filesInTemporary() const {
        std::size_t n = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(outDir())) ++n;
        return n;
    }

    platform::BackgroundQueue background{2};
    MaterializedItemCache cache;
};

TEST_F(MaterializedItemCacheTest, AFolderIsZippedOnceUntilItChanges) {
    const std::string folder = in("site");
    writeFile(folder + "/index.html", "<h1>one</h1>\n");
    writeFile(folder + "/deploy.sh", "#!/bin/sh\n");
    const auto provider = NSItemProvider::contentsOf(folder);

    const TempItem first = ask(provider);
    EXPECT_EQ(ask(provider), first);
    EXPECT_EQ(ask(provider), first);
    EXPECT_EQ(cache.copiesStarted(), 1u);
    EXPECT_EQ(filesInTemporary(), 1u);
    EXPECT_EQ(permissionsOf(first.url.path()), 0600u);

    // Same size, later modification time: zipped again, with the new bytes.
    writeFile(folder + "/index.html", "<h1>two</h1>\n");
    setModificationTime(folder + "/index.html", 2000000000);
    const TempItem second = ask(provider);
    EXPECT_NE(second.url, first.url);
    EXPECT_EQ(cache.copiesStarted(), 2u);
    EXPECT_NE(readFile(second.url.path()).find("<h1>two</h1>"), std::string::npos);

    // A file added, a file renamed (the folder's time moves), a copy that went away.
    writeFile(folder + "/extra.txt", "x");
    const TempItem third = ask(provider);
    EXPECT_EQ(cache.copiesStarted(), 3u);
    fs::rename(folder + "/extra.txt", folder + "/other.txt");
    setModificationTime(folder, 2100000000);
    const TempItem fourth = ask(provider);
    EXPECT_EQ(cache.copiesStarted(), 4u);
    fs::remove(fourth.url.path());
    EXPECT_NE(ask(provider).url, fourth.url);
    EXPECT_EQ(cache.copiesStarted(), 5u);
    EXPECT_NE(third.url, fourth.url);
}

TEST_F(MaterializedItemCacheTest, CallersAskingAtOnceShareOneCopyAndFollowItsZip) {
    const std::string folder = in("big");
    for (int i = 0; i < 8; ++i) writeFile(folder + "/part" + std::to_string(i), std::string(1 << 18, 'a' + i));
    const auto provider = NSItemProvider::contentsOf(folder);
    // The first caller (like the scan) does not follow the zip; the second (like a send) does.
    std::vector<std::uint64_t> seen;
    auto both = [&]() -> platform::Async<std::pair<TempItem, TempItem>> {
        tarvo::MaterializeOptions quiet;
        quiet.fileWork = platform::Executor(background.executor());
        tarvo::MaterializeOptions watching = quiet;
        watching.zipProgress = [&seen](const tarvo::FolderZipProgress& p) { seen.push_back(p.doneBytes); };
        auto main = tarvo_test::testQueue().executor();
        auto a = platform::startTask(main, [&, quiet]() { return cache.materialize(provider, outDir(), quiet, main); });
        auto b = platform::startTask(main, [&, watching]() { return cache.materialize(provider, outDir(), watching, main); });
        TempItem first = co_await a.value();
        TempItem second = co_await b.value();
        co_return std::make_pair(first, second);
    };
    const auto [first, second] = runTask(both);
    EXPECT_EQ(first, second);
    EXPECT_EQ(cache.copiesStarted(), 1u);
    EXPECT_EQ(filesInTemporary(), 1u);
    ASSERT_FALSE(seen.empty()) << "the second caller saw the zip it waited for";
}

TEST_F(MaterializedItemCacheTest, AFailedCopyIsTriedAgainAndTextIsWrittenOnce) {
    const std::string file = in("later.txt");
    writeFile(file, "soon");
    const auto provider = NSItemProvider::contentsOf(file);
    fs::remove(file);
    EXPECT_THROW(ask(provider), std::exception);
    writeFile(file, "here now");
    EXPECT_EQ(readFile(ask(provider).url.path()), "here now");
    EXPECT_EQ(cache.copiesStarted(), 2u);

    const auto note = NSItemProvider::withItem(platform::ProviderItem(std::string("a note")), "public.plain-text");
    const TempItem written = ask(note);
    EXPECT_EQ(ask(note), written);
    EXPECT_EQ(written.filename, "note.txt");
    EXPECT_EQ(permissionsOf(written.url.path()), 0600u);
    EXPECT_EQ(cache.copiesStarted(), 3u);
}

}  // namespace
