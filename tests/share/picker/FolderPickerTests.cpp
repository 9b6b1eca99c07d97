// The remote folder picker in the share screen, driven as a person would, against the loopback
// server: opening on the destination field's folder, the rows with their ages, hidden folders,
// search and the remembered sort, navigation, Use Here and Cancel, failed and out-of-order
// listings, and creating folders.
#include <filesystem>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPickerViewController.h"
#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "platform/uikit/UIAlertController.h"
#include "platform/uikit/UINavigationController.h"
#include "tests/share/ShareTestEnvironment.h"

namespace share_test {
namespace {

namespace roles = tarvo::share::roles;
namespace fs = std::filesystem;
using namespace platform;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using tarvo::RemoteFolderPickerViewController;
using tarvo::share::ServerDraftStore;

constexpr double kNow = 1'700'000'000;

Json dirEntry(const std::string& name, std::int64_t size, std::int64_t mtime, const std::string& type = "dir") {
    return Json{{"name", name}, {"type", type}, {"size", size}, {"mtime", mtime}, {"executable", false}};
}

class FolderPickerTest : public ::testing::Test {
protected:
    FolderPickerTest() : env(ShareTestEnvironment::Options{.loopbackServer = true, .now = kNow}) {}

    void SetUp() override {
        env.setServers(Json::array({env.server("a", "Alpha box")}));
    }

    tarvo::ShareViewController& start() {
        return *env.start({ShareTestEnvironment::fileItem("public.zip-archive", "site.zip")});
    }
    UIDriver& driver() { return env.driver(); }
    peer::PeerServer& server() { return *env.server(); }
    void mkdirs(const std::string& relative) { fs::create_directories(server().filesRoot() + "/" + relative); }

    // Types the field's text and opens the picker on it.
    std::shared_ptr<RemoteFolderPickerViewController> open(const std::string& field) {
        driver().replaceText(std::string(roles::destFolderField), field);
        driver().tap(std::string(roles::browseFolderButton));
        env.runUntilIdle();
        return picker();
    }
    std::shared_ptr<RemoteFolderPickerViewController> picker() {
        auto nav = std::dynamic_pointer_cast<UINavigationController>(env.window().topViewController());
        if (!nav) {
            // An alert over the sheet.
            for (auto& c : env.window().presentedViewControllers()) {
                if (auto n = std::dynamic_pointer_cast<UINavigationController>(c)) nav = n;
            }
        }
        return nav ? std::dynamic_pointer_cast<RemoteFolderPickerViewController>(nav->topViewController()) : nullptr;
    }
    std::shared_ptr<UIAlertController> alert() {
        return std::dynamic_pointer_cast<UIAlertController>(env.window().topViewController());
    }
    // Each row as "text | secondary text".
    static std::vector<std::string> rows(RemoteFolderPickerViewController& p) {
        std::vector<std::string> out;
        for (const auto& cell : p.tableView()->visibleCells()) {
            const auto& c = *cell->contentConfiguration;
            out.push_back(c.text + " | " + c.secondaryText.value_or(""));
        }
        return out;
    }
    void serveListing(const std::string& path, Json entries) {
        server().addRule({{"path", "/api/list"}, {"query", {{"path", path}}}, {"times", 0},
                          {"json", {{"path", path}, {"entries", std::move(entries)}}}});
    }
    std::vector<std::string> listedPaths() {
        std::vector<std::string> out;
        for (const auto& r : server().requestsTo("/api/list")) {
            for (const auto& item : r["query_items"]) {
                if (item[0] == "path") out.push_back(item[1].get<std::string>());
            }
        }
        return out;
    }
    std::string storedDestFolder() { return ServerDraftStore::load(env.appGroupDefaults()).byServer.at("a").destFolder; }

    ShareTestEnvironment env;
};

Json uploadsListing() {
    return Json::array({dirEntry("web", 4096, static_cast<std::int64_t>(kNow) - 300),
                        dirEntry(".git", 10, 0),
                        dirEntry(" .cache", 10, 0),
                        dirEntry("notes.txt", 12, 0, "file"),
                        dirEntry("latest", 0, 0, "symlink"),
                        dirEntry("Archive", 100, 1'700'000'000'000),
                        dirEntry("reports", 900, 0),
                        dirEntry("old", 50, static_cast<std::int64_t>(kNow) - 11 * 86400)});
}

TEST_F(FolderPickerTest, OpensOnTheFieldsFolderWithItsFoldersAgesAndParentRow) {
    auto& c = start();
    serveListing("uploads/2024", uploadsListing());
    auto p = open(" /uploads/2024/ ");
    ASSERT_TRUE(p) << env.dump();
    EXPECT_EQ(p->currentPath, "uploads/2024");
    EXPECT_EQ(p->navigationItem().title, "/uploads/2024");
    EXPECT_EQ(p->navigationItem().prompt, "Alpha box");
    EXPECT_THAT(rows(*p), ElementsAre(".. | /uploads",
                                      "Archive | /uploads/2024/Archive \u00B7 modified just now",
                                      "old | /uploads/2024/old \u00B7 modified 11d ago",
                                      "reports | /uploads/2024/reports",
                                      "web | /uploads/2024/web \u00B7 modified 5m ago"));
    EXPECT_THAT(listedPaths(), ElementsAre("uploads/2024"));
    const std::string dump = env.dump();
    EXPECT_THAT(dump, HasSubstr("presented NavigationController formSheet"));
    EXPECT_THAT(dump, HasSubstr("NavigationBar prompt=\"Alpha box\" title=\"/uploads/2024\""));
    EXPECT_THAT(dump, HasSubstr("Cell \"..\" secondary=\"/uploads\" image=arrow.up.left disclosure"));
    EXPECT_THAT(dump, HasSubstr("Cell \"web\" secondary=\"/uploads/2024/web \u00B7 modified 5m ago\" image=folder disclosure"));
    EXPECT_THAT(dump, HasSubstr("SearchBar #pickerSearchField \"\" placeholder=\"Search folders\""));
    // Opening stored the screen's draft first.
    EXPECT_EQ(storedDestFolder(), "uploads/2024");

    // Every path the picker holds is canonical, also the first one.
    driver().tap("pickerCancelButton");
    auto q = open("./uploads//2024/..");
    ASSERT_TRUE(q);
    EXPECT_EQ(q->currentPath, "uploads/2024");
    EXPECT_THAT(listedPaths(), ElementsAre("uploads/2024", "uploads/2024"));

    // An empty field opens the root, without a parent row.
    driver().tap("pickerCancelButton");
    mkdirs("apps");
    auto root = open("");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->navigationItem().title, "/");
    EXPECT_THAT(rows(*root), ElementsAre(::testing::StartsWith("apps | /apps")));
    (void)c;
}

TEST_F(FolderPickerTest, HiddenFoldersSearchAndTheRememberedSortOrder) {
    start();
    serveListing("uploads", uploadsListing());
    env.appGroupDefaults().set("files.display.showHiddenFiles", PropertyList(true));
    auto p = open("uploads");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->visibleDirs().size(), 6u);
    EXPECT_EQ(rows(*p)[1], " .cache | /uploads/.cache");

    driver().search("WEB");
    EXPECT_EQ(p->searchText, "WEB");
    EXPECT_THAT(rows(*p), ElementsAre(".. | /", "web | /uploads/web \u00B7 modified 5m ago"));
    driver().search("uploads/r");  // the path matches too
    EXPECT_THAT(rows(*p), ElementsAre(".. | /", "reports | /uploads/reports"));
    driver().search("");

    driver().chooseMenuItem("sortButtonItem", {"Largest"});
    EXPECT_EQ(env.appGroupDefaults().string("share.folderSortMode"), "sizeLargest");
    std::vector<std::string> names;
    for (const auto& e : p->visibleDirs()) names.push_back(e.name);
    EXPECT_THAT(names, ElementsAre("web", "reports", "Archive", "old", " .cache", ".git"));
    EXPECT_THAT(env.dump(), HasSubstr("BarButtonItem #sortButtonItem \"\" image=arrow.up.arrow.down.circle menu=\"Sort folders\" ax=\"Sort folders\""));
    driver().tap("sortButtonItem");
    EXPECT_THAT(env.dump(), HasSubstr("    Action \"Name\" image=textformat.abc\n"
                                      "    Action \"Latest modified\" image=clock.arrow.circlepath\n"
                                      "    Action \"Largest\" image=arrow.down.right.and.arrow.up.left on\n"))
        << env.dump();
    driver().chooseMenuItem("sortButtonItem", {"Latest modified"});
    EXPECT_EQ(env.appGroupDefaults().string("share.folderSortMode"), "modifiedNewest");
    names.clear();
    for (const auto& e : p->visibleDirs()) names.push_back(e.name);
    EXPECT_THAT(names, ElementsAre("Archive", "web", "old", " .cache", ".git", "reports"));

    // The setting is the app group's: a new picker sorts the same way; hidden folders follow
    // their setting at the next reload.
    driver().tap("pickerCancelButton");
    env.appGroupDefaults().set("files.display.showHiddenFiles", PropertyList(false));
    auto again = open("uploads");
    names.clear();
    for (const auto& e : again->visibleDirs()) names.push_back(e.name);
    EXPECT_THAT(names, ElementsAre("Archive", "web", "old", "reports"));
}

TEST_F(FolderPickerTest, NavigationUseHereAndCancel) {
    auto& c = start();
    mkdirs("uploads/2024/q1");
    mkdirs("apps");
    auto p = open("");
    ASSERT_TRUE(p);
    driver().tap("uploads");
    env.runUntilIdle();
    EXPECT_EQ(p->navigationItem().title, "/uploads");
    EXPECT_THAT(rows(*p), ElementsAre(".. | /", ::testing::StartsWith("2024 | /uploads/2024")));
    driver().tap("..");
    env.runUntilIdle();
    EXPECT_EQ(p->currentPath, "");
    driver().tap("uploads");
    env.runUntilIdle();
    driver().tap("2024");
    env.runUntilIdle();
    EXPECT_THAT(rows(*p)[0], ".. | /uploads");
    EXPECT_THAT(listedPaths(), ElementsAre("", "uploads", "", "uploads", "uploads/2024"));

    driver().tap("Use Here");
    env.runUntilIdle();
    EXPECT_FALSE(picker());
    EXPECT_EQ(c.destFolderField->text, "uploads/2024");
    EXPECT_EQ(storedDestFolder(), "uploads/2024");
    EXPECT_EQ(c.draft.destFolder, "uploads/2024");

    // Cancel writes nothing back, wherever the picker went.
    auto q = open("uploads/2024");
    driver().tap("..");
    env.runUntilIdle();
    driver().tap("pickerCancelButton");
    env.runUntilIdle();
    EXPECT_FALSE(picker());
    EXPECT_EQ(c.destFolderField->text, "uploads/2024");
    EXPECT_EQ(storedDestFolder(), "uploads/2024");

    // Use Here at the root writes the empty string.
    open("uploads");
    driver().tap("..");
    env.runUntilIdle();
    driver().tap("Use Here");
    env.runUntilIdle();
    EXPECT_EQ(c.destFolderField->text, "");
    EXPECT_EQ(storedDestFolder(), "");
}

TEST_F(FolderPickerTest, AFailedListingAlertsClearsTheRowsAndRetries) {
    start();
    mkdirs("uploads/gone/inner");
    mkdirs("uploads/kept");
    auto p = open("uploads");
    ASSERT_TRUE(p);
    server().addRule({{"path", "/api/list"}, {"query", {{"path", "uploads/gone"}}}, {"status", 500},
                      {"json", {{"error", "disk on fire"}}}});
    driver().tap("gone");
    env.runUntilIdle();
    auto a = alert();
    ASSERT_TRUE(a) << env.dump();
    EXPECT_EQ(a->title, "Folder Load Failed");
    EXPECT_THAT(a->message, HasSubstr("disk on fire"));
    ASSERT_EQ(a->actions().size(), 2u);
    EXPECT_EQ(a->actions()[0]->title, "OK");
    EXPECT_EQ(a->actions()[0]->style, UIAlertAction::Style::cancel);
    EXPECT_EQ(a->actions()[1]->title, "Retry");
    // The title names the folder that failed; only the parent row is left, so no row leads
    // to a folder of another listing.
    EXPECT_EQ(p->navigationItem().title, "/uploads/gone");
    EXPECT_EQ(p->navigationItem().prompt, "Alpha box");
    EXPECT_THAT(rows(*p), ElementsAre(".. | /uploads"));
    EXPECT_TRUE(p->dirs().empty());

    driver().answerAlert("Retry");
    env.runUntilIdle();
    EXPECT_FALSE(alert());
    EXPECT_THAT(rows(*p), ElementsAre(".. | /uploads", ::testing::StartsWith("inner | /uploads/gone/inner")));

    // After OK, Use Here picks the folder that failed.
    server().addRule({{"path", "/api/list"}, {"query", {{"path", "uploads/gone/inner"}}}, {"status", 500}});
    driver().tap("inner");
    env.runUntilIdle();
    ASSERT_TRUE(alert());
    driver().answerAlert("OK");
    driver().tap("Use Here");
    env.runUntilIdle();
    EXPECT_EQ(env.controller().destFolderField->text, "uploads/gone/inner");
}

TEST_F(FolderPickerTest, AListingOvertakenByANewerOneNeverShows) {
    start();
    mkdirs("slow/late");
    mkdirs("fast");
    mkdirs("slow/fast/leaf");
    auto p = open("");
    ASSERT_TRUE(p);
    // "slow" answers half a second late; meanwhile the person taps on.
    server().addRule({{"path", "/api/list"}, {"query", {{"path", "slow"}}}, {"delay", 0.5}});
    driver().tap("slow");
    EXPECT_EQ(p->navigationItem().prompt, "Loading\u2026");
    EXPECT_EQ(p->navigationItem().title, "/slow");
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return listedPaths().size() == 2; }, std::chrono::seconds(10)));
    // The rows of the root are still on screen (no parent row yet), and they stay the root's:
    // a search redraws them with the root's paths, and "fast" opens /fast.
    EXPECT_THAT(rows(*p), ElementsAre(::testing::StartsWith("fast | /fast"), ::testing::StartsWith("slow | /slow")));
    driver().search("FAST");
    EXPECT_THAT(rows(*p), ElementsAre(::testing::StartsWith("fast | /fast")));
    driver().search("");
    driver().tap("fast");
    env.runUntilIdle();
    EXPECT_EQ(p->currentPath, "fast");
    EXPECT_EQ(p->navigationItem().title, "/fast");
    EXPECT_EQ(p->navigationItem().prompt, "Alpha box");
    EXPECT_THAT(rows(*p), ElementsAre(".. | /"));
    EXPECT_FALSE(alert());
    EXPECT_THAT(listedPaths(), ElementsAre("", "slow", "fast"));
}

TEST_F(FolderPickerTest, AFailedRefreshOrRetryOfTheFolderOnScreenKeepsItsRows) {
    start();
    mkdirs("uploads/kept/inner");
    mkdirs("uploads/other");
    auto p = open("uploads");
    ASSERT_TRUE(p);
    const std::vector<std::string> shown = rows(*p);
    ASSERT_EQ(shown.size(), 3u) << env.dump();
    server().addRule({{"path", "/api/list"}, {"query", {{"path", "uploads"}}}, {"times", 2}, {"status", 500},
                      {"json", {{"error", "busy"}}}});
    driver().pullToRefresh();
    env.runUntilIdle();
    ASSERT_TRUE(alert()) << env.dump();
    EXPECT_EQ(rows(*p), shown);
    driver().answerAlert("Retry");
    env.runUntilIdle();
    ASSERT_TRUE(alert()) << "the second failure";
    EXPECT_EQ(rows(*p), shown);
    driver().answerAlert("OK");
    EXPECT_EQ(p->navigationItem().title, "/uploads");
    // The kept rows still lead where they say.
    driver().tap("kept");
    env.runUntilIdle();
    EXPECT_EQ(p->currentPath, "uploads/kept");
    EXPECT_THAT(rows(*p), ElementsAre(".. | /uploads", ::testing::StartsWith("inner | /uploads/kept/inner")));
}

TEST_F(FolderPickerTest, CreatingFolders) {
    start();
    mkdirs("uploads");
    auto p = open("uploads");
    ASSERT_TRUE(p);
    auto create = [&](const std::string& name) {
        driver().tap("newFolderButton");
        auto a = alert();
        EXPECT_TRUE(a && a->title == "New Folder") << env.dump();
        driver().fillAlertField(1, name);
        driver().answerAlert("Create");
    };

    // Names that are no folder: an alert and no request.
    driver().tap("newFolderButton");
    EXPECT_EQ(alert()->message, "/uploads");
    const auto& field = *alert()->textFields().at(0);
    EXPECT_EQ(field.placeholder, "Folder name");
    EXPECT_EQ(field.autocorrectionType, UITextAutocorrectionType::no);
    EXPECT_EQ(field.autocapitalizationType, UITextAutocapitalizationType::none);
    EXPECT_EQ(field.clearButtonMode, UITextField::ViewMode::whileEditing);
    driver().answerAlert("Cancel");
    for (const char* name : {"", "   ", "/", ".", "..", " / ./ .. "}) {
        create(name);
        auto a = alert();
        ASSERT_TRUE(a) << name;
        EXPECT_EQ(a->title, "Invalid Folder");
        EXPECT_EQ(a->message, "Enter a folder name.");
        driver().answerAlert("OK");
    }
    env.runUntilIdle();
    EXPECT_TRUE(server().requestsTo("/ws/cmd").empty());
    EXPECT_EQ(p->currentPath, "uploads");

    // A name with blanks, typed after a search: the folder is made, the picker moves into it
    // and the search is cleared.
    driver().search("zzz");
    create(" reports ");
    EXPECT_EQ(p->navigationItem().prompt, "Creating\u2026");
    for (const char* role : {"useHereButton", "newFolderButton", "sortButtonItem"}) {
        EXPECT_FALSE(std::dynamic_pointer_cast<UIControl>(driver().find(role))->enabled) << role;
    }
    EXPECT_TRUE(std::dynamic_pointer_cast<UIControl>(driver().find("pickerCancelButton"))->enabled);
    env.runUntilIdle();
    EXPECT_TRUE(fs::is_directory(server().filesRoot() + "/uploads/reports"));
    EXPECT_EQ(p->currentPath, "uploads/reports");
    EXPECT_EQ(p->navigationItem().title, "/uploads/reports");
    EXPECT_EQ(p->navigationItem().prompt, "Alpha box");
    EXPECT_EQ(p->searchText, "");
    EXPECT_EQ(p->searchController->searchBar()->text, "");
    EXPECT_THAT(rows(*p), ElementsAre(".. | /uploads"));
    EXPECT_TRUE(std::dynamic_pointer_cast<UIControl>(driver().find("useHereButton"))->enabled);

    // ".." never climbs; a path makes its parents on the way.
    driver().tap("..");
    env.runUntilIdle();
    create("../x");
    env.runUntilIdle();
    EXPECT_EQ(p->currentPath, "uploads/x");
    EXPECT_TRUE(fs::is_directory(server().filesRoot() + "/uploads/x"));
    create("a/b");
    env.runUntilIdle();
    EXPECT_EQ(p->currentPath, "uploads/x/a/b");
    EXPECT_TRUE(fs::is_directory(server().filesRoot() + "/uploads/x/a/b"));
    // An existing folder is no error.
    driver().tap("..");
    env.runUntilIdle();
    create("b");
    env.runUntilIdle();
    EXPECT_EQ(p->currentPath, "uploads/x/a/b");
    EXPECT_FALSE(alert());

    // The server refuses: an alert with its text, and the picker stays where it was.
    server().addRule({{"path", "/ws/cmd"}, {"script", Json::array({Json{{"json", {{"stream", "exit"}, {"code", 1}}}}})}});
    create("denied");
    env.runUntilIdle();
    auto a = alert();
    ASSERT_TRUE(a) << env.dump();
    EXPECT_EQ(a->title, "Folder Create Failed");
    EXPECT_THAT(a->message, HasSubstr("Upload failed: "));
    EXPECT_THAT(a->message, HasSubstr("exit 1"));
    ASSERT_EQ(a->actions().size(), 1u);
    driver().answerAlert("OK");
    EXPECT_EQ(p->currentPath, "uploads/x/a/b");
    EXPECT_EQ(p->navigationItem().prompt, "Alpha box");
    EXPECT_TRUE(std::dynamic_pointer_cast<UIControl>(driver().find("newFolderButton"))->enabled);
    EXPECT_FALSE(fs::exists(server().filesRoot() + "/uploads/x/a/b/denied"));
}

TEST_F(FolderPickerTest, NoUsableServerShowsItsStatusAndNoPicker) {
    Json bad = env.server("a", "Alpha box");
    bad["token"] = "  ";
    env.setServers(Json::array({bad}));
    auto& c = start();
    driver().tap(std::string(roles::browseFolderButton));
    env.runUntilIdle();
    EXPECT_FALSE(picker());
    EXPECT_EQ(c.statusLabel->text, "Invalid server URL or token.");
    EXPECT_FALSE(c.isBusy);

    env.releaseController();
    env.setServers(Json::array());
    auto& none = start();
    none.browseFolderTapped();
    env.runUntilIdle();
    EXPECT_FALSE(picker());
    EXPECT_EQ(none.statusLabel->text, "No server configured.");
}

}  // namespace
}  // namespace share_test
