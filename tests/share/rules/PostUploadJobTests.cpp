// The job payload, run policy and model settings of a post-upload recipe, built from fixed
// inputs, and the checks that refuse a recipe before anything is sent.
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Rules/DeepLinks.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadJob.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadShellLine.h"
#include "tests/share/ShareTestSupport.h"

namespace tarvo::share {
namespace {

using platform::Json;
using share_test::candidate;
using share_test::unordered;
using E = ShareRunNotificationEvent;
using Kind = ShareReadinessRule::Kind;

std::vector<std::string> keysOf(const Json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items()) keys.push_back(item.key());
    return keys;
}

ServerProfile server() {
    ServerProfile s;
    s.id = "srv-1";
    s.name = "Build box";
    s.urlString = "https://build.example:8443/base";
    s.token = " api-token ";
    s.runPushRelayURLString = " https://relay.example/push ";
    s.runPushDeviceID = "";
    s.llmEndpointURLString = " http://gpu:11434 ";
    s.llmModel = " qwen2.5 ";
    return s;
}

ArtifactProjectSignature signature() {
    ArtifactProjectSignature sig;
    sig.exactDigest = std::string(64, 'a');
    sig.pathDigest = std::string(64, 'b');
    sig.contentDigest = std::string(64, 'c');
    sig.normalizedPaths = {"deploy.sh", "tools/seed.sh"};
    sig.markers = {"package.json"};
    sig.scriptFingerprints = {{"deploy.sh", "0000aaaa:10"}, {"tools/seed.sh", "0000bbbb:20"}};
    return sig;
}

PostUploadRecipeContext context() {
    PostUploadRecipeContext c;
    c.insight.state = ArtifactInsightState::ready();
    c.insight.filename = "app.zip";
    c.insight.isZip = true;
    c.insight.shellCandidates = c.insight.baseShellCandidates = {
        candidate("app/deploy.sh", "deploy.sh", "0000aaaa:10"), candidate("app/tools/seed.sh", "tools/seed.sh")};
    c.insight.projectSignature = signature();
    c.delivery = notificationDelivery(server(), "https://shared-relay.example", "relay-secret", "device-42");
    return c;
}

Draft recipeDraft(PostUploadAction action) {
    Draft d;
    d.serverId = "srv-1";
    d.action = ShareAction::upload;
    d.destFolder = "not the destination sent";
    d.postUploadAction = action;
    d.deployWorkingDirectory = PostUploadWorkingDirectory::custom;
    d.deployCustomWorkingDirectory = "{extract}/app";
    d.deployCommand = "bash './deploy.sh'\n(cd -- 'tools' && bash './seed.sh')";
    d.selectedScriptPaths = {"app/deploy.sh", "app/tools/seed.sh"};
    d.expectedLifetime = ShareExpectedLifetime::persistent;
    d.notificationPolicy = {{E::lost, E::accepted, E::waitingForInput, E::failed}};
    d.readinessRule.kind = Kind::logContains;
    d.readinessRule.pattern = "listening";
    d.readinessRule.expectedStatus = 200;
    return d;
}

TEST(PostUploadJob, PayloadOfATwoScriptRecipe) {
    const PostUploadRecipe r =
        makePostUploadRecipe(server(), recipeDraft(PostUploadAction::unzipThenRun), "drop/app.zip", "app.zip", context());
    EXPECT_EQ(r.workingDirectory, "drop/app/app");
    EXPECT_EQ(r.shellLine, buildPostUploadShellLine(PostUploadAction::unzipThenRun, "drop/app.zip", "drop", "drop/app",
                                                    "drop/app/app",
                                                    "bash './deploy.sh'\n(cd -- 'tools' && bash './seed.sh')"));

    const Json sid = serverIdentityDigest(server());
    const Json expectedPolicy = Json::parse(R"({
        "source": "share_extension", "recipe": "unzipThenRun", "working_directory": "drop/app/app",
        "working_directory_kind": "custom", "expected_lifetime": "persistent",
        "readiness": {"kind": "log_contains", "pattern": "listening"},
        "selected_scripts": [
            {"path": "app/deploy.sh", "relative_path": "deploy.sh", "fingerprint": "0000aaaa:10"},
            {"path": "app/tools/seed.sh", "relative_path": "tools/seed.sh", "fingerprint": ""}],
        "notify": {"events": ["accepted", "failed", "lost", "waiting_for_input"],
                   "relay_url": "https://relay.example/push", "device_id": "device-42",
                   "auth_token": "relay-secret", "server_label": "Build box"}})");
    Json policy = expectedPolicy;
    policy["notify"]["server_identity"] = sid;
    EXPECT_EQ(unordered(r.runPolicy), unordered(policy));

    const Json llm = Json::parse(R"({
        "endpoint": "http://gpu:11434", "source": "server_profile", "model": "qwen2.5",
        "artifact_identity": {"exact_digest": ")" + std::string(64, 'a') + R"(", "path_digest": ")" +
                                 std::string(64, 'b') + R"(", "content_digest": ")" + std::string(64, 'c') +
                                 R"(", "markers": ["package.json"], "script_count": 2}})");
    EXPECT_EQ(unordered(r.llm), unordered(llm));

    Json expected = Json::parse(R"({
        "title": "Run 2 scripts", "source": "share_extension", "script_path": "app/deploy.sh",
        "script_relative_path": "deploy.sh", "script_fingerprint": "0000aaaa:10",
        "destination": "drop", "working_directory": "drop/app/app", "expected_lifetime": "persistent",
        "readiness": {"kind": "log_contains", "pattern": "listening"},
        "notification_events": ["accepted", "failed", "lost", "waiting_for_input"]})");
    expected["selected_scripts"] = policy["selected_scripts"];
    expected["project_signature"] = Json::parse(R"({"exact_digest": ")" + std::string(64, 'a') +
                                                R"(", "path_digest": ")" + std::string(64, 'b') +
                                                R"(", "content_digest": ")" + std::string(64, 'c') + R"(",
        "normalized_paths": ["deploy.sh", "tools/seed.sh"], "markers": ["package.json"],
        "script_fingerprints": {"deploy.sh": "0000aaaa:10", "tools/seed.sh": "0000bbbb:20"}})");
    expected["execution"] = Json{{"shell_line", r.shellLine}, {"cwd", ""},
                                 {"env", Json{{"OLLAMA_HOST", "http://gpu:11434"}, {"OLLAMA_MODEL", "qwen2.5"},
                                              {"TARVO_LLM_ENDPOINT", "http://gpu:11434"},
                                              {"TARVO_LLM_MODEL", "qwen2.5"}}},
                                 {"run_policy", policy}, {"llm", llm}};
    EXPECT_EQ(unordered(r.payload), unordered(expected));
    EXPECT_EQ(keysOf(r.payload),
              (std::vector<std::string>{"title", "source", "script_path", "script_relative_path", "script_fingerprint",
                                        "selected_scripts", "destination", "working_directory", "expected_lifetime",
                                        "readiness", "notification_events", "project_signature", "execution"}));
    EXPECT_EQ(keysOf(r.payload["execution"]),
              (std::vector<std::string>{"shell_line", "cwd", "env", "run_policy", "llm"}));
    EXPECT_FALSE(r.runPolicy.contains("interaction_reply"));
    EXPECT_FALSE(r.runPolicy.contains("job_id"));
}

TEST(PostUploadJob, NothingSelectedAndNoProject) {
    Draft d = recipeDraft(PostUploadAction::unzipThenRun);
    d.selectedScriptPaths = {};
    d.deployCommand = "make";
    PostUploadRecipeContext c = context();
    c.insight.projectSignature.reset();
    const PostUploadRecipe r = makePostUploadRecipe(server(), d, "drop/app.zip", "App Bundle.zip", c);
    EXPECT_EQ(r.payload["title"], "Unzip + Run App Bundle.zip");
    EXPECT_EQ(r.payload["script_path"], "");
    EXPECT_EQ(r.payload["script_relative_path"], "");
    EXPECT_EQ(r.payload["script_fingerprint"], "");
    EXPECT_EQ(r.payload["selected_scripts"], Json::array());
    EXPECT_EQ(r.payload["project_signature"], Json::object());
    EXPECT_FALSE(r.runPolicy.contains("selected_scripts"));
    EXPECT_FALSE(r.llm.contains("artifact_identity"));

    // One script: its relative path names the job.
    d.selectedScriptPaths = {"app/tools/seed.sh"};
    EXPECT_EQ(makePostUploadRecipe(server(), d, "drop/app.zip", "app.zip", c).payload["title"], "Run tools/seed.sh");
    EXPECT_EQ(postUploadJobTitle({}, PostUploadAction::unzip, "a.zip"), "Unzip a.zip");
    EXPECT_EQ(postUploadJobTitle({}, PostUploadAction::run, "a.zip"), "Run a.zip");
    EXPECT_EQ(postUploadJobTitle({}, PostUploadAction::none, "a.zip"), "None a.zip");
}

TEST(PostUploadJob, LifetimeAndReadinessCountOnlyForRunsThatKeepRunning) {
    struct Case {
        const char* name;
        PostUploadAction action;
        ShareExpectedLifetime lifetime;
        ShareReadinessRule rule;
        std::string expectedLifetime;
        Json readiness;
    };
    ShareReadinessRule log;
    log.kind = Kind::logContains;
    log.pattern = "up";
    ShareReadinessRule survived;
    survived.kind = Kind::survived;
    survived.seconds = 10;
    ShareReadinessRule http;
    http.kind = Kind::httpResponds;
    http.url = "http://localhost:8080/health";
    http.expectedStatus = 204;
    const std::vector<Case> cases = {
        {"unzip of a persistent draft", PostUploadAction::unzip, ShareExpectedLifetime::persistent, log, "finite",
         Json{{"kind", "none"}}},
        {"finite run", PostUploadAction::run, ShareExpectedLifetime::finite, log, "finite", Json{{"kind", "none"}}},
        {"persistent run", PostUploadAction::run, ShareExpectedLifetime::persistent, survived, "persistent",
         Json{{"kind", "survived"}, {"seconds", 10}}},
        {"persistent unzip then run", PostUploadAction::unzipThenRun, ShareExpectedLifetime::persistent, http,
         "persistent", Json{{"kind", "http_responds"}, {"url", "http://localhost:8080/health"}, {"expected_status", 204}}},
    };
    for (const auto& c : cases) {
        Draft d = recipeDraft(c.action);
        d.expectedLifetime = c.lifetime;
        d.readinessRule = c.rule;
        const PostUploadRecipe r = makePostUploadRecipe(server(), d, "drop/app.zip", "app.zip", context());
        EXPECT_EQ(r.payload["expected_lifetime"], c.expectedLifetime) << c.name;
        EXPECT_EQ(r.runPolicy["expected_lifetime"], c.expectedLifetime) << c.name;
        EXPECT_EQ(unordered(r.payload["readiness"]), unordered(c.readiness)) << c.name;
        EXPECT_EQ(unordered(r.runPolicy["readiness"]), unordered(c.readiness)) << c.name;
    }
}

TEST(PostUploadJob, WorkingDirectoryKinds) {
    using W = PostUploadWorkingDirectory;
    struct Case {
        PostUploadAction action;
        W directory;
        std::string custom;
        std::string kind, workingDirectory;
    };
    const std::vector<Case> cases = {
        {PostUploadAction::unzip, W::uploadFolder, "", "uploadFolder", "drop"},
        {PostUploadAction::unzip, W::extractedFolder, "", "extractedFolder", "drop/app"},
        {PostUploadAction::run, W::extractedFolder, "", "uploadFolder", "drop"},
        {PostUploadAction::unzipThenRun, W::custom, " \n", "custom", "drop/app"},
        {PostUploadAction::run, W::custom, "", "custom", "drop"},
        {PostUploadAction::run, W::custom, "{dir}/bin", "custom", "drop/bin"},
    };
    for (const auto& c : cases) {
        Draft d = recipeDraft(c.action);
        d.deployWorkingDirectory = c.directory;
        d.deployCustomWorkingDirectory = c.custom;
        const PostUploadRecipe r = makePostUploadRecipe(server(), d, "drop/app.zip", "app.zip", context());
        EXPECT_EQ(r.runPolicy["working_directory_kind"], c.kind) << c.kind << " " << c.custom;
        EXPECT_EQ(r.runPolicy["working_directory"], c.workingDirectory);
        EXPECT_EQ(r.payload["working_directory"], c.workingDirectory);
    }
}

TEST(PostUploadJob, NotifyBlockFollowsTheDelivery) {
    const Draft d = recipeDraft(PostUploadAction::run);
    PostUploadRecipeContext c = context();
    const std::string sid = serverIdentityDigest(server());

    // The app group's relay token wins over the server's API token ...
    Json notify = postUploadRunPolicy(d, PostUploadAction::run, "drop", {}, c)["notify"];
    EXPECT_EQ(notify["auth_token"], "relay-secret");
    EXPECT_EQ(keysOf(notify),
              (std::vector<std::string>{"events", "auth_token", "device_id", "relay_url", "server_identity",
                                        "server_label"}));

    // ... without one the server's own token is the relay's credential ...
    c.delivery = notificationDelivery(server(), "https://shared-relay.example", "  ", "device-42");
    notify = postUploadRunPolicy(d, PostUploadAction::run, "drop", {}, c)["notify"];
    EXPECT_EQ(notify["auth_token"], "api-token");
    EXPECT_EQ(notify["relay_url"], "https://relay.example/push");  // the server's relay wins

    // ... and with neither, nor a device, those keys are left out.
    ServerProfile bare = server();
    bare.token = "";
    bare.runPushRelayURLString = "";
    c.delivery = notificationDelivery(bare, "https://shared-relay.example", "", "");
    Draft silent = d;
    silent.notificationPolicy = {};
    notify = postUploadRunPolicy(silent, PostUploadAction::run, "drop", {}, c)["notify"];
    EXPECT_EQ(unordered(notify), unordered(Json{{"events", Json::array()},
                                                {"relay_url", "https://shared-relay.example"},
                                                {"server_identity", serverIdentityDigest(bare)},
                                                {"server_label", "Build box"}}));

    // No relay anywhere: the built-in relay.
    c.delivery = notificationDelivery(bare, " ", "", "dev");
    EXPECT_EQ(c.delivery.relayURL, ShareRunNotificationDelivery::defaultRelayURL());
    EXPECT_EQ(c.delivery.deviceID, "dev");
    EXPECT_EQ(c.delivery.serverIdentity, serverIdentityDigest(bare));
    EXPECT_NE(c.delivery.serverIdentity, sid);  // the token is part of the identity
}

TEST(PostUploadJob, InteractionReplyOnlyWhenAskedForAndPresent) {
    const Draft d = recipeDraft(PostUploadAction::run);
    PostUploadRecipeContext c = context();
    const Json ticket = Json{{"schema", "nvk.interaction.reply-ticket.v1"}, {"reply_url", "https://nvk/reply"}};
    c.interactionReply = ticket;
    EXPECT_FALSE(postUploadRunPolicy(d, PostUploadAction::run, "drop", {}, c).contains("interaction_reply"));
    c.returnResult = true;
    EXPECT_EQ(postUploadRunPolicy(d, PostUploadAction::run, "drop", {}, c)["interaction_reply"], ticket);
    c.interactionReply.reset();
    EXPECT_FALSE(postUploadRunPolicy(d, PostUploadAction::run, "drop", {}, c).contains("interaction_reply"));
}

TEST(PostUploadJob, ModelSettingsNeedAnEndpoint) {
    ServerProfile s = server();
    ArtifactInsight insight = context().insight;
    s.llmEndpointURLString = "  ";
    EXPECT_EQ(postUploadLLMCapability(s, insight), Json::object());  // a model alone is not enough
    s.llmEndpointURLString = "http://gpu";
    s.llmModel = "";
    insight.projectSignature.reset();
    EXPECT_EQ(unordered(postUploadLLMCapability(s, insight)),
              unordered(Json{{"endpoint", "http://gpu"}, {"source", "server_profile"}}));

    ArtifactRecommendationResponse history;
    history.decision = ArtifactSelectionKind::autoSelect;
    history.exactMatch = true;
    for (int i = 0; i < 7; ++i) {
        ArtifactCandidateRecommendation r;
        r.scriptPath = "s" + std::to_string(i) + ".sh";
        if (i == 0) r.relativePath = "rel/s0.sh";
        r.score = 1.5 * i;
        r.evidence = {"e1", "e2", "e3", "e4", "e5", "e6"};
        history.recommendations.push_back(r);
    }
    insight.recommendation = history;
    Json llm = postUploadLLMCapability(s, insight);
    Json scripts = llm["artifact_history"]["scripts"];
    ASSERT_EQ(scripts.size(), 5u);
    EXPECT_EQ(unordered(scripts[0]), unordered(Json{{"script_path", "s0.sh"}, {"relative_path", "rel/s0.sh"},
                                                    {"score", 0.0}, {"evidence", {"e1", "e2", "e3", "e4", "e5"}}}));
    EXPECT_EQ(scripts[4]["relative_path"], "");
    EXPECT_EQ(scripts[4]["score"], 6.0);
    EXPECT_EQ(llm["artifact_history"]["decision"], "auto_select");
    EXPECT_EQ(llm["artifact_history"]["exact_match"], true);
    EXPECT_EQ(llm["artifact_history"]["destinations"], Json::array());  // none offered counts as empty

    std::vector<ArtifactDestinationRecommendation> destinations(6);
    for (std::size_t i = 0; i < destinations.size(); ++i) destinations[i].path = "d" + std::to_string(i);
    destinations[0].evidence = {"a", "b", "c", "d", "e", "f"};
    insight.recommendation->destinations = destinations;
    llm = postUploadLLMCapability(s, insight);
    ASSERT_EQ(llm["artifact_history"]["destinations"].size(), 5u);
    EXPECT_EQ(unordered(llm["artifact_history"]["destinations"][0]),
              unordered(Json{{"path", "d0"}, {"score", 0.0}, {"evidence", {"a", "b", "c", "d", "e"}}}));
    EXPECT_EQ(keysOf(llm["artifact_history"]),
              (std::vector<std::string>{"decision", "exact_match", "scripts", "destinations"}));
}

TEST(PostUploadJob, RecipesThatMustNotStart) {
    using A = PostUploadAction;
    struct Case {
        A action;
        std::string filename, remotePath;
        std::optional<std::string> refusal;
    };
    const std::vector<Case> cases = {
        {A::unzip, "App.ZIP ", "drop/App.ZIP", std::nullopt},
        {A::unzipThenRun, "app", "drop/app.zip", std::nullopt},
        {A::unzip, "notes.txt ", "drop/notes.txt",
         "after-upload unzip selected, but notes.txt  is not a .zip file"},
        {A::run, "notes.txt", "drop/notes.txt", std::nullopt},
        {A::none, "notes.txt", "drop/notes.txt", std::nullopt},
        {A::unzipThenRun, "app.zip", "drop/app",
         "after-upload unzip selected, but the extraction folder drop/app is the uploaded file itself"},
        {A::unzip, "app.zip", "/drop//app",
         "after-upload unzip selected, but the extraction folder drop/app is the uploaded file itself"},
        {A::unzip, ".zip", "drop/.zip",
         "after-upload unzip selected, but the extraction folder drop/.zip is the uploaded file itself"},
        {A::unzip, "app.zip", "app", "after-upload unzip selected, but the extraction folder app is the uploaded file itself"},
        {A::run, "app.zip", "drop/app", std::nullopt},  // nothing is extracted, nothing deleted
    };
    for (const auto& c : cases) {
        EXPECT_EQ(postUploadRecipeRefusal(c.action, c.filename, c.remotePath), c.refusal) << c.remotePath;
    }
}

}  // namespace
}  // namespace tarvo::share
