#include "Shared/ServerProfile.h"

#include <unordered_set>

#include "platform/foundation/Uuid.h"
#include "tests/shared/SharedTestEnvironment.h"

namespace tarvo {
namespace {

using platform::DecodingError;
using platform::Json;
using platform::URL;

class ServerProfileTest : public testing::SharedTestEnvironment {
protected:
    static ServerProfile decode(const std::string& text) { return ServerProfile::fromJson(platform::parseJson(text)); }
    static ServerConnectionTarget target(std::string id, std::string name, std::string url) {
        return {std::move(id), std::move(name), std::move(url)};
    }
};

TEST_F(ServerProfileTest, LegacyURLFieldsBecomeDeduplicatedTargets) {
    Json stored = {{"id", "s1"},
                   {"urlString", "  https://EXAMPLE.com/  "},
                   {"fallbackURLStrings", "https://example.com/, http://10.0.0.5:8080;http://10.0.0.5:8080/"}};
    ServerProfile p = ServerProfile::fromJson(stored);

    ASSERT_EQ(p.connectionTargets.size(), 2u);
    EXPECT_EQ(p.connectionTargets[0], target("s1.connection.legacy.0", "", "https://EXAMPLE.com/"));
    EXPECT_EQ(p.connectionTargets[1], target("s1.connection.legacy.2", "", "http://10.0.0.5:8080"));
    EXPECT_EQ(p.selectedConnectionTargetID, "s1.connection.legacy.0");
    EXPECT_EQ(p.urlString, "https://EXAMPLE.com/");
    EXPECT_EQ(p.fallbackURLStrings, "http://10.0.0.5:8080");
    ASSERT_TRUE(p.urlValue());
    EXPECT_EQ(p.urlValue()->host(), "EXAMPLE.com");

    // Loading again changes nothing.
    ServerProfile again = p;
    again.normalizeConnectionTargets();
    EXPECT_EQ(again, p);
    EXPECT_EQ(ServerProfile::fromJson(p.toJson()), p);
}

TEST_F(ServerProfileTest, LegacyTargetIdsCountBlankAndDuplicateEntries) {
    ServerProfile p = ServerProfile::fromJson(
        Json{{"id", "srv"}, {"urlString", ""}, {"fallbackURLStrings", "\n,ftp://Files.example/x;FTP://files.example/x\r\nhost-only"}});
    // Raw list: [0] "" (the primary), then the parsed fallbacks [1] ftp, [2] FTP dup, [3] host-only.
    ASSERT_EQ(p.connectionTargets.size(), 2u);
    EXPECT_EQ(p.connectionTargets[0], target("srv.connection.legacy.1", "", "ftp://Files.example/x"));
    EXPECT_EQ(p.connectionTargets[1], target("srv.connection.legacy.3", "", "host-only"));
    // Neither is an http(s) address, so the profile has no usable URL.
    EXPECT_FALSE(p.urlValue());
    EXPECT_EQ(p.trimmedURLString(), "ftp://Files.example/x");
}

TEST_F(ServerProfileTest, RouteKeyLowersSchemeAndHostOnly) {
    struct Case {
        const char* url;
        const char* key;
    };
    const Case cases[] = {
        {"HTTPS://Example.COM:8443/Deploy/Path//", "https://example.com:8443/Deploy/Path"},
        {"http://example.com/", "http://example.com"},
        {"http://example.com", "http://example.com"},
        {"http://Example.com/A?Q=1", "http://example.com/A?Q=1"},
        {"http://user@Host.example:81/", "http://user@host.example:81"},
        {"relative/Path/", "relative/Path"},
    };
    for (const auto& c : cases) {
        auto url = URL::parse(c.url);
        ASSERT_TRUE(url) << c.url;
        EXPECT_EQ(ServerProfile::routeKey(*url), c.key) << c.url;
    }
}

TEST_F(ServerProfileTest, UrlListParsingAndNormalisation) {
    EXPECT_EQ(ServerProfile::parseURLList(" a ; b,,c\r\n\n d \u2028e;a "),
              (std::vector<std::string>{"a", "b", "c", "d", "e", "a"}));
    EXPECT_TRUE(ServerProfile::parseURLList(" ;,\n ").empty());

    struct Case {
        const char* text;
        const char* normalized;
    };
    const Case cases[] = {
        {"https://A.example/, https://a.example;http://a.example", "https://A.example/\nhttp://a.example"},
        {"x y\nX Y\n http://h/p/ \nhttp://H/p", "x y\nhttp://h/p/"},
        {"", ""},
        {" ; , ", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ServerProfile::normalizedURLListText(c.text), c.normalized) << c.text;
}

TEST_F(ServerProfileTest, TargetsAreCleanedAndDeduplicated) {
    ServerProfile p;
    p.id = "p";
    p.name = "  Box \n";
    p.token = " tok ";
    p.connectionTargets = {
        target("   ", " LAN ", " http://192.168.1.2:8080/ "),
        target(" keep-spaces ", "", "https://box.example"),
        target("empty-url", "x", "   "),
        target("dup", "", "HTTP://192.168.1.2:8080"),
        target("ftp", "", "ftp://Box.Example/files"),
        target("ftp-dup", "", "FTP://box.example/files"),
    };
    p.selectedConnectionTargetID = " keep-spaces ";
    p.normalizeConnectionTargets();

    EXPECT_EQ(p.name, "Box");
    EXPECT_EQ(p.token, "tok");
    ASSERT_EQ(p.connectionTargets.size(), 3u);
    EXPECT_TRUE(platform::isUUIDString(p.connectionTargets[0].id));
    EXPECT_EQ(p.connectionTargets[0].name, "LAN");
    EXPECT_EQ(p.connectionTargets[0].urlString, "http://192.168.1.2:8080/");
    EXPECT_EQ(p.connectionTargets[1].id, " keep-spaces ");
    EXPECT_EQ(p.connectionTargets[2].id, "ftp");
    EXPECT_FALSE(p.connectionTargets[2].urlValue());

    EXPECT_EQ(p.selectedConnectionTargetID, " keep-spaces ");
    EXPECT_EQ(p.urlString, "https://box.example");
    EXPECT_EQ(p.fallbackURLStrings, "http://192.168.1.2:8080/\nftp://Box.Example/files");
    EXPECT_EQ(p.inactiveConnectionTargets().size(), 2u);
}

TEST_F(ServerProfileTest, LostSelectionFallsBackToTheOldURLThenTheFirstTarget) {
    ServerProfile p;
    p.connectionTargets = {target("a", "", "https://a.example"), target("b", "", "https://b.example")};
    p.selectedConnectionTargetID = "gone";
    p.urlString = " https://b.example ";
    p.normalizeConnectionTargets();
    EXPECT_EQ(p.selectedConnectionTargetID, "b");
    EXPECT_EQ(p.urlString, "https://b.example");
    EXPECT_EQ(p.fallbackURLStrings, "https://a.example");

    p.selectedConnectionTargetID = "gone";
    p.urlString = "https://B.example";  // compared as text, exactly
    p.normalizeConnectionTargets();
    EXPECT_EQ(p.selectedConnectionTargetID, "a");
    EXPECT_EQ(p.urlString, "https://a.example");
    EXPECT_EQ(p.fallbackURLStrings, "https://b.example");
}

TEST_F(ServerProfileTest, ProfileWithoutAnyURL) {
    ServerProfile p = decode(R"({"id":"n","name":"  ","fallbackURLStrings":" ,; "})");
    EXPECT_TRUE(p.connectionTargets.empty());
    EXPECT_EQ(p.selectedConnectionTargetID, "");
    EXPECT_EQ(p.urlString, "");
    EXPECT_EQ(p.fallbackURLStrings, "");
    EXPECT_FALSE(p.selectedConnectionTarget());
    EXPECT_FALSE(p.urlValue());
    EXPECT_EQ(p.displayLabel(), "Server");
    p.name = " Named ";
    EXPECT_EQ(p.displayLabel(), "Named");
}

TEST_F(ServerProfileTest, DisplayLabels) {
    struct Case {
        ServerConnectionTarget target;
        const char* label;
    };
    const Case cases[] = {
        {target("1", " Office ", "http://h.example:8080"), "Office"},
        {target("2", "", " http://H.example:8080/x "), "H.example:8080"},
        {target("3", "", "https://h.example/x"), "h.example"},
        {target("4", "", "http://[::1]:9000/"), "::1:9000"},
        {target("5", " ", " ftp://h.example "), "ftp://h.example"},
        {target("6", "", "   "), "Connection target"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.target.displayLabel(), c.label) << c.target.urlString;

    ServerProfile p;
    p.connectionTargets = {target("a", "First", "http://a"), target("b", "", "http://b.example:1")};
    p.selectedConnectionTargetID = "b";
    EXPECT_EQ(p.displayLabel(), "b.example:1");
    p.selectedConnectionTargetID = "none";
    EXPECT_EQ(p.displayLabel(), "First");
}

TEST_F(ServerProfileTest, UrlAccessors) {
    ServerProfile raw;  // not normalised: no targets, only the primary text
    raw.urlString = "  https://solo.example:9443/base  ";
    EXPECT_EQ(raw.trimmedURLString(), "https://solo.example:9443/base");
    ASSERT_TRUE(raw.urlValue());
    EXPECT_EQ(raw.urlValue()->port(), 9443);
    raw.urlString = "mailto:someone@example.com";
    EXPECT_FALSE(raw.urlValue());
    raw.urlString = "http:///nohost";
    EXPECT_FALSE(raw.urlValue());

    raw.token = "  api  ";
    EXPECT_EQ(raw.effectiveReceptionistToken(), "api");
    raw.receptionistToken = " recept ";
    EXPECT_EQ(raw.effectiveReceptionistToken(), "recept");

    EXPECT_FALSE(raw.receptionistURLValue());
    raw.receptionistURLString = "  \n";
    EXPECT_FALSE(raw.receptionistURLValue());
    raw.receptionistURLString = " ws://recept.example:7000 ";
    ASSERT_TRUE(raw.receptionistURLValue());
    EXPECT_EQ(raw.receptionistURLValue()->absoluteString(), "ws://recept.example:7000");
    raw.receptionistURLString = "http://bad host";
    EXPECT_FALSE(raw.receptionistURLValue());
}

TEST_F(ServerProfileTest, DecodingDefaultsAndTypeErrors) {
    ServerProfile p = decode(R"({"id":null,"name":null,"screenSharingEnabled":null})");
    EXPECT_TRUE(platform::isUUIDString(p.id));
    EXPECT_EQ(p.name, "");
    EXPECT_FALSE(p.screenSharingEnabled);
    EXPECT_NE(decode("{}").id, decode("{}").id);

    ServerProfile full = decode(R"({"id":" padded ","name":"N","token":"T","connectionTargets":[{"id":"t","name":"","urlString":"http://x.example"}],
        "selectedConnectionTargetID":"t","receptionistURLString":"r","receptionistToken":"rt","commandsJSON":"[]",
        "screenSharingEnabled":true,"llmEndpointURLString":"http://llm","llmModel":"m","runCompletionPushEnabled":true,
        "runCompletionPushFailuresOnly":true,"runPushRelayURLString":"http://relay:1","runPushDeviceID":"dev","unknownKey":5})");
    EXPECT_EQ(full.id, " padded ");
    EXPECT_TRUE(full.screenSharingEnabled && full.runCompletionPushEnabled && full.runCompletionPushFailuresOnly);
    EXPECT_EQ(full.runPushDeviceID, "dev");
    EXPECT_EQ(full.urlString, "http://x.example");
    EXPECT_EQ(ServerProfile::fromJson(full.toJson()), full);

    const char* bad[] = {
        R"({"screenSharingEnabled":"yes"})",
        R"({"screenSharingEnabled":1})",
        R"({"id":5})",
        R"({"name":["x"]})",
        R"({"connectionTargets":{}})",
        R"({"connectionTargets":["http://x"]})",
        R"({"connectionTargets":[{"id":"a","name":"b"}]})",
        R"({"connectionTargets":[{"id":"a","name":null,"urlString":"http://x"}]})",
        R"({"connectionTargets":[{"id":"a","name":"","urlString":7}]})",
        R"([])",
        R"("profile")",
    };
    for (const char* text : bad) EXPECT_THROW(decode(text), DecodingError) << text;
}

TEST_F(ServerProfileTest, EncodingWritesAllKeysInOrder) {
    ServerProfile p;
    p.id = "x";
    Json j = p.toJson();
    std::vector<std::string> keys;
    for (auto it = j.begin(); it != j.end(); ++it) keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "name", "urlString", "token", "connectionTargets",
                                              "selectedConnectionTargetID", "fallbackURLStrings",
                                              "receptionistURLString", "receptionistToken", "commandsJSON",
                                              "screenSharingEnabled", "llmEndpointURLString", "llmModel",
                                              "runCompletionPushEnabled", "runCompletionPushFailuresOnly",
                                              "runPushRelayURLString", "runPushDeviceID"}));
    EXPECT_EQ(target("a", "b", "c").toJson().dump(), R"({"id":"a","name":"b","urlString":"c"})");
}

TEST_F(ServerProfileTest, EqualProfilesHashEqually) {
    ServerProfile a = decode(R"({"id":"h","urlString":"http://h.example","name":"H"})");
    ServerProfile b = a;
    std::unordered_set<ServerProfile> set{a, b};
    EXPECT_EQ(set.size(), 1u);
    b.connectionTargets[0].name = "other";
    set.insert(b);
    EXPECT_EQ(set.size(), 2u);
}

}  // namespace
}  // namespace tarvo
