#include "Shared/ShareRunContract.h"

#include <unordered_set>

#include "tests/shared/SharedTestEnvironment.h"

namespace tarvo {
namespace {

using platform::DecodingError;
using platform::Json;
using E = ShareRunNotificationEvent;
using Kind = ShareReadinessRule::Kind;
using Component = ShareRunNotificationDelivery::Component;

class ExecutionContractTest : public testing::SharedTestEnvironment {};

TEST_F(ExecutionContractTest, EnumerationTextsAndRoundTrips) {
    struct EventCase {
        E event;
        const char* raw;
        const char* title;
    };
    const EventCase events[] = {
        {E::accepted, "accepted", "Started"},
        {E::ready, "ready", "Ready"},
        {E::waitingForInput, "waiting_for_input", "Needs input"},
        {E::succeeded, "succeeded", "Succeeded"},
        {E::degraded, "degraded", "Completed with warning"},
        {E::failed, "failed", "Failed"},
        {E::stoppedUnexpectedly, "stopped_unexpectedly", "Unexpectedly stopped"},
        {E::cancelled, "cancelled", "Cancelled"},
        {E::lost, "lost", "Lost contact"},
    };
    ASSERT_EQ(allCases<E>().size(), std::size(events));
    for (std::size_t i = 0; i < std::size(events); ++i) {
        EXPECT_EQ(allCases<E>()[i], events[i].event);
        EXPECT_EQ(rawValue(events[i].event), events[i].raw);
        EXPECT_EQ(displayTitle(events[i].event), events[i].title);
        EXPECT_EQ(fromRawValue<E>(events[i].raw), events[i].event);
    }
    for (const char* unknown : {"", "Accepted", "waitingForInput", " failed", "started"}) {
        EXPECT_FALSE(fromRawValue<E>(unknown)) << unknown;
    }

    EXPECT_EQ(rawValue(ShareExpectedLifetime::finite), "finite");
    EXPECT_EQ(rawValue(ShareExpectedLifetime::persistent), "persistent");
    EXPECT_EQ(fromRawValue<ShareExpectedLifetime>("persistent"), ShareExpectedLifetime::persistent);
    EXPECT_FALSE(fromRawValue<ShareExpectedLifetime>("forever"));

    const std::pair<Kind, const char*> kinds[] = {{Kind::none, "none"},
                                                  {Kind::survived, "survived"},
                                                  {Kind::logContains, "log_contains"},
                                                  {Kind::httpResponds, "http_responds"}};
    ASSERT_EQ(allCases<Kind>().size(), std::size(kinds));
    for (std::size_t i = 0; i < std::size(kinds); ++i) {
        EXPECT_EQ(allCases<Kind>()[i], kinds[i].first);
        EXPECT_EQ(rawValue(kinds[i].first), kinds[i].second);
        EXPECT_EQ(fromRawValue<Kind>(kinds[i].second), kinds[i].first);
    }
    EXPECT_FALSE(fromRawValue<Kind>("logContains"));

    EXPECT_EQ(rawValue(Component::relayURL), "relay URL");
    EXPECT_EQ(rawValue(Component::deviceID), "device ID");
    EXPECT_EQ(rawValue(Component::authToken), "relay auth token");
}

TEST_F(ExecutionContractTest, PolicySummaries) {
    struct Case {
        std::set<E> events;
        const char* summary;
    };
    const Case cases[] = {
        {{}, "Off"},
        {{E::waitingForInput, E::degraded, E::failed}, "Needs input + warnings + failures"},
        {{E::accepted, E::ready, E::waitingForInput, E::succeeded, E::degraded, E::failed, E::stoppedUnexpectedly,
          E::cancelled, E::lost},
         "Every lifecycle event"},
        {{E::failed, E::accepted, E::waitingForInput}, "Started, Failed, Needs input"},
        {{E::waitingForInput, E::degraded, E::failed, E::lost}, "Completed with warning, Failed, Lost contact, Needs input"},
        {{E::accepted, E::ready, E::waitingForInput, E::succeeded, E::degraded, E::failed, E::stoppedUnexpectedly,
          E::cancelled},
         "Started, Cancelled, Completed with warning, Failed, Ready, Unexpectedly stopped, Succeeded, Needs input"},
        {{E::succeeded}, "Succeeded"},
    };
    for (const auto& c : cases) EXPECT_EQ(ShareRunNotificationPolicy{c.events}.summary(), c.summary);

    EXPECT_EQ(ShareRunNotificationPolicy::defaults(ShareExpectedLifetime::finite).events,
              (std::set<E>{E::waitingForInput, E::degraded, E::failed}));
    EXPECT_EQ(ShareRunNotificationPolicy::defaults(ShareExpectedLifetime::persistent).events,
              (std::set<E>{E::waitingForInput, E::degraded, E::failed, E::stoppedUnexpectedly, E::lost}));
}

TEST_F(ExecutionContractTest, PolicyJson) {
    auto decoded = ShareRunNotificationPolicy::fromJson(
        platform::parseJson(R"({"events":["failed","lost","failed","accepted"],"extra":1})"));
    EXPECT_EQ(decoded.events, (std::set<E>{E::failed, E::lost, E::accepted}));
    EXPECT_EQ(ShareRunNotificationPolicy::fromJson(decoded.toJson()), decoded);
    EXPECT_EQ(ShareRunNotificationPolicy{}.toJson().dump(), R"({"events":[]})");
    EXPECT_TRUE(ShareRunNotificationPolicy::fromJson(platform::parseJson(R"({"events":[]})")).events.empty());

    for (const char* bad : {R"({})", R"({"events":null})", R"({"events":"failed"})", R"({"events":["failed","exploded"]})",
                            R"({"events":[1]})", R"([])"}) {
        EXPECT_THROW(ShareRunNotificationPolicy::fromJson(platform::parseJson(bad)), DecodingError) << bad;
    }
}

TEST_F(ExecutionContractTest, ReadinessTitlesAndWireForms) {
    struct Case {
        ShareReadinessRule rule;
        const char* title;
        const char* wire;
    };
    const Case cases[] = {
        {{Kind::none, 30, "p", "u", 200}, "No readiness check", R"({"kind":"none"})"},
        {{Kind::survived, 30, "", "", 0}, "Alive for 30 seconds", R"({"kind":"survived","seconds":30})"},
        {{Kind::survived, 0, "", "", 0}, "Alive for 1 seconds", R"({"kind":"survived","seconds":1})"},
        {{Kind::survived, -5, "", "", 0}, "Alive for 1 seconds", R"({"kind":"survived","seconds":1})"},
        {{Kind::survived, INT64_MIN, "", "", 0}, "Alive for 1 seconds", R"({"kind":"survived","seconds":1})"},
        {{Kind::logContains, 0, "", "", 0}, "Log contains text", R"({"kind":"log_contains","pattern":""})"},
        {{Kind::logContains, 0, " ", "", 0}, "Log contains \u201C \u201D", R"({"kind":"log_contains","pattern":" "})"},
        {{Kind::logContains, 0, "Listening on", "", 0}, "Log contains \u201CListening on\u201D",
         R"({"kind":"log_contains","pattern":"Listening on"})"},
        {{Kind::httpResponds, 0, "", "", 204}, "HTTP responds", R"({"kind":"http_responds","url":"","expected_status":204})"},
        {{Kind::httpResponds, 0, "", "http://127.0.0.1:8080/health", 200}, "HTTP 200 from http://127.0.0.1:8080/health",
         R"({"kind":"http_responds","url":"http://127.0.0.1:8080/health","expected_status":200})"},
        {{Kind::httpResponds, 0, "", "http://h", -1}, "HTTP -1 from http://h",
         R"({"kind":"http_responds","url":"http://h","expected_status":-1})"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.rule.title(), c.title);
        EXPECT_EQ(platform::encodeCompact(c.rule.dictionary()), c.wire) << c.title;
    }
}

TEST_F(ExecutionContractTest, ReadinessStoredJson) {
    ShareReadinessRule rule{Kind::httpResponds, 12, "ready", "http://x/health", 204};
    EXPECT_EQ(platform::encodeCompact(rule.toJson()),
              R"({"kind":"http_responds","seconds":12,"pattern":"ready","url":"http://x/health","expectedStatus":204})");
    EXPECT_EQ(ShareReadinessRule::fromJson(rule.toJson()), rule);

    const Json complete = rule.toJson();
    for (const char* key : {"kind", "seconds", "pattern", "url", "expectedStatus"}) {
        Json missing = complete;
        missing.erase(key);
        EXPECT_THROW(ShareReadinessRule::fromJson(missing), DecodingError) << key;
        Json null = complete;
        null[key] = nullptr;
        EXPECT_THROW(ShareReadinessRule::fromJson(null), DecodingError) << key;
    }
    // Numbers that do not fit an integer, and wrong types, fail the decode instead of wrapping.
    for (const char* bad : {R"({"kind":"poll","seconds":1,"pattern":"","url":"","expectedStatus":0})",
                            R"({"kind":"survived","seconds":1e300,"pattern":"","url":"","expectedStatus":0})",
                            R"({"kind":"survived","seconds":-1e300,"pattern":"","url":"","expectedStatus":0})",
                            R"({"kind":"survived","seconds":18446744073709551615,"pattern":"","url":"","expectedStatus":0})",
                            R"({"kind":"survived","seconds":9223372036854775808,"pattern":"","url":"","expectedStatus":0})",
                            R"({"kind":"survived","seconds":1.5,"pattern":"","url":"","expectedStatus":0})",
                            R"({"kind":"survived","seconds":"10","pattern":"","url":"","expectedStatus":0})",
                            R"({"kind":"survived","seconds":true,"pattern":"","url":"","expectedStatus":0})",
                            R"({"kind":"none","seconds":1,"pattern":0,"url":"","expectedStatus":0})",
                            R"(["none"])"}) {
        EXPECT_THROW(ShareReadinessRule::fromJson(platform::parseJson(bad)), DecodingError) << bad;
    }
    auto extreme = ShareReadinessRule::fromJson(platform::parseJson(
        R"({"kind":"survived","seconds":-9223372036854775808,"pattern":"","url":"","expectedStatus":9223372036854775807})"));
    EXPECT_EQ(extreme.seconds, INT64_MIN);
    EXPECT_EQ(extreme.title(), "Alive for 1 seconds");
}

TEST_F(ExecutionContractTest, DeliveryPicksTheFirstUsableValues) {
    ShareRunNotificationDelivery d({.serverURL = "https://ignored.example",
                                    .serverToken = " server-token ",
                                    .serverRelayURL = "  ",
                                    .serverDeviceID = "\n",
                                    .sharedRelayURL = " https://relay.example:9443 ",
                                    .sharedRelayAuthToken = "   ",
                                    .sharedDeviceID = " shared-device ",
                                    .serverIdentity = " id-1 ",
                                    .serverLabel = " Box "});
    EXPECT_EQ(d.relayURL, "https://relay.example:9443");
    EXPECT_EQ(d.deviceID, "shared-device");
    EXPECT_EQ(d.authToken, "server-token");  // a blank relay token falls back to the API token
    EXPECT_EQ(d.serverIdentity, "id-1");
    EXPECT_EQ(d.serverLabel, "Box");
    EXPECT_TRUE(d.missingComponents().empty());
    EXPECT_EQ(d.fields(), (std::map<std::string, std::string>{{"relay_url", "https://relay.example:9443"},
                                                              {"device_id", "shared-device"},
                                                              {"auth_token", "server-token"},
                                                              {"server_identity", "id-1"},
                                                              {"server_label", "Box"}}));

    ShareRunNotificationDelivery preferServer({.serverToken = "api",
                                               .serverRelayURL = " http://own-relay:1 ",
                                               .serverDeviceID = "own-device",
                                               .sharedRelayURL = "http://shared:2",
                                               .sharedRelayAuthToken = " relay-token ",
                                               .sharedDeviceID = "shared-device"});
    EXPECT_EQ(preferServer.relayURL, "http://own-relay:1");
    EXPECT_EQ(preferServer.deviceID, "own-device");
    EXPECT_EQ(preferServer.authToken, "relay-token");
}

TEST_F(ExecutionContractTest, DeliveryWithNothingConfigured) {
    ShareRunNotificationDelivery d(ShareRunNotificationDelivery::Sources{});
    EXPECT_EQ(d.relayURL, kBuiltInRunPushRelayURL);
    EXPECT_EQ(d.missingComponents(), (std::vector<Component>{Component::deviceID, Component::authToken}));
    EXPECT_EQ(d.fields(), (std::map<std::string, std::string>{{"relay_url", std::string(kBuiltInRunPushRelayURL)}}));

    // A deployment points the fallback elsewhere through the bundle's info dictionary.
    setInfo(Json{{"APP_GROUP_ID", "g"}, {"TARVO_DEFAULT_RUN_PUSH_RELAY_URL", "  http://relay.lan:7070 \n"}});
    EXPECT_EQ(ShareRunNotificationDelivery(ShareRunNotificationDelivery::Sources{}).relayURL, "http://relay.lan:7070");
    for (const Json& value : {Json("   "), Json(8080), Json(nullptr)}) {
        setInfo(Json{{"TARVO_DEFAULT_RUN_PUSH_RELAY_URL", value}});
        EXPECT_EQ(ShareRunNotificationDelivery::defaultRelayURL(), kBuiltInRunPushRelayURL) << value.dump();
    }

    // Built by hand, a delivery can lack every component; the order is fixed.
    ShareRunNotificationDelivery empty;
    EXPECT_EQ(empty.missingComponents(),
              (std::vector<Component>{Component::relayURL, Component::deviceID, Component::authToken}));
    EXPECT_TRUE(empty.fields().empty());
}

TEST_F(ExecutionContractTest, FirstNonempty) {
    EXPECT_EQ(ShareRunNotificationDelivery::firstNonempty({}), "");
    EXPECT_EQ(ShareRunNotificationDelivery::firstNonempty({" ", "\n\t", "\u00A0"}), "");
    EXPECT_EQ(ShareRunNotificationDelivery::firstNonempty({"", " b \n", "c"}), "b");
    EXPECT_EQ(ShareRunNotificationDelivery::firstNonempty({"\u2028a b\u2029"}), "a b");
}

TEST_F(ExecutionContractTest, ValueTypesHashByValue) {
    std::unordered_set<ShareRunNotificationPolicy> policies{ShareRunNotificationPolicy::defaults(ShareExpectedLifetime::finite),
                                                            ShareRunNotificationPolicy{{E::failed, E::degraded, E::waitingForInput}}};
    EXPECT_EQ(policies.size(), 1u);
    std::unordered_set<ShareReadinessRule> rules{{Kind::survived, 5, "", "", 0}, {Kind::survived, 5, "", "", 0},
                                                 {Kind::survived, 6, "", "", 0}};
    EXPECT_EQ(rules.size(), 2u);
}

}  // namespace
}  // namespace tarvo
