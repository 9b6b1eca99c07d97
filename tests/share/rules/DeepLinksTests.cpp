// Links into the Tarvo app, the server identity they carry, and the hand-off records of the
// send flows.
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Rules/DeepLinks.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Uuid.h"

namespace tarvo::share {
namespace {

// Digests worked out apart from the code: sha256(url + "|" + sha256(token)[:12]).
constexpr const char* kSidTok = "c2aa86d740a60510474283708120effadc84f7b7d0440a84bad2defad49b4919";
constexpr const char* kSidEmptyToken = "8c37b8fb5f4f7853ec88d5dcc1542a2fde232e6a3503565e3f7c9c517a74bf99";
constexpr const char* kSidTok2 = "1e081dad1bdf1e0791a9fff44165665ecd3467c7c25c30d0d9c2c04b5042688f";
constexpr const char* kSidLan = "d2adf4c87f0425e6168b4b7dbe223bf0a5a818680e6b968ff2c6a2f44bb873d9";

ServerProfile linkServer(const std::string& url = "https://build.example:8443/base", const std::string& token = "tok",
                     const std::string& name = "Build box") {
    ServerProfile s;
    s.id = "srv-1";
    s.name = name;
    s.urlString = url;
    s.token = token;
    return s;
}

std::string text(const std::optional<platform::URL>& url) { return url ? url->absoluteString() : "<none>"; }

TEST(ServerIdentity, DigestOfAddressAndTokenPrefix) {
    EXPECT_EQ(serverIdentityDigest(linkServer()), kSidTok);
    EXPECT_EQ(serverIdentityDigest(linkServer("https://build.example:8443/base", " \ttok\n")), kSidTok);
    EXPECT_EQ(serverIdentityDigest(linkServer("https://build.example:8443/base", "")), kSidEmptyToken);
    EXPECT_EQ(serverIdentityDigest(linkServer("https://build.example:8443/base", "tok2")), kSidTok2);
    EXPECT_EQ(serverIdentityDigest(linkServer("")), "");
    EXPECT_EQ(serverIdentityDigest(linkServer("ftp://build.example/")), "");
    EXPECT_EQ(serverIdentityQueryItem(linkServer("")), std::nullopt);
    EXPECT_EQ(serverIdentityQueryItem(linkServer()), (platform::URLQueryItem{"sid", std::string(kSidTok)}));

    // The selected connection target's address is the one that counts.
    ServerProfile targets = linkServer();
    targets.connectionTargets = {{"a", "Office", "https://build.example:8443/base"},
                                 {"b", "LAN", "http://10.0.0.2:8080"}};
    targets.selectedConnectionTargetID = "a";
    EXPECT_EQ(serverIdentityDigest(targets), kSidTok);
    targets.selectedConnectionTargetID = "b";
    EXPECT_EQ(serverIdentityDigest(targets), kSidLan);
}

TEST(DeepLinks, ActionFirstItemsThenServerIdentity) {
    const ServerProfile s = linkServer();
    const ServerProfile noURL = linkServer("");
    const std::string sid = std::string("&sid=") + kSidTok;
    struct Case {
        const char* name;
        std::optional<platform::URL> url;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"event", makeOpenEventURL(std::string(" evt-1\n"), &s), "tarvo://x?action=open_event&ref=evt-1" + sid},
        {"event reference encoded", makeOpenEventURL(std::string("a b&c=d#e+f"), &s),
         "tarvo://x?action=open_event&ref=a%20b%26c%3Dd%23e%2Bf" + sid},
        {"blank reference", makeOpenEventURL(std::string(" \n "), &s), "<none>"},
        {"no reference", makeOpenEventURL(std::nullopt, &s), "<none>"},
        {"folder", makeOpenDirURL(" /srv/app/ ", &s), "tarvo://x?action=open_dir&path=srv/app" + sid},
        {"folder of slashes", makeOpenDirURL(" /// ", &s), "tarvo://x?action=open_tab&tab=files" + sid},
        {"folder of blanks", makeOpenDirURL(" \t\n ", &s), "tarvo://x?action=open_tab&tab=files" + sid},
        {"empty folder", makeOpenDirURL("", &s), "tarvo://x?action=open_tab&tab=files" + sid},
        {"server without URL", makeOpenDirURL("/a/b/", &noURL), "tarvo://x?action=open_dir&path=a/b"},
        {"no server", makeOpenEventURL(std::string("r"), nullptr), "tarvo://x?action=open_event&ref=r"},
        {"own items in order", makeTarvoURL("open_tab", {{"tab", "events"}, {"x", "1"}}, &s),
         "tarvo://x?action=open_tab&tab=events&x=1" + sid},
    };
    for (const auto& c : cases) EXPECT_EQ(text(c.url), c.expected) << c.name;
}

TEST(HandoffTitle, ServerLabelAndTrimmedPath) {
    EXPECT_EQ(handoffTitle(linkServer(), "/srv/app/"), "Open Build box /srv/app");
    EXPECT_EQ(handoffTitle(linkServer(), ""), "Open Build box /");
    EXPECT_EQ(handoffTitle(linkServer(), " // \n"), "Open Build box /");
    ServerProfile unnamed = linkServer("https://h:9000", "t", "  ");
    unnamed.normalizeConnectionTargets();
    EXPECT_EQ(handoffTitle(unnamed, "a"), "Open h:9000 /a");  // the address's label
    EXPECT_EQ(handoffTitle(linkServer("", "t", ""), "a"), "Open Server /a");
}

TEST(HandoffRecords, EmitAndUploadRecordsForTheApp) {
    const auto clock = platform::Clock::fixedAt(1765371547.25);
    const ServerProfile s = linkServer();
    const std::string sid = std::string("&sid=") + kSidTok;

    auto event = emitLaunchHandoff(s, std::string("b"));
    ASSERT_TRUE(event);
    EXPECT_TRUE(platform::isUUIDString(event->id));
    EXPECT_EQ(event->schema, 1);
    EXPECT_EQ(event->createdAtEpoch, 1765371547.25);
    EXPECT_EQ(event->serverId, "srv-1");
    EXPECT_EQ(event->serverIdentity, kSidTok);
    EXPECT_EQ(event->urlString, "tarvo://x?action=open_event&ref=b" + sid);
    EXPECT_EQ(event->title, "Continue in Tarvo");
    EXPECT_EQ(event->kind, "open_event");
    EXPECT_EQ(event->path, "b");

    for (const auto& ref : {std::optional<std::string>(), std::optional<std::string>("  ")}) {
        auto tab = emitLaunchHandoff(s, ref);
        ASSERT_TRUE(tab);
        EXPECT_EQ(tab->urlString, "tarvo://x?action=open_tab&tab=events" + sid);
        EXPECT_EQ(tab->kind, "open_tab");
        EXPECT_EQ(tab->path, "events");
    }

    struct Case {
        std::string folder;
        std::optional<std::string> lastRemotePath;
        std::string url, title, kind, path;
    };
    const std::vector<Case> uploads = {
        {"srv/app", "srv/app/x.zip", "tarvo://x?action=open_dir&path=srv/app" + sid, "Open Build box /srv/app",
         "open_dir", "srv/app"},
        {"", "drop/in/app.zip", "tarvo://x?action=open_dir&path=drop/in" + sid, "Open Build box /drop/in", "open_dir",
         "drop/in"},
        {"", "app.zip", "tarvo://x?action=open_tab&tab=files" + sid, "Open Build box /", "open_tab", "files"},
        {"", std::nullopt, "tarvo://x?action=open_tab&tab=files" + sid, "Open Build box /", "open_tab", "files"},
    };
    for (const auto& c : uploads) {
        const std::string path = uploadHandoffPath(c.folder, c.lastRemotePath);
        auto record = uploadLaunchHandoff(s, path);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->urlString, c.url);
        EXPECT_EQ(record->title, c.title);
        EXPECT_EQ(record->kind, c.kind);
        EXPECT_EQ(record->path, c.path);
        EXPECT_EQ(record->serverIdentity, kSidTok);
    }

    // A server without an address: the link and record carry no identity.
    auto bare = uploadLaunchHandoff(linkServer(""), "a");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->serverIdentity, "");
    EXPECT_EQ(bare->urlString, "tarvo://x?action=open_dir&path=a");
}

}  // namespace
}  // namespace tarvo::share
