// Reading the screen into a draft and writing a draft into the screen.
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Screen/DraftBinding.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"

namespace {

using namespace tarvo;
using namespace tarvo::share;

ArtifactShellCandidate candidate(const std::string& path) {
    ArtifactShellCandidate c;
    c.path = path;
    c.relativePath = path;
    const auto slash = path.rfind('/');
    c.filename = slash == std::string::npos ? path : path.substr(slash + 1);
    c.parent = slash == std::string::npos ? "" : path.substr(0, slash);
    return c;
}

TEST(DraftBinding, SnapshotNormalisesTheTexts) {
    Draft current;
    current.serverId = "a";
    current.postUploadAction = PostUploadAction::run;
    current.deployWorkingDirectory = PostUploadWorkingDirectory::extractedFolder;
    DraftScreenValues screen;
    screen.actionSegment = 1;
    screen.kind = " photo ";
    screen.replyTo = " inbox ";
    screen.onlyAgents = "\tclipper\n";
    screen.destFolder = "  /sites/app/ ";
    screen.openOnNextLaunch = true;
    screen.customWorkingDirectory = "{extract}/x\r\nignored";
    screen.deployCommand = "\r\n./deploy.sh \r\n";
    screen.lifetimeSegment = 1;
    screen.readinessValue = "never read";

    const Draft d = snapshotDraft(current, screen, "unused", {});
    EXPECT_EQ(d.serverId, "a");
    EXPECT_EQ(d.action, ShareAction::upload);
    EXPECT_EQ(d.kind, "photo");
    EXPECT_EQ(d.replyTo, "inbox");
    EXPECT_EQ(d.onlyAgents, "clipper");
    EXPECT_EQ(d.destFolder, "sites/app");
    EXPECT_TRUE(d.openOnNextLaunch);
    EXPECT_EQ(d.deployWorkingDirectory, PostUploadWorkingDirectory::uploadFolder) << "run does not unzip";
    EXPECT_EQ(d.deployCustomWorkingDirectory, "{extract}/x");
    EXPECT_EQ(d.deployCommand, "./deploy.sh");
    EXPECT_EQ(d.expectedLifetime, ShareExpectedLifetime::persistent);
    EXPECT_EQ(d.readinessRule, Draft::persistentReadinessDefault()) << "persistent runs get a readiness check";

    screen.lifetimeSegment = 0;
    EXPECT_EQ(snapshotDraft(current, screen, "", {}).readinessRule.kind, ShareReadinessRule::Kind::none);
    // Any segment but the second reads as the first.
    screen.actionSegment = -1;
    EXPECT_EQ(snapshotDraft(current, screen, "", {}).action, ShareAction::emit);
}

TEST(DraftBinding, EmptyServerFallsBackToTheActiveServer) {
    EXPECT_EQ(snapshotDraft(Draft{}, DraftScreenValues{}, " act ", {}).serverId, "act");
    EXPECT_EQ(snapshotDraft(Draft{}, DraftScreenValues{}, "", {}).serverId, "");
}

TEST(DraftBinding, ScriptSelectionSurvivesOnlyWhileTheCommandReadsAsTheSelectionWroteIt) {
    Draft current;
    current.selectedScriptPaths = {"app/deploy.sh"};
    const std::vector<ArtifactShellCandidate> selected{candidate("app/deploy.sh")};
    struct Case {
        const char* name;
        std::vector<ArtifactShellCandidate> selected;
        const char* command;
        bool kept;
    } cases[] = {
        {"as written", selected, "bash './deploy.sh'", true},
        {"surrounding blanks", selected, "  bash './deploy.sh'\r\n", true},
        {"one more character", selected, "bash './deploy.sh'x", false},
        {"no candidates, no command", {}, "", true},
        {"no candidates, a command", {}, "bash './deploy.sh'", false},
    };
    for (const auto& c : cases) {
        DraftScreenValues screen;
        screen.deployCommand = c.command;
        const Draft d = snapshotDraft(current, screen, "", c.selected);
        EXPECT_EQ(d.selectedScriptPaths.empty(), !c.kept) << c.name;
    }
}

TEST(DraftBinding, SelectedScriptsCommandIsWhatChoosingTheScriptsWrites) {
    EXPECT_EQ(selectedScriptsCommand({candidate("a/run.sh"), candidate("a/it's.sh")}),
              "bash './run.sh'\nbash './it'\"'\"'s.sh'");
    // A script of another folder runs from the first one's folder, as the chips write it.
    const std::vector<ArtifactShellCandidate> twoFolders{candidate("a/run.sh"), candidate("b/seed.sh")};
    EXPECT_EQ(selectedScriptsCommand(twoFolders), recipeCommand(twoFolders));
    EXPECT_EQ(selectedScriptsCommand({}), "");
}

TEST(DraftBinding, ScreenValuesOfADraft) {
    Draft d;
    d.action = ShareAction::upload;
    d.expectedLifetime = ShareExpectedLifetime::persistent;
    d.kind = "k";
    d.deployCommand = "cmd";
    struct Case {
        ShareReadinessRule::Kind kind;
        const char* value;
    } cases[] = {
        {ShareReadinessRule::Kind::none, ""},
        {ShareReadinessRule::Kind::survived, ""},
        {ShareReadinessRule::Kind::logContains, "ready!"},
        {ShareReadinessRule::Kind::httpResponds, "http://x/health"},
    };
    for (const auto& c : cases) {
        d.readinessRule.kind = c.kind;
        d.readinessRule.pattern = "ready!";
        d.readinessRule.url = "http://x/health";
        const DraftScreenValues v = screenValues(d);
        EXPECT_EQ(v.readinessValue, c.value);
        EXPECT_EQ(v.actionSegment, 1);
        EXPECT_EQ(v.lifetimeSegment, 1);
        EXPECT_EQ(v.kind, "k");
        EXPECT_EQ(v.deployCommand, "cmd");
    }
}

TEST(DraftBinding, RouteTextsAreJoinedDistinctTokens) {
    EXPECT_EQ(normalizedRouteText("inbox me,  agent_x agent_x"), "inbox, me, agent_x");
    EXPECT_EQ(normalizedRouteText(" \n "), "");
}

TEST(DraftBinding, ServerButtonTitle) {
    ServerProfile a;
    a.id = "a";
    a.name = " Alpha ";
    ServerProfile active;
    active.id = "z";
    active.name = "Zulu";
    EXPECT_EQ(serverButtonTitle({a}, "a", active), "Alpha");
    EXPECT_EQ(serverButtonTitle({a}, "gone", active), "Zulu");
    EXPECT_EQ(serverButtonTitle({a}, "gone", std::nullopt), "No server configured");
}

}  // namespace
