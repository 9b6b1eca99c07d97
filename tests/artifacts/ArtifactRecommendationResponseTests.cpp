#include <string>

#include <gtest/gtest.h>

#include "TarvoShareExtension/ArtifactRecommendationResponse.h"

namespace tarvo {
namespace {

const char* kFullReply = R"({
  "ok": true, "decision": "auto_select", "exactMatch": true, "unknownKey": [1, 2],
  "recommendations": [
    {"scriptPath": "Proj/build.sh", "relativePath": "build.sh", "score": 40, "evidence": ["ran 3 times"],
     "successfulRunCount": 3, "failedRunCount": 0, "lastUsedAt": "2025-01-02T03:04:05Z"},
    {"scriptPath": "Proj/test.sh", "relativePath": null, "score": 12.5, "evidence": [],
     "successfulRunCount": 2.0, "failedRunCount": 1}
  ],
  "destinations": [{"path": "apps/proj", "score": 0.9, "evidence": ["used before"], "successfulRunCount": 4}]
})";

TEST(ArtifactRecommendationResponse, DecodesAFullReply) {
    ArtifactRecommendationResponse r = ArtifactRecommendationResponse::decode(kFullReply);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.decision, ArtifactSelectionKind::autoSelect);
    EXPECT_TRUE(r.exactMatch);
    ASSERT_EQ(r.recommendations.size(), 2u);
    EXPECT_EQ(r.recommendations[0],
              (ArtifactCandidateRecommendation{"Proj/build.sh", "build.sh", 40.0, {"ran 3 times"}, 3, 0,
                                               "2025-01-02T03:04:05Z"}));
    EXPECT_EQ(r.recommendations[1],
              (ArtifactCandidateRecommendation{"Proj/test.sh", std::nullopt, 12.5, {}, 2, 1, std::nullopt}));
    ASSERT_TRUE(r.destinations.has_value());
    EXPECT_EQ(*r.destinations,
              (std::vector<ArtifactDestinationRecommendation>{{"apps/proj", 0.9, {"used before"}, 4, std::nullopt}}));

    EXPECT_EQ(ArtifactRecommendationResponse::fromJson(r.toJson()), r);
}

TEST(ArtifactRecommendationResponse, DestinationsAbsentNullOrEmptyStayDistinct) {
    const std::string head = R"({"ok": false, "decision": "none", "exactMatch": false, "recommendations": [])";
    EXPECT_FALSE(ArtifactRecommendationResponse::decode(head + "}").destinations.has_value());
    EXPECT_FALSE(ArtifactRecommendationResponse::decode(head + R"(, "destinations": null})").destinations.has_value());
    auto empty = ArtifactRecommendationResponse::decode(head + R"(, "destinations": []})");
    ASSERT_TRUE(empty.destinations.has_value());
    EXPECT_TRUE(empty.destinations->empty());
    EXPECT_EQ(ArtifactRecommendationResponse::decode(head + R"(, "decision": "suggest"})").decision,
              ArtifactSelectionKind::suggest);
}

TEST(ArtifactRecommendationResponse, RejectsMalformedRepliesWhole) {
    const char* bad[] = {
        "",
        "not json",
        "[]",
        R"({"ok": true, "decision": "none", "exactMatch": false})",
        R"({"ok": true, "decision": "AUTO_SELECT", "exactMatch": false, "recommendations": []})",
        R"({"ok": true, "decision": "autoSelect", "exactMatch": false, "recommendations": []})",
        R"({"ok": true, "decision": null, "exactMatch": false, "recommendations": []})",
        R"({"ok": "true", "decision": "none", "exactMatch": false, "recommendations": []})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": {}})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [
            {"scriptPath": "a.sh", "score": 1, "evidence": [], "successfulRunCount": 1.5, "failedRunCount": 0}]})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [
            {"scriptPath": "a.sh", "score": "40", "evidence": [], "successfulRunCount": 1, "failedRunCount": 0}]})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [
            {"score": 1, "evidence": [], "successfulRunCount": 1, "failedRunCount": 0}]})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [
            {"scriptPath": "a.sh", "score": 1, "evidence": [7], "successfulRunCount": 1, "failedRunCount": 0}]})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [
            {"scriptPath": "a.sh", "score": 1, "evidence": [], "successfulRunCount": 1e30, "failedRunCount": 0}]})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [
            {"scriptPath": "a.sh", "score": 1, "evidence": [], "successfulRunCount": 18446744073709551615,
             "failedRunCount": 0}]})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [
            {"scriptPath": "a.sh", "relativePath": 3, "score": 1, "evidence": [], "successfulRunCount": 1,
             "failedRunCount": 0}]})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [],
            "destinations": [{"path": "x", "score": 1, "evidence": []}]})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [], "destinations": {}})",
        R"({"ok": true, "decision": "none", "exactMatch": false, "recommendations": [1e999]})",
    };
    for (const char* body : bad) {
        EXPECT_THROW(ArtifactRecommendationResponse::decode(body), platform::NSError) << body;
    }
}

TEST(ArtifactRecommendationResponse, EncodingLeavesOutAbsentOptionals) {
    ArtifactRecommendationResponse r;
    r.recommendations = {ArtifactCandidateRecommendation{"a.sh", std::nullopt, 1, {}, 0, 0, std::nullopt}};
    platform::Json json = r.toJson();
    EXPECT_FALSE(json.contains("destinations"));
    EXPECT_FALSE(json["recommendations"][0].contains("relativePath"));
    EXPECT_FALSE(json["recommendations"][0].contains("lastUsedAt"));
    EXPECT_EQ(json["decision"], "none");
    EXPECT_EQ(ArtifactRecommendationResponse::fromJson(json), r);
}

TEST(ArtifactSelectionKind, RawValues) {
    for (auto kind : allCases<ArtifactSelectionKind>()) {
        EXPECT_EQ(fromRawValue<ArtifactSelectionKind>(rawValue(kind)), kind);
    }
    EXPECT_EQ(rawValue(ArtifactSelectionKind::autoSelect), "auto_select");
    EXPECT_FALSE(fromRawValue<ArtifactSelectionKind>("Suggest").has_value());
    EXPECT_FALSE(fromRawValue<ArtifactSelectionKind>("").has_value());
}

}  // namespace
}  // namespace tarvo
