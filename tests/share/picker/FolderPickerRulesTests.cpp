// The folder picker's rules as tables: canonical paths, which folders show and in what order,
// the stored sort mode, and the row subtitle with the folder's age.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Picker/FolderListing.h"
#include "TarvoShareExtension/ShareViewController/Picker/FolderSortMode.h"
#include "TarvoShareExtension/ShareViewController/Picker/FolderSubtitle.h"
#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPath.h"
#include "platform/foundation/DateStyleFormatter.h"

namespace share_test {
namespace {

using namespace tarvo::share;
using ::testing::ElementsAre;
using tarvo::Entry;

TEST(RemoteFolderPathTest, CanonicalFormAndChildPaths) {
    const std::pair<const char*, const char*> cases[] = {
        {" /a//b/ ", "a/b"},
        {"a/./b/../c", "a/b/c"},
        {"../x", "x"},
        {"  /  ", ""},
        {"", ""},
        {"\n/uploads/2024/\t", "uploads/2024"},
        {"a/ b /c", "a/b/c"},
        {"./.", ""},
        {"caf\u00E9/r\u00E9sum\u00E9", "caf\u00E9/r\u00E9sum\u00E9"},
        {"uploads/2024", "uploads/2024"},  // clean paths come back unchanged
    };
    for (const auto& [input, canonical] : cases) EXPECT_EQ(normalizeFolderInput(input), canonical) << input;

    EXPECT_EQ(childPath("", "x"), "x");
    EXPECT_EQ(childPath("a", ".."), "a");
    EXPECT_EQ(childPath("/a/", " b/c "), "a/b/c");
    EXPECT_EQ(childPath("a", ""), "a");
    EXPECT_EQ(displayedFolderPath(""), "/");
    EXPECT_EQ(displayedFolderPath("a/b"), "/a/b");
}

TEST(FolderSortModeTest, StoredValuesAndMenuTexts) {
    EXPECT_EQ(folderSortModeFromStored(std::nullopt), FolderSortMode::name);
    EXPECT_EQ(folderSortModeFromStored(""), FolderSortMode::name);
    EXPECT_EQ(folderSortModeFromStored("size"), FolderSortMode::name);
    EXPECT_EQ(folderSortModeFromStored("SIZELARGEST"), FolderSortMode::name);
    EXPECT_EQ(folderSortModeFromStored(" sizeLargest\n"), FolderSortMode::sizeLargest);
    EXPECT_EQ(folderSortModeFromStored("modifiedNewest"), FolderSortMode::modifiedNewest);
    std::vector<std::string> menu;
    for (auto mode : kFolderSortModes) {
        menu.push_back(std::string(rawValue(mode)) + "|" + std::string(menuTitle(mode)) + "|" +
                       std::string(menuImage(mode)));
    }
    EXPECT_THAT(menu, ElementsAre("name|Name|textformat.abc", "modifiedNewest|Latest modified|clock.arrow.circlepath",
                                  "sizeLargest|Largest|arrow.down.right.and.arrow.up.left"));
}

Entry dir(std::string name, std::int64_t size = 0, std::int64_t mtime = 0, std::string type = "dir") {
    return Entry{std::move(name), std::move(type), size, mtime, false};
}

std::vector<std::string> names(const std::vector<Entry>& entries) {
    std::vector<std::string> out;
    for (const auto& e : entries) out.push_back(e.name);
    return out;
}

TEST(FolderListingTest, OnlyDirectoriesInTheServersOrder) {
    const auto kept = directoriesOf({dir("b"), dir("link", 0, 0, "symlink"), dir("notes.txt", 3, 0, "file"),
                                     dir("a"), dir("Dir", 0, 0, "DIR")});
    EXPECT_THAT(names(kept), ElementsAre("b", "a"));
}

TEST(FolderListingTest, HiddenNamesAndSearch) {
    const FolderListing listing({dir("Website"), dir(".git"), dir(" .cache"), dir("apps"), dir("docs")});
    EXPECT_THAT(names(listing.visibleEntries("", "", false, FolderSortMode::name)), ElementsAre("apps", "docs", "Website"));
    EXPECT_THAT(names(listing.visibleEntries("", "", true, FolderSortMode::name)),
                ElementsAre(" .cache", ".git", "apps", "docs", "Website"));
    EXPECT_THAT(names(listing.visibleEntries("", "WEB", false, FolderSortMode::name)), ElementsAre("Website"));
    EXPECT_THAT(names(listing.visibleEntries("", "zzz", false, FolderSortMode::name)), ElementsAre());

    // In projects/web every entry's path contains "proj", whatever its name.
    const FolderListing inner({dir("css"), dir("js")});
    EXPECT_THAT(names(inner.visibleEntries("projects/web", "proj", false, FolderSortMode::name)), ElementsAre("css", "js"));
    EXPECT_THAT(names(inner.visibleEntries("projects/web", "web/j", false, FolderSortMode::name)), ElementsAre("js"));
    // The same listing asked about another folder searches that folder's paths.
    EXPECT_THAT(names(inner.visibleEntries("other", "proj", false, FolderSortMode::name)), ElementsAre());
    // Lower-casing is Unicode's, not only ASCII's.
    const FolderListing accents({dir("\u00C9T\u00C9"), dir("ete")});
    EXPECT_THAT(names(accents.visibleEntries("", "\u00E9t\u00E9", false, FolderSortMode::name)), ElementsAre("\u00C9T\u00C9"));
}

TEST(FolderListingTest, StableOrdersPerMode) {
    const FolderListing listing({dir("beta", 10, 100), dir("Alpha", 10, 300), dir("alpha", 5, 300), dir("gamma", 20, 200)});
    EXPECT_THAT(names(listing.visibleEntries("", "", false, FolderSortMode::name)),
                ElementsAre("Alpha", "alpha", "beta", "gamma"));  // equal lower-cased names keep the server's order
    EXPECT_THAT(names(listing.visibleEntries("", "", false, FolderSortMode::sizeLargest)),
                ElementsAre("gamma", "Alpha", "beta", "alpha"));  // equal sizes by name
    EXPECT_THAT(names(listing.visibleEntries("", "", false, FolderSortMode::modifiedNewest)),
                ElementsAre("Alpha", "alpha", "gamma", "beta"));
    // Filtering keeps the order of the whole.
    EXPECT_THAT(names(listing.visibleEntries("", "a", false, FolderSortMode::sizeLargest)),
                ElementsAre("gamma", "Alpha", "beta", "alpha"));
    EXPECT_THAT(names(listing.visibleEntries("", "ph", false, FolderSortMode::modifiedNewest)), ElementsAre("Alpha", "alpha"));

    // A composed and a decomposed é are the same name; "é" sorts after "z" by scalar value.
    const FolderListing accents({dir("z"), dir("e\u0301b"), dir("\u00E9a"), dir("a")});
    EXPECT_THAT(names(accents.visibleEntries("", "", false, FolderSortMode::name)),
                ElementsAre("a", "z", "\u00E9a", "e\u0301b"));
}

TEST(FolderListingTest, TypingOnNarrowsTheSameWayAsAFreshSearch) {
    const std::vector<Entry> dirs{dir("alpha", 3), dir("Alps", 9), dir("beta", 1), dir("ALPINE", 5), dir("palp", 7)};
    const FolderListing typed(dirs);
    const std::pair<const char*, const char*> steps[] = {
        {"", "x"}, {"a", ""}, {"al", ""}, {"alp", ""}, {"alpi", "base"}, {"lp", ""}, {"lp", "other"}, {"", ""}, {"p", ""},
    };
    for (auto mode : kFolderSortModes) {
        for (const auto& [query, base] : steps) {
            const FolderListing fresh(dirs);
            EXPECT_EQ(names(typed.visibleEntries(base, query, false, mode)), names(fresh.visibleEntries(base, query, false, mode)))
                << query << " in " << base << " by " << rawValue(mode);
        }
    }
    // The base is part of the question: "base/alpi..." matches by path only inside base.
    EXPECT_THAT(names(typed.visibleEntries("base", "base/al", false, FolderSortMode::name)), ElementsAre("alpha", "ALPINE", "Alps"));
    EXPECT_THAT(names(typed.visibleEntries("other", "base/al", false, FolderSortMode::name)), ElementsAre());
}

TEST(FolderSubtitleTest, RelativeAgesAtTheirThresholds) {
    const double now = 1'800'000'000;
    const FolderDateWriter writer = [](double t) { return "date " + std::to_string(static_cast<long long>(t)); };
    const std::pair<double, const char*> cases[] = {
        {59, "just now"},        {60, "1m ago"},         {3599, "59m ago"},     {3600, "1h ago"},
        {172799, "47h ago"},     {172800, "2d ago"},     {2591999, "29d ago"},  {-10, "just now"},
        {59.9, "just now"},      {2592000, "date 1797408000"},
    };
    for (const auto& [age, text] : cases) EXPECT_EQ(relativeAge(now - age, now, writer), text) << age;

    const platform::DateStyleFormatter dates(platform::DateStyleFormatter::Style::medium,
                                             platform::DateStyleFormatter::Style::shortStyle, "en_US", "UTC");
    const std::string written = relativeAge(1'700'000'000, now, [&](double t) { return dates.string(t); });
    // ICU puts a narrow no-break space before PM.
    EXPECT_THAT(written, ::testing::StartsWith("Nov 14, 2023"));
    EXPECT_THAT(written, ::testing::EndsWith("10:13\u202FPM"));
}

TEST(FolderSubtitleTest, PathAndModificationTimeInSecondsOrMilliseconds) {
    const double now = 1'700'000'300;
    const FolderDateWriter writer = [](double) { return std::string("a date"); };
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "/projects/web"},
        {-5, "/projects/web"},
        {1'700'000'000, "/projects/web \u00B7 modified 5m ago"},
        {1'700'000'000'000, "/projects/web \u00B7 modified just now"},  // seconds: far in the future
        {2'000'000'000'000, "/projects/web \u00B7 modified just now"},
        {2'500'000'000'000, "/projects/web \u00B7 modified just now"},  // milliseconds: 2049
        {1, "/projects/web \u00B7 modified a date"},
    };
    for (const auto& [mtime, text] : cases) {
        EXPECT_EQ(folderSubtitle("projects/web", dir("web", 0, mtime), now, writer), text) << mtime;
    }
    // The threshold is two million million: at it, seconds; above it, milliseconds.
    EXPECT_EQ(folderSubtitle("a", dir("a", 0, 2'000'000'000'000), 2'000'000'100.0, writer), "/a \u00B7 modified just now");
    EXPECT_EQ(folderSubtitle("a", dir("a", 0, 2'000'000'000'001), 2'000'000'100.0, writer), "/a \u00B7 modified 1m ago");
    // Milliseconds that are an hour old.
    EXPECT_EQ(folderSubtitle("", dir("x", 0, 2'100'000'000'000), 2'100'000'000.0 + 3600, writer),
              "/ \u00B7 modified 1h ago");
    EXPECT_EQ(folderModificationSeconds(2'500'000'000'000), 2'500'000'000.0);
    EXPECT_EQ(folderModificationSeconds(INT64_MAX) > 0, true);
}

}  // namespace
}  // namespace share_test
