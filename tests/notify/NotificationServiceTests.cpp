#include <string>

#include <gtest/gtest.h>

#include "NotifyTestSupport.h"
#include "ServiceHarness.h"
#include "TarvoNotificationExtension/NotificationService.h"

using notifytest::Push;
using notifytest::receive;
using platform::Json;

namespace {

class NotificationServiceTest : public notifytest::AppGroupFixture {};

struct RunCase {
    const char* name;
    Json userInfo;
    const char* body;  // the push's body before rewriting
    const char* title;
    const char* expectedBody;
};

void checkRuns(const RunCase* begin, const RunCase* end) {
    for (auto c = begin; c != end; ++c) {
        SCOPED_TRACE(c->name);
        auto delivered = receive({"Original title", "Sub", c->body, c->userInfo});
        EXPECT_EQ(delivered.content.title(), c->title);
        EXPECT_EQ(delivered.content.body(), c->expectedBody);
        EXPECT_EQ(delivered.content.subtitle(), "Sub") << "the rewriting never touches the subtitle";
        EXPECT_EQ(delivered.handlerCalls, 1);
    }
}

}  // namespace

TEST_F(NotificationServiceTest, StructuredRunNotifications) {
    const RunCase cases[] = {
        {"failed with exit code and failure line",
         {{"kind", "run_failed"}, {"server_label", "lab"}, {"script_name", "build.sh"}, {"duration_label", "42s"},
          {"exit_code", 2}, {"failure_line", "make: Error 2"}},
         "", "lab · Build failed", "build.sh · 42s\nexit 2 · make: Error 2"},
        {"deployment with location",
         {{"kind", "run_succeeded"}, {"artifact_name", "site.zip"}, {"location_label", "/srv/www"}},
         "", "Deployment succeeded", "site.zip → /srv/www"},
        {"location without artifact",
         {{"kind", "run_succeeded"}, {"script_name", "x.sh"}, {"location_label", " /srv "}},
         "", "Run succeeded", "/srv · x.sh"},
        {"started", {{"kind", "run_started"}, {"server_label", " lab "}, {"artifact_name", " app.zip "}},
         "", "lab · Deployment started", "app.zip"},
        {"waiting for input without prompt",
         {{"kind", "run_waiting_for_input"}, {"phase", "waiting_for_input"}, {"script_name", "deploy.sh"}},
         "", "Run waiting for input", "deploy.sh\nsudo password required"},
        {"waiting for input with prompt",
         {{"kind", "run_waiting_for_input"}, {"script_name", "deploy.sh"}, {"input_prompt", " Continue? [y/N] "}},
         "", "Run waiting for input", "deploy.sh\nContinue? [y/N]"},
        {"degraded with action label",
         {{"kind", "run_degraded"}, {"server_label", "lab"}, {"action_label", "Sync"}, {"duration_label", "3m"}},
         "", "lab · Sync completed with warning", "3m\nOne or more optional capabilities are unavailable"},
        {"degraded with summary",
         {{"kind", "run_degraded"}, {"script_name", "sync.sh"}, {"result_summary", "GPU missing"}},
         "", "Run completed with warning", "sync.sh\nGPU missing"},
        {"lost with exit code 0", {{"kind", "run_lost"}, {"script_name", "job.sh"}, {"exit_code", 0}},
         "", "Run lost", "job.sh"},
        {"lost with text exit code 0", {{"kind", "run_lost"}, {"script_name", "job.sh"}, {"exit_code", "0"}},
         "", "Run lost", "job.sh"},
        {"exit code without failure line", {{"kind", "run_failed"}, {"script_name", "job.sh"}, {"exit_code", 137}},
         "", "Run failed", "job.sh\nexit 137"},
        {"stopped with phase and text exit code",
         {{"kind", "run_stopped_unexpectedly"}, {"phase", "stopped_unexpectedly"}, {"script_name", "job.sh"},
          {"exit_code", "143"}, {"failure_line", " Killed "}},
         "", "Run stopped unexpectedly", "job.sh\nexit 143 · Killed"},
        {"build script in any letter case", {{"kind", "run_succeeded"}, {"script_name", "BUILD-all.sh"}},
         "", "Build succeeded", "BUILD-all.sh"},
        {"script path is not a build", {{"kind", "run_succeeded"}, {"script_name", "/srv/app/build.sh"}},
         "", "Run succeeded", "/srv/app/build.sh"},
        {"build script beats the artifact",
         {{"kind", "run_succeeded"}, {"script_name", "build.sh"}, {"artifact_name", "a.zip"}},
         "", "Build succeeded", "a.zip · build.sh"},
        {"action label beats everything", {{"kind", "run_succeeded"}, {"script_name", "build.sh"}, {"action_label", " Ship "}},
         "", "Ship succeeded", "build.sh"},
        {"kind in capitals", {{"kind", "RUN_SUCCEEDED"}, {"duration_label", "1s"}}, "", "Run succeeded", "1s"},
        {"given phase Degraded stays", {{"kind", "run_degraded"}, {"phase", "Degraded"}, {"duration_label", "1s"}},
         "", "Run Degraded", "1s\nOne or more optional capabilities are unavailable"},
        {"given phase degraded is reworded", {{"kind", "run_x"}, {"phase", "degraded"}, {"duration_label", "1s"}},
         "", "Run completed with warning", "1s"},
        {"phase not text is derived", {{"kind", "run_cancelled"}, {"phase", 3}, {"duration_label", "1s"}},
         "", "Run cancelled", "1s"},
        {"degraded row beats failed", {{"kind", "run_degraded_failed"}, {"duration_label", "1s"}, {"exit_code", 1}},
         "", "Run degraded failed", "1s\nOne or more optional capabilities are unavailable"},
        {"values that are not text read as empty",
         {{"kind", "run_failed"}, {"server_label", 7}, {"script_name", "a.sh"}, {"failure_line", Json::array()}},
         "", "Run failed", "a.sh"},
        {"retired suffix in a field value stays", {{"kind", "run_succeeded"}, {"script_name", "a.sh / default@main"}},
         "", "Run succeeded", "a.sh / default@main"},
    };
    checkRuns(std::begin(cases), std::end(cases));
}

// An exit code the relay sent as null, a list or an object is no exit code at all.
TEST_F(NotificationServiceTest, ExitCodeThatIsNotANumberOrTextCountsAsAbsent) {
    const RunCase cases[] = {
        {"null", {{"kind", "run_failed"}, {"script_name", "a.sh"}, {"exit_code", nullptr}, {"failure_line", "boom"}},
         "", "Run failed", "a.sh\nboom"},
        {"array", {{"kind", "run_lost"}, {"script_name", "a.sh"}, {"exit_code", Json::array({1})}},
         "", "Run lost", "a.sh"},
        {"object", {{"kind", "run_stopped"}, {"script_name", "a.sh"}, {"exit_code", Json{{"code", 1}}}},
         "", "Run stopped", "a.sh"},
        {"empty text", {{"kind", "run_failed"}, {"script_name", "a.sh"}, {"exit_code", ""}}, "", "Run failed", "a.sh"},
        {"text kept untrimmed", {{"kind", "run_failed"}, {"script_name", "a.sh"}, {"exit_code", " 9"}},
         "", "Run failed", "a.sh\nexit  9"},
        {"negative number", {{"kind", "run_failed"}, {"script_name", "a.sh"}, {"exit_code", -1}},
         "", "Run failed", "a.sh\nexit -1"},
    };
    checkRuns(std::begin(cases), std::end(cases));
}

TEST_F(NotificationServiceTest, UnstructuredRunNotificationsRecoverTheArtifactFromTheBody) {
    const RunCase cases[] = {
        {"quoted path", {{"kind", "run_succeeded"}}, "Upload done. artifact: '/home/u/drop/site.zip'",
         "Original title", "site.zip · succeeded"},
        {"double quotes", {{"kind", "run_succeeded"}}, "artifact: \"/tmp/out/a.tar.gz\"", "Original title",
         "a.tar.gz · succeeded"},
        {"letter case of the marker", {{"kind", "run_failed"}}, "ARTIFACT: x.zip", "Original title", "x.zip · failed"},
        {"capture runs to the end of the line", {{"kind", "run_succeeded"}}, "artifact: site.zip uploaded\nnext",
         "Original title", "site.zip uploaded · succeeded"},
        {"first pattern before the second", {{"kind", "run_succeeded"}},
         "artifact: ' '/x/first.zip' then artifact: /y/second.zip", "Original title", "first.zip · succeeded"},
        {"second pattern finds a later marker", {{"kind", "run_succeeded"}}, "artifact:'' oops\nartifact: /y/second.zip",
         "Original title", "second.zip · succeeded"},
        {"trailing slash", {{"kind", "run_succeeded"}}, "artifact: /srv/drop/", "Original title", "drop · succeeded"},
        {"suffix removed before recovery", {{"kind", "run_succeeded"}}, "artifact: site.zip / default@main",
         "Original title", "site.zip · succeeded"},
        {"empty phase", {{"kind", "run_"}}, "artifact: a.zip", "Original title", "a.zip"},
        {"other fields are ignored",
         {{"kind", "run_failed"}, {"server_label", "lab"}, {"action_label", "Sync"}, {"failure_line", "x"}},
         "artifact: a.zip", "Original title", "a.zip · failed"},
        {"no marker: unchanged", {{"kind", "run_stopped_unexpectedly"}, {"server_label", "lab"}}, "  Stopped.  ",
         "Original title", "Stopped."},
    };
    checkRuns(std::begin(cases), std::end(cases));
}

TEST_F(NotificationServiceTest, OtherPushesOnlyLoseTheRetiredSuffix) {
    struct Case {
        const char* name;
        Json userInfo;
        Push push;
        Push expected;
    };
    const Case cases[] = {
        {"not a run", {{"kind", "cmd"}},
         {"Build ok / default@main / DEFAULT@MAIN", " sub /default@main ", "  body\n", {}},
         {"Build ok", "sub", "body", {}}},
        {"kind with a leading blank", {{"kind", " run_failed"}, {"script_name", "a.sh"}},
         {"T", "", "artifact: a.zip", {}}, {"T", "", "artifact: a.zip", {}}},
        {"no kind", Json::object(), {"x\u3000/\u00A0Default@Main\u2028", "", "", {}}, {"x", "", "", {}}},
        {"suffix only at the end", Json::object(), {"default@main/ more", "a / default@mainly", "", {}},
         {"default@main/ more", "a / default@mainly", "", {}}},
        {"whole text is the suffix", Json::object(), {"/ default@main", "", "", {}}, {"", "", "", {}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Push push = c.push;
        push.userInfo = c.userInfo;
        auto delivered = receive(push);
        EXPECT_EQ(delivered.content.title(), c.expected.title);
        EXPECT_EQ(delivered.content.subtitle(), c.expected.subtitle);
        EXPECT_EQ(delivered.content.body(), c.expected.body);
        EXPECT_EQ(delivered.content.userInfo(), c.userInfo) << "user info passes through";
    }
}

// The platform's handler is good for one delivery: an expiry after the service delivered, or
// before any push arrived, does nothing.
TEST_F(NotificationServiceTest, HandlerIsCalledAtMostOncePerRequest) {
    tarvo::NotificationService service;
    service.serviceExtensionTimeWillExpire();

    int calls = 0;
    std::string lastTitle;
    auto handler = [&](const platform::UNNotificationContent& c) {
        ++calls;
        lastTitle = c.title();
    };
    platform::UNMutableNotificationContent content;
    content.setTitle("one / default@main");
    service.didReceive(platform::UNNotificationRequest("a", content), handler);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(lastTitle, "one");
    service.serviceExtensionTimeWillExpire();
    service.serviceExtensionTimeWillExpire();
    EXPECT_EQ(calls, 1);

    // A second request gets its own single delivery.
    content.setTitle("two");
    service.didReceive(platform::UNNotificationRequest("b", content), handler);
    service.serviceExtensionTimeWillExpire();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(lastTitle, "two");

    auto delivery = platform::deliverNotification(service, platform::UNNotificationRequest("c", content));
    EXPECT_EQ(delivery.path, platform::UNNotificationDelivery::Path::handler);
    EXPECT_EQ(delivery.content.title(), "two");
}

TEST_F(NotificationServiceTest, LongAndMalformedTextsAreHandled) {
    // A long run of blanks not followed by the suffix is the slow case of the suffix pattern;
    // far past a push's size it runs into the work limit and the text is only trimmed.
    std::string body = "artifact: big.zip" + std::string(4000, ' ') + "x";
    auto delivered = receive({std::string(100000, '/') + " default@main", "", body, {{"kind", "run_succeeded"}}});
    EXPECT_EQ(delivered.content.title(), std::string(99999, '/'));
    EXPECT_EQ(delivered.content.body(), "big.zip" + std::string(4000, ' ') + "x · succeeded");
    auto hostile = receive({"", "", "  a" + std::string(300000, ' ') + "b / default@main", Json::object()});
    EXPECT_EQ(hostile.handlerCalls, 1);
    EXPECT_EQ(hostile.content.body().substr(0, 1), "a");
    auto invalid = receive({"\xff\xfe / default@main", "", "artifact: \xc3", {{"kind", "run_ok"}}});
    EXPECT_EQ(invalid.content.title(), "\uFFFD\uFFFD");
    EXPECT_EQ(invalid.handlerCalls, 1);
}
