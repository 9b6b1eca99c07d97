// tarvo-share with the folder picker against the loopback server, as a script would drive it:
// the steps a person takes, the screens the program prints, what the Tarvo app reads back.
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/foundation/Json.h"
#include "tests/peer/PeerServer.h"
#include "tests/share/ShareProgramFixture.h"
#include "tests/support/Files.h"
#include "tests/support/Process.h"

namespace share_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using tarvo_test::ProcessResult;

platform::Json dirEntry(const std::string& name, std::int64_t size, std::int64_t mtime, const std::string& type = "dir") {
    return platform::Json{{"name", name}, {"type", type}, {"size", size}, {"mtime", mtime}, {"executable", false}};
}

// 2023-11-14T22:13:20Z
constexpr std::int64_t kNow = 1'700'000'000;

class FolderPickerProgramTest : public ShareProgramFixture {
protected:
    FolderPickerProgramTest() : ShareProgramFixture("picker-program") {}
    void SetUp() override { useServer(server.options().token); }
    void useServer(const std::string& token) {
        platform::Json servers = platform::Json::array(
            {{{"id", "box"}, {"name", "Build box"}, {"urlString", server.baseURL()}, {"token", token}}});
        write("servers.json", platform::encodeCompact(servers));
        write("activeServerId", "box");
    }
    // tarvo-share on the sample project at kNow with the steps, dates written in US English
    // and UTC (this hides the fixture's share, which it calls).
    ProcessResult share(const std::vector<std::string>& steps) {
        std::vector<std::string> args{"--now", "2023-11-14T22:13:20Z"};
        for (const auto& s : doSteps(steps)) args.push_back(s);
        args.push_back(source("samples/share/project"));
        return ShareProgramFixture::share(args, "", {{"LANG", "en_US.UTF-8"}, {"TZ", "UTC"}});
    }
    void mkdirs(const std::string& relative) { fs::create_directories(server.filesRoot() + "/" + relative); }

    peer::PeerServer server;
};

TEST_F(FolderPickerProgramTest, ListingSearchSortNavigationAndUseHere) {
    server.addRule(
        {{"path", "/api/list"},
         {"query", {{"path", "projects"}}},
         {"times", 0},
         {"json",
          {{"path", "projects"},
           {"entries", platform::Json::array({dirEntry("web", 300, kNow - 300), dirEntry(".git", 900, kNow),
                                              dirEntry("api", 500, kNow - 7200), dirEntry("README.md", 10, kNow, "file"),
                                              dirEntry("current", 0, kNow, "symlink"), dirEntry("Docs", 500, 0),
                                              dirEntry("archive", 100, kNow - 40 * 86400),
                                              dirEntry("media", 200, kNow - 3 * 86400)})}}}});
    mkdirs("projects/web/static");
    const ProcessResult r = share({"replace:destFolderField= /projects/ ", "tap:browseFolderButton", "dump",
                                   "search:WEB", "dump", "search:", "menu:sortButtonItem=Largest", "dump",
                                   "tap:web", "dump", "tap:Use Here"});
    ASSERT_EQ(r.exitCode, 3) << r.err << r.out;
    // The folder's rows as a table: names, paths and ages; hidden folders, files and links left
    // out; the parent row first.
    EXPECT_THAT(r.out, HasSubstr("NavigationBar prompt=\"Build box\" title=\"/projects\"\n"));
    EXPECT_THAT(r.out, HasSubstr("Cell \"..\" secondary=\"/\" image=arrow.up.left disclosure\n"
                                 "        Cell \"api\" secondary=\"/projects/api \u00B7 modified 2h ago\" image=folder disclosure\n"
                                 "        Cell \"archive\" secondary=\"/projects/archive \u00B7 modified Oct 5, 2023"))
        << r.out;
    EXPECT_THAT(r.out, HasSubstr("Cell \"Docs\" secondary=\"/projects/Docs\" image=folder disclosure\n"
                                 "        Cell \"media\" secondary=\"/projects/media \u00B7 modified 3d ago\" image=folder disclosure\n"
                                 "        Cell \"web\" secondary=\"/projects/web \u00B7 modified 5m ago\" image=folder disclosure\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("README.md")));
    EXPECT_THAT(r.out, Not(HasSubstr("\".git\"")));
    EXPECT_THAT(r.out, Not(HasSubstr("\"current\"")));
    // The search keeps web; Largest orders by size and is remembered.
    EXPECT_THAT(r.out, HasSubstr("SearchBar #pickerSearchField \"WEB\" placeholder=\"Search folders\" editing\n"
                                 "      TableView insetGrouped\n"
                                 "        Cell \"..\" secondary=\"/\" image=arrow.up.left disclosure\n"
                                 "        Cell \"web\""));
    EXPECT_THAT(r.out, HasSubstr("Cell \"..\" secondary=\"/\" image=arrow.up.left disclosure\n"
                                 "        Cell \"api\" secondary=\"/projects/api \u00B7 modified 2h ago\" image=folder disclosure\n"
                                 "        Cell \"Docs\" secondary=\"/projects/Docs\" image=folder disclosure\n"
                                 "        Cell \"web\" secondary=\"/projects/web \u00B7 modified 5m ago\" image=folder disclosure\n"
                                 "        Cell \"media\""));
    EXPECT_THAT(stored("share.folderSortMode"), HasSubstr("sizeLargest"));
    // Into web (a real folder now), then Use Here: the field and the stored draft.
    EXPECT_THAT(r.out, HasSubstr("title=\"/projects/web\""));
    EXPECT_THAT(r.out, HasSubstr("Cell \"static\" secondary=\"/projects/web/static \u00B7 modified"));
    EXPECT_THAT(r.out, HasSubstr("TextField #destFolderField \"projects/web\""));
    EXPECT_THAT(stored("share.serverDrafts.json"), HasSubstr("\"destFolder\":\"projects/web\""));
}

TEST_F(FolderPickerProgramTest, CancelChangesNothing) {
    mkdirs("apps/one");
    const ProcessResult r = share({"replace:destFolderField=apps", "end", "tap:browseFolderButton", "tap:one",
                                   "tap:pickerCancelButton"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.out, HasSubstr("TextField #destFolderField \"apps\""));
    EXPECT_THAT(r.out, Not(HasSubstr("presented NavigationController")));
    EXPECT_THAT(stored("share.serverDrafts.json"), HasSubstr("\"destFolder\":\"apps\""));
}

TEST_F(FolderPickerProgramTest, AFailedListingAlertsAndClearsTheRowsThenRetries) {
    mkdirs("apps/broken/fixed");
    mkdirs("apps/fine");
    server.addRule({{"path", "/api/list"}, {"query", {{"path", "apps/broken"}}}, {"status", 503},
                    {"json", {{"error", "storage offline"}}}});
    const ProcessResult r = share({"replace:destFolderField=apps", "tap:browseFolderButton", "tap:broken", "dump",
                                   "alert:Retry"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.out, HasSubstr("presented Alert \"Folder Load Failed\""));
    EXPECT_THAT(r.out, HasSubstr("storage offline"));
    EXPECT_THAT(r.out, HasSubstr("AlertAction \"Retry\""));
    // Under the alert, only the parent row: no row of apps under the title of apps/broken.
    const std::string first = r.out.substr(0, r.out.find("Window 390x844", 10));
    EXPECT_THAT(first, HasSubstr("title=\"/apps/broken\""));
    EXPECT_THAT(first, Not(HasSubstr("Cell \"fine\"")));
    // Retry lists it again, and now it answers.
    const std::string last = r.out.substr(r.out.rfind("Window 390x844"));
    EXPECT_THAT(last, HasSubstr("Cell \"fixed\""));
    EXPECT_THAT(last, Not(HasSubstr("Folder Load Failed")));
}

TEST_F(FolderPickerProgramTest, CreatingFolders) {
    mkdirs("uploads");
    server.addRule({{"path", "/ws/cmd"}, {"script", platform::Json::array({{{"json", {{"stream", "exit"}, {"code", 1}}}}})}});
    const ProcessResult r = share({"replace:destFolderField=uploads", "tap:browseFolderButton",
                                   // refused by the server: the alert, and the picker stays
                                   "tap:newFolderButton", "alert-field:1=denied", "alert:Create", "dump", "alert:OK",
                                   // blank: no request
                                   "tap:newFolderButton", "alert-field:1=  ", "alert:Create", "dump", "alert:OK",
                                   // relative names, made on the way
                                   "tap:newFolderButton", "alert-field:1= reports/2024 ", "alert:Create", "dump",
                                   "tap:useHereButton"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.out, HasSubstr("presented Alert \"Folder Create Failed\""));
    EXPECT_THAT(r.out, HasSubstr("exit 1"));
    EXPECT_THAT(r.out, HasSubstr("presented Alert \"Invalid Folder\""));
    EXPECT_THAT(r.out, HasSubstr("Enter a folder name."));
    EXPECT_TRUE(fs::is_directory(server.filesRoot() + "/uploads/reports/2024"));
    EXPECT_FALSE(fs::exists(server.filesRoot() + "/uploads/denied"));
    EXPECT_THAT(r.out, HasSubstr("title=\"/uploads/reports/2024\""));
    EXPECT_THAT(r.out, HasSubstr("TextField #destFolderField \"uploads/reports/2024\""));
    EXPECT_EQ(server.requestsTo("/ws/cmd").size() + server.requestsTo("/api/ws/cmd").size(), 2u);
}

TEST_F(FolderPickerProgramTest, NoUsableServerSaysSoAndOpensNothing) {
    useServer("   ");
    const ProcessResult r = share({"tap:browseFolderButton"});
    ASSERT_EQ(r.exitCode, 3) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Label #statusLabel \"Invalid server URL or token.\""));
    EXPECT_THAT(r.out, Not(HasSubstr("presented NavigationController")));
    EXPECT_THAT(r.out, HasSubstr("open: Invalid server URL or token."));
}

}  // namespace
}  // namespace share_test
