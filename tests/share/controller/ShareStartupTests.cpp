// The controller's start-up from a stored app group: the settings copy, the retired keys, the
// tickets set aside, the payload's keys, the stored drafts and modes and the draft the screen
// starts with.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Screen/ShareStartup.h"
#include "tests/share/ShareTestEnvironment.h"

namespace share_test {
namespace {

using platform::Json;
using platform::PropertyList;
using tarvo::ShareViewController;
using ::testing::ElementsAre;

PropertyList text(const std::string& s) { return PropertyList(s); }

PropertyList ids(std::vector<std::string> values) {
    PropertyList::Array a;
    for (auto& v : values) a.emplace_back(std::move(v));
    return PropertyList(std::move(a));
}

// A stored store with one draft per entry of `drafts` (server id, destination).
void storeDrafts(platform::UserDefaults& defaults, const std::vector<std::pair<std::string, std::string>>& drafts) {
    tarvo::share::ServerDraftStore store;
    for (const auto& [id, folder] : drafts) {
        tarvo::share::Draft d;
        d.serverId = id;
        d.action = tarvo::share::ShareAction::upload;
        d.destFolder = folder;
        d.kind = "kind-" + id;
        store.byServer[id] = d;
    }
    store.save(defaults);
}

class ShareStartupTest : public ::testing::Test {
protected:
    ShareTestEnvironment env;
};

TEST_F(ShareStartupTest, CopiesLegacySettingsOnceAndRemovesRetiredKeys) {
    Json servers = Json::array({env.server("a", "Alpha"), env.server("b", "Beta")});
    env.standardDefaults().set("servers.json", text(platform::encodeCompact(servers)));
    env.standardDefaults().set("activeServerId", text("b"));
    env.appGroupDefaults().set("emit.defaultReplyTo", text(" inbox "));  // already in the group: kept
    env.standardDefaults().set("emit.defaultReplyTo", text("older"));
    for (const auto& key : tarvo::share::retiredDraftSettingsKeys()) {
        if (key != "share.action") env.appGroupDefaults().set(key, text("old"));
    }

    auto& c = *env.start({env.textItem("hello")});

    EXPECT_TRUE(env.appGroupDefaults().boolValue(std::string("appcfg.migratedToAppGroup.") + kAppGroup));
    ASSERT_EQ(c.servers.size(), 2u);
    EXPECT_EQ(c.draft.serverId, "b") << "the copied active server";
    EXPECT_EQ(c.draft.replyTo, "inbox");
    for (const auto& key : tarvo::share::retiredDraftSettingsKeys()) {
        EXPECT_FALSE(env.appGroupDefaults().object(key)) << key;
    }

    // The copy happens once: later changes of the standard store stay there.
    env.releaseController();
    env.standardDefaults().set("activeServerId", text("a"));
    env.appGroupDefaults().removeObject("activeServerId");
    env.start({env.textItem("again")});
    EXPECT_FALSE(env.appGroupDefaults().object("activeServerId"));
}

TEST_F(ShareStartupTest, TicketsAreSetAsideAndThePayloadKeysFollowTheItems) {
    env.setServers(Json::array({env.server("a", "Alpha")}));
    auto photo = ShareTestEnvironment::fileItem("public.jpeg", "IMG_1.jpg");
    auto ticket = ShareTestEnvironment::fileItem("public.json", "Release.NVK-DEPLOY.JSON");
    auto& c = *env.start({photo, ticket}, " com.example.my-notes-app ");
    EXPECT_THAT(c.providers, ElementsAre(photo));
    EXPECT_THAT(c.deploymentSidecarProviders, ElementsAre(ticket));
    EXPECT_TRUE(c.returnSidecarProviders.empty());
    EXPECT_EQ(c.typeKey, "image");
    EXPECT_EQ(c.sourceBundleID, "com.example.my-notes-app");
    EXPECT_EQ(c.biasKey, "image@com.example.my-notes-app");
    EXPECT_EQ(c.draft.action, tarvo::share::ShareAction::upload);
    EXPECT_EQ(c.draft.kind, "photo");
}

TEST_F(ShareStartupTest, TypeKeyOfSeveralKindsAndOfTicketsOnly) {
    auto& mixed = *env.start({ShareTestEnvironment::fileItem("public.jpeg", "a.jpg"),
                              ShareTestEnvironment::fileItem("public.png", "b.png"), env.textItem("t")});
    EXPECT_EQ(mixed.typeKey, "mixed");
    env.releaseController();
    auto& onlyReply = *env.start({ShareTestEnvironment::fileItem("public.json", "r.nvk-return.json")});
    EXPECT_TRUE(onlyReply.providers.empty());
    EXPECT_EQ(onlyReply.returnSidecarProviders.size(), 1u);
    EXPECT_EQ(onlyReply.typeKey, "file");
    EXPECT_EQ(onlyReply.biasKey, "file");
}

TEST_F(ShareStartupTest, StoredDraftOfTheStartingServerIsShown) {
    env.setServers(Json::array({env.server("a", "Alpha"), env.server("b", "Beta")}));
    env.appGroupDefaults().set("share.lastServerId", text("b"));
    storeDrafts(env.appGroupDefaults(), {{"a", "apps/a"}, {"b", "/apps/b/"}});

    auto& c = *env.start({ShareTestEnvironment::fileItem("public.zip-archive", "site.zip")});
    EXPECT_EQ(c.serverDraftStore.byServer.size(), 2u);
    EXPECT_EQ(c.draft.serverId, "b");
    EXPECT_EQ(c.draft.destFolder, "apps/b");
    EXPECT_EQ(c.destFolderField->text, "apps/b");
    EXPECT_EQ(c.kindField->text, "kind-b");
    EXPECT_EQ(c.serverButton->displayedTitle(), "Beta");
}

TEST_F(ShareStartupTest, ModesNeedTheirExactTexts) {
    env.setServers(Json::array({env.server("a", "Alpha"), env.server("b", "Beta")}));
    env.appGroupDefaults().set("share.serverMode", text("Multi"));
    env.appGroupDefaults().set("share.multiDispatchMode", text("oneByOne"));
    auto& c = *env.start({env.textItem("x")});
    EXPECT_EQ(c.serverMode, ShareViewController::ServerMode::single);
    EXPECT_EQ(c.multiDispatchMode, ShareViewController::MultiDispatchMode::oneByOne);
    EXPECT_EQ(c.serverModeControl->selectedSegmentIndex, 0);
    EXPECT_EQ(c.multiDispatchControl->selectedSegmentIndex, 1);
}

TEST_F(ShareStartupTest, MultiModeWithNoRememberedSelectionSelectsTheDraftsServer) {
    env.setServers(Json::array({env.server("a", "Alpha"), env.server("b", "Beta")}));
    env.appGroupDefaults().set("share.serverMode", text("multi"));
    env.appGroupDefaults().set("share.lastServerId", text("a"));
    env.appGroupDefaults().set("share.multiServerIds", ids({"gone"}));
    auto& c = *env.start({env.textItem("x")});
    EXPECT_EQ(c.serverMode, ShareViewController::ServerMode::multi);
    EXPECT_EQ(c.selectedServerIDs, std::set<std::string>{"a"});
    EXPECT_EQ(c.draft.serverId, "a");
}

TEST_F(ShareStartupTest, MultiModeTakesTheDraftOfTheFirstSelectedServerInListOrder) {
    // The list stores c before b; the draft's server a is not selected.
    env.setServers(Json::array({env.server("a", "Alpha"), env.server("c", "Charlie"), env.server("b", "Beta")}));
    env.appGroupDefaults().set("share.serverMode", text("multi"));
    env.appGroupDefaults().set("share.lastServerId", text("a"));
    env.appGroupDefaults().set("share.multiServerIds", ids({"b", "c"}));
    storeDrafts(env.appGroupDefaults(), {{"a", "for-a"}, {"b", "for-b"}, {"c", "for-c"}});
    auto& c = *env.start({env.textItem("x")});
    EXPECT_EQ(c.selectedServerIDs, (std::set<std::string>{"b", "c"}));
    EXPECT_EQ(c.draft.serverId, "c");
    EXPECT_EQ(c.draft.destFolder, "for-c");
    EXPECT_EQ(c.draft.kind, "kind-a") << "the intent of the starting draft travels with it";
}

TEST_F(ShareStartupTest, SingleModeMovesToTheRememberedSingleServer) {
    env.setServers(Json::array({env.server("a", "Alpha"), env.server("b", "Beta")}));
    env.appGroupDefaults().set("share.lastServerId", text("a"));
    env.appGroupDefaults().set("share.singleServerId", text(" b "));
    storeDrafts(env.appGroupDefaults(), {{"b", "for-b"}});
    auto& c = *env.start({env.textItem("x")});
    EXPECT_EQ(c.draft.serverId, "b");
    EXPECT_EQ(c.draft.destFolder, "for-b");
    EXPECT_EQ(c.serverButton->displayedTitle(), "Beta");
    EXPECT_EQ(c.selectedServerIDs, std::set<std::string>{"a"}) << "the fallback of the starting draft";
}

TEST_F(ShareStartupTest, NoServersAtAll) {
    auto& c = *env.start({env.textItem("x")});
    EXPECT_TRUE(c.servers.empty());
    EXPECT_EQ(c.draft.serverId, "");
    EXPECT_TRUE(c.draft.notificationPolicy.events.empty());
    EXPECT_TRUE(c.selectedServerIDs.empty());
    EXPECT_EQ(c.serverButton->displayedTitle(), "No server configured");
    EXPECT_FALSE(c.serverButton->menu);
}

TEST_F(ShareStartupTest, WithoutAnAppGroupTheStandardStoreServes) {
    ShareTestEnvironment standalone(ShareTestEnvironment::Options{false, false});
    standalone.standardDefaults().set("servers.json",
                                      text(platform::encodeCompact(Json::array({standalone.server("s", "Solo")}))));
    auto& c = *standalone.start({standalone.textItem("x")});
    EXPECT_EQ(c.draft.serverId, "s");
    EXPECT_EQ(c.serverButton->displayedTitle(), "Solo");
}

// A group whose suite cannot be opened has nowhere to copy to: the standard store serves the
// settings and keeps them as they were, with no mark of a copy.
TEST_F(ShareStartupTest, ASuiteThatDoesNotOpenIsNeverCopiedInto) {
    ShareTestEnvironment unopened(ShareTestEnvironment::Options{.appGroupID = "group/test"});
    ASSERT_FALSE(platform::UserDefaults::suite("group/test"));
    unopened.standardDefaults().set("servers.json",
                                    text(platform::encodeCompact(Json::array({unopened.server("s", "Solo")}))));
    auto& c = *unopened.start({unopened.textItem("x")});
    EXPECT_EQ(c.serverButton->displayedTitle(), "Solo");
    for (const auto& key : unopened.standardDefaults().keys()) {
        EXPECT_EQ(key.rfind("appcfg.migratedToAppGroup", 0), std::string::npos) << key;
    }
}

TEST_F(ShareStartupTest, KeyboardRegistrationsEndWithTheController) {
    env.start();
    EXPECT_EQ(env.window().notificationCenter().observerCount(platform::UIKeyboard::willChangeFrameNotification), 1u);
    EXPECT_EQ(env.window().notificationCenter().observerCount(platform::UIKeyboard::willHideNotification), 1u);
    env.releaseController();
    EXPECT_EQ(env.window().notificationCenter().observerCount(platform::UIKeyboard::willChangeFrameNotification), 0u);
    EXPECT_EQ(env.window().notificationCenter().observerCount(platform::UIKeyboard::willHideNotification), 0u);
}

}  // namespace
}  // namespace share_test
