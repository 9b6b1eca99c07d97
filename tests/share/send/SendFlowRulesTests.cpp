// The send flows' texts and decisions, the observation body, and the run's notification and
// readiness rules, as tables.
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Send/ArtifactObservation.h"
#include "TarvoShareExtension/ShareViewController/Send/RunNotificationOptions.h"
#include "TarvoShareExtension/ShareViewController/Send/SendFlowText.h"
#include "tests/share/ShareTestSupport.h"

namespace tarvo::share {
namespace {

using platform::Json;
using share_test::candidate;
using E = ShareRunNotificationEvent;
using Kind = ShareReadinessRule::Kind;

TEST(SendFlowText, FailureSummaryCountsAllAndListsThree) {
    EXPECT_EQ(itemFailureSummary({"2/3: refused"}), "Done with 1 error(s):\n2/3: refused");
    EXPECT_EQ(itemFailureSummary({"a", "b", "c", "d", "e"}), "Done with 5 error(s):\na\nb\nc");
    EXPECT_EQ(uploadErrorLine(2, 3, "Upload failed."), "2/3: Upload failed.");
    EXPECT_EQ(sendingStatus(2, 3), "Sending 2/3\u2026");
    EXPECT_EQ(preparingItemStatus(1, 1), "Preparing 1/1\u2026");
    EXPECT_EQ(startingRecipeStatus(2, 2), "Starting recipe 2/2\u2026");
}

TEST(SendFlowText, UploadCompletionAndPrimaryArtifact) {
    PostUploadRecipeLaunch job{std::string("job-7"), "run-7"};
    PostUploadRecipeLaunch detached{std::nullopt, "run-x"};
    EXPECT_EQ(uploadCompletionMessage(job, PostUploadAction::unzipThenRun), "Run accepted \u00b7 run-7 \u00b7 job-7");
    EXPECT_EQ(uploadCompletionMessage(detached, PostUploadAction::run), "Run accepted \u00b7 run-x");
    EXPECT_EQ(uploadCompletionMessage(std::nullopt, PostUploadAction::unzip), "Uploaded");
    EXPECT_EQ(uploadCompletionMessage(job, PostUploadAction::none), "Uploaded");

    EXPECT_TRUE(isPrimaryArtifact(0, 1, std::nullopt));
    EXPECT_FALSE(isPrimaryArtifact(0, 2, std::nullopt)) << "several items and no scan: no recipe";
    EXPECT_TRUE(isPrimaryArtifact(1, 2, 1));
    EXPECT_FALSE(isPrimaryArtifact(0, 2, 1));
}

TEST(SendFlowText, EmitDocuments) {
    EXPECT_EQ(emitKind("  ", "IMAGE"), "photo");
    EXPECT_EQ(emitKind(" note ", "image"), "note");
    EXPECT_EQ(emitKind("", "zip"), "archive");
    EXPECT_EQ(emitKind("", "whatever"), "clipboard");

    const Json meta = platform::parseJson(makeShareMetaJSON("text", "text|app", std::string(" com.apple.notes "), "clipboard"));
    EXPECT_EQ(meta, Json::parse(R"({"schema":1,"note":"share_extension","via":"ios_share","type_key":"text",
        "bias_key":"text|app","requested_kind":"clipboard","source_bundle_id":"com.apple.notes"})"));
    for (const std::optional<std::string>& blank : {std::optional<std::string>(), std::optional<std::string>(" \n")}) {
        EXPECT_FALSE(platform::parseJson(makeShareMetaJSON("text", "b", blank, "k")).contains("source_bundle_id"));
    }
    EXPECT_TRUE(platform::tryParseJson(makeShareMetaJSON("text", std::string("\xff"), std::nullopt, "k")))
        << "bytes that are not UTF-8 still give a JSON document";

    EXPECT_FALSE(emitRouteJSON("", " "));
    EXPECT_EQ(platform::parseJson(*emitRouteJSON("ops, dev", "")), Json::parse(R"({"schema":1,"reply_to":["ops","dev"]})"));
    EXPECT_EQ(emitDeviceID(false), "iphone");
    EXPECT_EQ(emitDeviceID(true), "ipad");
}

TEST(SendFlowText, MultiServerTexts) {
    EXPECT_EQ(multiSendSummary(3, {}), (MultiSendSummary{true, "Deployed to 3 servers"}));
    EXPECT_EQ(multiSendSummary(1, {}), (MultiSendSummary{true, "Deployed to 1 server"}));
    EXPECT_EQ(multiSendSummary(0, {}), (MultiSendSummary{false, "No server was deployed."}));
    EXPECT_EQ(multiSendSummary(1, {"A: x", "B: y"}), (MultiSendSummary{false, "1 succeeded \u00b7 2 failed\nA: x\nB: y"}));
    EXPECT_EQ(multiSendSummary(0, {"A: x", "B: y", "C: z"}).message, "0 succeeded \u00b7 3 failed\nA: x\nB: y");
    EXPECT_EQ(failedRunState("boom"), "Failed \u00b7 boom");
    EXPECT_EQ(multiServerStatus("Box", 1, 3), "Box \u00b7 1/3");

    EXPECT_EQ(approvalTitle(1, 3), "Deploy 1 of 3?");
    Draft emit;
    emit.action = ShareAction::emit;
    emit.kind = "";
    EXPECT_EQ(approvalMessage("Box", emit, "image"), "Box\nEmit \u2192 photo");
    Draft upload;
    upload.action = ShareAction::upload;
    upload.postUploadAction = PostUploadAction::unzipThenRun;
    EXPECT_EQ(approvalMessage("Box", upload, "zip"), "Box\nUnzip + Run \u2192 server root");
    upload.destFolder = "apps/demo";
    upload.deployCommand = "bash ./deploy.sh";
    EXPECT_EQ(approvalMessage("Box", upload, "zip"), "Box\nUnzip + Run \u2192 apps/demo\nbash ./deploy.sh");
}

TEST(SendFlowText, ServersAddressedByTheMode) {
    std::vector<ServerProfile> servers(3);
    servers[0].id = "a";
    servers[1].id = "b";
    servers[2].id = "c";
    EXPECT_EQ(orderedSelectedServerIDs(servers, {"c", "a", "gone"}, ServerMode::multi, "b"),
              (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(orderedSelectedServerIDs(servers, {"c"}, ServerMode::single, " b "), (std::vector<std::string>{"b"}));
    EXPECT_TRUE(orderedSelectedServerIDs(servers, {"a"}, ServerMode::single, "removed").empty());
}

TEST(ArtifactObservation, BodyKeysAndSelection) {
    ServerProfile server;
    server.id = "srv";
    Draft d;
    d.action = ShareAction::upload;
    d.postUploadAction = PostUploadAction::unzipThenRun;
    d.deployCommand = " bash ./deploy.sh ";
    ArtifactInsight insight;
    EXPECT_FALSE(artifactObservationPayload(server, d, "uploads", "a.zip", "a.zip", insight, {}))
        << "no signature: nothing to report";

    insight.projectSignature = ArtifactProjectSignature{"e", "p", "c", {"deploy.sh"}, {"package.json"}, {{"deploy.sh", "f1"}}};
    insight.baseShellCandidates = {candidate("app/deploy.sh", "deploy.sh", "f1"), candidate("app/x.sh", "x.sh")};
    const Json none = *artifactObservationPayload(server, d, "uploads", " /srv/app.zip", "app.zip", insight, {});
    EXPECT_EQ(none.size(), 14u);
    EXPECT_EQ(none["remote_path"], " /srv/app.zip") << "sent as given";
    EXPECT_EQ(none["deploy_command"], " bash ./deploy.sh ");
    EXPECT_EQ(none["post_upload_action"], "unzipThenRun");
    EXPECT_EQ(none["working_directory"], "uploadFolder");
    EXPECT_EQ(none["selected_candidate"], Json::object());
    EXPECT_EQ(none["selected_candidates"], Json::array());
    EXPECT_EQ(none["candidates"][1]["fingerprint"], "");
    EXPECT_EQ(none["project_signature"]["script_fingerprints"]["deploy.sh"], "f1");

    const Json one = *artifactObservationPayload(server, d, "apps", "apps/app.zip", "app.zip", insight,
                                                 {insight.baseShellCandidates[0]});
    EXPECT_EQ(one["selected_candidate"]["relative_path"], "deploy.sh");
    EXPECT_EQ(one["selected_candidates"].size(), 1u);

    EXPECT_FALSE(shouldReportObservation(std::nullopt));
    EXPECT_FALSE(shouldReportObservation(std::string(" \n")));
    EXPECT_TRUE(shouldReportObservation(std::string(" /srv/app.zip")));
}

TEST(RunNotificationOptions, DefaultEventsByLifetimeAndServer) {
    ServerProfile on;
    on.runCompletionPushEnabled = true;
    ServerProfile failuresOnly = on;
    failuresOnly.runCompletionPushFailuresOnly = true;
    ServerProfile off;
    using Set = std::set<E>;
    EXPECT_EQ(defaultNotificationEvents(ShareExpectedLifetime::persistent, on).events,
              (Set{E::accepted, E::ready, E::waitingForInput, E::failed, E::stoppedUnexpectedly, E::lost}));
    EXPECT_EQ(defaultNotificationEvents(ShareExpectedLifetime::persistent, failuresOnly).events,
              (Set{E::waitingForInput, E::degraded, E::failed, E::stoppedUnexpectedly, E::lost}));
    EXPECT_EQ(defaultNotificationEvents(ShareExpectedLifetime::finite, on).events,
              (Set{E::accepted, E::waitingForInput, E::succeeded, E::degraded, E::failed}));
    EXPECT_EQ(defaultNotificationEvents(ShareExpectedLifetime::finite, failuresOnly).events,
              (Set{E::waitingForInput, E::degraded, E::failed}));
    EXPECT_TRUE(defaultNotificationEvents(ShareExpectedLifetime::finite, off).events.empty());
    EXPECT_TRUE(defaultNotificationEvents(ShareExpectedLifetime::persistent, std::nullopt).events.empty());
}

TEST(RunNotificationOptions, ReadinessRules) {
    const ShareReadinessRule log{Kind::logContains, 0, "listening", "", 200};
    EXPECT_EQ(readinessAfterLifetimeChange(ShareExpectedLifetime::finite, log), (ShareReadinessRule{Kind::none, 0, "", "", 200}));
    EXPECT_EQ(readinessAfterLifetimeChange(ShareExpectedLifetime::persistent, log), log);
    const ShareReadinessRule survived = readinessAfterLifetimeChange(ShareExpectedLifetime::persistent, {});
    EXPECT_EQ(survived, (ShareReadinessRule{Kind::survived, 3, "", "", 200}));
    EXPECT_EQ(readinessButtonTitle(survived), "Ready when: " + survived.title());

    const ShareReadinessRule http{Kind::httpResponds, 0, "", "https://x/health", 204};
    const auto entries = readinessMenuEntries(ShareReadinessRule{Kind::survived, 10, "typed", "https://x/health", 204});
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].title, "No readiness check");
    EXPECT_EQ(entries[3].rule.pattern, "typed") << "the log entry keeps the pattern typed earlier";
    EXPECT_EQ(entries[4].rule, http) << "the HTTP entry keeps the URL and expected status";
    const ShareReadinessRule ten{Kind::survived, 10, "", "", 200};
    EXPECT_FALSE(readinessEntryIsOn(entries[1].rule, ten)) << "3 seconds is not 10";
    EXPECT_TRUE(readinessEntryIsOn(entries[2].rule, ten));
    EXPECT_TRUE(readinessEntryIsOn(entries[4].rule, http));

    EXPECT_FALSE(readinessRuleWithValue(ten, "x")) << "a survived rule takes no value";
    EXPECT_EQ(readinessRuleWithValue(log, "  ready  ")->pattern, "ready");
    EXPECT_EQ(readinessRuleWithValue(http, " https://y ")->url, "https://y");
    EXPECT_TRUE(readinessRuleNeedsValue(Kind::logContains));
    EXPECT_FALSE(readinessRuleNeedsValue(Kind::survived));
    EXPECT_EQ(readinessValuePlaceholder(Kind::none), "Text written to the run log");
    EXPECT_NE(readinessValuePlaceholder(Kind::httpResponds).find("/health"), std::string::npos);
}

TEST(RunNotificationOptions, DeliveryTexts) {
    EXPECT_EQ(compactNotificationDeviceID("abcdefghijklmn"), "abcdefghijklmn") << "14 characters stay whole";
    EXPECT_EQ(compactNotificationDeviceID(" abcdefghijklmno "), "abcdefgh\u2026lmno");

    ShareRunNotificationPolicy none;
    ShareRunNotificationPolicy some{{E::failed}};
    ShareRunNotificationDelivery full;
    full.relayURL = "https://relay.example:8443/push";
    full.deviceID = "device-0123456789";
    full.authToken = "t";
    EXPECT_EQ(notificationDeliveryStatusText(none, full), "No lifecycle alerts");
    EXPECT_EQ(notificationDeliveryStatusText(some, std::nullopt), "Choose a server to deliver alerts");
    EXPECT_EQ(notificationDeliveryStatusText(some, full), "Per Job \u00b7 relay.example \u2192 device-0\u20266789");
    ShareRunNotificationDelivery unparsable = full;
    unparsable.relayURL = "not a url";
    EXPECT_EQ(notificationDeliveryStatusText(some, unparsable), "Per Job \u00b7 not a url \u2192 device-0\u20266789");
    ShareRunNotificationDelivery missing = full;
    missing.deviceID.clear();
    missing.authToken.clear();
    EXPECT_EQ(notificationDeliveryStatusText(some, missing), "Cannot deliver \u00b7 missing device ID, relay auth token");
    EXPECT_EQ(notificationDisclosureTitle(some), "Notify me \u00b7 " + some.summary());
}

}  // namespace
}  // namespace tarvo::share
