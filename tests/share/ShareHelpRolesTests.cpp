// The roles tarvo-share's help lists against the screens a person meets: every role it names is
// one view (never none, never several) on the share screen in multi mode with a project, on a
// linked deployment or in the folder picker; a folded server's row is hidden, not missing.
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Model/Draft.h"
#include "TarvoShareExtension/ShareViewController/Presentation/RecipeMenuRules.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "hosts/tarvo-share/ShareCommandLine.h"
#include "platform/foundation/Text.h"
#include "platform/uikit/UIButton.h"
#include "tests/share/ShareTestEnvironment.h"
#include "tests/share/ShareTestSupport.h"
#include "tests/share/linked/NVKTicketFixtures.h"
#include "tests/support/Files.h"
#include "tests/support/TempHome.h"

namespace share_test {
namespace {

using namespace platform;
using ::testing::HasSubstr;

// The roles under "Roles:" in the help text, as listed (patterns keep their ID, PATH, ...).
std::vector<std::string> helpRoles() {
    const std::string help = tarvo::share_host::shareHelp("tarvo-share");
    const auto at = help.find("\nRoles:\n");
    EXPECT_NE(at, std::string::npos);
    std::vector<std::string> out;
    std::istringstream lines(help.substr(at + 8));
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("    ", 0) != 0) continue;  // headings are indented by two
        std::istringstream words(line);
        for (std::string w; words >> w;) out.push_back(w);
    }
    return out;
}

// The role with its placeholders filled in with the sample screens' ids.
std::string concrete(std::string role) {
    role = text::replacingOccurrences(role, "TARGET-ID", "t1");
    role = text::replacingOccurrences(role, "ID", "a");
    role = text::replacingOccurrences(role, "PATH", "project/s1.sh");
    return text::replacingOccurrences(role, "TOKEN", std::string(tarvo::share::kCommandTokens.front()));
}

class ShareHelpRolesTest : public ::testing::Test {
protected:
    ShareHelpRolesTest() : env(ShareTestEnvironment::Options{.loopbackServer = true, .now = kNowSeconds}) {
        env.setServers(Json::array({env.server("a", "Alpha"), env.server("b", "Beta"), env.server("c", "Gamma")}));
        env.storeDrafts({uploadDraft("a", "sites/a", tarvo::share::PostUploadAction::unzipThenRun)});
        env.appGroupDefaults().set("share.lastServerId", PropertyList(std::string("a")));
    }

    // Multi mode with Alpha and Beta selected, Gamma folded under "Other servers", a project
    // whose scripts are known and Alpha's row opened.
    tarvo::ShareViewController& startProjectScreen() {
        env.appGroupDefaults().set("share.serverMode", PropertyList(std::string("multi")));
        env.appGroupDefaults().set("share.multiServerIds", PropertyList(PropertyList::Array{
                                                               PropertyList(std::string("a")), PropertyList(std::string("b"))}));
        auto& c = *env.start({env.fileItem("public.zip-archive", "project.zip")});
        c.artifactInsight = {};
        readyWithTwelveScripts(c.artifactInsight);
        tarvo::ArtifactRecommendationResponse recommendation;
        recommendation.ok = true;
        recommendation.destinations = std::vector<tarvo::ArtifactDestinationRecommendation>{{"sites/elsewhere", 0.9, {"used before"}}};
        c.artifactInsight.recommendation = recommendation;
        c.expandedServerIDs = {"a"};
        c.updateArtifactInsightCard(false);
        c.rebuildMultiServerStack();
        return c;
    }

    // Records each listed role that names exactly one view on the window as it is now.
    void lookFor(const std::vector<std::string>& roles, std::set<std::string>& found, std::vector<std::string>& problems) {
        for (const auto& role : roles) {
            try {
                env.driver().find(concrete(role));
                found.insert(role);
            } catch (const UIDriverError& e) {
                if (e.problem().find("ambiguous") != std::string::npos) problems.push_back(e.problem());
            }
        }
    }

    ShareTestEnvironment env;
    tarvo_test::TempDir files{"help-roles"};
};

TEST_F(ShareHelpRolesTest, EveryListedRoleNamesOneViewOnASampleScreen) {
    const std::vector<std::string> roles = helpRoles();
    ASSERT_GT(roles.size(), 60u);
    std::set<std::string> found;
    std::vector<std::string> problems;

    startProjectScreen();
    lookFor(roles, found, problems);

    // The folder picker, opened with "Change" on the loopback server.
    std::filesystem::create_directories(env.server()->filesRoot() + "/sites/a");
    env.driver().tap(std::string(tarvo::share::roles::browseFolderButton));
    env.runUntilIdle();
    lookFor(roles, found, problems);
    env.releaseController();

    // A linked deployment: its target cards stand in for the server rows.
    const std::string ticket = (files / "batch.nvk-deploy.json").string();
    tarvo_test::writeFile(ticket, encodeCompact(nvkDeploymentTicket(env.server()->nvkApprovalURL("cap-1"))));
    const std::string photo = (files / "photo.jpg").string();
    tarvo_test::writeFile(photo, "\xFF\xD8\xFF\xE0 not much of a photo");
    env.start({NSItemProvider::contentsOf(photo), NSItemProvider::contentsOf(ticket)});
    lookFor(roles, found, problems);

    EXPECT_THAT(problems, ::testing::IsEmpty());
    for (const auto& role : roles) EXPECT_TRUE(found.count(role)) << role << " matches no view on the sample screens";
}

TEST_F(ShareHelpRolesTest, TheRowsChipsAreTheirOwnAndAFoldedServerIsHidden) {
    auto& c = startProjectScreen();
    auto& d = env.driver();
    // The card's chip and the opened row's chip each answer to their own role.
    d.tap("serverEntryChip:a:project/s1.sh");
    EXPECT_THAT(c.draft.selectedScriptPaths, ::testing::ElementsAre("project/s1.sh"));
    d.tap("entryChip:project/s2.sh");
    EXPECT_THAT(c.draft.selectedScriptPaths, ::testing::Contains("project/s2.sh"));
    EXPECT_NE(std::dynamic_pointer_cast<UIButton>(d.find("serverEntryChip:a:project/s2.sh"))->displayedTitle().find("\u2713"),
              std::string::npos)
        << "the row shows the card's choice";

    for (const std::string target : {"serverRow:c", "serverSelect:c"}) {
        try {
            d.tap(target);
            ADD_FAILURE() << target << " was tapped while folded";
        } catch (const UIDriverError& e) {
            EXPECT_THAT(e.problem(), HasSubstr("hidden")) << target;
        }
    }
    d.tap(std::string(tarvo::share::roles::otherServersDisclosure));
    d.tap("serverSelect:c");
    EXPECT_TRUE(c.selectedServerIDs.count("c"));
}

}  // namespace
}  // namespace share_test
