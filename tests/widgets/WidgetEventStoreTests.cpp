#include "Core/WidgetEventStore.h"

#include <filesystem>
#include <unordered_set>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/Files.h"
#include "tests/support/ScopedBundleInfo.h"
#include "tests/widgets/WidgetTestSupport.h"

namespace tarvo {
namespace {

using testing::iso;
using testing::WidgetHome;

constexpr const char* kGroup = "group.test.widgets";

std::string feed(const std::string& events, const char* schema = "1",
                 const char* updatedAt = "\"2025-01-31T09:00:00Z\"") {
    return std::string("{\"schema\": ") + schema + ", \"updatedAt\": " + updatedAt +
           ", \"events\": [" + events + "]}";
}

std::string event(const char* id, const char* title = "t", const char* extra = "") {
    return std::string("{\"id\": \"") + id + "\", \"title\": \"" + title +
           "\", \"subtitle\": \"s\", \"kind\": \"k\", \"timestamp\": \"2025-01-31T08:00:00Z\"" +
           extra + "}";
}

void setDefaultsFeed(const std::string& group, const platform::PropertyList& value) {
    auto defaults = platform::UserDefaults::suite(group);
    ASSERT_NE(defaults, nullptr);
    defaults->set(WidgetEventStore::kFeedDefaultsKey, value);
}

TEST(WidgetEventTest, ConstructorTrimsButDecodingKeepsValuesAsRead) {
    WidgetEvent built(" id ", "  Title\n", "\tsub ", " cmd ", 5, " \n ");
    EXPECT_EQ(built.id, " id ");  // identity untouched
    EXPECT_EQ(built.title, "Title");
    EXPECT_EQ(built.subtitle, "sub");
    EXPECT_EQ(built.kind, "cmd");
    ASSERT_TRUE(built.deeplink.has_value());
    EXPECT_EQ(*built.deeplink, "");  // trims to empty, stays present
    EXPECT_EQ(WidgetEvent("a", "\u00a0T\u3000", "", "", 0).title, "T");  // Unicode spaces

    auto decoded = widgetEventFromJson(platform::parseJson(
        R"({"id":" id ","title":"  Title\n","subtitle":"\tsub ","kind":" cmd ",)"
        R"("timestamp":"2025-01-31T08:00:00Z","deeplink":" x "})"));
    EXPECT_EQ(decoded.title, "  Title\n");
    EXPECT_EQ(decoded.subtitle, "\tsub ");
    EXPECT_EQ(decoded.kind, " cmd ");
    EXPECT_EQ(decoded.deeplink, std::optional<std::string>(" x "));
}

TEST(WidgetEventTest, EqualityAndHashCoverEveryFieldAndTellAbsentFromEmptyDeeplink) {
    const WidgetEvent a("1", "t", "s", "k", 10);
    const WidgetEvent withEmpty("1", "t", "s", "k", 10, "");
    EXPECT_NE(a, withEmpty);
    EXPECT_EQ(a, WidgetEvent("1", "t", "s", "k", 10));
    EXPECT_NE(a, WidgetEvent("1", "t", "s", "k", 11));
    EXPECT_NE(a, WidgetEvent("2", "t", "s", "k", 10));
    std::unordered_set<WidgetEvent> set = {a, withEmpty, WidgetEvent("1", "t", "s", "k", 10)};
    EXPECT_EQ(set.size(), 2u);

    const WidgetFeedSnapshot s1(1, 100, {a, withEmpty});
    const WidgetFeedSnapshot s2(1, 100, {withEmpty, a});
    EXPECT_NE(s1, s2);  // element by element
    EXPECT_EQ(s1, WidgetFeedSnapshot(1, 100, {a, withEmpty}));
    EXPECT_EQ(std::hash<WidgetFeedSnapshot>{}(s1),
              std::hash<WidgetFeedSnapshot>{}(WidgetFeedSnapshot(1, 100, {a, withEmpty})));
}

TEST(WidgetFeedSnapshotTest, DefaultIsTheEmptyFeedMadeNow) {
    const auto clock = platform::Clock::fixedAt(1738315800.25);
    WidgetFeedSnapshot s;
    EXPECT_EQ(s.schema, 1);
    EXPECT_EQ(s.updatedAt, 1738315800.25);
    EXPECT_TRUE(s.events.empty());
}

TEST(WidgetFeedDecodingTest, AcceptsTheFeedFormat) {
    auto s = decodeWidgetFeedSnapshot(
        R"({"schema": 7, "updatedAt": "2025-01-31T10:00:00+01:00", "extra": [1, 2],
            "events": [
              {"id": "a", "title": "A", "subtitle": "", "kind": "", "timestamp": "2025-01-31T08:00:00Z", "other": true},
              {"id": "b", "title": "B", "subtitle": "x", "kind": "cmd", "timestamp": "2025-01-31T08:00:00Z", "deeplink": null},
              {"id": "c", "title": "C", "subtitle": "x", "kind": "cmd", "timestamp": "2025-01-31T08:00:00Z", "deeplink": ""},
              {"id": "c", "title": "C", "subtitle": "x", "kind": "cmd", "timestamp": "2025-01-31T08:00:00Z", "deeplink": "tarvo://x"},
              {"id": "a", "title": "A", "subtitle": "", "kind": "", "timestamp": "2025-01-31T08:00:00Z"}
            ]})");
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->schema, 7);  // carried, not checked
    EXPECT_EQ(s->updatedAt, iso("2025-01-31T09:00:00Z"));
    ASSERT_EQ(s->events.size(), 5u);  // stored order, duplicates kept
    EXPECT_EQ(s->events[0].id, "a");
    EXPECT_FALSE(s->events[0].deeplink.has_value());
    EXPECT_FALSE(s->events[1].deeplink.has_value());
    EXPECT_EQ(s->events[2].deeplink, std::optional<std::string>(""));
    EXPECT_EQ(s->events[3].deeplink, std::optional<std::string>("tarvo://x"));
    EXPECT_EQ(s->events[4], s->events[0]);

    EXPECT_TRUE(decodeWidgetFeedSnapshot(feed("")).has_value());  // no events is fine
}

TEST(WidgetFeedDecodingTest, AnyFaultAnywhereMakesTheWholeTextUnreadable) {
    const std::string good = event("ok");
    const std::string cases[] = {
        "",
        "not json",
        "[]",
        "null",
        "{\"schema\": 1, \"updatedAt\": \"2025-01-31T09:00:00Z\", \"events\": [",  // truncated
        R"({"updatedAt": "2025-01-31T09:00:00Z", "events": []})",                // no schema
        R"({"schema": 1, "events": []})",                                        // no updatedAt
        R"({"schema": 1, "updatedAt": "2025-01-31T09:00:00Z"})",                 // no events
        feed(good, "\"1\""),                                                     // schema as text
        feed(good, "null"),
        feed(good, "1.5"),
        feed(good, "1", "\"2025-01-31T09:00:00.250Z\""),                         // fraction
        feed(good, "1", "1738314000"),                                           // number date
        feed(good, "1", "null"),
        R"({"schema": 1, "updatedAt": "2025-01-31T09:00:00Z", "events": {}})",
        feed(good + ", 5"),
        feed(good + R"(, {"id": "x", "title": "t", "kind": "k", "timestamp": "2025-01-31T08:00:00Z"})"),
        feed(good + ", " + event("x", "t", R"(, "deeplink": 5)")),
        feed(good + R"(, {"id": 1, "title": "t", "subtitle": "", "kind": "k", "timestamp": "2025-01-31T08:00:00Z"})"),
        feed(good + R"(, {"id": "x", "title": "t", "subtitle": null, "kind": "k", "timestamp": "2025-01-31T08:00:00Z"})"),
        feed(good + R"(, {"id": "x", "title": "t", "subtitle": "", "kind": "k", "timestamp": "2025-01-31T08:00:00.5Z"})"),
        feed(good + R"(, {"ID": "x", "title": "t", "subtitle": "", "kind": "k", "timestamp": "2025-01-31T08:00:00Z"})"),
        "{\"schema\": 1, \"updatedAt\": \"2025-01-31T09:00:00Z\", \"events\": [{\"id\": \"\xff\"}]}",
    };
    for (const auto& text : cases) {
        EXPECT_FALSE(decodeWidgetFeedSnapshot(text).has_value()) << text;
    }
}

TEST(WidgetFeedDecodingTest, EncodingWritesTheSameKeysAndOmitsAnAbsentDeeplink) {
    const WidgetFeedSnapshot s(3, iso("2025-01-31T09:00:00Z"),
                               {WidgetEvent("a", "A", "", "cmd", iso("2025-01-31T08:00:00Z")),
                                WidgetEvent("b", "B", "x", "", iso("2025-01-31T08:00:01Z"), "")});
    const auto j = toJson(s);
    EXPECT_EQ(platform::encodeCompact(j),
              R"({"schema":3,"updatedAt":"2025-01-31T09:00:00Z","events":[)"
              R"({"id":"a","title":"A","subtitle":"","kind":"cmd","timestamp":"2025-01-31T08:00:00Z"},)"
              R"({"id":"b","title":"B","subtitle":"x","kind":"","timestamp":"2025-01-31T08:00:01Z","deeplink":""}]})");
    EXPECT_EQ(decodeWidgetFeedSnapshot(platform::encodeCompact(j)), s);
}

// ---- Where the feed is read from.

class WidgetEventStoreTest : public ::testing::Test {
protected:
    WidgetHome home{kGroup};
    const std::string fileFeed = feed(event("from-file"));
    const std::string defaultsFeed = feed(event("from-defaults"));

    std::vector<std::string> loadedIds() {
        std::vector<std::string> ids;
        for (const auto& e : WidgetEventStore::loadSnapshot().events) ids.push_back(e.id);
        return ids;
    }
};

TEST_F(WidgetEventStoreTest, ContainerFileComesFirstThenDefaultsThenTheEmptyFeed) {
    const auto clock = platform::Clock::fixedAt(1738315800);
    auto empty = WidgetEventStore::loadSnapshot();
    EXPECT_EQ(empty, WidgetFeedSnapshot(1, 1738315800, {}));

    setDefaultsFeed(kGroup, platform::PropertyList(defaultsFeed));
    EXPECT_EQ(loadedIds(), std::vector<std::string>{"from-defaults"});

    home.writeFeedFile(kGroup, fileFeed);
    EXPECT_EQ(loadedIds(), std::vector<std::string>{"from-file"});

    // A readable file with no events still wins over a defaults value with events.
    home.writeFeedFile(kGroup, feed(""));
    EXPECT_TRUE(WidgetEventStore::loadSnapshot().events.empty());
    EXPECT_EQ(WidgetEventStore::loadSnapshot().updatedAt, iso("2025-01-31T09:00:00Z"));
}

TEST_F(WidgetEventStoreTest, AnUnusableFileFallsBackToTheDefaultsValue) {
    setDefaultsFeed(kGroup, platform::PropertyList(defaultsFeed));
    const std::string unusable[] = {
        "not json at all",
        feed(event("good") + R"(, {"id": "bad", "title": "t", "kind": "k", "timestamp": "2025-01-31T08:00:00Z"})"),
        feed(event("frac"), "1", "\"2025-01-31T09:00:00.250Z\""),
        "",
    };
    for (const auto& text : unusable) {
        home.writeFeedFile(kGroup, text);
        EXPECT_EQ(loadedIds(), std::vector<std::string>{"from-defaults"}) << text;
    }
}

TEST_F(WidgetEventStoreTest, AFileThatCannotBeReadFallsBackToTheDefaultsValue) {
    setDefaultsFeed(kGroup, platform::PropertyList(defaultsFeed));
    // A directory where the file should be.
    std::filesystem::create_directories(home.feedPath(kGroup));
    EXPECT_EQ(loadedIds(), std::vector<std::string>{"from-defaults"});
    std::filesystem::remove(home.feedPath(kGroup));

    // A FIFO must not block the widget.
    ASSERT_EQ(mkfifo(home.feedPath(kGroup).c_str(), 0600), 0);
    EXPECT_EQ(loadedIds(), std::vector<std::string>{"from-defaults"});
    std::filesystem::remove(home.feedPath(kGroup));

    // No permission (root reads anyway, so this part only counts for other users).
    home.writeFeedFile(kGroup, fileFeed);
    ASSERT_EQ(chmod(home.feedPath(kGroup).c_str(), 0), 0);
    EXPECT_EQ(loadedIds(), std::vector<std::string>{geteuid() == 0 ? "from-file" : "from-defaults"});
}

TEST_F(WidgetEventStoreTest, DefaultsValueMustBeAReadableFeedString) {
    const auto clock = platform::Clock::fixedAt(1738315800);
    const platform::PropertyList unusable[] = {
        platform::PropertyList("{\"schema\": 1}"),
        platform::PropertyList(""),
        platform::PropertyList(std::int64_t{7}),
        platform::PropertyList(platform::PropertyList::Data(defaultsFeed.begin(), defaultsFeed.end())),
        platform::PropertyList(platform::PropertyList::Array{platform::PropertyList(defaultsFeed)}),
    };
    for (const auto& value : unusable) {
        setDefaultsFeed(kGroup, value);
        EXPECT_EQ(WidgetEventStore::loadSnapshot(), WidgetFeedSnapshot(1, 1738315800, {}));
    }
}

TEST(WidgetEventStoreGroupTest, AppGroupComesTrimmedFromTheBundleWithAFallback) {
    struct Case {
        platform::Json value;  // null: key absent
        const char* group;
    };
    const Case cases[] = {
        {platform::Json("  group.custom\n"), "group.custom"},
        {platform::Json("   "), "group.nolvek.Tarvo"},
        {platform::Json(nullptr), "group.nolvek.Tarvo"},
        {platform::Json(42), "group.nolvek.Tarvo"},
        {platform::Json::array({"group.custom"}), "group.nolvek.Tarvo"},
    };
    for (const auto& c : cases) {
        WidgetHome home(nullptr);
        platform::Json info = platform::Json::object();
        if (!c.value.is_null()) info["APP_GROUP_ID"] = c.value;
        tarvo_test::ScopedBundleInfo::set(info);
        home.writeFeedFile(c.group, feed(event(c.group)));
        auto s = WidgetEventStore::loadSnapshot();
        ASSERT_EQ(s.events.size(), 1u) << platform::encodeCompact(c.value);
        EXPECT_EQ(s.events[0].id, c.group);
    }
}

TEST(WidgetEventStoreGroupTest, DefaultsOfTheGroupAreReadWhenTheContainerIsUnavailable) {
    WidgetHome home("group.defaults-only");
    setDefaultsFeed("group.defaults-only", platform::PropertyList(feed(event("d"))));
    // A file where the containers folder should be: no container can be made.
    std::filesystem::remove_all(home / "containers");
    tarvo_test::writeFile(home / "containers", "x");
    auto s = WidgetEventStore::loadSnapshot();
    ASSERT_EQ(s.events.size(), 1u);
    EXPECT_EQ(s.events[0].id, "d");
}

}  // namespace
}  // namespace tarvo
