// The send choices by their string values, and the artifact insight's starting value.
#include <gtest/gtest.h>

#include "TarvoShareExtension/ShareViewController/Model/ArtifactInsight.h"
#include "TarvoShareExtension/ShareViewController/Model/ShareChoices.h"

namespace tarvo::share {
namespace {

template <class E>
std::vector<std::string> rawValues() {
    std::vector<std::string> out;
    for (E e : allCases<E>()) {
        out.emplace_back(rawValue(e));
        EXPECT_EQ(fromRawValue<E>(rawValue(e)), e);
    }
    return out;
}

TEST(ShareChoices, StringValuesInMenuOrderAndExactConversion) {
    using V = std::vector<std::string>;
    EXPECT_EQ(rawValues<ShareAction>(), (V{"emit", "upload"}));
    EXPECT_EQ(rawValues<ServerMode>(), (V{"single", "multi"}));
    EXPECT_EQ(rawValues<MultiDispatchMode>(), (V{"all", "oneByOne"}));
    EXPECT_EQ(rawValues<PostUploadAction>(), (V{"none", "unzip", "run", "unzipThenRun"}));
    EXPECT_EQ(rawValues<PostUploadWorkingDirectory>(), (V{"uploadFolder", "extractedFolder", "custom"}));

    // Exact and case-sensitive: the inner capitals are part of the value.
    for (const char* text : {"Unzip", "unzipthenrun", " unzip", "unzip ", ""}) {
        EXPECT_EQ(fromRawValue<PostUploadAction>(text), std::nullopt) << text;
    }
    EXPECT_EQ(fromRawValue<MultiDispatchMode>("onebyone"), std::nullopt);
    EXPECT_EQ(fromRawValue<ShareAction>("Upload"), std::nullopt);
    EXPECT_EQ(fromRawValue<ServerMode>("Multi"), std::nullopt);
    EXPECT_EQ(fromRawValue<PostUploadWorkingDirectory>("extracted"), std::nullopt);
}

TEST(ShareChoices, OnlyUnzipAndUnzipThenRunUnzip) {
    EXPECT_FALSE(needsUnzip(PostUploadAction::none));
    EXPECT_TRUE(needsUnzip(PostUploadAction::unzip));
    EXPECT_FALSE(needsUnzip(PostUploadAction::run));
    EXPECT_TRUE(needsUnzip(PostUploadAction::unzipThenRun));
    EXPECT_FALSE(runsCommand(PostUploadAction::unzip));
    EXPECT_TRUE(runsCommand(PostUploadAction::run));
}

TEST(ArtifactInsight, StartsIdleAndComparesStatesByCaseAndMessage) {
    ArtifactInsight insight;
    EXPECT_EQ(insight.state, ArtifactInsightState::idle());
    EXPECT_TRUE(insight.state.is(ArtifactInsightState::Case::idle));
    EXPECT_EQ(insight, ArtifactInsight{});

    EXPECT_EQ(ArtifactInsightState::failed("x"), ArtifactInsightState::failed("x"));
    EXPECT_NE(ArtifactInsightState::failed("x"), ArtifactInsightState::failed("y"));
    EXPECT_NE(ArtifactInsightState::failed("x"), ArtifactInsightState::unavailable("x"));
    EXPECT_NE(ArtifactInsightState::scanning(), ArtifactInsightState::ready());
    EXPECT_EQ(ArtifactInsightState::unavailable("No shared items.").message(), "No shared items.");

    ArtifactInsight other = insight;
    ArtifactShellCandidate script;
    script.path = "app/run.sh";
    other.shellCandidates.push_back(script);
    EXPECT_NE(other, insight);
    other = insight;
    other.recommendation = ArtifactRecommendationResponse{};
    EXPECT_NE(other, insight);
}

}  // namespace
}  // namespace tarvo::share
