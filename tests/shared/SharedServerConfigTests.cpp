#include "Shared/ServerProfile.h"

#include "platform/foundation/UserDefaults.h"
#include "tests/shared/SharedTestEnvironment.h"

namespace tarvo {
namespace {

using platform::PropertyList;
using platform::UserDefaults;

class SharedServerConfigTest : public testing::SharedTestEnvironment {
protected:
    void SetUp() override {
        SharedTestEnvironment::SetUp();
        store_ = UserDefaults::suite("group.test.tarvo");
        ASSERT_NE(store_, nullptr);
    }
    std::shared_ptr<UserDefaults> store_;
};

TEST_F(SharedServerConfigTest, UnusableTextGivesAnEmptyList) {
    const std::string good = R"({"id":"a","urlString":"http://a.example"})";
    const std::string cases[] = {
        "",
        " \n\t\n ",
        "not json",
        "[",
        "{}",
        "null",
        "42",
        "[1]",
        "[null]",
        "[" + good + "," + R"({"id":"b","connectionTargets":[{"id":"t","name":"n"}]})" + "]",
        "[" + good + "," + R"({"id":"b","screenSharingEnabled":"true"})" + "]",
        "[" + good + "," + R"({"id":"b","runCompletionPushEnabled":1e999})" + "]",
        "[" + good + "]trailing",
        std::string("[{\"id\":\"a\",\"name\":\"\xff\xfe\"}]"),
        std::string("[{\"id\":\"a\"}]\xc3"),
        std::string(100000, '[') + std::string(100000, ']'),
    };
    for (const auto& text : cases) {
        EXPECT_TRUE(SharedServerConfig::decodeServers(text).empty()) << text.substr(0, 80);
    }
    ASSERT_EQ(SharedServerConfig::decodeServers("\n [" + good + "] \n").size(), 1u);
}

TEST_F(SharedServerConfigTest, ProfilesAreTrimmedNormalisedAndKeptInOrder) {
    auto servers = SharedServerConfig::decodeServers(R"([
      {"id":" z ","name":" Zeta ","token":" tok\n","urlString":" https://z.example/ ",
       "fallbackURLStrings":"https://Z.example, http://z-lan:8080 ;http://z-lan:8080/",
       "receptionistURLString":" http://r.example ","receptionistToken":" rt ","commandsJSON":"  [] ",
       "llmEndpointURLString":" http://llm:11434 ","llmModel":" qwen ","runPushRelayURLString":" http://relay:9 ",
       "runPushDeviceID":" dev "},
      {"id":"a","name":"Alpha","connectionTargets":[
          {"id":"t1","name":" LAN ","urlString":" http://a-lan:1 "},
          {"id":"t2","name":"","urlString":"https://a.example"}],
       "selectedConnectionTargetID":"t2","fallbackURLStrings":"ignored"},
      {"id":"a","name":"Alpha twin"}
    ])");
    ASSERT_EQ(servers.size(), 3u);

    const ServerProfile& z = servers[0];
    EXPECT_EQ(z.id, " z ");  // identities are never trimmed
    EXPECT_EQ(z.name, "Zeta");
    EXPECT_EQ(z.token, "tok");
    EXPECT_EQ(z.urlString, "https://z.example/");
    EXPECT_EQ(z.fallbackURLStrings, "http://z-lan:8080");
    EXPECT_EQ(z.connectionTargets.size(), 2u);
    EXPECT_EQ(z.receptionistURLString, "http://r.example");
    EXPECT_EQ(z.receptionistToken, "rt");
    EXPECT_EQ(z.commandsJSON, "[]");
    EXPECT_EQ(z.llmEndpointURLString, "http://llm:11434");
    EXPECT_EQ(z.llmModel, "qwen");
    EXPECT_EQ(z.runPushRelayURLString, "http://relay:9");
    EXPECT_EQ(z.runPushDeviceID, "dev");

    const ServerProfile& a = servers[1];
    EXPECT_EQ(a.selectedConnectionTargetID, "t2");
    EXPECT_EQ(a.urlString, "https://a.example");
    EXPECT_EQ(a.fallbackURLStrings, "http://a-lan:1");
    EXPECT_EQ(a.connectionTargets[0].name, "LAN");

    EXPECT_EQ(servers[2].id, "a");
    EXPECT_EQ(servers[2].name, "Alpha twin");
}

TEST_F(SharedServerConfigTest, ActiveServerChoice) {
    const char* list = R"([{"id":"one","name":"One"},{"id":" padded ","name":"P"},{"id":"two","name":"Two"},
                           {"id":"two","name":"Two again"}])";
    struct Case {
        std::optional<std::string> activeId;
        const char* expectedName;
    };
    const Case cases[] = {
        {std::nullopt, "One"},
        {"", "One"},
        {"two", "Two"},  // the first of two profiles sharing the id
        {"  two\n", "Two"},
        {"padded", "One"},  // a stored id with spaces around it is never matched
        {" padded ", "One"},
        {"removed", "One"},
        {"TWO", "One"},
    };
    store_->set("servers.json", PropertyList(list));
    for (const auto& c : cases) {
        if (c.activeId) {
            store_->set("activeServerId", PropertyList(*c.activeId));
        } else {
            store_->removeObject("activeServerId");
        }
        auto active = SharedServerConfig::loadActiveServer(*store_);
        ASSERT_TRUE(active) << c.activeId.value_or("<absent>");
        EXPECT_EQ(active->name, c.expectedName) << c.activeId.value_or("<absent>");
    }
}

TEST_F(SharedServerConfigTest, NoActiveServerWithoutAUsableList) {
    EXPECT_FALSE(SharedServerConfig::loadActiveServer(*store_));  // key absent
    store_->set("activeServerId", PropertyList("a"));
    for (const PropertyList& value : {PropertyList("[]"), PropertyList("  \n"), PropertyList("{broken"),
                                      PropertyList(std::int64_t{7}), PropertyList(PropertyList::Data{0x5b, 0x5d}),
                                      PropertyList(R"([{"id":"a"},{"id":"b","connectionTargets":[{}]}])")}) {
        store_->set("servers.json", value);
        EXPECT_FALSE(SharedServerConfig::loadActiveServer(*store_));
    }
}

}  // namespace
}  // namespace tarvo
