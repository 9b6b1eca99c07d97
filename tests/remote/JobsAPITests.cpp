// Job submission, artifact observations and recommendations against the loopback server.
#include <gtest/gtest.h>

#include "TarvoShareExtension/Remote/RemoteAPI.h"
#include "tests/remote/RemoteTestSupport.h"

namespace {

using namespace remote_test;
using platform::Json;
using tarvo::ArtifactProjectSignature;
using tarvo::ArtifactShellCandidate;
using tarvo::RemoteFailure;

class JobsAPITest : public ::testing::Test {
protected:
    peer::PeerServer server;
    tarvo::RemoteAPI api = makeAPI(server);

    Json lastBody(const std::string& path) {
        auto recorded = server.requestsTo(path);
        EXPECT_FALSE(recorded.empty());
        if (recorded.empty()) return nullptr;
        EXPECT_EQ(recordedHeader(recorded.back(), "Content-Type"), "application/json");
        EXPECT_EQ(recordedHeader(recorded.back(), "Authorization"), "Bearer " + server.options().token);
        EXPECT_EQ(recorded.back()["method"], "POST");
        return Json::parse(recorded.back()["body_text"].get<std::string>());
    }
};

TEST_F(JobsAPITest, SubmitSendsThePayloadAndDecodesTheIdentities) {
    const Json payload = Json::parse(R"({"job_id_hint": null, "recipe": {"unzip": true, "steps": ["a", 2, 3.5]},
                                         "name": "déploiement"})");
    auto reply = runTask([this, payload]() { return api.submitJob(payload); });
    EXPECT_EQ(reply, (tarvo::ShareJobSubmitResponse{true, "job-1", "run-1"}));
    EXPECT_EQ(lastBody("/api/jobs/submit"), payload);
}

TEST_F(JobsAPITest, SubmitRepliesThatFail) {
    const std::vector<std::pair<Json, std::string>> cases = {
        {{{"status", 200}, {"json", {{"ok", true}, {"job_id", "j"}}}}, "Could not decode response"},
        {{{"status", 200}, {"json", {{"ok", "true"}, {"job_id", "j"}, {"run_id", "r"}}}}, "Could not decode response"},
        {{{"status", 404}, {"body", "Not Found"}}, "HTTP 404"},
        {{{"status", 405}, {"json", {{"detail", "no jobs here"}}}}, "HTTP 405: no jobs here"},
    };
    for (const auto& [rule, text] : cases) {
        Json r = rule;
        r["path"] = "/api/jobs/submit";
        server.addRule(r);
        auto failure = captureFailure<RemoteFailure>([this]() { return api.submitJob(Json::object()); });
        ASSERT_TRUE(failure);
        EXPECT_EQ(failure->errorDescription(), text);
    }
    // A server without a job service: the caller sees the status to fall back on.
    server.addRule({{"path", "/api/jobs/submit"}, {"status", 404}});
    auto failure = captureFailure<RemoteFailure>([this]() { return api.submitJob(Json::object()); });
    ASSERT_TRUE(failure && failure->transportError());
    EXPECT_EQ(failure->transportError()->kind(), tarvo::TransportError::Kind::httpStatus);
    EXPECT_EQ(failure->transportError()->statusCode(), 404);
}

TEST_F(JobsAPITest, ObservationSucceedsOnAny2xxAndReportsServerErrors) {
    const Json payload = {{"artifact", "app.zip"}, {"dest", "deploy/app"}};
    runTask([this, payload]() { return api.recordArtifactObservation(payload); });  // 204, empty body
    EXPECT_EQ(lastBody("/api/jobs/artifact-observation"), payload);

    server.addRule({{"path", "/api/jobs/artifact-observation"}, {"status", 200}, {"body", "not json at all"}});
    runTask([this, payload]() { return api.recordArtifactObservation(payload); });

    server.addRule({{"path", "/api/jobs/artifact-observation"}, {"status", 500}, {"json", {{"error", "db locked"}}}});
    EXPECT_EQ(failureText<RemoteFailure>([this, payload]() { return api.recordArtifactObservation(payload); }),
              "Server error: db locked");
}

TEST_F(JobsAPITest, PayloadThatIsNotAnObjectIsRefusedBeforeSending) {
    EXPECT_THROW(runTask([this]() { return api.submitJob(Json::array({1, 2})); }), std::invalid_argument);
    EXPECT_EQ(server.requests().size(), 0u);
}

TEST_F(JobsAPITest, RecommendationRequestAndReplyRoundTrip) {
    ArtifactProjectSignature signature;
    signature.exactDigest = std::string(64, 'a');
    signature.pathDigest = std::string(64, 'b');
    signature.contentDigest = std::string(64, 'c');
    signature.normalizedPaths = {"app/run.sh", "app/README.md"};
    signature.markers = {};
    signature.scriptFingerprints = {{"run.sh", "0000abcd:42"}};
    ArtifactShellCandidate withPrint;
    withPrint.path = "app/run.sh";
    withPrint.relativePath = "run.sh";
    withPrint.filename = "run.sh";
    withPrint.fingerprint = "0000abcd:42";
    withPrint.score = 90;
    withPrint.evidence = {"entry point"};
    ArtifactShellCandidate without;
    without.path = "app/tools/x.sh";
    without.relativePath = "";

    const Json reply = Json::parse(R"({
        "ok": true, "decision": "auto_select", "exactMatch": true,
        "recommendations": [{"scriptPath": "app/run.sh", "relativePath": "run.sh", "score": 0.9,
                             "evidence": ["ran 3 times"], "successfulRunCount": 3, "failedRunCount": 0}],
        "destinations": [{"path": "deploy/app", "score": 0.5, "evidence": [], "successfulRunCount": 1}]})");
    tarvo::ArtifactCandidateRecommendation rec;
    rec.scriptPath = "app/run.sh";
    rec.relativePath = "run.sh";
    rec.score = 0.9;
    rec.evidence = {"ran 3 times"};
    rec.successfulRunCount = 3;
    tarvo::ArtifactRecommendationResponse expected;
    expected.ok = true;
    expected.decision = tarvo::ArtifactSelectionKind::autoSelect;
    expected.exactMatch = true;
    expected.recommendations = {rec};
    expected.destinations =
        std::vector<tarvo::ArtifactDestinationRecommendation>{{"deploy/app", 0.5, {}, 1, std::nullopt}};
    server.setRecommendation(reply);

    auto got = runTask([this, signature, withPrint, without]() {
        return api.artifactRecommendations(signature, {withPrint, without}, "");
    });
    EXPECT_EQ(got, expected);

    const Json body = lastBody("/api/jobs/recommend");
    const Json expectedBody = Json::parse(R"({
        "signature": {"exact_digest": ")" + std::string(64, 'a') + R"(", "path_digest": ")" + std::string(64, 'b') +
                                          R"(", "content_digest": ")" + std::string(64, 'c') + R"(",
                      "normalized_paths": ["app/run.sh", "app/README.md"], "markers": [],
                      "script_fingerprints": {"run.sh": "0000abcd:42"}},
        "candidates": [{"path": "app/run.sh", "relative_path": "run.sh", "fingerprint": "0000abcd:42"},
                       {"path": "app/tools/x.sh", "relative_path": ""}],
        "destination": ""})");
    EXPECT_EQ(body, expectedBody);
    EXPECT_FALSE(body["candidates"][1].contains("fingerprint")) << "absent, not null";

    server.setRecommendation({{"ok", true}, {"decision", "maybe"}});
    EXPECT_EQ(failureText<RemoteFailure>([this, signature]() { return api.artifactRecommendations(signature, {}, "x"); }),
              "Could not decode response");
    EXPECT_EQ(lastBody("/api/jobs/recommend")["candidates"], Json::array());
}

}  // namespace
