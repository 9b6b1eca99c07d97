// The screen and the draft through the driver: what a person types is the draft, stored in the
// app group at every keystroke; ending editing cleans the fields; some edits mark the recipe.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "tests/share/ShareTestEnvironment.h"

namespace share_test {
namespace {

namespace roles = tarvo::share::roles;
using platform::Json;
using platform::PropertyList;
using tarvo::share::Draft;
using tarvo::share::ServerDraftStore;
using tarvo::share::ShareAction;

std::string role(std::string_view r) { return std::string(r); }

// Counts the writes of one key into a defaults store from now on, whoever makes them: triggers
// in the store's own file log each one.
class KeyWriteCounter {
public:
    KeyWriteCounter(const std::string& databasePath, const std::string& key) {
        if (sqlite3_open(databasePath.c_str(), &db_) != SQLITE_OK) ADD_FAILURE() << sqlite3_errmsg(db_);
        sqlite3_busy_timeout(db_, 10000);
        char* sql = sqlite3_mprintf(
            "CREATE TABLE IF NOT EXISTS test_key_writes (key TEXT);"
            "CREATE TRIGGER IF NOT EXISTS test_key_inserted AFTER INSERT ON defaults WHEN NEW.key = %Q"
            " BEGIN INSERT INTO test_key_writes VALUES (NEW.key); END;"
            "CREATE TRIGGER IF NOT EXISTS test_key_updated AFTER UPDATE ON defaults WHEN NEW.key = %Q"
            " BEGIN INSERT INTO test_key_writes VALUES (NEW.key); END;",
            key.c_str(), key.c_str());
        char* error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) ADD_FAILURE() << error;
        sqlite3_free(error);
        sqlite3_free(sql);
    }
    ~KeyWriteCounter() { sqlite3_close(db_); }
    KeyWriteCounter(const KeyWriteCounter&) = delete;
    KeyWriteCounter& operator=(const KeyWriteCounter&) = delete;

    int count() const {
        sqlite3_stmt* st = nullptr;
        int n = -1;
        if (sqlite3_prepare_v2(db_, "SELECT COUNT(*) FROM test_key_writes", -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW) {
            n = sqlite3_column_int(st, 0);
        }
        sqlite3_finalize(st);
        return n;
    }

private:
    sqlite3* db_ = nullptr;
};

class ShareBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.setServers(Json::array({env.server("a", "Alpha"), env.server("b", "Beta")}));
        env.appGroupDefaults().set("share.lastServerId", PropertyList(std::string("a")));
    }

    // The drafts as another reader of the app group sees them now.
    ServerDraftStore stored() const { return ServerDraftStore::load(*platform::UserDefaults::suite(kAppGroup)); }

    ShareTestEnvironment env;
};

TEST_F(ShareBindingTest, EveryKeystrokeStoresTheDraft) {
    auto& c = *env.start({env.textItem("note")});
    auto& driver = env.driver();
    driver.replaceText(role(roles::kindField), "");
    std::vector<std::string> kinds;
    for (const char* key : {"l", "o", "g", " "}) {
        driver.typeText(role(roles::kindField), key);
        kinds.push_back(stored().byServer.at("a").kind);
    }
    // Stored trimmed: the trailing blank never reaches the store.
    EXPECT_THAT(kinds, ::testing::ElementsAre("l", "lo", "log", "log"));
    EXPECT_EQ(c.draft.kind, "log");
    EXPECT_EQ(c.resolvedDraftsByServer.at("a").kind, "log");
    EXPECT_EQ(platform::UserDefaults::suite(kAppGroup)->string("share.lastServerId"), "a");
}

TEST_F(ShareBindingTest, EndingEditingCleansEveryBoundField) {
    auto& c = *env.start({env.textItem("note")});
    auto& driver = env.driver();
    driver.typeText(role(roles::replyToField), "inbox me,  agent_x agent_x");
    driver.typeText(role(roles::onlyAgentsField), " clipper ");
    // The upload fields show for an upload with a run recipe, the advanced options open.
    driver.chooseSegment(role(roles::actionControl), "Upload");
    driver.chooseMenuItem(role(roles::postUploadButton), {"Run"});
    driver.tap(role(roles::advancedUploadOptionsButton));
    driver.chooseMenuItem(role(roles::workingDirectoryButton), {"Custom path"});
    driver.typeText(role(roles::destFolderField), "  /sites/app/ ");
    driver.typeText(role(roles::customWorkingDirectoryField), " {extract}/app ");
    driver.endEditing();  // the accessory row's Done

    EXPECT_EQ(c.replyToField->text, "inbox, me, agent_x");
    EXPECT_EQ(c.onlyAgentsField->text, "clipper");
    EXPECT_EQ(c.destFolderField->text, "sites/app");
    EXPECT_EQ(c.customWorkingDirectoryField->text, "{extract}/app");
    const Draft d = stored().byServer.at("a");
    EXPECT_EQ(d.replyTo, "inbox, me, agent_x");
    EXPECT_EQ(d.destFolder, "sites/app");
    EXPECT_EQ(d.deployCustomWorkingDirectory, "{extract}/app");
    EXPECT_FALSE(env.window().firstResponder());
}

TEST_F(ShareBindingTest, ActionSegmentMarksTheServersRecipeAsEdited) {
    auto& c = *env.start({env.textItem("note")});
    ASSERT_EQ(c.draft.action, ShareAction::emit);
    env.driver().chooseSegment(role(roles::actionControl), "Upload");
    EXPECT_EQ(c.draft.action, ShareAction::upload);
    EXPECT_EQ(stored().byServer.at("a").action, ShareAction::upload);
    EXPECT_TRUE(c.userTouchedRecipe);
    EXPECT_EQ(c.manuallyEditedRecipeServerIDs, std::set<std::string>{"a"});
    // One action on the control however often the screen is built.
    c.render();
    c.render();
    EXPECT_EQ(c.actionControl->actionNames(platform::UIControlEvents::valueChanged),
              std::vector<std::string>{"shareActionChanged"});
}

TEST_F(ShareBindingTest, KeepRunningGetsTheReadinessDefaultAtTheNextSnapshot) {
    auto& c = *env.start({env.textItem("note")});
    // The lifetime shows for an upload whose recipe runs a command.
    env.driver().chooseSegment(role(roles::actionControl), "Upload");
    env.driver().chooseMenuItem(role(roles::postUploadButton), {"Run"});
    env.driver().chooseSegment(role(roles::expectedLifetimeControl), "Keep running");
    env.driver().typeText(role(roles::destFolderField), "s");
    EXPECT_EQ(c.draft.expectedLifetime, tarvo::ShareExpectedLifetime::persistent);
    EXPECT_EQ(c.draft.readinessRule, Draft::persistentReadinessDefault());
    EXPECT_EQ(stored().byServer.at("a").readinessRule.seconds, 3);
    env.driver().chooseSegment(role(roles::expectedLifetimeControl), "Run once");
    env.driver().typeText(role(roles::destFolderField), "s");
    EXPECT_EQ(c.draft.readinessRule.kind, tarvo::ShareReadinessRule::Kind::none)
        << "back to a run that ends: no readiness check";
}

TEST_F(ShareBindingTest, SwitchAndCommandViewAreBound) {
    auto& c = *env.start({env.textItem("note")});
    env.driver().toggle(role(roles::openOnNextLaunchSwitch));
    EXPECT_TRUE(stored().byServer.at("a").openOnNextLaunch);

    // A remembered script selection goes as soon as the command is edited by hand (the command
    // shows for a run recipe with the advanced options open).
    env.driver().chooseSegment(role(roles::actionControl), "Upload");
    env.driver().chooseMenuItem(role(roles::postUploadButton), {"Run"});
    env.driver().tap(role(roles::advancedUploadOptionsButton));
    c.draft.selectedScriptPaths = {"app/deploy.sh"};
    env.driver().typeText(role(roles::deployCommandTextView), "./go.sh");
    EXPECT_EQ(c.draft.deployCommand, "./go.sh");
    EXPECT_TRUE(c.draft.selectedScriptPaths.empty());
    EXPECT_TRUE(stored().byServer.at("a").selectedScriptPaths.empty());
    EXPECT_EQ(c.manuallyEditedRecipeServerIDs, std::set<std::string>{"a"});
}

TEST_F(ShareBindingTest, BeginningToEditARecipePathMarksTheRecipe) {
    auto& c = *env.start({env.textItem("note")});
    env.driver().tap(role(roles::kindField));
    EXPECT_FALSE(c.userTouchedRecipe);
    // The destination shows for an upload; applying a draft marks nothing.
    c.draft.action = ShareAction::upload;
    c.applyDraftToUI();
    EXPECT_FALSE(c.userTouchedRecipe);
    env.driver().tap(role(roles::destFolderField));
    EXPECT_TRUE(c.userTouchedRecipe) << "even before anything is typed";
    EXPECT_EQ(c.manuallyEditedRecipeServerIDs, std::set<std::string>{"a"});
}

TEST_F(ShareBindingTest, WithoutAnyServerEditsStoreNothing) {
    ShareTestEnvironment bare;
    auto& c = *bare.start({bare.textItem("note")});
    bare.driver().typeText(role(roles::kindField), "x");
    EXPECT_EQ(c.draft.kind, "clipboardx");
    EXPECT_FALSE(bare.appGroupDefaults().object(ServerDraftStore::defaultsKey));
    EXPECT_FALSE(bare.appGroupDefaults().object("share.lastServerId"));
}

TEST_F(ShareBindingTest, ApplyingADraftFillsTheControls) {
    auto& c = *env.start({env.textItem("note")});
    Draft d;
    d.serverId = "b";
    d.action = ShareAction::upload;
    d.kind = "k";
    d.replyTo = "r";
    d.onlyAgents = "o";
    d.destFolder = "f";
    d.openOnNextLaunch = true;
    d.deployCustomWorkingDirectory = "w";
    d.deployCommand = "cmd";
    d.expectedLifetime = tarvo::ShareExpectedLifetime::persistent;
    d.readinessRule.kind = tarvo::ShareReadinessRule::Kind::logContains;
    d.readinessRule.pattern = "ready";
    c.draft = d;
    c.applyDraftToUI();
    EXPECT_EQ(c.actionControl->selectedSegmentIndex, 1);
    EXPECT_EQ(c.kindField->text, "k");
    EXPECT_EQ(c.replyToField->text, "r");
    EXPECT_EQ(c.onlyAgentsField->text, "o");
    EXPECT_EQ(c.destFolderField->text, "f");
    EXPECT_TRUE(c.openOnNextLaunchSwitch->on);
    EXPECT_EQ(c.customWorkingDirectoryField->text, "w");
    EXPECT_EQ(c.deployCommandTextView->text, "cmd");
    EXPECT_EQ(c.expectedLifetimeControl->selectedSegmentIndex, 1);
    EXPECT_EQ(c.readinessValueField->text, "ready");
    EXPECT_EQ(c.serverButton->displayedTitle(), "Beta");
    // The snapshot of a freshly applied screen is the draft itself.
    EXPECT_EQ(c.snapshotDraftFromUI(), d);
}

// A token is typed into the command like a key: one edit, stored once, like a typed character.
TEST_F(ShareBindingTest, ATokenTapIsOneEditOfTheCommand) {
    auto& c = *env.start({env.fileItem("public.zip-archive", "site.zip")});
    auto& driver = env.driver();
    driver.chooseSegment(role(roles::actionControl), "Upload");
    driver.chooseMenuItem(role(roles::postUploadButton), {"Run"});
    driver.tap(role(roles::advancedUploadOptionsButton));
    env.runUntilIdle();
    c.manuallyEditedRecipeServerIDs.clear();

    KeyWriteCounter drafts(env.appGroupDefaults().databasePath(), "share.serverDrafts.json");
    driver.typeText(role(roles::deployCommandTextView), "x");
    env.runUntilIdle();
    EXPECT_EQ(drafts.count(), 1) << "a typed character";
    driver.tap("commandToken:{file}");
    env.runUntilIdle();
    EXPECT_EQ(drafts.count(), 2) << "a token";
    EXPECT_EQ(stored().byServer.at("a").deployCommand, "x{file}");
    EXPECT_EQ(c.draft.deployCommand, "x{file}");
    EXPECT_TRUE(c.manuallyEditedRecipeServerIDs.count("a"));
}

}  // namespace
}  // namespace share_test
