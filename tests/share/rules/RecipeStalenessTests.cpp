// Recipe staleness, the automatic script rules, a preset's scripts and drafts rewritten to
// run a chosen set.
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Rules/RecipeStaleness.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "tests/share/ShareTestSupport.h"

namespace tarvo::share {
namespace {

using share_test::candidate;
using Paths = std::vector<std::string>;
using W = PostUploadWorkingDirectory;

const ShellCandidates kBase = {
    candidate("app/deploy.sh", "deploy.sh", "0000aaaa:10"),
    candidate("app/tools/seed.sh", "tools/seed.sh", "0000bbbb:20"),
    candidate("install.sh"),
    candidate("app/tools/deploy.sh", "tools/deploy.sh"),
};

ArtifactInsight readyInsight(ShellCandidates base = kBase) {
    ArtifactInsight insight;
    insight.state = ArtifactInsightState::ready();
    insight.baseShellCandidates = base;
    insight.shellCandidates = base;
    return insight;
}

Draft recipeDraft(const std::string& command) {
    Draft d;
    d.serverId = "srv";
    d.action = ShareAction::upload;
    d.postUploadAction = PostUploadAction::unzipThenRun;
    d.deployWorkingDirectory = W::custom;
    d.deployCustomWorkingDirectory = "{extract}/app";
    d.deployCommand = command;
    d.selectedScriptPaths = {"app/deploy.sh"};
    d.expectedLifetime = ShareExpectedLifetime::persistent;
    d.notificationPolicy = {{ShareRunNotificationEvent::accepted}};
    d.notificationPolicyCustomized = true;
    d.readinessRule.kind = ShareReadinessRule::Kind::logContains;
    d.readinessRule.pattern = "up";
    return d;
}

TEST(RecipeText, NormalisersTable) {
    EXPECT_EQ(normalizedScriptPathList({" /Scripts/build.sh/ ", "scripts\\BUILD.sh", "", "run.sh"}),
              (Paths{"Scripts/build.sh", "run.sh"}));
    EXPECT_EQ(normalizedScriptPathList({"\\\\", " / ", "a\\b.sh", "A/B.SH"}), (Paths{"a/b.sh"}));
    EXPECT_EQ(normalizedCommand("\r\n  bash './a.sh'\r\r\n\tx \n"), "bash './a.sh'\n\n\tx");
    EXPECT_EQ(normalizeWorkingDirectoryPath(std::string(" {extract}/a\0b \r\nnext", 22)), "{extract}/ab");
    EXPECT_EQ(normalizeWorkingDirectoryPath("first\u2028second"), "first");
    EXPECT_EQ(normalizeWorkingDirectoryPath("\n\nlater"), "");
    EXPECT_EQ(shellQuoted(""), "''");
    EXPECT_EQ(shellQuoted("'"), "''\"'\"''");
}

TEST(RecipeStaleness, WhichCommandsStillFitTheArtifact) {
    struct Case {
        const char* name;
        std::string command;
        bool fits;
    };
    const std::vector<Case> cases = {
        {"empty", " \r\n ", true},
        {"a run line", "bash './deploy.sh'", true},
        {"with blank lines and CR LF", "\r\n\r\n  bash './install.sh'\r\n\r\n", true},
        {"bash without the quoted ./", "bash deploy.sh", false},
        {"sh in place of bash", "sh './deploy.sh'", false},
        {"a relative path in place of the name", "bash './scripts/deploy.sh'", false},
        {"an unknown script", "bash './gone.sh'", false},
        {"a reaching line alone", "(cd -- 'tools' && bash './seed.sh')", false},
        {"several run lines", "bash './deploy.sh'\nbash './install.sh'", true},
        {"several lines with blanks between", "bash './deploy.sh'\r\n\r\n   \r\n  bash './seed.sh'  ", true},
        {"reaching lines from the first line's folder", "bash './deploy.sh'\n(cd -- 'tools' && bash './seed.sh')\n"
                                                          "(cd -- '..' && bash './install.sh')", true},
        {"the folder of whichever deploy.sh fits", "bash './deploy.sh'\n(cd -- '../..' && bash './install.sh')",
         true},
        {"a reaching line from no script's folder", "bash './deploy.sh'\n(cd -- 'web' && bash './seed.sh')", false},
        {"one line that is not a script", "bash './deploy.sh'\nrm -rf /", false},
        {"a first line that is not a script", "echo hi\nbash './deploy.sh'", false},
    };
    const ArtifactInsight insight = readyInsight();
    // The matcher the server rows share answers alike, asked once and again from what it kept.
    const CommandMatcher matcher(kBase);
    for (int round = 0; round < 2; ++round) {
        for (const auto& c : cases) {
            EXPECT_EQ(deployCommandMatchesCurrentArtifact(c.command, insight), c.fits) << c.name;
            EXPECT_EQ(commandMatchesCandidates(c.command, kBase), c.fits) << c.name;
            EXPECT_EQ(matcher.matches(c.command), c.fits) << c.name << ", round " << round;
        }
    }
}

TEST(RecipeStaleness, ClearingTakesTheWholeRecipeAndNothingElse) {
    const Draft stale = recipeDraft("bash './gone.sh'");
    Draft expected = stale;
    expected.postUploadAction = PostUploadAction::none;
    expected.deployWorkingDirectory = W::uploadFolder;
    expected.deployCustomWorkingDirectory = "";
    expected.deployCommand = "";
    expected.selectedScriptPaths = {};
    EXPECT_EQ(draftClearingRecipe(stale), expected);

    const ArtifactInsight ready = readyInsight();
    EXPECT_EQ(staleRecipeCleared(stale, ready, false), expected);
    EXPECT_EQ(staleRecipeCleared(stale, ready, true), std::nullopt);  // the user touched the recipe
    EXPECT_EQ(staleRecipeCleared(recipeDraft("bash './deploy.sh'"), ready, false), std::nullopt);
    EXPECT_EQ(staleRecipeCleared(recipeDraft(" \n "), ready, false), std::nullopt);
    ArtifactInsight noScripts = readyInsight({});
    EXPECT_EQ(staleRecipeCleared(stale, noScripts, false), std::nullopt);
    for (auto state : {ArtifactInsightState::scanning(), ArtifactInsightState::idle(),
                       ArtifactInsightState::failed("x"), ArtifactInsightState::unavailable("y")}) {
        ArtifactInsight notReady = ready;
        notReady.state = state;
        EXPECT_EQ(staleRecipeCleared(stale, notReady, false), std::nullopt);
        EXPECT_EQ(recipeClearedIfStale(stale, "srv", notReady, {}), stale);
    }

    // Per server: only the user's own edits protect it; the base candidates decide.
    EXPECT_EQ(recipeClearedIfStale(stale, "srv", ready, {}), expected);
    EXPECT_EQ(recipeClearedIfStale(stale, "srv", ready, {"srv"}), stale);
    EXPECT_EQ(recipeClearedIfStale(stale, "other", ready, {"srv"}), expected);
    ArtifactInsight merged = ready;
    merged.shellCandidates.push_back(candidate("gone.sh"));  // shown, but not in the archive listing
    EXPECT_EQ(recipeClearedIfStale(stale, "srv", merged, {}), expected);
    EXPECT_EQ(staleRecipeCleared(stale, merged, false), std::nullopt);

    // An automatically selected set of scripts survives its own check.
    const Draft set = draftBySelecting({kBase[0], kBase[1], kBase[2]}, recipeDraft(""), "srv");
    EXPECT_EQ(staleRecipeCleared(set, ready, false), std::nullopt);
    EXPECT_EQ(recipeClearedIfStale(set, "srv", ready, {}), set);
}

ArtifactCandidateRecommendation rec(const std::string& path, std::int64_t ok, std::int64_t failed, double score = 0,
                                    std::optional<std::string> relative = std::nullopt) {
    ArtifactCandidateRecommendation r;
    r.scriptPath = path;
    r.relativePath = std::move(relative);
    r.successfulRunCount = ok;
    r.failedRunCount = failed;
    r.score = score;
    return r;
}

ArtifactRecommendationResponse reply(std::vector<ArtifactCandidateRecommendation> recs, bool vouch = false) {
    ArtifactRecommendationResponse r;
    r.ok = true;
    r.recommendations = std::move(recs);
    r.decision = vouch ? ArtifactSelectionKind::autoSelect : ArtifactSelectionKind::suggest;
    r.exactMatch = vouch;
    return r;
}

TEST(AuthoritativeAutomaticCandidate, RunHistoryDecides) {
    struct Case {
        const char* name;
        std::vector<ArtifactCandidateRecommendation> recs;
        bool selectedPlain;
        bool selectedVouched;
    };
    const std::vector<Case> cases = {
        {"3 successes, nobody else", {rec("APP/DEPLOY.SH", 3, 0), rec("install.sh", 0, 4)}, true, true},
        {"3 against 2", {rec("app/deploy.sh", 3, 0), rec("install.sh", 2, 0)}, false, true},
        {"5 against 2, score lead 3000", {rec("app/deploy.sh", 5, 0, 9000), rec("install.sh", 2, 0, 6000)}, true, true},
        {"5 against 2, score lead 2399.5", {rec("app/deploy.sh", 5, 0, 9000), rec("install.sh", 2, 0, 6600.5)},
         false, true},
        {"5 against 2, score lead exactly 2500", {rec("app/deploy.sh", 5, 0, 8500), rec("install.sh", 2, 0, 6000)},
         true, true},
        {"1 success", {rec("app/deploy.sh", 1, 0)}, false, true},
        {"2 successes and 2 failures", {rec("app/deploy.sh", 2, 2)}, false, false},
        {"no success", {rec("app/deploy.sh", 0, 0)}, false, false},
        {"found by relative path", {rec("elsewhere/deploy.sh", 3, 0, 0, "TOOLS/deploy.sh")}, true, true},
        {"not in the archive", {rec("gone.sh", 9, 0)}, false, false},
        {"no recommendation", {}, false, false},
    };
    for (const auto& c : cases) {
        for (bool vouch : {false, true}) {
            auto chosen = authoritativeAutomaticCandidate(reply(c.recs, vouch), kBase);
            EXPECT_EQ(chosen.has_value(), vouch ? c.selectedVouched : c.selectedPlain) << c.name << " vouch=" << vouch;
        }
    }
    EXPECT_EQ(authoritativeAutomaticCandidate(reply({rec("x", 3, 0, 0, "tools/deploy.sh")}), kBase)->path,
              "app/tools/deploy.sh");
    // An exact match without "auto_select" is no vouching.
    auto suggestExact = reply({rec("app/deploy.sh", 1, 0)});
    suggestExact.exactMatch = true;
    EXPECT_FALSE(authoritativeAutomaticCandidate(suggestExact, kBase));
}

SmartSharePreset preset(Paths paths, Paths fingerprints = {}, std::string command = "",
                        std::string workingDirectory = "extractedFolder", std::string custom = "",
                        std::string action = "unzipThenRun") {
    SmartSharePreset p;
    p.selectedScriptPaths = std::move(paths);
    p.selectedScriptFingerprints = std::move(fingerprints);
    p.deployCommand = std::move(command);
    p.workingDirectoryRaw = std::move(workingDirectory);
    p.customWorkingDirectory = std::move(custom);
    p.postUploadActionRaw = std::move(action);
    return p;
}

TEST(CandidatesMatchingPreset, PathsThenFingerprintsElseTheCommandLines) {
    EXPECT_EQ(candidatePaths(candidatesMatchingPreset(preset({"TOOLS/SEED.SH", "install.sh"}, {"0000aaaa:10"}), kBase)),
              (Paths{"app/tools/seed.sh", "install.sh", "app/deploy.sh"}));
    // One script found twice is kept once; the single-script fields stand in for empty lists.
    SmartSharePreset single = preset({}, {});
    single.selectedScriptPath = "deploy.sh";
    single.selectedScriptFingerprint = "0000aaaa:10";
    EXPECT_EQ(candidatePaths(candidatesMatchingPreset(single, kBase)), (Paths{"app/deploy.sh"}));
    // A match by path or fingerprint means the command is not consulted.
    EXPECT_EQ(candidatePaths(candidatesMatchingPreset(preset({"install.sh"}, {}, "bash './deploy.sh'", "custom",
                                                      "{extract}/app"),
                                               kBase)),
              (Paths{"install.sh"}));

    struct Case {
        const char* name;
        std::string command;
        std::string workingDirectory;
        std::string custom;
        std::string action;
        Paths expected;
    };
    const std::vector<Case> cases = {
        {"root script in the extracted folder", "bash './install.sh'", "extractedFolder", "", "unzipThenRun",
         {"install.sh"}},
        {"nothing lies in the upload folder", "bash './install.sh'", "uploadFolder", "", "unzipThenRun", {}},
        {"custom folder picks the deploy.sh there", "bash './deploy.sh'", "custom", "{extract}/app/tools",
         "unzipThenRun", {"app/tools/deploy.sh"}},
        {"lines in several folders from the custom folder",
         "bash './deploy.sh'\r\n(cd -- 'tools' && bash './seed.sh')\n(cd -- '..' && bash './install.sh')", "custom",
         "{extract}/app", "unzipThenRun", {"app/deploy.sh", "app/tools/seed.sh", "install.sh"}},
        {"an unknown working directory follows the action", "bash './install.sh'", "elsewhere", "", "unzip",
         {"install.sh"}},
        {"unknown directory without unzip is the upload folder", "bash './install.sh'", "elsewhere", "", "run", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(candidatePaths(candidatesMatchingPreset(preset({}, {}, c.command, c.workingDirectory, c.custom, c.action),
                                                   kBase)),
                  c.expected)
            << c.name;
    }
}

TEST(AuthoritativeAutomaticScriptSet, PlanMatchAndHistoryMustAllHold) {
    SmartShareResolvedPlan plan;
    plan.score = 0.62;
    plan.preset = preset({"app/deploy.sh", "install.sh"});
    const auto history = [](std::int64_t deployOk, std::int64_t deployFailed) {
        return reply({rec("app/deploy.sh", deployOk, deployFailed), rec("x", 0, 0, 0, "install.sh")}, true);
    };
    auto installHistory = history(2, 1);
    installHistory.recommendations[1].successfulRunCount = 2;
    installHistory.recommendations[1].failedRunCount = 1;
    EXPECT_EQ(candidatePaths(authoritativeAutomaticScriptSet(installHistory, plan, kBase)),
              (Paths{"app/deploy.sh", "install.sh"}));

    auto oneRun = installHistory;
    oneRun.recommendations[0].successfulRunCount = 1;
    EXPECT_TRUE(authoritativeAutomaticScriptSet(oneRun, plan, kBase).empty());
    auto noHistory = installHistory;
    noHistory.recommendations.pop_back();
    EXPECT_TRUE(authoritativeAutomaticScriptSet(noHistory, plan, kBase).empty());
    auto tied = installHistory;
    tied.recommendations[0].failedRunCount = 2;
    EXPECT_TRUE(authoritativeAutomaticScriptSet(tied, plan, kBase).empty());

    SmartShareResolvedPlan weak = plan;
    weak.score = 0.61;
    EXPECT_TRUE(authoritativeAutomaticScriptSet(installHistory, weak, kBase).empty());
    EXPECT_TRUE(authoritativeAutomaticScriptSet(installHistory, std::nullopt, kBase).empty());
    SmartShareResolvedPlan withoutPreset = plan;
    withoutPreset.preset.reset();
    EXPECT_TRUE(authoritativeAutomaticScriptSet(installHistory, withoutPreset, kBase).empty());
    SmartShareResolvedPlan oneScript = plan;
    oneScript.preset = preset({"install.sh"});
    EXPECT_TRUE(authoritativeAutomaticScriptSet(installHistory, oneScript, kBase).empty());

    // Without the server's exact match, the plan must name an identity match.
    auto inexact = installHistory;
    inexact.exactMatch = false;
    EXPECT_TRUE(authoritativeAutomaticScriptSet(inexact, plan, kBase).empty());
    SmartShareResolvedPlan identified = plan;
    identified.evidence = {"path shape match", "same script byteprint"};
    EXPECT_EQ(authoritativeAutomaticScriptSet(inexact, identified, kBase).size(), 2u);
}

TEST(DraftBySelecting, RunsTheCandidatesFromTheFirstOnesFolder) {
    Draft base = recipeDraft("old");
    base.serverId = "before";
    base.action = ShareAction::emit;
    base.destFolder = "keep/this";
    EXPECT_EQ(draftBySelecting({}, base, "srv"), base);

    Draft d = draftBySelecting({kBase[1], kBase[0], kBase[2]}, base, "srv");
    Draft expected = base;
    expected.serverId = "srv";
    expected.action = ShareAction::upload;
    expected.postUploadAction = PostUploadAction::unzipThenRun;
    expected.deployWorkingDirectory = W::custom;
    expected.deployCustomWorkingDirectory = "{extract}/app/tools";
    expected.deployCommand = "bash './seed.sh'\n(cd -- '..' && bash './deploy.sh')\n(cd -- '../..' && bash './install.sh')";
    expected.selectedScriptPaths = {"app/tools/seed.sh", "app/deploy.sh", "install.sh"};
    EXPECT_EQ(d, expected);

    d = draftBySelecting({kBase[2]}, base, "srv");
    EXPECT_EQ(d.deployWorkingDirectory, W::extractedFolder);
    EXPECT_EQ(d.deployCustomWorkingDirectory, "");
    EXPECT_EQ(d.deployCommand, "bash './install.sh'");
}

TEST(DestinationSuggestions, DropTheCurrentDestination) {
    std::vector<ArtifactDestinationRecommendation> offered(3);
    offered[0].path = " /srv/app/ ";
    offered[1].path = "srv/other";
    offered[2].path = "srv/app";
    auto kept = destinationSuggestions(offered, "srv/app//\n");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].path, "srv/other");
    EXPECT_EQ(destinationSuggestions(offered, "").size(), 3u);
}

}  // namespace
}  // namespace tarvo::share
