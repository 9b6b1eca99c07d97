#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/foundation/Paths.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/Process.h"
#include "tests/support/TempHome.h"

using platform::PropertyList;
using platform::UserDefaults;

namespace {

using ToolRun = tarvo_test::ProcessResult;

class DefaultsToolTest : public tarvo_test::HomeTest {
protected:
    ToolRun run(const std::vector<std::string>& args) { return tarvo_test::runProgram(TARVO_DEFAULTS_TOOL, args); }
};

TEST_F(DefaultsToolTest, WritesEachTypeThatTheStoreReadsBack) {
    const std::string dataFile = home_.path() + "/bytes.bin";
    std::ofstream(dataFile, std::ios::binary) << std::string("\x00\xFFhi", 4);
    const std::string servers = R"([{"id":"a","name":"Box","baseURL":"http://127.0.0.1:1/"}])";
    struct Case {
        std::vector<std::string> writeArgs;
        std::string key;
        PropertyList expected;
        std::string printed;
    };
    const Case cases[] = {
        {{"servers.json", servers}, "servers.json", PropertyList(servers), "\"" + std::string(R"([{\"id\":\"a\",\"name\":\"Box\",\"baseURL\":\"http://127.0.0.1:1/\"}])") + "\""},
        {{"s", "--string", "42"}, "s", PropertyList("42"), "\"42\""},
        {{"n", "--int", "-5"}, "n", PropertyList(std::int64_t{-5}), "-5"},
        {{"d", "--double", "0.25"}, "d", PropertyList(0.25), "0.25"},
        {{"b", "--bool", "YES"}, "b", PropertyList(true), "true"},
        {{"b2", "--bool", "0"}, "b2", PropertyList(false), "false"},
        {{"j", "--json", R"({"z":[1,"x"],"a":2.5})"}, "j",
         PropertyList(PropertyList::Dictionary{
             {"z", PropertyList(PropertyList::Array{PropertyList(1), PropertyList("x")})}, {"a", PropertyList(2.5)}}),
         R"({"a":2.5,"z":[1,"x"]})"},
        {{"bin", "--data", dataFile}, "bin", PropertyList(PropertyList::Data{0x00, 0xFF, 'h', 'i'}), "\"AP9oaQ==\""},
        {{"dash", "--", "--not-an-option"}, "dash", PropertyList("--not-an-option"), "\"--not-an-option\""},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{"write", "group.tool"};
        args.insert(args.end(), c.writeArgs.begin(), c.writeArgs.end());
        ToolRun w = run(args);
        ASSERT_EQ(w.exitCode, 0) << c.key << ": " << w.err;
        EXPECT_EQ(UserDefaults::suite("group.tool")->object(c.key), c.expected) << c.key;
        ToolRun r = run({"read", "group.tool", c.key});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, c.printed + "\n") << c.key;
    }
    ToolRun all = run({"read", "group.tool"});
    ASSERT_EQ(all.exitCode, 0);
    auto parsed = platform::parseJson(all.out);
    EXPECT_EQ(parsed.size(), std::size(cases));
    EXPECT_EQ(parsed["n"], -5);

    EXPECT_EQ(run({"delete", "group.tool", "n"}).exitCode, 0);
    EXPECT_FALSE(UserDefaults::suite("group.tool")->object("n"));
    ToolRun missing = run({"read", "group.tool", "n"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("n"), std::string::npos);
    EXPECT_EQ(run({"delete", "group.tool", "n"}).exitCode, 1);
}

TEST_F(DefaultsToolTest, StandardStoreOfAProgram) {
    ASSERT_EQ(run({"write", "standard:tarvo-share", "k", "v"}).exitCode, 0);
    platform::paths::setProgramName("tarvo-share");
    EXPECT_EQ(UserDefaults::standard()->string("k"), "v");
    platform::paths::setProgramName("tarvo");
    UserDefaults::atPath(platform::paths::standardDatabasePath("tarvo-notify"))->set("x", PropertyList(1));
    ToolRun r = run({"read", "standard:tarvo-notify"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "{\"x\":1}\n");
}

TEST_F(DefaultsToolTest, BadArgumentsExitWithUsage) {
    const std::vector<std::string> bad[] = {
        {},
        {"frobnicate", "g"},
        {"read"},
        {"read", "g", "k", "extra"},
        {"write", "g", "k"},
        {"write", "g", "k", "v", "extra"},
        {"write", "g", "k", "--int", "12abc"},
        {"write", "g", "k", "--int", "99999999999999999999"},
        {"write", "g", "k", "--double", "nan"},
        {"write", "g", "k", "--bool", "maybe"},
        {"write", "g", "k", "--json", "[1,"},
        {"write", "g", "k", "--json", "\"scalar\""},
        {"write", "g", "k", "--json", "[null]"},
        {"write", "g", "k", "caf\xE9"},
        {"write", "g", "k", "--int", "--bool", "1"},
        {"write", "g", "k", "--data"},
        {"write", "g", "k", "--color", "v"},
        {"delete", "g"},
        {"read", "a/b"},
        {"read", ".."},
        {"read", "standard:"},
        {"read", "standard:../x"},
        {"read", "g", "--int"},
    };
    for (const auto& args : bad) {
        ToolRun r = run(args);
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(r.exitCode, 2) << joined;
        EXPECT_NE(r.err.find("usage:"), std::string::npos) << joined;
        EXPECT_TRUE(r.out.empty()) << joined;
    }
    EXPECT_FALSE(UserDefaults::suite("g")->object("k"));  // nothing was written
    ToolRun unreadable = run({"write", "g", "k", "--data", home_.path() + "/no-such-file"});
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_EQ(run({"--help"}).exitCode, 0);
}

}  // namespace
