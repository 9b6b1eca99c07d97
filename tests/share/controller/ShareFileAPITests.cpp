// The remote client the share builds per server, against the loopback server.
#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "TarvoShareExtension/Remote/URLSessionHTTPTransport.h"
#include "TarvoShareExtension/Remote/URLSessionStreamTransport.h"
#include "TarvoShareExtension/ShareViewController/Controller/ShareFileAPI.h"
#include "platform/concurrency/Task.h"
#include "tests/share/ShareTestEnvironment.h"
#include "tests/support/Files.h"

namespace share_test {
namespace {

using namespace std::chrono_literals;
using tarvo::ServerProfile;

ServerProfile profile(std::string url, std::string token) {
    ServerProfile p;
    p.id = "a";
    p.urlString = std::move(url);
    p.token = std::move(token);
    p.normalizeConnectionTargets();
    return p;
}

TEST(ShareFileAPITest, NeedsAnHttpAddressAndAToken) {
    EXPECT_FALSE(tarvo::share::makeShareFileAPI(profile("", "t")));
    EXPECT_FALSE(tarvo::share::makeShareFileAPI(profile("ftp://host", "t")));
    EXPECT_FALSE(tarvo::share::makeShareFileAPI(profile("https://host", " \n ")));
    const auto api = tarvo::share::makeShareFileAPI(profile("https://host/base", "  secret "));
    ASSERT_TRUE(api);
    EXPECT_EQ(api->cfg.token, "secret");
    EXPECT_EQ(api->cfg.baseURL.absoluteString(), "https://host/base");
}

// ---- Time limits of the sends.
// Programs keep today's limits; a harness's own limits reach both sessions and the command
// stream.
TEST(ShareFileAPITest, TheSendLimitsReachBothSessionsAndTheCommandStream) {
    tarvo::ShareSendLimits quick;
    quick.requestSeconds = 3;
    quick.resourceSeconds = 30;
    quick.streamOpenSeconds = 4;
    quick.cmdStream.uploadExitSeconds = 5;
    struct Case {
        const char* name;
        std::optional<tarvo::RemoteAPI> api;
        double request, resource, open, uploadExit;
    };
    const std::vector<Case> cases = {
        {"today's", tarvo::share::makeShareFileAPI(profile("https://host", "t")), 60, 600, 15, 600},
        {"given", tarvo::share::makeShareFileAPI(profile("https://host", "t"), quick), 3, 30, 4, 5},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        ASSERT_TRUE(k.api);
        const auto http = std::dynamic_pointer_cast<const tarvo::URLSessionHTTPTransport>(k.api->http);
        const auto streams = std::dynamic_pointer_cast<const tarvo::URLSessionStreamTransport>(k.api->streams);
        ASSERT_TRUE(http && streams);
        EXPECT_EQ(http->session->configuration().timeoutIntervalForRequest, k.request);
        EXPECT_EQ(http->session->configuration().timeoutIntervalForResource, k.resource);
        EXPECT_EQ(streams->configuration.timeoutIntervalForRequest, k.request);
        EXPECT_EQ(streams->openTimeoutSeconds, k.open);
        EXPECT_EQ(k.api->cmdStreamLimits.uploadExitSeconds, k.uploadExit);
    }
}

TEST(ShareFileAPITest, TheControllersClientReachesTheServer) {
    ShareTestEnvironment env(ShareTestEnvironment::Options{true, true});
    tarvo_test::writeFile(std::filesystem::path(env.server()->filesRoot()) / "site/index.html", "<h1>hi</h1>");
    env.setServers(platform::Json::array({env.server("a", "Alpha")}));
    auto& c = *env.start({env.textItem("note")});
    const auto api = c.makeFileAPI(c.servers.front());
    ASSERT_TRUE(api);
    auto listing = platform::startTask(env.mainQueue().executor(), [api]() { return api->list("site"); });
    ASSERT_TRUE(env.mainQueue().runUntil([&] { return listing.isDone(); }, 10000ms));
    const auto reply = listing.result();
    ASSERT_EQ(reply.entries.size(), 1u);
    EXPECT_EQ(reply.entries.front().name, "index.html");
}

}  // namespace
}  // namespace share_test
