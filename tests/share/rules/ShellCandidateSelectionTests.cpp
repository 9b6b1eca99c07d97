// Which scripts a draft selects, the entry rail, chip taps, and the command of a recipe whose
// scripts lie in several folders, run for real by bash on an extracted archive.
#include <gtest/gtest.h>

#include <filesystem>

#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "TarvoShareExtension/ShareViewController/Rules/PostUploadJob.h"
#include "TarvoShareExtension/ShareViewController/Rules/ShellCandidateSelection.h"
#include "platform/foundation/Url.h"
#include "tests/share/ShareTestSupport.h"
#include "tests/support/Files.h"
#include "tests/support/TempHome.h"

namespace tarvo::share {
namespace {

namespace fs = std::filesystem;
using share_test::candidate;
using Paths = std::vector<std::string>;
using W = PostUploadWorkingDirectory;

Draft uploadDraft(PostUploadAction action = PostUploadAction::unzipThenRun) {
    Draft d;
    d.serverId = "srv";
    d.action = ShareAction::upload;
    d.postUploadAction = action;
    return d;
}

// app/deploy.sh at the root of the project folder, tools in a subfolder, one top-level script.
const ShellCandidates kCandidates = {
    candidate("app/deploy.sh", "deploy.sh", "0000aaaa:10"),
    candidate("app/tools/seed.sh", "tools/seed.sh", "0000bbbb:20"),
    candidate("install.sh"),
    candidate("app/web/it's.sh", "web/it's.sh"),
};

TEST(ScriptRunLine, QuotesTheNameAndReachesOtherFolders) {
    EXPECT_EQ(scriptRunLine(candidate("app/deploy.sh")), "bash './deploy.sh'");
    EXPECT_EQ(scriptRunLine(candidate("it's.sh")), "bash './it'\"'\"'s.sh'");
    const std::vector<std::tuple<std::string, std::string, std::string>> relative = {
        {"app", "app", ""},           {"app", "app/tools", "tools"}, {"app/tools", "app", ".."},
        {"app/tools", "app/web", "../web"}, {"", "app/web", "app/web"}, {"app/web", "", "../.."},
        {"a/b", "c", "../../c"},
    };
    for (const auto& [from, to, expected] : relative) EXPECT_EQ(relativeFolder(from, to), expected) << from << " " << to;

    EXPECT_EQ(scriptRunLine(kCandidates[1], "app"), "(cd -- 'tools' && bash './seed.sh')");
    EXPECT_EQ(scriptRunLine(kCandidates[0], "app"), "bash './deploy.sh'");
    EXPECT_EQ(scriptRunLine(kCandidates[3], "app/tools"), "(cd -- '../web' && bash './it'\"'\"'s.sh')");
    EXPECT_TRUE(lineRunsCandidate("(cd -- 'tools' && bash './seed.sh')", kCandidates[1], "app"));
    EXPECT_FALSE(lineRunsCandidate("(cd -- 'tools' && bash './seed.sh')", kCandidates[1], "app/tools"));

    // One script: byte-identical to its run line; further scripts from the first one's folder.
    EXPECT_EQ(recipeCommand({kCandidates[1]}), "bash './seed.sh'");
    EXPECT_EQ(recipeCommand({kCandidates[0], kCandidates[1], kCandidates[2]}),
              "bash './deploy.sh'\n(cd -- 'tools' && bash './seed.sh')\n(cd -- '..' && bash './install.sh')");
    EXPECT_EQ(recipeCommand({}), "");
}

TEST(SelectedArtifactCandidates, ByPathsThenByTheOneLineCommand) {
    struct Case {
        const char* name;
        Paths paths;
        std::string command;
        W directory;
        std::string custom;
        Paths expected;
    };
    const std::vector<Case> cases = {
        {"a listed path with backslashes, blanks and other case", {"App\\Tools\\SEED.sh "}, "", W::uploadFolder, "",
         {"app/tools/seed.sh"}},
        {"by relative path, in the draft's order", {"tools/seed.sh", "DEPLOY.SH"}, "", W::uploadFolder, "",
         {"app/tools/seed.sh", "app/deploy.sh"}},
        {"a path listed twice selects once", {"install.sh", "INSTALL.sh"}, "", W::uploadFolder, "", {"install.sh"}},
        {"paths without a match add nothing", {"gone.sh", "install.sh"}, "", W::uploadFolder, "", {"install.sh"}},
        {"paths win over the command", {"install.sh"}, "bash './deploy.sh'", W::custom, "{extract}/app",
         {"install.sh"}},
        {"command at the root needs the extracted folder", {}, "\r\n bash './install.sh' \r\n", W::extractedFolder, "",
         {"install.sh"}},
        {"command in the upload folder selects nothing", {}, "bash './install.sh'", W::uploadFolder, "", {}},
        {"command in a subfolder needs that custom folder", {}, "bash './deploy.sh'", W::custom, " {extract}/app\n",
         {"app/deploy.sh"}},
        {"custom folder of another script", {}, "bash './deploy.sh'", W::custom, "{extract}/app/tools", {}},
        {"a reaching line from the working folder", {}, "(cd -- 'tools' && bash './seed.sh')", W::custom,
         "{extract}/app", {"app/tools/seed.sh"}},
        {"a reaching line from the wrong folder", {}, "(cd -- 'tools' && bash './seed.sh')", W::extractedFolder, "",
         {}},
        {"not a run line", {}, "bash deploy.sh", W::custom, "{extract}/app", {}},
        {"a relative path is not the run line", {}, "bash './tools/seed.sh'", W::custom, "{extract}/app", {}},
        {"several lines select nothing by command", {},
         "bash './deploy.sh'\n(cd -- 'tools' && bash './seed.sh')", W::custom, "{extract}/app", {}},
        {"nothing", {}, "   ", W::extractedFolder, "", {}},
    };
    // One index answers every case alike, its answers by command kept from draft to draft.
    const CandidateSelector index(kCandidates);
    for (const auto& c : cases) {
        Draft d = uploadDraft();
        d.selectedScriptPaths = c.paths;
        d.deployCommand = c.command;
        d.deployWorkingDirectory = c.directory;
        d.deployCustomWorkingDirectory = c.custom;
        EXPECT_EQ(candidatePaths(selectedArtifactCandidates(d, kCandidates)), c.expected) << c.name;
        EXPECT_EQ(candidatePaths(index.select(d)), c.expected) << c.name << ", through the index";
    }

    // Candidates spelled alike ignoring case: the first in the list is the one a path selects.
    const ShellCandidates twins = {candidate("A/run.sh", "run.sh"), candidate("a/RUN.sh", "x/run.sh")};
    Draft d = uploadDraft();
    d.selectedScriptPaths = {"x/RUN.sh", "a/run.sh"};
    EXPECT_EQ(candidatePaths(selectedArtifactCandidates(d, twins)), (Paths{"a/RUN.sh", "A/run.sh"}));
    EXPECT_EQ(candidatePaths(CandidateSelector(twins).select(d)), (Paths{"a/RUN.sh", "A/run.sh"}));
}

TEST(ShellCandidateChips, SelectedOnlyForUnzipThenRun) {
    Draft d = uploadDraft(PostUploadAction::run);
    d.selectedScriptPaths = {"app/deploy.sh"};
    EXPECT_FALSE(isShellCandidateSelected(kCandidates[0], d));
    d.postUploadAction = PostUploadAction::unzipThenRun;
    EXPECT_TRUE(isShellCandidateSelected(kCandidates[0], d));
    d.selectedScriptPaths = {"deploy.sh"};  // chips look at the path only, not the relative path
    EXPECT_FALSE(isShellCandidateSelected(kCandidates[0], d));

    d.selectedScriptPaths = {};
    d.deployCommand = "bash './deploy.sh'";
    d.deployWorkingDirectory = W::custom;
    d.deployCustomWorkingDirectory = "{extract}/app";
    EXPECT_TRUE(isShellCandidateSelected(kCandidates[0], d));
    EXPECT_FALSE(isShellCandidateSelected(kCandidates[1], d));
    d.deployWorkingDirectory = W::uploadFolder;
    EXPECT_FALSE(isShellCandidateSelected(kCandidates[0], d));
}

TEST(EntryRail, SelectedFirstThenUpToTheLimit) {
    ShellCandidates many;
    for (int i = 0; i < 20; ++i) many.push_back(candidate("p/s" + std::to_string(i) + ".sh"));
    auto railSize = [&](Paths selected, bool expanded) {
        Draft d = uploadDraft();
        d.selectedScriptPaths = std::move(selected);
        return visibleEntryRailCandidates(d, many, expanded).size();
    };
    EXPECT_EQ(railSize({}, false), 9u);
    EXPECT_EQ(railSize({"p/s1.sh", "p/s2.sh"}, false), 9u);
    EXPECT_EQ(railSize({"p/s1.sh", "p/s2.sh", "p/s3.sh", "p/s4.sh"}, false), 7u);
    EXPECT_EQ(railSize({}, true), 18u);
    EXPECT_EQ(visibleEntryRailCandidates(uploadDraft(), {}, true).size(), 0u);
    EXPECT_EQ(visibleEntryRailCandidates(uploadDraft(), {many[0], many[1]}, false).size(), 2u);

    // Selected chips lead, once each, even beyond the limit; the rest follow in ranked order.
    Draft d = uploadDraft();
    d.selectedScriptPaths = {"p/s19.sh", "P/S19.SH", "p/s5.sh"};
    Paths rail = candidatePaths(visibleEntryRailCandidates(d, many, false));
    EXPECT_EQ(rail, (Paths{"p/s19.sh", "p/s5.sh", "p/s0.sh", "p/s1.sh", "p/s2.sh", "p/s3.sh", "p/s4.sh", "p/s6.sh",
                           "p/s7.sh"}));
    for (int i = 0; i < 20; ++i) d.selectedScriptPaths.push_back("p/s" + std::to_string(i) + ".sh");
    EXPECT_EQ(visibleEntryRailCandidates(d, many, true).size(), 20u);
}

TEST(ShellCandidateToggle, TapsBuildTheRecipeFromWhatRemainsSelected) {
    // First tap on a subfolder script: custom folder {extract}/app/tools, its run line.
    Draft d = draftTogglingShellCandidate(uploadDraft(PostUploadAction::none), kCandidates[1], kCandidates);
    EXPECT_EQ(d.action, ShareAction::upload);
    EXPECT_EQ(d.postUploadAction, PostUploadAction::unzipThenRun);
    EXPECT_EQ(d.deployWorkingDirectory, W::custom);
    EXPECT_EQ(d.deployCustomWorkingDirectory, "{extract}/app/tools");
    EXPECT_EQ(d.deployCommand, "bash './seed.sh'");
    EXPECT_EQ(d.selectedScriptPaths, (Paths{"app/tools/seed.sh"}));

    // A second chip keeps the first; paths and lines follow the ranked order, and the run
    // starts in the folder of the first of them.
    d = draftTogglingShellCandidate(d, kCandidates[0], kCandidates);
    EXPECT_EQ(d.selectedScriptPaths, (Paths{"app/deploy.sh", "app/tools/seed.sh"}));
    EXPECT_EQ(d.deployCustomWorkingDirectory, "{extract}/app");
    EXPECT_EQ(d.deployCommand, "bash './deploy.sh'\n(cd -- 'tools' && bash './seed.sh')");

    // A root script first: the extracted folder, no custom directory.
    d = draftTogglingShellCandidate(d, kCandidates[2], kCandidates);
    EXPECT_EQ(d.deployWorkingDirectory, W::custom);  // still app/deploy.sh first by rank
    d = draftTogglingShellCandidate(d, kCandidates[0], kCandidates);
    d = draftTogglingShellCandidate(d, kCandidates[1], kCandidates);
    EXPECT_EQ(d.selectedScriptPaths, (Paths{"install.sh"}));
    EXPECT_EQ(d.deployWorkingDirectory, W::extractedFolder);
    EXPECT_EQ(d.deployCustomWorkingDirectory, "");
    EXPECT_EQ(d.deployCommand, "bash './install.sh'");

    // Removing the last listed script turns the scripts off, although the command written for
    // it would select it again.
    d = draftTogglingShellCandidate(d, kCandidates[2], kCandidates);
    EXPECT_EQ(d.selectedScriptPaths, Paths{});
    EXPECT_EQ(d.postUploadAction, PostUploadAction::unzip);
    EXPECT_EQ(d.deployWorkingDirectory, W::extractedFolder);
    EXPECT_EQ(d.deployCustomWorkingDirectory, "");
    EXPECT_EQ(d.deployCommand, "");
    EXPECT_TRUE(selectedArtifactCandidates(d, kCandidates).empty());
}

TEST(ShellCandidateToggle, ADraftSelectingByCommandStartsFromThatScript) {
    Draft d = uploadDraft();
    d.deployCommand = "bash './install.sh'";
    d.deployWorkingDirectory = W::extractedFolder;
    d.kind = "kept";
    Draft tapped = draftTogglingShellCandidate(d, kCandidates[0], kCandidates);
    EXPECT_EQ(tapped.selectedScriptPaths, (Paths{"app/deploy.sh", "install.sh"}));
    EXPECT_EQ(tapped.deployCommand, "bash './deploy.sh'\n(cd -- '..' && bash './install.sh')");
    EXPECT_EQ(tapped.kind, "kept");

    // Tapping the script the command selects removes it: nothing is left.
    tapped = draftTogglingShellCandidate(d, kCandidates[2], kCandidates);
    EXPECT_EQ(tapped.selectedScriptPaths, Paths{});
    EXPECT_EQ(tapped.postUploadAction, PostUploadAction::unzip);
    EXPECT_EQ(tapped.deployCommand, "");

    // Listed paths without a candidate stay listed; the recipe comes from those that match.
    d = uploadDraft();
    d.selectedScriptPaths = {"gone/old.sh"};
    tapped = draftTogglingShellCandidate(d, kCandidates[2], kCandidates);
    EXPECT_EQ(tapped.selectedScriptPaths, (Paths{"install.sh", "gone/old.sh"}));
    EXPECT_EQ(tapped.deployCommand, "bash './install.sh'");
}

TEST(ShellCandidateHelpers, PathsFingerprintsAndOrder) {
    EXPECT_EQ(candidateFingerprints(kCandidates), (Paths{"0000aaaa:10", "0000bbbb:20"}));
    EXPECT_EQ(orderedScriptPaths({"extra/x.sh", " INSTALL.SH ", "app/deploy.sh", "\\extra\\X.sh"}, kCandidates),
              (Paths{"app/deploy.sh", "install.sh", "extra/x.sh"}));
}

// A recipe of three scripts in three folders of a real archive, rendered as the recipe start
// renders it and run by bash on a server folder holding the upload: each script runs in its own
// folder, in order, and the working folder is the same for every line.
TEST(MultiFolderRecipe, RunsEveryScriptInItsOwnFolder) {
    tarvo_test::TempDir tmp("multifolder");
    const fs::path project = fs::path(tmp.path()) / "src";
    const std::string body = "echo \"$(basename \"$0\") in ${PWD#\"$SERVER_ROOT\"/}\" >> \"$SERVER_ROOT/order.log\"\n";
    tarvo_test::writeFile(project / "app/tools/seed.sh", body);
    tarvo_test::writeFile(project / "app/deploy.sh", body);
    tarvo_test::writeFile(project / "app/web/build it's.sh", body);
    tarvo_test::writeFile(project / "app/README.md", "readme");
    const fs::path serverRoot = fs::canonical(tmp.path()) / "server";
    fs::create_directories(serverRoot / "drop");
    auto zipped = tarvo_test::runProgram(
        "bash", {"-c", "cd -- \"$1\" && zip -qr \"$2\" app", "bash", project.string(), (serverRoot / "drop/app.zip").string()});
    ASSERT_EQ(zipped.exitCode, 0) << zipped.err;

    // The candidates exactly as the insight scan finds them in the archive.
    const auto entries = listZipEntries(platform::URL::fileURL((serverRoot / "drop/app.zip").string()), 4000);
    const auto signature = ArtifactProjectSignature::make(entries);
    const ShellCandidates found =
        ArtifactCandidateRanker::candidates(entries, signature.markers, signature.scriptFingerprints);
    ASSERT_EQ(found.size(), 3u);
    auto byName = [&](const std::string& name) {
        return *std::find_if(found.begin(), found.end(), [&](const auto& c) { return c.filename == name; });
    };

    // Chips tapped: the tools script first, then the others.
    Draft d = uploadDraft(PostUploadAction::none);
    for (const char* name : {"seed.sh", "deploy.sh", "build it's.sh"}) {
        d = draftTogglingShellCandidate(d, byName(name), found);
    }
    ArtifactInsight insight;
    insight.state = ArtifactInsightState::ready();
    insight.baseShellCandidates = insight.shellCandidates = found;
    const Paths order = d.selectedScriptPaths;
    ASSERT_EQ(candidatePaths(selectedArtifactCandidates(d, found)), order);

    PostUploadRecipeContext context;
    context.insight = insight;
    const PostUploadRecipe recipe = makePostUploadRecipe(ServerProfile(), d, "drop/app.zip", "app.zip", context);
    auto run = tarvo_test::runProgram(
        "bash", {"-c", "cd -- \"$1\" && SERVER_ROOT=\"$1\" exec bash -c \"$2\"", "bash", serverRoot.string(),
                 recipe.shellLine});
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;

    std::string expected;
    for (const auto& path : order) {
        const auto& c = *std::find_if(found.begin(), found.end(), [&](const auto& x) { return x.path == path; });
        expected += c.filename + " in drop/app/" + c.parent + "\n";
    }
    EXPECT_EQ(tarvo_test::readFile(serverRoot / "order.log"), expected) << recipe.shellLine;
    EXPECT_NE(run.out.find("working directory:\n" + (serverRoot / "drop/app" / found.front().parent).string() + "\n"),
              std::string::npos)
        << run.out;
}

}  // namespace
}  // namespace tarvo::share
