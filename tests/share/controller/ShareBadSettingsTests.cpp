// Malformed settings in the app group never crash or hang the share screen: each case below
// starts the controller on a group holding it, and the screen comes up, takes a keystroke
// and stores the draft of the server it shows.
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Screen/ShareScreenRoles.h"
#include "tests/share/ShareTestEnvironment.h"

namespace share_test {
namespace {

using platform::Json;
using platform::PropertyList;
using tarvo::share::ServerDraftStore;

PropertyList str(std::string s) { return PropertyList(std::move(s)); }

PropertyList array(std::size_t n, const std::function<PropertyList(std::size_t)>& element) {
    PropertyList::Array a;
    for (std::size_t i = 0; i < n; ++i) a.push_back(element(i));
    return PropertyList(std::move(a));
}

struct Case {
    const char* name;
    std::vector<std::pair<std::string, PropertyList>> settings;
    std::size_t expectedServers;
    const char* expectedServer;  // the draft's server after start-up
};

std::vector<Case> cases(const Json& twoServers) {
    const std::string servers = platform::encodeCompact(twoServers);
    const std::string huge(1 << 20, 'x');
    Json many = Json::array();
    for (int i = 0; i < 3000; ++i) many.push_back(Json{{"id", "s" + std::to_string(i)}, {"name", "S" + std::to_string(i)}});
    return {
        {"servers not JSON", {{"servers.json", str("[{\"id\": ")}}, 0, ""},
        {"servers an object", {{"servers.json", str("{\"id\":\"a\"}")}}, 0, ""},
        {"servers a number", {{"servers.json", PropertyList(std::int64_t{7})}}, 0, ""},
        {"servers as data", {{"servers.json", PropertyList(PropertyList::Data{0xff, 0x00})}}, 0, ""},
        {"one server of the wrong shape", {{"servers.json", str("[{\"id\":\"a\"},{\"id\":5}]")}}, 0, ""},
        {"three thousand servers", {{"servers.json", str(platform::encodeCompact(many))}}, 3000, "s0"},
        {"a server named with a megabyte",
         {{"servers.json", str(platform::encodeCompact(Json::array({Json{{"id", "a"}, {"name", huge}}})))}}, 1, "a"},
        {"drafts not JSON", {{"servers.json", str(servers)}, {"share.serverDrafts.json", str("{\"schema\":")}}, 2, "a"},
        {"drafts an array", {{"servers.json", str(servers)}, {"share.serverDrafts.json", str("[]")}}, 2, "a"},
        {"drafts of wrong types",
         {{"servers.json", str(servers)},
          {"share.serverDrafts.json", str("{\"schema\":1,\"byServer\":{\"a\":{\"action\":\"Upload\"},\"b\":7}}")}},
         2, "a"},
        {"drafts as a dictionary value", {{"servers.json", str(servers)}, {"share.serverDrafts.json", PropertyList(PropertyList::Dictionary{})}}, 2, "a"},
        {"a draft with a megabyte kind",
         {{"servers.json", str(servers)},
          {"share.serverDrafts.json", str("{\"schema\":1,\"byServer\":{\"a\":{\"serverId\":\"a\",\"kind\":\"" + huge + "\"}}}")}},
         2, "a"},
        {"modes of the wrong type",
         {{"servers.json", str(servers)}, {"share.serverMode", PropertyList(true)},
          {"share.multiDispatchMode", array(2, [](std::size_t) { return str("oneByOne"); })}},
         2, "a"},
        {"multi mode with a selection of numbers",
         {{"servers.json", str(servers)}, {"share.serverMode", str("multi")},
          {"share.multiServerIds", array(3, [](std::size_t i) { return PropertyList(std::int64_t(i)); })}},
         2, "a"},
        {"multi mode with a selection that is a text",
         {{"servers.json", str(servers)}, {"share.serverMode", str("multi")}, {"share.multiServerIds", str("b")}},
         2, "a"},
        {"multi mode with a huge selection",
         {{"servers.json", str(servers)}, {"share.serverMode", str("multi")},
          {"share.multiServerIds", array(100000, [](std::size_t i) { return str(i == 99999 ? "b" : "gone"); })}},
         2, "b"},
        {"single and last server as arrays and numbers",
         {{"servers.json", str(servers)}, {"share.singleServerId", array(1, [](std::size_t) { return str("b"); })},
          {"share.lastServerId", PropertyList(std::int64_t{42})}, {"activeServerId", PropertyList(2.5)}},
         2, "a"},
        {"reply-to of a megabyte", {{"servers.json", str(servers)}, {"emit.defaultReplyTo", str(huge)}}, 2, "a"},
    };
}

TEST(ShareBadSettingsTest, MalformedSettingsNeverStopTheScreen) {
    ShareTestEnvironment probe;
    const Json twoServers = Json::array({probe.server("a", "Alpha"), probe.server("b", "Beta")});
    for (const auto& c : cases(twoServers)) {
        SCOPED_TRACE(c.name);
        ShareTestEnvironment env;
        for (const auto& [key, value] : c.settings) env.appGroupDefaults().set(key, value);
        auto& controller = *env.start({env.textItem("note")});
        EXPECT_EQ(controller.servers.size(), c.expectedServers);
        EXPECT_EQ(controller.draft.serverId, c.expectedServer);
        env.driver().typeText(std::string(tarvo::share::roles::kindField), "!");
        if (*c.expectedServer) {
            EXPECT_EQ(ServerDraftStore::load(env.appGroupDefaults()).byServer.count(c.expectedServer), 1u);
        }
        EXPECT_FALSE(env.dump().empty());
    }
}

}  // namespace
}  // namespace share_test
