#include "Shared/SubstrateRoute.h"

#include "platform/foundation/Text.h"
#include "tests/shared/SharedTestEnvironment.h"

namespace tarvo {
namespace {

using platform::DecodingError;
using platform::Json;
using Tokens = std::vector<std::string>;

class SubstrateRouteTest : public testing::SharedTestEnvironment {};

TEST_F(SubstrateRouteTest, Tokenize) {
    struct Case {
        const char* text;
        Tokens tokens;
    };
    const Case cases[] = {
        {"alice, bob\tcarol\n\ndave,alice ,, bob", {"alice", "bob", "carol", "dave"}},
        {"  , ,\n\t ,", {}},
        {"", {}},
        {"Agent agent AGENT agent", {"Agent", "agent", "AGENT"}},
        {"a\r\nb\u00A0c\u2003d\u2028e", {"a", "b", "c", "d", "e"}},
        {"ops@example.com;dev", {"ops@example.com;dev"}},
        {"\u00E9quipe,\u00E9quipe", {"\u00E9quipe"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SubstrateRoute::tokenize(c.text), c.tokens) << c.text;
}

TEST_F(SubstrateRouteTest, RouteFromTheScreenFields) {
    EXPECT_FALSE(SubstrateRoute::fromUI("", "", std::nullopt));
    EXPECT_FALSE(SubstrateRoute::fromUI(" ,\n", "\t", std::string_view("  \n")));

    auto single = SubstrateRoute::fromUI(" ", "", std::string_view("  builder-7 \n"));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->schema, 1);
    EXPECT_FALSE(single->replyTo);
    EXPECT_FALSE(single->onlyAgents);
    EXPECT_EQ(single->agentOnly, "builder-7");
    EXPECT_EQ(platform::encodeCompact(single->toJson()), R"({"schema":1,"agent_only":"builder-7"})");

    auto lists = SubstrateRoute::fromUI("me@x, you@x me@x", "a\nb", std::nullopt);
    ASSERT_TRUE(lists);
    EXPECT_EQ(lists->replyTo, (Tokens{"me@x", "you@x"}));
    EXPECT_EQ(lists->onlyAgents, (Tokens{"a", "b"}));
    EXPECT_FALSE(lists->agentOnly);
    EXPECT_EQ(platform::encodeCompact(lists->toJson()),
              R"({"schema":1,"reply_to":["me@x","you@x"],"only_agents":["a","b"]})");
}

TEST_F(SubstrateRouteTest, AgentTextIsSafeToSendInAHeader) {
    auto route = SubstrateRoute::fromUI("", "", std::string_view("evil\r\nX-Injected: 1 \xff"));
    ASSERT_TRUE(route);
    ASSERT_TRUE(route->agentOnly);
    EXPECT_TRUE(platform::text::isValidUTF8(*route->agentOnly));
    std::string header = platform::encodeCompact(route->toJson());
    EXPECT_EQ(header.find('\r'), std::string::npos);
    EXPECT_EQ(header.find('\n'), std::string::npos);
    EXPECT_EQ(SubstrateRoute::fromJson(platform::parseJson(header)), *route);
}

TEST_F(SubstrateRouteTest, Json) {
    auto onlySchema = SubstrateRoute::fromJson(platform::parseJson(R"({"schema":3})"));
    EXPECT_EQ(onlySchema.schema, 3);
    EXPECT_FALSE(onlySchema.replyTo || onlySchema.onlyAgents || onlySchema.agentOnly);
    EXPECT_EQ(SubstrateRoute::fromJson(platform::parseJson(R"({"schema":1,"reply_to":null,"agent_only":null})")),
              SubstrateRoute{});

    SubstrateRoute full{1, Tokens{"r"}, Tokens{}, std::string("")};
    EXPECT_EQ(platform::encodeCompact(full.toJson()), R"({"schema":1,"reply_to":["r"],"only_agents":[],"agent_only":""})");
    EXPECT_EQ(SubstrateRoute::fromJson(full.toJson()), full);

    for (const char* bad : {R"({})", R"({"schema":null})", R"({"schema":"1"})", R"({"schema":1,"reply_to":"a"})",
                            R"({"schema":1,"only_agents":[1]})", R"({"schema":1,"agent_only":["a"]})", R"([1])"}) {
        EXPECT_THROW(SubstrateRoute::fromJson(platform::parseJson(bad)), DecodingError) << bad;
    }
}

}  // namespace
}  // namespace tarvo
