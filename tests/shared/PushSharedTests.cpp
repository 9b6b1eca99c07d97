#include "Core/PushShared.h"

#include "platform/foundation/Paths.h"
#include "tests/shared/SharedTestEnvironment.h"

namespace tarvo {
namespace {

using platform::Json;
using platform::PropertyList;
using platform::UserDefaults;

class PushSharedTest : public testing::SharedTestEnvironment {
protected:
    static constexpr const char* kPrefix = "appcfg.migratedToAppGroup";

    static void migrate() { PushShared::_migrateFromStandardIfNeeded(SharedDefaultsKeys::appConfig(), kPrefix); }
};

TEST_F(PushSharedTest, SuiteNameComesFromTheInfoDictionaryTrimmed) {
    struct Case {
        Json info;
        std::string expected;
    };
    const Case cases[] = {
        {Json{{"APP_GROUP_ID", "  group.tarvo.app\n"}}, "group.tarvo.app"},
        {Json{{"APP_GROUP_ID", "group.plain"}}, "group.plain"},
        {Json{{"APP_GROUP_ID", 42}}, ""},
        {Json{{"APP_GROUP_ID", nullptr}}, ""},
        {Json{{"APP_GROUP_ID", Json::array({"group.x"})}}, ""},
        {Json{{"OTHER", "group.x"}}, ""},
        {Json::object(), ""},
        {Json::array(), ""},
    };
    for (const auto& c : cases) {
        setInfo(c.info);
        EXPECT_EQ(PushShared::suiteName(), c.expected) << c.info.dump();
    }
}

TEST_F(PushSharedTest, DefaultsOpenTheSuiteOrFallBackToTheStandardStore) {
    const std::string standardPath = UserDefaults::standard()->databasePath();

    setInfo(Json{{"APP_GROUP_ID", " group.tarvo.app "}});
    auto suite = PushShared::defaults();
    ASSERT_NE(suite, nullptr);
    EXPECT_EQ(suite->databasePath(), platform::paths::suiteDatabasePath("group.tarvo.app"));

    // Each call gives a new store object on the same file.
    auto again = PushShared::defaults();
    EXPECT_NE(again.get(), suite.get());
    suite->set("k", PropertyList("v"));
    EXPECT_EQ(again->string("k"), "v");

    for (const Json& info : {Json{{"APP_GROUP_ID", 7}}, Json::object(), Json{{"APP_GROUP_ID", "   "}},
                             Json{{"APP_GROUP_ID", "a/b"}}, Json{{"APP_GROUP_ID", ".."}}}) {
        setInfo(info);
        auto store = PushShared::defaults();
        ASSERT_NE(store, nullptr) << info.dump();
        EXPECT_EQ(store->databasePath(), standardPath) << info.dump();
    }
}

TEST_F(PushSharedTest, AppConfigListsTheNineKeysInOrder) {
    const std::vector<std::string> expected{"servers.json",
                                            "activeServerId",
                                            "serverURL",
                                            "authToken",
                                            "emit.configByKind.json",
                                            "emit.defaultReplyTo",
                                            "web.user_js_actions.json",
                                            "browser.surface_mode",
                                            "browser.live_mirroring.enabled"};
    EXPECT_EQ(SharedDefaultsKeys::appConfig(), expected);
    EXPECT_EQ(&SharedDefaultsKeys::appConfig(), &SharedDefaultsKeys::appConfig());
}

TEST_F(PushSharedTest, MigrationCopiesMissingKeysOnceAndMarksTheSuite) {
    setInfo(Json{{"APP_GROUP_ID", "  group.tarvo.app\n"}});
    auto standard = UserDefaults::standard();
    auto suite = UserDefaults::suite("group.tarvo.app");
    ASSERT_NE(suite, nullptr);

    standard->set("servers.json", PropertyList("[{\"id\":\"std\"}]"));
    standard->set("activeServerId", PropertyList("std"));
    standard->set("browser.live_mirroring.enabled", PropertyList(true));
    standard->set("emit.configByKind.json", PropertyList(PropertyList::Dictionary{{"a", PropertyList(std::int64_t{3})}}));
    standard->set("not.in.the.list", PropertyList("stays behind"));
    suite->set("servers.json", PropertyList("[{\"id\":\"group\"}]"));

    migrate();

    const std::string marker = "appcfg.migratedToAppGroup.group.tarvo.app";
    EXPECT_TRUE(suite->boolValue(marker));
    EXPECT_EQ(suite->object(marker), PropertyList(true));
    // The app group's own value wins; values only in the standard store are copied as they are.
    EXPECT_EQ(suite->string("servers.json"), "[{\"id\":\"group\"}]");
    EXPECT_EQ(suite->object("activeServerId"), PropertyList("std"));
    EXPECT_EQ(suite->object("browser.live_mirroring.enabled"), PropertyList(true));
    EXPECT_EQ(suite->object("emit.configByKind.json"), standard->object("emit.configByKind.json"));
    EXPECT_FALSE(suite->object("not.in.the.list"));
    EXPECT_FALSE(suite->object("serverURL"));
    // Nothing is taken out of the standard store.
    EXPECT_EQ(standard->string("servers.json"), "[{\"id\":\"std\"}]");
    EXPECT_EQ(standard->string("activeServerId"), "std");

    // Keys that reach the standard store later are never copied, nor are changed ones.
    standard->set("serverURL", PropertyList("https://late.example"));
    standard->set("activeServerId", PropertyList("changed"));
    suite->removeObject("browser.live_mirroring.enabled");
    migrate();
    EXPECT_FALSE(suite->object("serverURL"));
    EXPECT_EQ(suite->string("activeServerId"), "std");
    EXPECT_FALSE(suite->object("browser.live_mirroring.enabled"));
}

TEST_F(PushSharedTest, MigrationSetsTheMarkerEvenWhenNothingIsCopied) {
    auto suite = UserDefaults::suite("group.test.tarvo");
    ASSERT_NE(suite, nullptr);
    PushShared::_migrateFromStandardIfNeeded({}, "custom.prefix");
    EXPECT_EQ(suite->object("custom.prefix.group.test.tarvo"), PropertyList(true));
    EXPECT_EQ(suite->keys(), std::vector<std::string>{"custom.prefix.group.test.tarvo"});

    // A marker stored as false means "not migrated yet".
    auto standard = UserDefaults::standard();
    standard->set("authToken", PropertyList("tok"));
    suite->set("appcfg.migratedToAppGroup.group.test.tarvo", PropertyList(false));
    migrate();
    EXPECT_EQ(suite->string("authToken"), "tok");
    EXPECT_TRUE(suite->boolValue("appcfg.migratedToAppGroup.group.test.tarvo"));
}

TEST_F(PushSharedTest, MigrationDoesNothingWithoutAUsableSuite) {
    auto standard = UserDefaults::standard();
    standard->set("servers.json", PropertyList("[]"));
    standard->set("authToken", PropertyList("tok"));
    const auto before = standard->keys();

    for (const Json& info : {Json::object(), Json{{"APP_GROUP_ID", 12}}, Json{{"APP_GROUP_ID", " \n"}},
                             Json{{"APP_GROUP_ID", "bad/name"}}, Json{{"APP_GROUP_ID", ".."}}}) {
        setInfo(info);
        migrate();
        EXPECT_EQ(standard->keys(), before) << info.dump();
        EXPECT_EQ(standard->string("authToken"), "tok");
    }
}

}  // namespace
}  // namespace tarvo
