// The per-server draft and its store, read and written through a real defaults suite (SQLite
// in a private Tarvo home): lenient defaults, strict types, the all-or-nothing load, and the
// writer's text read back equal.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TempHome.h"

namespace tarvo::share {
namespace {

using platform::Json;
using platform::PropertyList;
using platform::UserDefaults;
using E = ShareRunNotificationEvent;
using Kind = ShareReadinessRule::Kind;

ShareReadinessRule rule(Kind kind, std::int64_t seconds, std::string pattern = "", std::string url = "",
                        std::int64_t expectedStatus = 200) {
    ShareReadinessRule r;
    r.kind = kind;
    r.seconds = seconds;
    r.pattern = std::move(pattern);
    r.url = std::move(url);
    r.expectedStatus = expectedStatus;
    return r;
}

// What an empty stored object stands for, spelled out rather than taken from the code.
Draft emptyObjectDraft() {
    Draft d;
    d.serverId = "";
    d.action = ShareAction::emit;
    d.kind = "clipboard";
    d.replyTo = "";
    d.onlyAgents = "";
    d.destFolder = "";
    d.openOnNextLaunch = false;
    d.postUploadAction = PostUploadAction::none;
    d.deployWorkingDirectory = PostUploadWorkingDirectory::uploadFolder;
    d.deployCustomWorkingDirectory = "";
    d.deployCommand = "";
    d.selectedScriptPaths = {};
    d.expectedLifetime = ShareExpectedLifetime::finite;
    d.notificationPolicy = {{E::waitingForInput, E::degraded, E::failed}};
    d.notificationPolicyCustomized = false;
    d.readinessRule = rule(Kind::none, 0);
    return d;
}

Draft decode(const std::string& text) { return Draft::fromJson(platform::parseJson(text)); }

class DraftStoreTest : public tarvo_test::HomeTest {
protected:
    void SetUp() override {
        suite_ = UserDefaults::suite("group.test.tarvo");
        ASSERT_NE(suite_, nullptr);
    }

    void storeText(const std::string& text) { suite_->set(ServerDraftStore::defaultsKey, PropertyList(text)); }
    ServerDraftStore load() const { return ServerDraftStore::load(*suite_); }

    std::shared_ptr<UserDefaults> suite_;
};

TEST(DraftDecoding, MissingAndNullKeysTakeTheirDefaults) {
    EXPECT_EQ(decode("{}"), emptyObjectDraft());
    EXPECT_EQ(decode(R"({"serverId":null,"action":null,"kind":null,"openOnNextLaunch":null,
                         "postUploadAction":null,"deployWorkingDirectory":null,"selectedScriptPaths":null,
                         "expectedLifetime":null,"notificationPolicy":null,"readinessRule":null,
                         "somethingNewer":{"x":1}})"),
              emptyObjectDraft());

    Draft persistent = emptyObjectDraft();
    persistent.expectedLifetime = ShareExpectedLifetime::persistent;
    persistent.notificationPolicy = {{E::waitingForInput, E::degraded, E::failed, E::stoppedUnexpectedly, E::lost}};
    persistent.readinessRule = rule(Kind::survived, 3);
    EXPECT_EQ(decode(R"({"expectedLifetime":"persistent"})"), persistent);

    // A stored persistent draft keeps its "none" rule; only the initialiser upgrades it.
    const std::string storedNone =
        R"({"expectedLifetime":"persistent","readinessRule":{"kind":"none","seconds":0,"pattern":"","url":"","expectedStatus":200}})";
    EXPECT_EQ(decode(storedNone).readinessRule, rule(Kind::none, 0));
    EXPECT_EQ(Draft::normalized(decode(storedNone)).readinessRule, rule(Kind::survived, 3));

    // Present values are taken as read: an empty event set, a command with its blanks.
    Draft read = decode(R"({"notificationPolicy":{"events":[]},"deployCommand":"  bash './x.sh'\r\n",
                            "readinessRule":{"kind":"log_contains","seconds":0,"pattern":"ready","url":"","expectedStatus":0}})");
    EXPECT_TRUE(read.notificationPolicy.events.empty());
    EXPECT_EQ(read.deployCommand, "  bash './x.sh'\r\n");
    EXPECT_EQ(read.readinessRule, rule(Kind::logContains, 0, "ready", "", 0));
}

TEST(DraftDecoding, WorkingDirectoryFollowsTheActionRead) {
    using W = PostUploadWorkingDirectory;
    struct Case {
        const char* json;
        W expected;
    };
    const std::vector<Case> cases = {
        {R"({"postUploadAction":"run","deployWorkingDirectory":"extractedFolder"})", W::uploadFolder},
        {R"({"postUploadAction":"none","deployWorkingDirectory":"extractedFolder"})", W::uploadFolder},
        {R"({"postUploadAction":"unzip","deployWorkingDirectory":"extractedFolder"})", W::extractedFolder},
        {R"({"postUploadAction":"unzipThenRun","deployWorkingDirectory":"extractedFolder"})", W::extractedFolder},
        {R"({"postUploadAction":"unzipThenRun"})", W::extractedFolder},
        {R"({"postUploadAction":"unzip"})", W::extractedFolder},
        {R"({"postUploadAction":"run"})", W::uploadFolder},
        {R"({"postUploadAction":"run","deployWorkingDirectory":"custom"})", W::custom},
        {R"({"postUploadAction":"unzip","deployWorkingDirectory":"uploadFolder"})", W::uploadFolder},
    };
    for (const auto& c : cases) EXPECT_EQ(decode(c.json).deployWorkingDirectory, c.expected) << c.json;
}

TEST(DraftDecoding, CustomDirectoryAndScriptPathsAreCleanedOnRead) {
    Draft d = decode(R"({"deployCustomWorkingDirectory":" {extract}/bu\u0000ild\n",
                         "selectedScriptPaths":["\\Scripts\\Run.sh","scripts/run.sh/"," ","tools/b.sh","TOOLS\\B.SH"]})");
    EXPECT_EQ(d.deployCustomWorkingDirectory, "{extract}/build");
    EXPECT_EQ(d.selectedScriptPaths, (std::vector<std::string>{"Scripts/Run.sh", "tools/b.sh"}));
}

TEST(DraftNormalizedInit, AppliesTheWorkingDirectoryScriptAndReadinessRules) {
    Draft fields = emptyObjectDraft();
    fields.postUploadAction = PostUploadAction::run;
    fields.deployWorkingDirectory = PostUploadWorkingDirectory::extractedFolder;
    fields.selectedScriptPaths = {"/a.sh/", "A.SH", ""};
    fields.expectedLifetime = ShareExpectedLifetime::persistent;
    fields.readinessRule = rule(Kind::none, 0, "kept?", "", 500);
    fields.deployCustomWorkingDirectory = " untouched ";
    Draft d = Draft::normalized(fields);
    EXPECT_EQ(d.deployWorkingDirectory, PostUploadWorkingDirectory::uploadFolder);
    EXPECT_EQ(d.selectedScriptPaths, std::vector<std::string>{"a.sh"});
    EXPECT_EQ(d.readinessRule, rule(Kind::survived, 3));  // replaced as a whole
    EXPECT_EQ(d.deployCustomWorkingDirectory, " untouched ");

    fields.postUploadAction = PostUploadAction::unzipThenRun;
    fields.readinessRule = rule(Kind::httpResponds, 0, "", "http://x/health", 204);
    d = Draft::normalized(fields);
    EXPECT_EQ(d.deployWorkingDirectory, PostUploadWorkingDirectory::extractedFolder);
    EXPECT_EQ(d.readinessRule, rule(Kind::httpResponds, 0, "", "http://x/health", 204));

    fields.expectedLifetime = ShareExpectedLifetime::finite;
    fields.readinessRule = rule(Kind::none, 0);
    EXPECT_EQ(Draft::normalized(fields).readinessRule, rule(Kind::none, 0));
}

TEST(DraftEquality, ComparesEverySixteenFieldsAndEventsAsASet) {
    Draft base = emptyObjectDraft();
    base.selectedScriptPaths = {"a.sh", "b.sh"};
    const std::vector<std::pair<const char*, std::function<void(Draft&)>>> changes = {
        {"serverId", [](Draft& d) { d.serverId = "a"; }},
        {"serverId case", [](Draft& d) { d.serverId = "A"; }},
        {"action", [](Draft& d) { d.action = ShareAction::upload; }},
        {"kind", [](Draft& d) { d.kind = "Clipboard"; }},
        {"replyTo", [](Draft& d) { d.replyTo = "ops"; }},
        {"onlyAgents", [](Draft& d) { d.onlyAgents = "ci"; }},
        {"destFolder", [](Draft& d) { d.destFolder = "uploads"; }},
        {"openOnNextLaunch", [](Draft& d) { d.openOnNextLaunch = true; }},
        {"postUploadAction", [](Draft& d) { d.postUploadAction = PostUploadAction::unzip; }},
        {"deployWorkingDirectory", [](Draft& d) { d.deployWorkingDirectory = PostUploadWorkingDirectory::custom; }},
        {"deployCustomWorkingDirectory", [](Draft& d) { d.deployCustomWorkingDirectory = "x"; }},
        {"deployCommand", [](Draft& d) { d.deployCommand = " "; }},
        {"selectedScriptPaths order", [](Draft& d) { d.selectedScriptPaths = {"b.sh", "a.sh"}; }},
        {"expectedLifetime", [](Draft& d) { d.expectedLifetime = ShareExpectedLifetime::persistent; }},
        {"notificationPolicy", [](Draft& d) { d.notificationPolicy.events.insert(E::accepted); }},
        {"notificationPolicyCustomized", [](Draft& d) { d.notificationPolicyCustomized = true; }},
        {"readinessRule", [](Draft& d) { d.readinessRule.expectedStatus = 201; }},
    };
    for (const auto& [name, change] : changes) {
        Draft other = base;
        change(other);
        EXPECT_NE(other, base) << name;
    }
    Draft same = base;
    EXPECT_EQ(same, base);
    EXPECT_EQ(std::hash<Draft>{}(same), std::hash<Draft>{}(base));

    EXPECT_EQ(decode(R"({"notificationPolicy":{"events":["failed","degraded","waiting_for_input"]}})"),
              decode(R"({"notificationPolicy":{"events":["waiting_for_input","failed","degraded"]}})"));
}

TEST(DraftEncoding, WritesAllSixteenKeysInFieldOrder) {
    Json j = emptyObjectDraft().toJson();
    std::vector<std::string> keys;
    for (const auto& item : j.items()) keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"serverId", "action", "kind", "replyTo", "onlyAgents", "destFolder",
                                              "openOnNextLaunch", "postUploadAction", "deployWorkingDirectory",
                                              "deployCustomWorkingDirectory", "deployCommand", "selectedScriptPaths",
                                              "expectedLifetime", "notificationPolicy",
                                              "notificationPolicyCustomized", "readinessRule"}));
    EXPECT_EQ(j["selectedScriptPaths"], Json::array());
    EXPECT_EQ(j["openOnNextLaunch"], false);
    EXPECT_EQ(j["readinessRule"],
              Json::parse(R"({"kind":"none","seconds":0,"pattern":"","url":"","expectedStatus":200})"));

    Draft d = emptyObjectDraft();
    d.postUploadAction = PostUploadAction::unzipThenRun;
    EXPECT_EQ(d.toJson()["postUploadAction"], "unzipThenRun");
}

TEST_F(DraftStoreTest, EmptyStoreIsWrittenAsAStringWithSchemaOne) {
    ServerDraftStore{}.save(*suite_);
    auto stored = suite_->object(ServerDraftStore::defaultsKey);
    ASSERT_TRUE(stored && stored->isString());
    EXPECT_EQ(*stored->asString(), R"({"schema":1,"byServer":{}})");
}

TEST_F(DraftStoreTest, WhatTheWriterStoresLoadsBackEqual) {
    ServerDraftStore store;
    Draft plain = emptyObjectDraft();
    plain.serverId = "srv-1";
    store.byServer[plain.serverId] = plain;

    Draft rich;
    rich.serverId = "Ünïcode \"srv\" ✓";
    rich.action = ShareAction::upload;
    rich.kind = "build.log";
    rich.replyTo = "ops, @me";
    rich.onlyAgents = "agent-a\nagent-b";
    rich.destFolder = " /srv/app/ ";
    rich.openOnNextLaunch = true;
    rich.postUploadAction = PostUploadAction::unzipThenRun;
    rich.deployWorkingDirectory = PostUploadWorkingDirectory::custom;
    rich.deployCustomWorkingDirectory = "{extract}/it's here";
    rich.deployCommand = "bash './it'\"'\"'s.sh'\r\n(cd -- 'tools' && bash './b.sh')\n\tnul:";
    rich.deployCommand += '\0';
    rich.deployCommand += "\u0001";
    rich.selectedScriptPaths = {"app/it's.sh", "app/tools/b.sh"};
    rich.expectedLifetime = ShareExpectedLifetime::persistent;
    rich.notificationPolicy = {};  // customised to nothing
    rich.notificationPolicyCustomized = true;
    rich.readinessRule = rule(Kind::none, 0);  // a persistent draft may hold none when stored so
    store.byServer[rich.serverId] = rich;

    Draft health = plain;
    health.serverId = "srv-2";
    health.readinessRule = rule(Kind::httpResponds, 0, "", "https://example.invalid/health", 204);
    health.notificationPolicy = {{E::accepted, E::ready, E::succeeded, E::cancelled}};
    store.byServer[health.serverId] = health;

    store.save(*suite_);
    EXPECT_EQ(load(), store);

    // Saving the same store again writes the same text.
    const auto first = suite_->string(ServerDraftStore::defaultsKey);
    load().save(*suite_);
    EXPECT_EQ(suite_->string(ServerDraftStore::defaultsKey), first);

    // Another handle on the same suite (as the Tarvo app would open it) reads the same store.
    auto again = UserDefaults::suite("group.test.tarvo");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(ServerDraftStore::load(*again), store);
}

TEST_F(DraftStoreTest, TheIncrementalWriterWritesWhatSaveWritesAsTheStoreChanges) {
    ServerDraftStoreWriter writer;
    ServerDraftStore store;
    const auto writesLikeSave = [&](const char* step) {
        EXPECT_EQ(writer.encode(store), platform::encodeCompact(store.toJson())) << step;
    };
    writesLikeSave("empty");

    Draft a = emptyObjectDraft();
    a.serverId = "a";
    Draft odd = a;
    odd.serverId = "Ünïcode \"srv\"\t✓";
    odd.deployCommand = "bash './it'\"'\"'s.sh'\r\n\u0001";
    Draft b = a;
    b.serverId = "b";
    b.action = ShareAction::upload;
    for (const Draft& d : {a, odd, b}) store.byServer[d.serverId] = d;
    writesLikeSave("three drafts");

    store.byServer["b"].destFolder = "sites/b/x";
    writesLikeSave("one draft edited");
    store.byServer.erase("a");
    writesLikeSave("one draft removed");
    store.byServer["b"] = b;
    store.schema = 7;
    writesLikeSave("edit undone, schema as read");
    store.byServer["a"] = a;
    writesLikeSave("a draft back");

    writer.save(store, *suite_);
    EXPECT_EQ(load(), store);
}

TEST_F(DraftStoreTest, SchemaIsTakenAsReadAndBothKeysAreRequired) {
    storeText(R"({"schema":7,"byServer":{}})");
    EXPECT_EQ(load().schema, 7);
    storeText(R"({"byServer":{},"schema":-2,"extra":[1,2]})");
    EXPECT_EQ(load().schema, -2);
    storeText(R"({"schema":1,"byServer":{"a":{}}})");
    ASSERT_EQ(load().byServer.size(), 1u);
    EXPECT_EQ(load().byServer.at("a"), emptyObjectDraft());

    for (const char* text : {R"({"byServer":{}})", R"({"schema":1})", R"({"schema":"1","byServer":{}})",
                             R"({"schema":1.5,"byServer":{}})", R"({"schema":1,"byServer":[]})",
                             R"({"schema":null,"byServer":{}})", "[]", "null", "7", "", "{", "not json"}) {
        storeText(text);
        EXPECT_EQ(load(), ServerDraftStore{}) << text;
    }
}

TEST_F(DraftStoreTest, OneUndecodableDraftEmptiesTheWholeStore) {
    const std::string good = R"("good":{"serverId":"good","action":"upload","destFolder":"keep me"})";
    const std::vector<std::string> badDrafts = {
        R"({"action":"Upload"})",
        R"({"postUploadAction":"Unzip"})",
        R"({"deployWorkingDirectory":"extracted"})",
        R"({"expectedLifetime":"forever"})",
        R"({"kind":5})",
        R"({"openOnNextLaunch":1})",
        R"({"openOnNextLaunch":"true"})",
        R"({"selectedScriptPaths":"a.sh"})",
        R"({"selectedScriptPaths":["a.sh",2]})",
        R"({"notificationPolicy":{"events":["failed","nope"]}})",
        R"({"notificationPolicy":{}})",
        R"({"notificationPolicy":["failed"]})",
        R"({"readinessRule":{"kind":"none"}})",
        R"({"readinessRule":{"kind":"sometimes","seconds":0,"pattern":"","url":"","expectedStatus":200}})",
        R"({"readinessRule":{"kind":"survived","seconds":"3","pattern":"","url":"","expectedStatus":200}})",
        "null",
        "[]",
        R"("a draft")",
    };
    storeText("{\"schema\":1,\"byServer\":{" + good + "}}");
    ASSERT_EQ(load().byServer.at("good").destFolder, "keep me");
    for (const auto& bad : badDrafts) {
        storeText("{\"schema\":1,\"byServer\":{" + good + ",\"bad\":" + bad + "}}");
        EXPECT_EQ(load(), ServerDraftStore{}) << bad;
    }
}

TEST_F(DraftStoreTest, ValuesThatAreNotJsonTextGiveTheEmptyStore) {
    EXPECT_EQ(load(), ServerDraftStore{});  // never stored

    const std::string text = R"({"schema":1,"byServer":{"a":{}}})";
    suite_->set(ServerDraftStore::defaultsKey, PropertyList(PropertyList::Data(text.begin(), text.end())));
    EXPECT_EQ(load(), ServerDraftStore{});
    suite_->set(ServerDraftStore::defaultsKey, PropertyList(std::int64_t{1}));
    EXPECT_EQ(load(), ServerDraftStore{});
    suite_->set(ServerDraftStore::defaultsKey,
                PropertyList(PropertyList::Dictionary{{"schema", PropertyList(std::int64_t{1})}}));
    EXPECT_EQ(load(), ServerDraftStore{});

    // Deep nesting and a huge value end in the empty store, not in a crash or a hang.
    storeText(std::string(100000, '[') + std::string(100000, ']'));
    EXPECT_EQ(load(), ServerDraftStore{});
    std::string huge = R"({"schema":1,"byServer":{"a":{"deployCommand":")" + std::string(4 << 20, 'x') + R"("}}})";
    storeText(huge);
    ASSERT_EQ(load().byServer.size(), 1u);
    EXPECT_EQ(load().byServer.at("a").deployCommand.size(), std::size_t{4} << 20);
}

}  // namespace
}  // namespace tarvo::share
