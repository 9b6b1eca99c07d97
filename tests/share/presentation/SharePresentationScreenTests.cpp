// The share screen's presentation driven as a person would: server mode and selection with the
// keys they leave in the app group, the server rows, the dock and send button, the recipe and
// suggestion menus, the mood on the chrome and the artifact card.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "platform/uikit/UILabel.h"
#include "tests/share/ShareTestEnvironment.h"
#include "tests/share/ShareTestSupport.h"

namespace share_test {
namespace {

namespace roles = tarvo::share::roles;
using namespace platform;
using tarvo::ShareViewController;
using tarvo::share::PostUploadAction;
using tarvo::share::ServerDraftStore;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

std::string role(std::string_view r) { return std::string(r); }

// The texts of the labels under a view, in tree order.
void collectTexts(const UIView& v, std::vector<std::string>& out) {
    if (const auto* l = dynamic_cast<const UILabel*>(&v); l && !l->hidden) out.push_back(l->text);
    if (const auto* b = dynamic_cast<const UIButton*>(&v); b && !b->hidden) out.push_back(b->displayedTitle());
    for (const auto& s : v.subviews()) collectTexts(*s, out);
}
std::vector<std::string> texts(const UIView& v) {
    std::vector<std::string> out;
    collectTexts(v, out);
    return out;
}

// The shown arranged views of the server stack by role, or by text for headers.
std::vector<std::string> stackOutline(const UIStackView& stack) {
    std::vector<std::string> out;
    for (const auto& v : stack.arrangedSubviews()) {
        if (v->hidden) continue;
        if (!v->role.empty()) {
            out.push_back(v->role);
        } else if (const auto* l = dynamic_cast<const UILabel*>(v.get())) {
            out.push_back(l->text);
        } else {
            out.push_back(std::string(v->kindName()));
        }
    }
    return out;
}

std::vector<std::string> menuTitles(const UIMenu& menu) {
    std::vector<std::string> out;
    for (const auto& e : menu.children) {
        if (const auto* a = std::get_if<std::shared_ptr<UIAction>>(&e)) {
            out.push_back((*a)->title + ((*a)->state == UIAction::State::on ? " *" : "") + ((*a)->disabled ? " (off)" : ""));
        } else {
            const auto& m = std::get<std::shared_ptr<UIMenu>>(e);
            out.push_back("[" + m->title + "]");
            for (auto& t : menuTitles(*m)) out.push_back("  " + t);
        }
    }
    return out;
}

class SharePresentationScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        Json list = Json::array();
        for (const auto& [id, name] : std::vector<std::pair<std::string, std::string>>{
                 {"a", "Alpha"}, {"b", "Beta"}, {"c", "Gamma"}}) {
            list.push_back(env.server(id, name));
        }
        env.setServers(list);
        env.appGroupDefaults().set("share.lastServerId", PropertyList(std::string("a")));
    }

    std::optional<std::string> stored(const char* key) { return env.appGroupDefaults().string(key); }
    std::vector<std::string> storedIDs(const char* key) {
        std::vector<std::string> out;
        if (auto v = env.appGroupDefaults().object(key); v && v->asArray()) {
            for (const auto& e : *v->asArray()) out.push_back(e.asString() ? *e.asString() : "?");
        }
        return out;
    }

    ShareTestEnvironment env;
};

TEST_F(SharePresentationScreenTest, ModeSelectionAndTheKeysTheyLeave) {
    auto& c = *env.start({env.textItem("note")});
    auto& d = env.driver();
    EXPECT_TRUE(c.multiServerStack->hidden) << "single mode shows the server button instead";
    EXPECT_EQ(c.sendButton->title(UIControlState::normal), "Send");

    d.chooseSegment(role(roles::serverModeControl), "Multi");
    EXPECT_EQ(c.selectedServerIDs, std::set<std::string>{"a"}) << "nothing remembered: the screen's server";
    EXPECT_EQ(stored("share.serverMode"), "multi");
    EXPECT_THAT(storedIDs("share.multiServerIds"), ElementsAre("a"));
    EXPECT_FALSE(c.multiServerStack->hidden);
    EXPECT_TRUE(c.serverButton->hidden);
    EXPECT_THAT(stackOutline(*c.multiServerStack),
                ElementsAre("deploySetCard", "Selected \u00B7 1", "serverRow:a", "otherServersDisclosure"));
    EXPECT_EQ(c.sendButton->title(UIControlState::normal), "Send \u2192 1");
    EXPECT_EQ(c.titleLabel->text, "note.txt \u2192 1 server");

    // The row's body selects and expands; the selection button only selects.
    d.tap("otherServersDisclosure");
    d.tap("serverRow:b");
    d.tap("serverSelect:c");
    EXPECT_EQ(c.selectedServerIDs, (std::set<std::string>{"a", "b", "c"}));
    EXPECT_EQ(c.expandedServerIDs, std::set<std::string>{"b"});
    EXPECT_THAT(storedIDs("share.multiServerIds"), ElementsAre("a", "b", "c"));
    EXPECT_EQ(c.draft.serverId, "a") << "selecting never switches the screen";
    EXPECT_EQ(c.statusLabel->text, "Alpha \u00B7 Beta \u00B7 Gamma");
    EXPECT_EQ(c.sendButton->title(UIControlState::normal), "Send \u2192 3");

    d.chooseSegment(role(roles::multiDispatchControl), "One by One");
    EXPECT_EQ(stored("share.multiDispatchMode"), "oneByOne");

    // Deselecting everything is allowed; the send is then disabled.
    for (const char* id : {"a", "b", "c"}) d.tap(std::string("serverSelect:") + id);
    EXPECT_TRUE(c.selectedServerIDs.empty());
    EXPECT_EQ(c.expandedServerIDs, std::set<std::string>{"b"}) << "deselecting never collapses";
    EXPECT_TRUE(storedIDs("share.multiServerIds").empty());
    EXPECT_FALSE(c.sendButton->enabled);
    EXPECT_EQ(c.sendButton->title(UIControlState::normal), "Send \u2192 0");
    EXPECT_EQ(c.statusLabel->text, "No server selected.");
    ASSERT_EQ(c.multiServerStack->arrangedSubviews().front()->role, "deploySetCard") << "also with nothing selected";
    EXPECT_THAT(texts(*c.multiServerStack->arrangedSubviews().front()),
                ::testing::Contains(HasSubstr("Select at least one server")));

    d.chooseSegment(role(roles::serverModeControl), "Single");
    EXPECT_EQ(stored("share.serverMode"), "single");
    EXPECT_EQ(stored("share.singleServerId"), "a");
    EXPECT_TRUE(c.sendButton->enabled);
    EXPECT_TRUE(c.userTouchedServerMode);
}

TEST_F(SharePresentationScreenTest, MultiModeTakesTheRememberedSelection) {
    env.appGroupDefaults().set("share.multiServerIds", PropertyList(PropertyList::Array{
                                                           PropertyList(std::string("c")), PropertyList(std::string("gone")),
                                                           PropertyList(std::string("b"))}));
    auto& c = *env.start({env.textItem("note")});
    env.driver().chooseSegment(role(roles::serverModeControl), "Multi");
    EXPECT_EQ(c.selectedServerIDs, (std::set<std::string>{"b", "c"}));
    EXPECT_THAT(storedIDs("share.multiServerIds"), ElementsAre("b", "c"));
    EXPECT_THAT(stackOutline(*c.multiServerStack),
                ElementsAre("deploySetCard", "Selected \u00B7 2", "serverRow:b", "serverRow:c", "otherServersDisclosure"));
}

TEST_F(SharePresentationScreenTest, SwitchingServersStoresTheDraftLeftAndRemembersTheNewOne) {
    env.storeDrafts({uploadDraft("a", "sites/a"), uploadDraft("b", "sites/b", PostUploadAction::unzip)});
    auto& c = *env.start({env.fileItem("public.zip-archive", "site.zip")});
    auto& d = env.driver();
    d.replaceText(role(roles::destFolderField), "edited/a");
    d.chooseMenuItem(role(roles::serverButton), {"Beta"});
    EXPECT_EQ(c.draft.serverId, "b");
    EXPECT_EQ(c.destFolderField->text, "sites/b");
    EXPECT_EQ(stored("share.singleServerId"), "b");
    EXPECT_EQ(stored("share.lastServerId"), "a") << "the draft left was stored last";
    EXPECT_EQ(ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a").destFolder, "edited/a");
    EXPECT_EQ(c.titleLabel->text, "site.zip \u2192 Beta");
    EXPECT_EQ(c.itemsLabel->text, "site.zip \u00B7 Upload + Unzip \u2192 Beta");
    EXPECT_EQ(c.statusLabel->text, "Beta \u00B7 /sites/b \u00B7 no script");

    // Back to a: the draft recorded in this share comes back as it was.
    d.chooseMenuItem(role(roles::serverButton), {"Alpha"});
    EXPECT_EQ(c.destFolderField->text, "edited/a");
    EXPECT_EQ(c.postUploadButton->displayedTitle(), "None");
}

TEST_F(SharePresentationScreenTest, TheCurrentRowShowsTheStoredDraftFromTheStart) {
    // The first build fills the rows before the draft reaches the controls; the rows are built
    // again afterwards so the current server's row and its recorded draft are the real draft.
    env.storeDrafts({uploadDraft("a", "sites/a", PostUploadAction::unzip)});
    env.appGroupDefaults().set("share.serverMode", PropertyList(std::string("multi")));
    env.appGroupDefaults().set("share.multiServerIds", PropertyList(PropertyList::Array{PropertyList(std::string("a"))}));
    auto& c = *env.start({env.fileItem("public.zip-archive", "site.zip")});
    EXPECT_EQ(c.resolvedDraftsByServer.at("a").destFolder, "sites/a");
    EXPECT_EQ(c.resolvedDraftsByServer.at("a").postUploadAction, PostUploadAction::unzip);
    const auto row = env.driver().find("serverRow:a");
    EXPECT_THAT(texts(*row), ::testing::Contains("/sites/a \u00B7 no script"));
}

TEST_F(SharePresentationScreenTest, RowsContextRunStatesAndDetails) {
    env.storeDrafts({uploadDraft("a", "/"), uploadDraft("b", " apps/demo/ ")});
    env.appGroupDefaults().set("share.serverMode", PropertyList(std::string("multi")));
    env.appGroupDefaults().set("share.multiServerIds", PropertyList(PropertyList::Array{
                                                           PropertyList(std::string("a")), PropertyList(std::string("b"))}));
    auto& c = *env.start({env.fileItem("public.zip-archive", "site.zip")});
    c.serverRunStates = {{"a", "Failed \u00B7 timed out"}, {"b", "Succeeded"}};
    c.rebuildMultiServerStack();
    auto runA = std::dynamic_pointer_cast<UILabel>(env.driver().find("serverRunState:a"));
    auto runB = std::dynamic_pointer_cast<UILabel>(env.driver().find("serverRunState:b"));
    ASSERT_TRUE(runA && runB);
    EXPECT_EQ(runA->textColor, UIColor::systemRed());
    EXPECT_EQ(runB->textColor, UIColor::secondaryLabel());
    EXPECT_THAT(texts(*env.driver().find("serverRow:a")), ::testing::Contains("root \u00B7 no script"));

    auto row = env.driver().find("serverRow:a");
    EXPECT_EQ(row->backgroundColor, UIColor::systemBlue().withAlphaComponent(0.10)) << "the current server";
    EXPECT_EQ(row->borderWidth, 1);
    EXPECT_EQ(env.driver().find("serverRow:b")->backgroundColor, UIColor::secondarySystemGroupedBackground());

    env.driver().tap("serverExpand:b");
    EXPECT_THAT(texts(*env.driver().find("serverDetail:b")),
                ElementsAre("Destination: /apps/demo", "Entry: none", "Recipe: Upload", "Run in: \u2014",
                            "Notify: off", "Plan"));
    // The detail stack's Plan opens the server: the screen switches to it and keeps it expanded.
    env.driver().tap("serverDetailPlan:b");
    EXPECT_EQ(c.draft.serverId, "b");
    EXPECT_TRUE(c.expandedServerIDs.count("b"));
    EXPECT_EQ(c.selectedServerIDs, (std::set<std::string>{"a", "b"}));

    // A failed run anywhere makes the mood red with an orange send button.
    EXPECT_EQ(c.sendButton->backgroundColor, UIColor::systemOrange());
    EXPECT_EQ(c.actionDockCard.lock()->borderColor->token(), UIColor::systemRed().withAlphaComponent(0.184).token());
    EXPECT_EQ(c.actionDockCard.lock()->backgroundColor->token(), "blend(systemRed,0.1,secondarySystemGroupedBackground)");
}

TEST_F(SharePresentationScreenTest, TheRowsFollowEveryEditAndEveryNewCandidate) {
    // A row keeps what it worked out while its server's draft and the insight's candidates stay
    // the same; an edit, or candidates that change, must still reach the row they change.
    tarvo::share::Draft b = uploadDraft("b", "apps/b", PostUploadAction::unzipThenRun);
    b.selectedScriptPaths = {"project/deploy.sh"};
    env.storeDrafts({uploadDraft("a", "sites/a"), b});
    env.appGroupDefaults().set("share.serverMode", PropertyList(std::string("multi")));
    env.appGroupDefaults().set("share.multiServerIds", PropertyList(PropertyList::Array{
                                                           PropertyList(std::string("a")), PropertyList(std::string("b"))}));
    auto& c = *env.start({env.fileItem("public.zip-archive", "site.zip")});
    EXPECT_THAT(texts(*env.driver().find("serverRow:a")), ::testing::Contains("/sites/a \u00B7 no script"));
    EXPECT_THAT(texts(*env.driver().find("serverRow:b")), ::testing::Contains("/apps/b \u00B7 script not selected"));

    const auto rowABefore = env.driver().find("serverRow:a");
    const auto rowBBefore = env.driver().find("serverRow:b");
    env.driver().typeText(role(roles::destFolderField), "x");
    EXPECT_THAT(texts(*env.driver().find("serverRow:a")), ::testing::Contains("/sites/ax \u00B7 no script"));
    EXPECT_THAT(texts(*env.driver().find("serverRow:b")), ::testing::Contains("/apps/b \u00B7 script not selected"));
    // Only the edited server's row is made again.
    EXPECT_NE(env.driver().find("serverRow:a"), rowABefore);
    EXPECT_EQ(env.driver().find("serverRow:b"), rowBBefore);

    // The scan finds the script b's draft names: its row lists it instead.
    readyWithTwelveScripts(c.artifactInsight);
    c.artifactInsight.shellCandidates.push_back(candidate("project/deploy.sh", "deploy.sh"));
    c.rebuildMultiServerStack();
    const auto rowB = texts(*env.driver().find("serverRow:b"));
    EXPECT_THAT(rowB, ::testing::Contains("/apps/b"));
    EXPECT_THAT(rowB, ::testing::Contains("1  deploy.sh"));
    EXPECT_THAT(texts(*env.driver().find("serverRow:a")), ::testing::Contains("/sites/ax \u00B7 no script"));
}

TEST_F(SharePresentationScreenTest, ARowsRecipeIsClearedWhenTheBaseCandidatesNoLongerHoldIt) {
    // The rows remember which commands fit the base candidates while those stay the same; the
    // shown candidates alone staying the same is not enough.
    tarvo::share::Draft b = uploadDraft("b", "apps/b", PostUploadAction::unzipThenRun);
    b.deployWorkingDirectory = tarvo::share::PostUploadWorkingDirectory::extractedFolder;
    b.deployCommand = "bash './deploy.sh'";
    env.storeDrafts({uploadDraft("a", "sites/a"), b});
    env.appGroupDefaults().set("share.serverMode", PropertyList(std::string("multi")));
    env.appGroupDefaults().set("share.multiServerIds", PropertyList(PropertyList::Array{
                                                           PropertyList(std::string("a")), PropertyList(std::string("b"))}));
    auto& c = *env.start({env.fileItem("public.zip-archive", "site.zip")});
    readyWithTwelveScripts(c.artifactInsight);
    c.artifactInsight.shellCandidates.push_back(candidate("deploy.sh", "deploy.sh"));
    c.artifactInsight.baseShellCandidates = c.artifactInsight.shellCandidates;
    c.rebuildMultiServerStack();
    EXPECT_EQ(c.resolvedDraftsByServer.at("b").deployCommand, "bash './deploy.sh'");

    c.artifactInsight.baseShellCandidates.pop_back();
    c.rebuildMultiServerStack();
    EXPECT_EQ(c.resolvedDraftsByServer.at("b").deployCommand, "");
    EXPECT_EQ(c.resolvedDraftsByServer.at("b").postUploadAction, PostUploadAction::none);
}

TEST_F(SharePresentationScreenTest, NoServersAndNoItems) {
    env.setServers(Json::array());
    env.appGroupDefaults().set("share.serverMode", PropertyList(std::string("multi")));
    auto& c = *env.start({});
    EXPECT_THAT(stackOutline(*c.multiServerStack), ElementsAre("noServersLabel"));
    EXPECT_EQ(c.itemsLabel->text, "No items.");
    EXPECT_EQ(c.statusLabel->text, "Nothing to share.");
    EXPECT_FALSE(c.sendButton->enabled);
    EXPECT_FALSE(c.serverModeControl->enabled);
    EXPECT_FALSE(c.browseFolderButton->enabled);
    EXPECT_EQ(c.titleLabel->text, "0 items \u2192 0 servers");
}

TEST_F(SharePresentationScreenTest, RecipeMenusAndCommandTokens) {
    env.storeDrafts({uploadDraft("a", "sites/a")});
    auto& c = *env.start({env.fileItem("public.zip-archive", "site.zip")});
    auto& d = env.driver();
    EXPECT_THAT(menuTitles(*c.postUploadButton->menu), ElementsAre("None *", "Unzip", "Run", "Unzip + Run"));
    EXPECT_EQ(c.postUploadButton->menu->title, "After upload recipe");

    d.chooseMenuItem(role(roles::postUploadButton), {"Unzip + Run"});
    EXPECT_EQ(c.draft.deployWorkingDirectory, tarvo::share::PostUploadWorkingDirectory::extractedFolder);
    EXPECT_EQ(c.workingDirectoryButton->displayedTitle(), "Run in: Extracted folder");
    EXPECT_THAT(menuTitles(*c.workingDirectoryButton->menu),
                ElementsAre("Upload folder", "Extracted folder *", "Custom path"));
    EXPECT_EQ(c.sendButton->title(UIControlState::normal), "Upload + Run");
    EXPECT_FALSE(c.advancedUploadOptionsButton->hidden);
    EXPECT_EQ(c.advancedUploadOptionsButton->configuration->subtitle, "Extracted folder \u00B7 auto command");

    d.tap(role(roles::advancedUploadOptionsButton));
    EXPECT_EQ(c.advancedUploadOptionsButton->displayedTitle(), "Hide advanced");
    d.chooseMenuItem(role(roles::workingDirectoryButton), {"Custom path"});
    EXPECT_FALSE(c.customWorkingDirectoryField->hidden);
    d.chooseMenuItem(role(roles::postUploadButton), {"Unzip + Run"});
    EXPECT_EQ(c.draft.deployWorkingDirectory, tarvo::share::PostUploadWorkingDirectory::custom)
        << "the same recipe keeps a custom folder";
    d.chooseMenuItem(role(roles::postUploadButton), {"Run"});
    EXPECT_EQ(c.draft.deployWorkingDirectory, tarvo::share::PostUploadWorkingDirectory::uploadFolder);
    EXPECT_THAT(menuTitles(*c.workingDirectoryButton->menu), ElementsAre("Upload folder *", "Custom path"));
    EXPECT_EQ(ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a").postUploadAction, PostUploadAction::run);

    // A token replaces the selected text of the command.
    d.replaceText(role(roles::deployCommandTextView), "bash run.sh X");
    c.deployCommandTextView->selectedRange = {12, 1};
    d.tap("commandToken:{extract}");
    EXPECT_EQ(c.deployCommandTextView->text, "bash run.sh {extract}");
    EXPECT_EQ(c.draft.deployCommand, "bash run.sh {extract}");
    EXPECT_TRUE(c.manuallyEditedRecipeServerIDs.count("a"));
    EXPECT_EQ(c.statusLabel->text, "Alpha \u00B7 /sites/a \u00B7 bash run.sh {extract}");
}

TEST_F(SharePresentationScreenTest, TheLifetimeHeadingShowsExactlyWithItsControl) {
    env.storeDrafts({uploadDraft("a", "sites/a")});
    env.start({env.fileItem("public.zip-archive", "site.zip")});
    for (const char* recipe : {"Run", "None", "Unzip", "Unzip + Run", "Unzip"}) {
        env.driver().chooseMenuItem(role(roles::postUploadButton), {recipe});
        const std::string screen = env.dump();
        const bool control = screen.find("#expectedLifetimeControl") != std::string::npos;
        EXPECT_EQ(control, std::string(recipe).find("Run") != std::string::npos) << recipe;
        EXPECT_EQ(screen.find("Label \"Execution lifetime\"") != std::string::npos, control) << recipe << "\n" << screen;
    }
}

TEST_F(SharePresentationScreenTest, SuggestionMenusReplaceAddAndClear) {
    env.appGroupDefaults().set("emit.defaultReplyTo", PropertyList(std::string("inbox me inbox, t3 t4 t5 t6 t7 t8 t9")));
    auto& c = *env.start({env.textItem("note")});
    auto& d = env.driver();
    ASSERT_TRUE(c.replyToSmartButton->menu);
    EXPECT_EQ(c.replyToField->rightView(), c.replyToSmartButton);
    const auto titles = menuTitles(*c.replyToSmartButton->menu);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "  inbox"), 2) << "once per section";
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "  t8"), 2) << "eight suggestions";
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "  t9"), 0);
    EXPECT_THAT(menuTitles(*c.onlyAgentsSmartButton->menu), ElementsAre("No suggestions yet (off)"));

    EXPECT_EQ(c.replyToField->text, "inbox me inbox, t3 t4 t5 t6 t7 t8 t9") << "the default route, as stored";
    d.chooseMenuItem(role(roles::replyToSmartButton), {"Clear"});
    EXPECT_EQ(c.replyToField->text, "");
    d.chooseMenuItem(role(roles::replyToSmartButton), {"Add", "me"});
    d.chooseMenuItem(role(roles::replyToSmartButton), {"Add", "inbox"});
    EXPECT_EQ(c.replyToField->text, "me, inbox");
    d.chooseMenuItem(role(roles::replyToSmartButton), {"Add", "me"});
    EXPECT_EQ(c.replyToField->text, "me, inbox");
    d.chooseMenuItem(role(roles::replyToSmartButton), {"Replace", "t3"});
    EXPECT_EQ(c.replyToField->text, "t3");
    EXPECT_EQ(c.draft.replyTo, "t3");
    c.replyToField->text = "not, a ;; list";
    d.chooseMenuItem(role(roles::replyToSmartButton), {"Clear"});
    EXPECT_EQ(c.replyToField->text, "");
    EXPECT_EQ(c.draft.replyTo, "");
}

TEST_F(SharePresentationScreenTest, ArtifactCardStatesRailAndDetails) {
    env.storeDrafts({uploadDraft("a", "sites/a", PostUploadAction::unzip)});
    auto& c = *env.start({env.fileItem("public.zip-archive", "project.zip")});
    auto& d = env.driver();
    c.artifactInsight = {};
    c.artifactInsight.state = tarvo::share::ArtifactInsightState::scanning();
    c.artifactInsight.filename = "project.zip";
    c.updateArtifactInsightCard(true);
    EXPECT_EQ(c.artifactSubtitleLabel->text, "Recognizing project shape and entry points\u2026");
    EXPECT_TRUE(c.artifactDetailsButton->hidden);
    EXPECT_EQ(c.artifactCard->backgroundColor->token(), "blend(systemBlue,0.09,secondarySystemGroupedBackground)");

    readyWithTwelveScripts(c.artifactInsight);
    c.updateArtifactInsightCard(false);
    EXPECT_TRUE(c.artifactTitleLabel->hidden);
    EXPECT_EQ(c.artifactScriptsLabel->text, "Entry \u00B7 likely 9/12");
    auto rail = std::dynamic_pointer_cast<UIStackView>(d.find("entryRail"));
    ASSERT_TRUE(rail);
    ASSERT_EQ(rail->arrangedSubviews().size(), 4u) << "three rows of three and the more chip";
    EXPECT_EQ(std::dynamic_pointer_cast<UIButton>(rail->arrangedSubviews()[3])->displayedTitle(),
              "More likely entries \u00B7 +3");
    EXPECT_EQ(c.titleLabel->text, "project \u2192 Alpha");
    EXPECT_EQ(c.heroSubtitleLabel->text, "40 files \u00B7 size unknown");

    d.tap("moreEntriesChip");
    EXPECT_TRUE(c.artifactScriptsExpanded);
    rail = std::dynamic_pointer_cast<UIStackView>(d.find("entryRail"));
    ASSERT_EQ(rail->arrangedSubviews().size(), 5u);
    EXPECT_EQ(std::dynamic_pointer_cast<UIButton>(rail->arrangedSubviews()[4])->displayedTitle(), "Compact entries");

    // A chip picks the script: unzip then run it, marked as selected.
    d.tap("entryChip:project/s4.sh");
    EXPECT_EQ(c.draft.postUploadAction, PostUploadAction::unzipThenRun);
    EXPECT_THAT(c.draft.selectedScriptPaths, ElementsAre("project/s4.sh"));
    auto chip = std::dynamic_pointer_cast<UIButton>(d.find("entryChip:project/s4.sh"));
    EXPECT_EQ(chip->displayedTitle(), "\u2713 s4.sh");
    EXPECT_EQ(chip->borderWidth, 1.2);
    EXPECT_EQ(c.artifactScriptsLabel->text, "Entry \u00B7 1 selected \u00B7 12/12 shown");
    EXPECT_EQ(c.itemsLabel->text, "project \u00B7 Upload + Run \u2192 Alpha");
    EXPECT_EQ(c.statusLabel->text, "Alpha \u00B7 /sites/a \u00B7 s4.sh");

    EXPECT_TRUE(c.artifactDetailsLabel->hidden);
    d.tap(role(roles::artifactDetailsButton));
    EXPECT_FALSE(c.artifactDetailsLabel->hidden);
    EXPECT_EQ(c.artifactDetailsLabel->text, "entries 40\nroot project\nmarkers none\ntree n/a \u00B7 scripts n/a");
    EXPECT_EQ(c.artifactDetailsButton->configuration->image, "chevron.down");
    const auto& records = env.window().animator().records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().viewRole, "artifactCard");
    EXPECT_DOUBLE_EQ(records.back().duration, 0.18);

    c.artifactInsight.shellCandidates.clear();
    c.updateArtifactInsightCard(false);
    EXPECT_EQ(c.artifactScriptsLabel->text, "Entry");
    EXPECT_THAT(texts(*c.artifactActionsStack),
                ElementsAre("No shell entry point", "Upload can continue without a run command."));
}

}  // namespace
}  // namespace share_test
