// Which server a share starts on, what is pre-selected, and what a server's draft holds the
// first time it is needed in a share.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Screen/DraftResolution.h"

namespace {

using namespace tarvo;
using namespace tarvo::share;
using platform::PropertyList;
using Event = ShareRunNotificationEvent;

ServerProfile profile(const std::string& id, const std::string& name = "", bool pushes = false,
                      bool failuresOnly = false) {
    ServerProfile p;
    p.id = id;
    p.name = name;
    p.runCompletionPushEnabled = pushes;
    p.runCompletionPushFailuresOnly = failuresOnly;
    return p;
}

PropertyList list(std::vector<PropertyList> items) { return PropertyList(PropertyList::Array(std::move(items))); }

TEST(DraftResolution, DefaultKindByTypeKey) {
    const std::pair<const char*, const char*> cases[] = {
        {"image", "photo"}, {"IMAGE", "photo"}, {"video", "video"}, {"audio", "voice"}, {"url", "links"},
        {"text", "clipboard"}, {"pdf", "media"}, {"zip", "archive"}, {"file", "media"}, {"mixed", "media"},
        {"", "clipboard"}, {"folder", "clipboard"},
    };
    for (const auto& [type, kind] : cases) EXPECT_EQ(defaultKind(type), kind) << type;
}

TEST(DraftResolution, StartupServerFollowsLastThenActiveThenListOrder) {
    const Servers servers{profile("a"), profile("b"), profile("c")};
    struct Case {
        const char* last;
        const char* active;
        const char* expected;
    } cases[] = {
        {" b ", "c", "b"},     // trimmed last server wins
        {"gone", "c", "c"},    // a removed last server falls to the active one
        {"gone", "gone", "a"}, // neither configured: the first in list order
        {"", "", "a"},
    };
    for (const auto& c : cases) EXPECT_EQ(startupServerID(servers, c.last, c.active), c.expected) << c.last;
    EXPECT_EQ(startupServerID({}, "a", "b"), "");
}

TEST(DraftResolution, FreshDraftWithoutPriorTakesPayloadDefaultsAndServerPushEvents) {
    const Servers servers{profile("a", "A", true, false), profile("quiet")};

    const Draft text = freshInvocationDraft("a", "inbox", std::nullopt, "text", servers);
    EXPECT_EQ(text.serverId, "a");
    EXPECT_EQ(text.action, ShareAction::emit);
    EXPECT_EQ(text.kind, "clipboard");
    EXPECT_EQ(text.replyTo, "inbox");
    EXPECT_EQ(text.deployWorkingDirectory, PostUploadWorkingDirectory::uploadFolder);
    EXPECT_EQ(text.readinessRule, Draft::defaultReadinessRule(ShareExpectedLifetime::finite));
    EXPECT_EQ(text.notificationPolicy.events,
              (std::set<Event>{Event::accepted, Event::waitingForInput, Event::succeeded, Event::degraded, Event::failed}));

    const Draft image = freshInvocationDraft("quiet", "", std::nullopt, "image", servers);
    EXPECT_EQ(image.action, ShareAction::upload);
    EXPECT_EQ(image.kind, "photo");
    EXPECT_TRUE(image.notificationPolicy.events.empty()) << "pushes off";

    EXPECT_TRUE(freshInvocationDraft("", "", std::nullopt, "file", {}).notificationPolicy.events.empty());
}

TEST(DraftResolution, FreshDraftCleansTheRememberedDraft) {
    const Servers servers{profile("a", "A", true, true)};
    Draft prior;
    prior.serverId = "a";
    prior.action = ShareAction::emit;
    prior.kind = "  notes ";
    prior.onlyAgents = " keep as stored ";
    prior.destFolder = "  /sites/app/ ";
    prior.openOnNextLaunch = true;
    prior.postUploadAction = PostUploadAction::run;
    prior.deployWorkingDirectory = PostUploadWorkingDirectory::extractedFolder;
    prior.deployCustomWorkingDirectory = "  {extract}/app\nsecond line";
    prior.deployCommand = "\r\n./a.sh\r\n./b.sh\r";
    prior.selectedScriptPaths = {"\\app\\run.sh", "APP/RUN.SH/", " "};
    prior.expectedLifetime = ShareExpectedLifetime::persistent;
    prior.notificationPolicy.events = {Event::cancelled};  // not customised: replaced
    prior.readinessRule = Draft::defaultReadinessRule(ShareExpectedLifetime::finite);  // kind none

    const Draft d = freshInvocationDraft("a", "me", prior, "file", servers);
    EXPECT_EQ(d.action, ShareAction::upload) << "a file payload always uploads";
    EXPECT_EQ(d.kind, "notes");
    EXPECT_EQ(d.onlyAgents, " keep as stored ");
    EXPECT_EQ(d.destFolder, "sites/app");
    EXPECT_TRUE(d.openOnNextLaunch);
    EXPECT_EQ(d.deployWorkingDirectory, PostUploadWorkingDirectory::uploadFolder) << "run does not unzip";
    EXPECT_EQ(d.deployCustomWorkingDirectory, "{extract}/app");
    EXPECT_EQ(d.deployCommand, "./a.sh\n./b.sh");
    EXPECT_EQ(d.selectedScriptPaths, std::vector<std::string>{"app/run.sh"});
    EXPECT_EQ(d.notificationPolicy.events, (std::set<Event>{Event::waitingForInput, Event::degraded, Event::failed,
                                                            Event::stoppedUnexpectedly, Event::lost}));
    // Built by the normalising initialiser: a persistent run gets a readiness check.
    EXPECT_EQ(d.readinessRule, Draft::persistentReadinessDefault());

    prior.notificationPolicyCustomized = true;
    EXPECT_EQ(freshInvocationDraft("a", "", prior, "text", servers).notificationPolicy.events,
              std::set<Event>{Event::cancelled});
    EXPECT_EQ(freshInvocationDraft("a", "", prior, "url", servers).action, ShareAction::emit) << "text keeps emit";
    prior.kind = "   ";
    EXPECT_EQ(freshInvocationDraft("a", "", prior, "zip", servers).kind, "archive");
}

TEST(DraftResolution, DerivedEventsByLifetimeAndFailuresOnly) {
    const ServerProfile all = profile("a", "", true, false);
    const ServerProfile failures = profile("b", "", true, true);
    EXPECT_EQ(derivedNotificationPolicy(&all, ShareExpectedLifetime::persistent).events,
              (std::set<Event>{Event::accepted, Event::ready, Event::waitingForInput, Event::failed,
                               Event::stoppedUnexpectedly, Event::lost}));
    EXPECT_EQ(derivedNotificationPolicy(&failures, ShareExpectedLifetime::finite).events,
              (std::set<Event>{Event::waitingForInput, Event::degraded, Event::failed}));
    EXPECT_TRUE(derivedNotificationPolicy(nullptr, ShareExpectedLifetime::finite).events.empty());
}

TEST(DraftResolution, IntentFollowsTheUserToAnotherServer) {
    Draft fresh;
    fresh.action = ShareAction::upload;
    fresh.kind = "media";
    fresh.destFolder = "target/own";
    Draft onScreen;
    onScreen.action = ShareAction::emit;
    onScreen.kind = " photo ";
    onScreen.openOnNextLaunch = true;
    onScreen.destFolder = "mine";

    const Draft moved = carryingIntent(fresh, onScreen, "image");
    EXPECT_EQ(moved.action, ShareAction::emit);
    EXPECT_EQ(moved.kind, " photo ") << "carried untrimmed";
    EXPECT_TRUE(moved.openOnNextLaunch);
    EXPECT_EQ(moved.destFolder, "target/own");

    onScreen.kind = " ";
    EXPECT_EQ(carryingIntent(fresh, onScreen, "image").kind, "photo");
}

TEST(DraftResolution, RememberedSelectionTakesTheFirstNonEmptySource) {
    const Servers servers{profile("a"), profile("b"), profile("c")};
    const auto ids = [](std::initializer_list<const char*> l) {
        std::vector<PropertyList> v;
        for (const char* s : l) v.emplace_back(std::string(s));
        return list(std::move(v));
    };
    struct Case {
        const char* name;
        std::optional<PropertyList> project;
        std::optional<PropertyList> global;
        const char* fallback;
        std::set<std::string> expected;
    } cases[] = {
        {"project wins", ids({"c"}), ids({"a", "b"}), "a", {"c"}},
        {"project of removed servers", ids({"gone"}), ids({" a", "b "}), "c", {"a", "b"}},
        {"global with a number", std::nullopt, list({PropertyList(std::string("a")), PropertyList(std::int64_t{3})}),
         " b ", {"b"}},
        {"global not an array", std::nullopt, PropertyList(std::string("a")), "c", {"c"}},
        {"fallback removed", std::nullopt, std::nullopt, "gone", {}},
        {"nothing", std::nullopt, std::nullopt, "", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rememberedSelectedServerIDs(c.project, c.global, c.fallback, servers), c.expected) << c.name;
    }
}

TEST(DraftResolution, RememberedSingleServer) {
    const Servers servers{profile("a"), profile("b")};
    using S = std::optional<std::string>;
    struct Case {
        const char* name;
        S project, single, last;
        S expected;
    } cases[] = {
        {"project", S(" b "), S("a"), S("a"), S("b")},
        {"project removed", S("gone"), S("a"), S("b"), S("a")},
        {"single", std::nullopt, S("b"), S("a"), S("b")},
        {"single names a removed server", std::nullopt, S("gone"), S("a"), std::nullopt},
        {"only last", std::nullopt, std::nullopt, S(" a"), S("a")},
        {"nothing", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rememberedSingleServerID(c.project, c.single, c.last, servers), c.expected) << c.name;
    }
}

TEST(DraftResolution, ProjectKeysNeedADigest) {
    ArtifactProjectSignature signature;
    signature.exactDigest = " abc \n";
    EXPECT_EQ(projectScopedShareKey("multiServerIds", signature), "share.project.multiServerIds.abc");
    signature.exactDigest = "  ";
    EXPECT_EQ(projectScopedShareKey("serverMode", signature), std::nullopt);
    EXPECT_EQ(projectScopedShareKey("serverMode", std::nullopt), std::nullopt);
}

}  // namespace
