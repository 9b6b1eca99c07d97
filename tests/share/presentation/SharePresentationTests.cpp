// The share screen's derived texts, the mood table and the menus' choices, as tables.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Presentation/RecipeMenuRules.h"
#include "TarvoShareExtension/ShareViewController/Presentation/ShareMood.h"
#include "TarvoShareExtension/ShareViewController/Presentation/SharePresentation.h"
#include "tests/share/ShareTestSupport.h"

namespace share_test {
namespace {

using namespace tarvo::share;
using platform::UIColor;
using tarvo::ServerProfile;
using ::testing::ElementsAre;

std::string repeated(char c, std::size_t n) { return std::string(n, c); }

ServerProfile profile(std::string id, std::string name) {
    ServerProfile p;
    p.id = std::move(id);
    p.name = std::move(name);
    return p;
}

Draft upload(PostUploadAction recipe, std::string command = "") {
    Draft d;
    d.action = ShareAction::upload;
    d.postUploadAction = recipe;
    d.deployCommand = std::move(command);
    return d;
}

TEST(SharePresentationTest, CompactTitlesKeepBothEndsAroundTheLimit) {
    const std::string fifty = "abcdefghijklmnopqrstu" + repeated('x', 8) + "VWXYZabcdefghijklmnopq";
    ASSERT_EQ(fifty.size(), 51u);
    struct Case {
        std::string text;
        std::size_t limit;
        std::string expected;
    } cases[] = {
        {"  ", 44, "Artifact"},
        {repeated('a', 44), 44, repeated('a', 44)},
        {fifty, 44, "abcdefghijklmnopqrstu\u2026ghijklmnopq" + std::string("")},
        {repeated('b', 43), 42, repeated('b', 20) + "\u2026" + repeated('b', 20)},
        {repeated('c', 53), 52, repeated('c', 25) + "\u2026" + repeated('c', 25)},
        {repeated('d', 35), 34, repeated('d', 16) + "\u2026" + repeated('d', 16)},
        {repeated('e', 20), 10, repeated('e', 12) + "\u2026" + repeated('e', 12)},  // at least 12 each side
        {" \n site \t", 44, "site"},
    };
    cases[2].expected = fifty.substr(0, 21) + "\u2026" + fifty.substr(fifty.size() - 21);
    for (const auto& c : cases) EXPECT_EQ(compactArtifactTitle(c.text, c.limit), c.expected) << c.text;
    // Characters, not bytes: 45 accented letters are cut to 21 + 21 whole letters.
    std::string accents;
    for (int i = 0; i < 45; ++i) accents += "e\u0301";
    const std::string cut = compactArtifactTitle(accents, 44);
    std::string side;
    for (int i = 0; i < 21; ++i) side += "e\u0301";
    EXPECT_EQ(cut, side + "\u2026" + side);
}

TEST(SharePresentationTest, PayloadTitleAndSizeLineByWhatTheScanFound) {
    struct Case {
        PayloadFacts payload;
        std::string title;
        std::string size;
    } cases[] = {
        {{"site", "site.zip", 12, 2048, {"site.zip"}}, "site", "12 files \u00B7 2 KB"},
        {{std::nullopt, "bundle.zip", 3, 0, {"bundle.zip"}}, "bundle.zip", "3 files \u00B7 size unknown"},
        {{std::nullopt, "bundle.zip", 1, 0, {"bundle.zip"}}, "bundle.zip", "1 files \u00B7 size unknown"},
        {{"  ", " notes.txt ", 0, 0, {"notes.txt"}}, "notes.txt", "1 item"},
        {{std::nullopt, "", 0, 0, {std::nullopt, std::string(" b.txt ")}}, "b.txt", "2 items"},
        {{std::nullopt, "", 0, 0, {std::nullopt}}, "Shared item", "1 item"},
        {{std::nullopt, "", 0, 0, {std::nullopt, std::string("  ")}}, "2 items", "2 items"},
        {{std::nullopt, "", 0, 0, {}}, "0 items", "0 items"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(payloadDisplayTitle(c.payload), c.title) << c.title;
        EXPECT_EQ(payloadSizeLine(c.payload), c.size) << c.title;
    }
    PayloadFacts huge{std::nullopt, "x.zip", 2, ~0ull, {"x.zip"}};
    EXPECT_THAT(payloadSizeLine(huge), ::testing::StartsWith("2 files \u00B7 ")) << "capped, never negative";
    EXPECT_THAT(payloadSizeLine(huge), ::testing::Not(::testing::HasSubstr("-")));
}

TEST(SharePresentationTest, SourceLabelsAndTheSubtitle) {
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {std::nullopt, ""},
        {"  ", ""},
        {"com.apple.mobilesafari", "Safari"},
        {"com.apple.Files", "Files"},
        {"com.apple.FileProvider.ui", "Files"},
        {" com.example.my-notes-app ", "my notes app"},
        {"...", "..."},
        {"com.example.", "example"},
        {"com.apple.files", "files"},  // the tests are case-sensitive
    };
    for (const auto& [id, label] : cases) EXPECT_EQ(friendlySourceLabel(id), label) << id.value_or("(none)");
    EXPECT_EQ(joinedNonEmptyParts({"", " 1 item ", "proof 3\u00D7"}), "1 item \u00B7 proof 3\u00D7");
    EXPECT_EQ(joinedNonEmptyParts({"", " ", ""}), "");
}

TEST(SharePresentationTest, ProofLineSumsEveryServersRecordedRuns) {
    auto reply = [](std::vector<std::pair<std::int64_t, std::int64_t>> counts) {
        tarvo::ArtifactRecommendationResponse r;
        for (auto [ok, failed] : counts) {
            tarvo::ArtifactCandidateRecommendation c;
            c.successfulRunCount = ok;
            c.failedRunCount = failed;
            r.recommendations.push_back(c);
        }
        return r;
    };
    EXPECT_EQ(projectProofLine({}), "");
    EXPECT_EQ(projectProofLine({{"a", reply({{0, 0}, {-4, -1}})}}), "");
    EXPECT_EQ(projectProofLine({{"a", reply({{3, 0}})}, {"b", reply({{2, -5}})}}), "proof 5\u00D7");
    EXPECT_EQ(projectProofLine({{"a", reply({{0, 2}})}}), "proof 0\u00D7 \u00B7 2 failed");
}

TEST(SharePresentationTest, HeroTitleNamesTheTarget) {
    const std::vector<ServerProfile> servers{profile("a", "Alpha"), profile("b", "Beta"), profile("c", "Gamma")};
    EXPECT_EQ(heroTitleLine("site", false, ServerMode::single, serverLabel(servers, "b", std::nullopt), 0),
              "site \u2192 Beta");
    EXPECT_EQ(serverLabel(servers, "gone", profile("z", "Active")), "Active");
    EXPECT_EQ(serverLabel(servers, "gone", std::nullopt), "No server");
    EXPECT_EQ(heroTitleLine("site", true, ServerMode::multi, "x", 2), "Deploy \u00B7 site");
    EXPECT_EQ(countedSelectedServers(servers, {"a", "c", "stale"}), 2u);
    EXPECT_EQ(heroTitleLine("site", false, ServerMode::multi, "x", 2), "site \u2192 2 servers");
    EXPECT_EQ(heroTitleLine("site", false, ServerMode::multi, "x", 1), "site \u2192 1 server");
}

TEST(SharePresentationTest, DockLinesPerModeAndRecipe) {
    DockFacts single;
    single.payloadTitle = "project.zip";
    single.draftActionTitle = actionTitle(upload(PostUploadAction::unzip));
    single.serverLabel = "Alpha";
    single.destFolder = " /apps/demo/ ";
    single.upload = true;
    EXPECT_EQ(dockSummaryLine(single), "project.zip \u00B7 Upload + Unzip \u2192 Alpha");
    EXPECT_EQ(dockDetailLine(single), "Alpha \u00B7 /apps/demo \u00B7 no script");

    DockFacts emit = single;
    emit.upload = false;
    emit.destFolder = " // ";
    emit.defaultKind = "clipboard";
    EXPECT_EQ(dockDetailLine(emit), "Alpha \u00B7 server root \u00B7 clipboard") << "the type's kind, not the draft's";

    DockFacts multi = single;
    multi.mode = ServerMode::multi;
    multi.countedSelected = 0;
    EXPECT_EQ(dockSummaryLine(multi), "project.zip \u00B7 Upload + Unzip \u2192 0 servers");
    EXPECT_EQ(dockDetailLine(multi), "No server selected.");
    multi.selectedLabels = {"A", "B"};
    EXPECT_EQ(dockDetailLine(multi), "A \u00B7 B");

    DockFacts linked = single;
    linked.linked = true;
    linked.linkedTargetCount = 1;
    EXPECT_EQ(dockSummaryLine(linked), "project.zip \u00B7 deploy exact \u2192 1 target");
    linked.linkedTargetCount = 3;
    EXPECT_EQ(dockSummaryLine(linked), "project.zip \u00B7 deploy exact \u2192 3 targets");
    EXPECT_EQ(dockDetailLine(linked), "Exact targets are verified from NVK metadata.");
}

TEST(SharePresentationTest, ServerLabelsStopAtTheLimit) {
    std::vector<ServerProfile> servers;
    std::set<std::string> selected;
    for (char c = 'a'; c <= 'f'; ++c) {
        servers.push_back(profile(std::string(1, c), std::string("S") + c));
        selected.insert(std::string(1, c));
    }
    EXPECT_THAT(selectedServerLabels(servers, selected, 4), ElementsAre("Sa", "Sb", "Sc", "Sd", "+2 more"));
    selected.erase("e");
    EXPECT_THAT(selectedServerLabels(servers, selected, 4), ElementsAre("Sa", "Sb", "Sc", "Sd", "+1 more"));
    selected.erase("f");
    EXPECT_THAT(selectedServerLabels(servers, selected, 4), ElementsAre("Sa", "Sb", "Sc", "Sd"));
}

TEST(SharePresentationTest, ScriptAndAdvancedSummaries) {
    const auto a = candidate("p/deploy.sh", "deploy.sh");
    const auto b = candidate("p/bin/start.sh", "bin/start.sh");
    EXPECT_EQ(compactScriptSummary(upload(PostUploadAction::unzip), {a}), std::nullopt) << "no command runs";
    Draft emit;
    EXPECT_EQ(compactScriptSummary(emit, {a}), std::nullopt);
    EXPECT_EQ(compactScriptSummary(upload(PostUploadAction::unzipThenRun), {a, b}), "2 scripts selected");
    EXPECT_EQ(compactScriptSummary(upload(PostUploadAction::run), {b}), "bin/start.sh");
    auto nameOnly = b;
    nameOnly.relativePath.clear();
    EXPECT_EQ(compactScriptSummary(upload(PostUploadAction::run), {nameOnly}), "start.sh");
    EXPECT_EQ(compactScriptSummary(upload(PostUploadAction::run, " \r\n "), {}), "script not selected");
    EXPECT_EQ(compactScriptSummary(upload(PostUploadAction::run, "\r\n  make build\r\nmake run"), {}), "make build");
    EXPECT_EQ(compactScriptSummary(upload(PostUploadAction::run, repeated('m', 88)), {}), repeated('m', 88));
    EXPECT_EQ(compactScriptSummary(upload(PostUploadAction::run, repeated('m', 89)), {}), repeated('m', 85) + "\u2026");

    Draft d = upload(PostUploadAction::unzipThenRun);
    d.deployWorkingDirectory = PostUploadWorkingDirectory::extractedFolder;
    EXPECT_EQ(compactAdvancedSummary(d), "Extracted folder \u00B7 auto command");
    d.postUploadAction = PostUploadAction::run;
    d.deployCommand = repeated('z', 43) + "\nsecond";
    EXPECT_EQ(compactAdvancedSummary(d), "Upload folder \u00B7 " + repeated('z', 20) + "\u2026" + repeated('z', 20));
    d.deployWorkingDirectory = PostUploadWorkingDirectory::custom;
    d.deployCommand = "./go";
    EXPECT_EQ(compactAdvancedSummary(d), "Custom path \u00B7 ./go");
}

TEST(SharePresentationTest, SendButtonTitles) {
    struct Case {
        Draft draft;
        bool linked;
        ServerMode mode;
        std::size_t targets;
        std::string title;
    } cases[] = {
        {Draft{}, false, ServerMode::single, 1, "Send"},
        {upload(PostUploadAction::none), false, ServerMode::single, 1, "Upload"},
        {upload(PostUploadAction::unzip), false, ServerMode::multi, 2, "Upload + Unzip \u2192 2"},
        {upload(PostUploadAction::run), false, ServerMode::multi, 0, "Upload + Run \u2192 0"},
        {upload(PostUploadAction::unzipThenRun), false, ServerMode::single, 3, "Upload + Run"},
        {Draft{}, true, ServerMode::single, 1, "Deploy 1 target"},
        {Draft{}, true, ServerMode::multi, 0, "Deploy 0 targets"},
        {upload(PostUploadAction::run), true, ServerMode::multi, 3, "Deploy 3 targets"},
    };
    for (const auto& c : cases) EXPECT_EQ(sendButtonTitle(c.draft, c.linked, c.mode, c.targets), c.title);
}

TEST(SharePresentationTest, ServerRowsGroupsContextAndDetails) {
    const std::vector<ServerProfile> servers{profile("a", "A"), profile("b", "B"), profile("c", "C"), profile("d", "D")};
    const ServerGroups g = groupServers(servers, {"c", "a", "stale"}, [](const ServerProfile& s) { return s.id == "d"; });
    auto ids = [](const std::vector<ServerProfile>& list) {
        std::vector<std::string> out;
        for (const auto& s : list) out.push_back(s.id);
        return out;
    };
    EXPECT_THAT(ids(g.selected), ElementsAre("a", "c"));
    EXPECT_THAT(ids(g.recommended), ElementsAre("d"));
    EXPECT_THAT(ids(g.quiet), ElementsAre("b"));

    Draft emit;
    emit.kind = "";
    emit.destFolder = "/";
    EXPECT_EQ(serverContextText(emit, true, std::nullopt, "links"), "root \u00B7 links");
    emit.kind = "photo";
    EXPECT_EQ(serverContextText(emit, true, std::nullopt, "links"), "root \u00B7 photo");
    Draft up = upload(PostUploadAction::unzip);
    up.destFolder = " sites/app/ ";
    EXPECT_EQ(serverContextText(up, true, std::nullopt, "media"), "/sites/app \u00B7 no script");
    EXPECT_EQ(serverContextText(up, false, std::nullopt, "media"), "/sites/app");

    Draft run = upload(PostUploadAction::unzipThenRun);
    run.deployWorkingDirectory = PostUploadWorkingDirectory::extractedFolder;
    run.notificationPolicy.events.clear();
    EXPECT_THAT(serverDetailLines(run, "deploy.sh"),
                ElementsAre("Destination: server root", "Entry: deploy.sh", "Recipe: Upload + Run",
                            "Run in: Extracted folder", "Notify: off"));
    Draft plain = upload(PostUploadAction::unzip);
    EXPECT_THAT(serverDetailLines(plain, std::nullopt),
                ElementsAre("Destination: server root", "Entry: none", "Recipe: Upload + Unzip", "Run in: \u2014",
                            "Notify: on"));
    EXPECT_EQ(serverDetailLines(Draft{}, std::nullopt)[2], "Recipe: Emit");

    EXPECT_TRUE(runStateIsFailure("Failed \u00B7 timeout"));
    EXPECT_FALSE(runStateIsFailure("Succeeded"));
    EXPECT_FALSE(runStateIsFailure("failed"));
    EXPECT_EQ(entrySelectionLine(0, 4), "Entry \u00B7 likely picks");
    EXPECT_EQ(entrySelectionLine(2, 4), "Entry \u00B7 2 selected / 4");
}

TEST(SharePresentationTest, ArtifactCardLines) {
    ArtifactInsight insight;
    insight.filename = " project.zip ";
    insight.entryCount = 7;
    EXPECT_EQ(artifactCardTitle(insight), "project.zip");
    insight.rootFolder = " site ";
    EXPECT_EQ(artifactCardTitle(insight), "site");
    EXPECT_EQ(artifactDetailsText(insight), "entries 7\nroot  site \nmarkers none\ntree n/a \u00B7 scripts n/a");
    insight.rootFolder.reset();
    tarvo::ArtifactProjectSignature sig;
    sig.exactDigest = "0123456789abcdef";
    sig.contentDigest = "fedcba9876543210";
    insight.projectSignature = sig;
    EXPECT_EQ(artifactDetailsText(insight),
              "entries 7\nroot mixed root\nmarkers \ntree 0123456789ab \u00B7 scripts fedcba987654");
    insight.projectSignature->markers = {"package.json", "Dockerfile"};
    EXPECT_THAT(artifactDetailsText(insight), ::testing::HasSubstr("\nmarkers package.json, Dockerfile\n"));

    EXPECT_EQ(artifactStateSubtitle(ArtifactInsightState::idle()), "Inspecting structure before asking for a decision.");
    EXPECT_EQ(artifactStateSubtitle(ArtifactInsightState::scanning()), "Recognizing project shape and entry points\u2026");
    EXPECT_EQ(artifactStateSubtitle(ArtifactInsightState::failed("Could not read.")), "Could not read.");

    EXPECT_EQ(artifactScriptsLine(0, 0, 0), "Entry");
    EXPECT_EQ(artifactScriptsLine(12, 0, 9), "Entry \u00B7 likely 9/12");
    EXPECT_EQ(artifactScriptsLine(12, 2, 9), "Entry \u00B7 2 selected \u00B7 9/12 shown");
    EXPECT_EQ(artifactScriptsLine(4, 0, 9), "Entry \u00B7 likely 4/4");

    const auto chip = candidate("p/" + repeated('n', 40), repeated('n', 40));
    EXPECT_EQ(candidateChipTitle(chip, true, "3\u00D7"), "\u2713 " + repeated('n', 16) + "\u2026" + repeated('n', 16) + " 3\u00D7");
    EXPECT_EQ(candidateChipTitle(candidate("p/a.sh", "a.sh"), false, std::nullopt), "+ a.sh");
    EXPECT_EQ(moreEntryChipTitle(false, 3), "More likely entries \u00B7 +3");
    EXPECT_EQ(moreEntryChipTitle(true, 0), "Compact entries");
}

TEST(SharePresentationTest, GridColumnsFollowTheLongestOfTheFirstTwelveNames) {
    auto named = [](std::size_t length) { return candidate("p/" + repeated('x', length), repeated('x', length)); };
    EXPECT_EQ(entryGridColumnCount({}), 3);
    EXPECT_EQ(entryGridColumnCount({named(5), named(26)}), 3);
    EXPECT_EQ(entryGridColumnCount({named(5), named(27)}), 2);
    std::vector<tarvo::ArtifactShellCandidate> late(12, named(3));
    late.push_back(named(40));
    EXPECT_EQ(entryGridColumnCount(late), 3) << "a long name at position 13 does not count";
}

TEST(ShareMoodTest, TheTableOfScoresFailuresAndScanStates) {
    struct Case {
        MoodFacts facts;
        UIColor tint;
        UIColor accent;
        double strength;
    } cases[] = {
        {{120, 1, true, true, true}, UIColor::systemRed(), UIColor::systemOrange(), 0.08},
        {{90, 0}, UIColor::systemGreen(), UIColor::systemGreen(), 0.98},
        {{89, 0}, UIColor::systemGreen(), UIColor::systemGreen(), 0.88},
        {{25, 0}, UIColor::systemGreen(), UIColor::systemGreen(), 0.88},
        {{24, 0}, UIColor::systemTeal(), UIColor::systemTeal(), 0.72},
        {{5, 0}, UIColor::systemTeal(), UIColor::systemTeal(), 0.72},
        {{4, 0}, UIColor::systemTeal(), UIColor::systemTeal(), 0.58},
        {{1, 0}, UIColor::systemTeal(), UIColor::systemTeal(), 0.58},
        {{0, 0, true, false, true}, UIColor::systemOrange(), UIColor::systemOrange(), 0.34},
        {{0, 0, true, false, false}, UIColor::systemBlue(), UIColor::systemBlue(), 0.34},
        {{0, 0, true, true, true}, UIColor::systemBlue(), UIColor::systemBlue(), 0.46},
        {{0, 0, false, false, true}, UIColor::systemBlue(), UIColor::systemBlue(), 0.24},
    };
    for (const auto& c : cases) {
        const ShareMood m = decideShareMood(c.facts);
        EXPECT_EQ(m.tint, c.tint) << c.facts.successScore;
        EXPECT_EQ(m.accent, c.accent) << c.facts.successScore;
        EXPECT_DOUBLE_EQ(m.strength, c.strength) << c.facts.successScore;
        EXPECT_EQ(m.successScore, c.facts.successScore);
        EXPECT_EQ(m.failureCount, c.facts.failureCount);
    }
    EXPECT_EQ(moodFailureCount({{"a", "Failed \u00B7 x"}, {"b", "ERROR somewhere"}, {"c", "Succeeded"}, {"d", ""}}), 2);
}

TEST(ShareMoodTest, OnlyTheFirstSelectedCandidateAndFirstMatchCount) {
    tarvo::ArtifactRecommendationResponse reply;
    auto rec = [](std::string path, std::optional<std::string> relative, std::int64_t ok) {
        tarvo::ArtifactCandidateRecommendation r;
        r.scriptPath = std::move(path);
        r.relativePath = std::move(relative);
        r.successfulRunCount = ok;
        return r;
    };
    reply.recommendations = {rec("other.sh", std::nullopt, 50), rec("zz", std::string("BIN/START.SH"), 7),
                             rec("P/BIN/START.SH", std::nullopt, 9)};
    const auto start = candidate("p/bin/start.sh", "bin/start.sh");
    const auto other = candidate("other.sh", "other.sh");
    EXPECT_EQ(recordedSuccessCount({start, other}, reply), 7) << "first match, by relative path ignoring case";
    EXPECT_EQ(recordedSuccessCount({}, reply), std::nullopt);
    EXPECT_EQ(recordedSuccessCount({candidate("none.sh")}, reply), std::nullopt);
    reply.recommendations = {rec("p/bin/start.sh", std::nullopt, -3)};
    EXPECT_EQ(recordedSuccessCount({start}, reply), -3) << "the caller counts it as 0";
}

TEST(ShareMoodTest, ChromeAmountsAndTheBlend) {
    const std::pair<double, ChromeTint> cases[] = {
        {0.08, {0.08, 0.1, 0.184}}, {0.24, {0.08, 0.1, 0.232}}, {0.46, {0.101, 0.1, 0.298}},
        {0.72, {0.127, 0.107, 0.376}}, {0.98, {0.153, 0.133, 0.454}},
    };
    for (const auto& [strength, expected] : cases) {
        const ChromeTint t = chromeTint(strength);
        EXPECT_NEAR(t.surfaceAmount, expected.surfaceAmount, 1e-9) << strength;
        EXPECT_NEAR(t.dockAmount, expected.dockAmount, 1e-9) << strength;
        EXPECT_NEAR(t.borderAlpha, expected.borderAlpha, 1e-9) << strength;
    }
    const UIColor base = UIColor::secondarySystemGroupedBackground();
    EXPECT_EQ(blendedMoodSurface(UIColor::systemTeal(), 0.127, base).token(),
              "blend(systemTeal,0.127,secondarySystemGroupedBackground)");
    EXPECT_EQ(blendedMoodSurface(UIColor::systemRed(), 7, base).token(), "blend(systemRed,1,secondarySystemGroupedBackground)");
    EXPECT_EQ(blendedMoodSurface(UIColor::systemRed(), -1, base).token(), "blend(systemRed,0,secondarySystemGroupedBackground)");
    for (auto style : {platform::UIUserInterfaceStyle::light, platform::UIUserInterfaceStyle::dark}) {
        EXPECT_EQ(blendedMoodSurface(UIColor::systemRed(), -1, base).resolved(style), base.resolved(style));
        EXPECT_EQ(blendedMoodSurface(UIColor::patternImage("x"), 0.5, base).resolved(style), base.resolved(style));
    }
}

TEST(RecipeMenuRulesTest, RunFolderFollowsTheRecipe) {
    using W = PostUploadWorkingDirectory;
    using A = PostUploadAction;
    struct Case {
        A previous, chosen;
        W current, expected;
    } cases[] = {
        {A::none, A::unzip, W::custom, W::extractedFolder},
        {A::unzipThenRun, A::run, W::extractedFolder, W::uploadFolder},
        {A::run, A::run, W::custom, W::custom},
        {A::run, A::run, W::extractedFolder, W::uploadFolder},
        {A::unzip, A::unzip, W::extractedFolder, W::extractedFolder},
        {A::unzip, A::none, W::extractedFolder, W::uploadFolder},
    };
    for (const auto& c : cases) EXPECT_EQ(runFolderAfterRecipeChoice(c.previous, c.chosen, c.current), c.expected);
    EXPECT_THAT(offeredRunFolders(A::run), ElementsAre(W::uploadFolder, W::custom));
    EXPECT_THAT(offeredRunFolders(A::unzipThenRun), ElementsAre(W::uploadFolder, W::extractedFolder, W::custom));
    EXPECT_EQ(effectiveRunFolder(A::run, W::extractedFolder), W::uploadFolder);
    EXPECT_EQ(recipeTitle(A::unzipThenRun), "Unzip + Run");
    EXPECT_EQ(runFolderTitle(W::custom), "Custom path");
}

TEST(RecipeMenuRulesTest, SuggestionTokensAndChoosingOne) {
    EXPECT_THAT(suggestionTokens(" inbox, me  inbox,,agent_x me "), ElementsAre("inbox", "me", "agent_x"));
    EXPECT_TRUE(suggestionTokens("").empty());
    EXPECT_EQ(routeTextWithToken("me,inbox  ", "inbox", false), "me, inbox") << "rewritten in the normal form";
    EXPECT_EQ(routeTextWithToken("me, inbox", " agent ", false), "me, inbox, agent");
    EXPECT_EQ(routeTextWithToken("me, inbox", "agent", true), "agent");
    EXPECT_EQ(routeTextWithToken("me", " \n", true), std::nullopt);
}

}  // namespace
}  // namespace share_test
