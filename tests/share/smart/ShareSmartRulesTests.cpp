// The project-insight rules as tables: the archive's top folder, which shared item is the
// project package and what is said without one, the proof line, recommendation keys and order,
// a smart-share plan made into a draft and its card, the bounded plan refresh, the project's
// server choices and the recipe evidence of the server rows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Smart/ArtifactInsightScan.h"
#include "TarvoShareExtension/ShareViewController/Smart/ArtifactRecommendationRefresh.h"
#include "TarvoShareExtension/ShareViewController/Smart/ProjectServerChoices.h"
#include "TarvoShareExtension/ShareViewController/Smart/RecipeEvidence.h"
#include "TarvoShareExtension/ShareViewController/Smart/SmartSharePlan.h"
#include "tests/share/ShareTestSupport.h"

namespace share_test {
namespace {

using namespace tarvo;
using namespace tarvo::share;
using platform::PropertyList;

ArtifactInsight insightOf(bool zip, int candidates, std::string name = "item") {
    ArtifactInsight insight;
    insight.state = zip ? ArtifactInsightState::ready() : ArtifactInsightState::unavailable(std::string(kNotAZipMessage));
    insight.filename = std::move(name);
    insight.isZip = zip;
    for (int i = 0; i < candidates; ++i) insight.baseShellCandidates.push_back(candidate("app/s" + std::to_string(i) + ".sh"));
    return insight;
}

TEST(ArtifactInsightScanTest, SingleTopLevelFolder) {
    struct Case {
        std::vector<std::string> paths;
        std::optional<std::string> root;
    } cases[] = {
        {{"app/a.sh", "app/src/b.c"}, "app"},
        {{"app/a.sh", "README"}, std::nullopt},
        {{"app/", "app/a.sh"}, "app"},
        {{"App/a.sh", "app/b.sh"}, std::nullopt},
        {{}, std::nullopt},
        {{"./app/a.sh", "app\\b.sh"}, "app"},
    };
    for (const auto& c : cases) EXPECT_EQ(singleTopLevelFolder(c.paths), c.root) << ::testing::PrintToString(c.paths);
}

TEST(ArtifactInsightScanTest, WhichItemIsTheProjectAndWhatIsSaidWithoutOne) {
    const auto zipWithScripts = insightOf(true, 2, "app.zip");
    const auto zipWithout = insightOf(true, 0, "docs.zip");
    const auto note = insightOf(false, 0, "note.txt");
    struct Case {
        const char* name;
        std::vector<ArtifactInsight> results;
        std::size_t sidecars;
        std::vector<std::string> failures;
        std::optional<std::size_t> primary;
        std::string filename;
        ArtifactInsightState state;
    } cases[] = {
        {"one zip with scripts", {zipWithScripts}, 0, {}, 0, "app.zip", ArtifactInsightState::ready()},
        {"one note", {note}, 0, {}, 0, "note.txt", ArtifactInsightState::unavailable(std::string(kNotAZipMessage))},
        {"two notes", {note, note}, 0, {}, std::nullopt, "2 shared items",
         ArtifactInsightState::unavailable(std::string(kNoSingleRunnableMessage))},
        {"a photo, then a zip without scripts", {note, zipWithout}, 0, {}, 1, "docs.zip \u00B7 project item 2/2",
         ArtifactInsightState::ready()},
        {"zip with scripts, zip without, photo", {zipWithScripts, zipWithout, note}, 0, {}, 0,
         "app.zip \u00B7 project item 1/3", ArtifactInsightState::ready()},
        {"two zips with scripts", {zipWithScripts, zipWithScripts}, 0, {}, std::nullopt, "2 shared items",
         ArtifactInsightState::unavailable(std::string(kMultipleRunnableMessage))},
        {"a ticket alone", {}, 1, {}, std::nullopt, "0 shared items",
         ArtifactInsightState::unavailable(std::string(kOnlySidecarMessage))},
        {"every item failed", {}, 0, {"1: gone", "2: broken", "3: lost"}, std::nullopt, "0 shared items",
         ArtifactInsightState::failed("1: gone\n2: broken")},
        {"one failed, one zip", {zipWithScripts}, 0, {"1: gone"}, 0, "app.zip", ArtifactInsightState::ready()},
        {"two runnable and a failure", {zipWithScripts, zipWithScripts}, 0, {"3: gone"}, std::nullopt,
         "2 shared items", ArtifactInsightState::failed(std::string(kMultipleRunnableMessage))},
        {"nothing at all", {}, 0, {}, std::nullopt, "0 shared items",
         ArtifactInsightState::unavailable(std::string(kNoSingleRunnableMessage))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ScanPublication p = decideScanPublication(c.results, c.sidecars, c.failures);
        EXPECT_EQ(p.primaryIndex, c.primary);
        EXPECT_EQ(p.insight.filename, c.filename);
        EXPECT_EQ(p.insight.state, c.state);
        if (!c.primary) {
            EXPECT_FALSE(p.insight.isZip);
            EXPECT_TRUE(p.insight.baseShellCandidates.empty());
            EXPECT_FALSE(p.insight.projectSignature);
        }
    }
    EXPECT_EQ(scanningDisplayName({std::nullopt}), "Shared item");
    EXPECT_EQ(scanningDisplayName({std::string("a.zip")}), "a.zip");
    EXPECT_EQ(scanningDisplayName({std::nullopt, std::string("b")}), "2 shared items");
}

TEST(ArtifactInsightScanTest, ProofLine) {
    auto reply = [](std::vector<std::pair<std::int64_t, std::int64_t>> counts) {
        ArtifactRecommendationResponse r;
        for (auto [ok, failed] : counts) {
            ArtifactCandidateRecommendation rec;
            rec.scriptPath = "a.sh";
            rec.successfulRunCount = ok;
            rec.failedRunCount = failed;
            r.recommendations.push_back(rec);
        }
        return r;
    };
    EXPECT_EQ(serverRunProofLine({}), "");
    EXPECT_EQ(serverRunProofLine({{"a", reply({{0, 0}, {-4, -1}})}}), "");
    EXPECT_EQ(serverRunProofLine({{"a", reply({{2, 0}})}, {"b", reply({{3, 0}})}}), "proof 5\u00D7");
    EXPECT_EQ(serverRunProofLine({{"a", reply({{0, 2}})}}), "proof 0\u00D7 \u00B7 2 failed");
    EXPECT_EQ(serverRunProofLine({{"a", reply({{INT64_MAX, 0}, {5, 0}})}}), "proof " + std::to_string(INT64_MAX) + "\u00D7")
        << "a hostile count saturates";
}

TEST(ArtifactRecommendationRefreshTest, KeysOrderAndSuggestionTitles) {
    ArtifactProjectSignature signature;
    signature.exactDigest = "d1";
    EXPECT_EQ(recommendationRequestKey(signature, "  /sites/app/ \n"), "d1|sites/app");
    EXPECT_EQ(recommendationRequestKey(signature, "sites/app"), recommendationRequestKey(signature, " //sites/app//"));
    EXPECT_EQ(recommendationRequestKey(signature, ""), "d1|");

    auto server = [](std::string id, std::string name) {
        ServerProfile s;
        s.id = std::move(id);
        s.name = std::move(name);
        return s;
    };
    const std::vector<ServerProfile> servers{server("1", "zulu"), server("2", "Alpha"), server("3", "beta"),
                                             server("4", "Delta"), server("5", "")};
    std::vector<std::string> order;
    for (const auto& s : recommendationServerOrder(servers, "4", {"3", "1"})) order.push_back(s.id);
    EXPECT_EQ(order, (std::vector<std::string>{"4", "3", "1", "2", "5"}));

    EXPECT_EQ(destinationSuggestionTitle(" / "), "Suggestion: server root");
    EXPECT_EQ(destinationSuggestionTitle("/srv/app/"), "Suggestion: /srv/app");

    ArtifactRecommendationResponse huge;
    huge.recommendations.resize(kMaxRecommendationReplyItems);
    EXPECT_TRUE(isBelievableRecommendationReply(huge));
    huge.recommendations.resize(kMaxRecommendationReplyItems + 1);
    EXPECT_FALSE(isBelievableRecommendationReply(huge));
}

SmartShareResolvedPlan planWith(std::string action, std::string command, std::vector<std::string> scripts,
                                bool autoApply = true, std::string folder = "team/app") {
    SmartSharePreset preset;
    preset.id = "p";
    preset.serverID = "a";
    preset.postUploadActionRaw = std::move(action);
    preset.workingDirectoryRaw = "uploadFolder";
    preset.deployCommand = std::move(command);
    preset.selectedScriptPaths = std::move(scripts);
    SmartShareResolvedPlan plan;
    plan.preset = preset;
    plan.score = 0.9;
    plan.destinationFolder = std::move(folder);
    plan.shouldAutoApply = autoApply;
    return plan;
}

TEST(SmartSharePlanTest, PlanMadeIntoADraft) {
    const ShellCandidates candidates{candidate("app/scripts/deploy.sh", "scripts/deploy.sh"), candidate("app/build.sh", "build.sh"),
                                     candidate("it's.sh")};
    Draft given;
    given.serverId = "old";
    given.kind = "k";
    given.replyTo = "me";
    given.openOnNextLaunch = true;

    // The remembered script is found ignoring case, and the recipe runs from its folder.
    auto d = applyingSmartSharePlan(planWith("unzipThenRun", "", {"SCRIPTS/Deploy.sh"}), given, "a", true, candidates,
                                    candidates);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->serverId, "a");
    EXPECT_EQ(d->action, ShareAction::upload);
    EXPECT_EQ(d->destFolder, "team/app");
    EXPECT_EQ(d->deployWorkingDirectory, PostUploadWorkingDirectory::custom);
    EXPECT_EQ(d->deployCustomWorkingDirectory, "{extract}/app/scripts");
    EXPECT_EQ(d->deployCommand, "bash './deploy.sh'");
    EXPECT_EQ(d->selectedScriptPaths, (std::vector<std::string>{"app/scripts/deploy.sh"}));
    EXPECT_EQ(d->kind, "k");
    EXPECT_EQ(d->replyTo, "me");
    EXPECT_TRUE(d->openOnNextLaunch);

    // A script at the archive root runs in the extracted folder; a quote is written safely.
    d = applyingSmartSharePlan(planWith("unzipThenRun", "", {"it's.sh"}), given, "a", true, candidates, candidates);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->deployWorkingDirectory, PostUploadWorkingDirectory::extractedFolder);
    EXPECT_EQ(d->deployCustomWorkingDirectory, "");
    EXPECT_EQ(d->deployCommand, "bash './it'\"'\"'s.sh'");

    // Scripts remembered in another order than the ranking are listed and run in the ranked
    // order; the recipe starts in the folder of the first of them.
    d = applyingSmartSharePlan(planWith("unzipThenRun", "", {"it's.sh", "scripts/deploy.sh"}), given, "a", true,
                               candidates, candidates);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->selectedScriptPaths, (std::vector<std::string>{"app/scripts/deploy.sh", "it's.sh"}));
    EXPECT_EQ(d->deployCommand, "bash './deploy.sh'\n(cd -- '../..' && bash './it'\"'\"'s.sh')");
    EXPECT_EQ(d->deployCustomWorkingDirectory, "{extract}/app/scripts");

    // A run recipe needs a command and keeps no scripts.
    EXPECT_FALSE(applyingSmartSharePlan(planWith("run", "  \r\n", {}), given, "a", true, candidates, candidates));
    d = applyingSmartSharePlan(planWith("run", "make deploy\r\n", {"build.sh"}), given, "a", true, candidates, candidates);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->deployCommand, "make deploy");
    EXPECT_TRUE(d->selectedScriptPaths.empty());

    // Refusals: no preset, not for automatic use, an unknown recipe, scripts not in the archive.
    SmartShareResolvedPlan none;
    EXPECT_FALSE(applyingSmartSharePlan(none, given, "a", false, candidates, candidates));
    EXPECT_FALSE(applyingSmartSharePlan(planWith("unzip", "", {}, false), given, "a", true, candidates, candidates));
    EXPECT_TRUE(applyingSmartSharePlan(planWith("unzip", "", {}, false), given, "a", false, candidates, candidates));
    EXPECT_FALSE(applyingSmartSharePlan(planWith("explode", "", {}), given, "a", true, candidates, candidates));
    EXPECT_FALSE(applyingSmartSharePlan(planWith("unzipThenRun", "", {"gone.sh"}), given, "a", true, candidates, candidates));
}

TEST(SmartSharePlanTest, FoldersAndCardTexts) {
    EXPECT_EQ(planFallbackFolder(" /uploads/ "), "uploads");
    EXPECT_EQ(planFallbackFolder(" / "), "uploads");
    EXPECT_TRUE(planFolderIsUnchosen(" /uploads/"));
    EXPECT_TRUE(planFolderIsUnchosen(""));
    EXPECT_FALSE(planFolderIsUnchosen(" team/app "));
    EXPECT_EQ(planFolder(" team/app "), "team/app");

    SmartShareResolvedPlan plan;
    plan.destinationFolder = "sites/app";
    plan.score = 0.555;
    plan.evidence = {"exact tree match", "path shape match", "markers 100%"};
    EXPECT_EQ(planCardSubtitle(plan), "/sites/app \u00B7 56% \u00B7 exact tree match \u00B7 path shape match");
    plan.score = 0.5;
    plan.evidence.clear();
    EXPECT_EQ(planCardSubtitle(plan), "/sites/app \u00B7 50%");
    EXPECT_EQ(planApplyTitle(plan), "Use /sites/app");
}

TEST(SmartSharePlanTest, RefreshRequestedWhileOneRunsRunsOnceMoreWithinTheBound) {
    SmartPlanRefreshGuard guard;
    ASSERT_TRUE(guard.enter());
    EXPECT_FALSE(guard.passFinished()) << "a quiet pass ends the run";
    EXPECT_FALSE(guard.running());

    // Every pass asking again: three passes in all, then the run ends.
    ASSERT_TRUE(guard.enter());
    int passes = 1;
    for (;;) {
        EXPECT_FALSE(guard.enter()) << "never nested";
        if (!guard.passFinished()) break;
        ++passes;
    }
    EXPECT_EQ(passes, SmartPlanRefreshGuard::kMaxPasses);
    EXPECT_TRUE(guard.enter()) << "the next refresh starts afresh";
}

TEST(ProjectServerChoicesTest, StoredModesAndAutomaticConfigurations) {
    EXPECT_EQ(projectServerModeFrom(PropertyList("multi")), ServerMode::multi);
    EXPECT_EQ(projectServerModeFrom(PropertyList("single")), ServerMode::single);
    EXPECT_EQ(projectServerModeFrom(PropertyList("multi ")), std::nullopt);
    EXPECT_EQ(projectServerModeFrom(PropertyList(3)), std::nullopt);
    EXPECT_EQ(projectServerModeFrom(std::nullopt), std::nullopt);

    auto server = [](std::string id) {
        ServerProfile s;
        s.id = std::move(id);
        return s;
    };
    const std::vector<ServerProfile> servers{server("a"), server("b"), server("c")};
    SmartShareAutomaticConfiguration configuration;
    configuration.serverModeRaw = "multi";
    configuration.multiDispatchModeRaw = "oneByOne";

    // Multi with only one server still configured: single, its active server or that one.
    configuration.selectedServerIDs = {"gone", "b"};
    configuration.activeServerID = "gone";
    auto choice = automaticConfigurationChoice(configuration, servers, "a");
    EXPECT_EQ(choice.mode, ServerMode::single);
    EXPECT_EQ(choice.targetServerID, "b");
    EXPECT_EQ(choice.selectedServerIDs, (std::set<std::string>{"b"}));
    EXPECT_EQ(choice.dispatch, MultiDispatchMode::oneByOne);

    configuration.selectedServerIDs = {"c", "a"};
    configuration.activeServerID = "c";
    choice = automaticConfigurationChoice(configuration, servers, "a");
    EXPECT_EQ(choice.mode, ServerMode::multi);
    EXPECT_EQ(choice.targetServerID, "c");
    EXPECT_EQ(choice.selectedServerIDs, (std::set<std::string>{"a", "c"}));

    // Nothing configured left: the draft's server stays, alone when configured.
    configuration.selectedServerIDs = {};
    configuration.activeServerID = "gone";
    configuration.multiDispatchModeRaw = "one by one";
    choice = automaticConfigurationChoice(configuration, servers, "a");
    EXPECT_EQ(choice.mode, ServerMode::single);
    EXPECT_EQ(choice.targetServerID, "a");
    EXPECT_EQ(choice.selectedServerIDs, (std::set<std::string>{"a"}));
    EXPECT_EQ(choice.dispatch, MultiDispatchMode::all);
    EXPECT_TRUE(automaticConfigurationChoice(configuration, servers, "zz").selectedServerIDs.empty());

    EXPECT_EQ(selectedIDsInServerOrder(servers, {"c", "a", "gone"}), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(configuredSingleServerID(servers, " b\n"), "b");
    EXPECT_EQ(configuredSingleServerID(servers, "zz"), std::nullopt);
    EXPECT_EQ(automaticActiveServerID({"b", "c"}, "c"), "c");
    EXPECT_EQ(automaticActiveServerID({"b", "c"}, "a"), "b");
    EXPECT_EQ(automaticPresetStatus(2, 1), "Automatic preset updated \u00B7 2 servers \u00B7 1 script.");
    EXPECT_EQ(automaticPresetStatus(1, 0), "Automatic preset updated \u00B7 1 server \u00B7 0 scripts.");
}

TEST(RecipeEvidenceTest, SuccessOriginAndRecommendation) {
    ArtifactRecommendationResponse reply;
    reply.exactMatch = true;
    ArtifactCandidateRecommendation rec;
    rec.scriptPath = "APP/deploy.sh";
    rec.successfulRunCount = 3;
    reply.recommendations.push_back(rec);
    const ShellCandidates selected{candidate("app/deploy.sh", "deploy.sh")};
    EXPECT_EQ(recipeSuccessEvidence(&reply, selected), (RecipeSuccessEvidence{3, true}));
    EXPECT_EQ(recipeSuccessEvidence(nullptr, selected), std::nullopt);
    EXPECT_EQ(recipeSuccessEvidence(&reply, {}), std::nullopt);
    reply.recommendations[0].successfulRunCount = 0;
    EXPECT_EQ(recipeSuccessEvidence(&reply, selected), std::nullopt) << "no success, even with an exact match";

    SmartShareResolvedPlan automatic;
    SmartSharePreset explicitAutomatic;
    explicitAutomatic.isExplicitAutomatic = true;
    automatic.preset = explicitAutomatic;
    EXPECT_EQ(recipeOriginSummary(&automatic, true, true), "auto");
    EXPECT_EQ(recipeOriginSummary(nullptr, true, true), "edited");
    EXPECT_EQ(recipeOriginSummary(nullptr, false, true), "history");
    EXPECT_EQ(recipeOriginSummary(nullptr, false, false), std::nullopt);

    ArtifactRecommendationResponse none;
    EXPECT_FALSE(serverHasRecommendation(&none, nullptr, nullptr));
    EXPECT_TRUE(serverHasRecommendation(&none, &automatic, nullptr)) << "a plan with a preset counts";
    none.decision = ArtifactSelectionKind::suggest;
    EXPECT_TRUE(serverHasRecommendation(&none, nullptr, nullptr));
    Draft runs;
    runs.action = ShareAction::upload;
    runs.postUploadAction = PostUploadAction::run;
    EXPECT_TRUE(serverHasRecommendation(nullptr, nullptr, &runs));
    runs.postUploadAction = PostUploadAction::unzip;
    EXPECT_FALSE(serverHasRecommendation(nullptr, nullptr, &runs));
}

}  // namespace
}  // namespace share_test
