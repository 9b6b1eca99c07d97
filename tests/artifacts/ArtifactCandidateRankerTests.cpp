#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoShareExtension/ArtifactCandidateRanker.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "tests/artifacts/ArtifactTestSupport.h"

namespace tarvo {
namespace {

using testing::entry;
using Lines = std::vector<std::string>;

struct Expected {
    std::string relativePath;
    std::int64_t score;
    Lines evidence;
};

void expectRanking(const std::vector<ArtifactShellCandidate>& actual, const std::vector<Expected>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("position " + std::to_string(i));
        EXPECT_EQ(actual[i].relativePath, expected[i].relativePath);
        EXPECT_EQ(actual[i].score, expected[i].score);
        EXPECT_EQ(actual[i].evidence, expected[i].evidence);
    }
}

std::vector<ArtifactArchiveEntry> mixedProject() {
    return {
        entry("Proj/scripts/deploy_ios.sh", 0x11, 100),
        entry("Proj/tools/ci/deep/run.sh", 0x12, 100),
        entry("Proj/build_all.sh", 0x13, 100),
        entry("Proj/BUILD_ALL.sh", 0x14, 100),  // same script as build_all.sh: dropped
        entry("Proj/deploy-prod.sh", 0x15, 100),
        entry("Proj/RUN.SH", 0x16, 100),
        entry("Proj/iosbuild.sh", 0x17, 100),
        entry("Proj/sub/build-server.sh", 0x18, 100),
        entry("Proj/a/b/c/d/e/f/g/h/i/x.sh", 0x19, 100),
        entry("Proj/node_modules/x/build.sh", 0x1a, 100),
        entry("Proj/build.sh/"),
        entry("Proj/Makefile"),
        entry("Proj/Dockerfile"),
    };
}

std::vector<ArtifactShellCandidate> mixedCandidates() {
    return ArtifactCandidateRanker::candidates(mixedProject(), {"dockerfile", "makefile"},
                                               {{"scripts/deploy_ios.sh", "explicit:1"}});
}

const Lines kMarkers{"project markers detected"};

std::vector<Expected> mixedExpected() {
    return {
        {"build_all.sh", 1826, {"common entry point", "project root", "build name", "whole project", "project markers detected"}},
        {"RUN.SH", 1136, {"common entry point", "project root", "project markers detected"}},
        {"tools/ci/deep/run.sh", 788, {"common entry point", "project markers detected"}},
        {"deploy-prod.sh", 466, {"project root", "deployment name", "specific target", "project markers detected"}},
        {"iosbuild.sh", 436, {"project root", "project markers detected"}},
        {"scripts/deploy_ios.sh", 356,
         {"near project root", "deployment name", "specific target", "scripts folder", "project markers detected"}},
        {"sub/build-server.sh", 326, {"near project root", "build name", "specific target", "project markers detected"}},
        {"a/b/c/d/e/f/g/h/i/x.sh", 16, kMarkers},
    };
}

TEST(ArtifactCandidateRanker, ScoresAndOrdersScriptsOfAListing) {
    std::vector<ArtifactShellCandidate> ranked = mixedCandidates();
    expectRanking(ranked, mixedExpected());

    const ArtifactShellCandidate& top = ranked[0];
    EXPECT_EQ(top.path, "Proj/build_all.sh");
    EXPECT_EQ(top.parent, "Proj");
    EXPECT_EQ(top.filename, "build_all.sh");
    EXPECT_EQ(top.depth, 1);
    EXPECT_EQ(top.fingerprint, "00000013:100");

    const ArtifactShellCandidate& deep = ranked[2];
    EXPECT_EQ(deep.parent, "Proj/tools/ci/deep");
    EXPECT_EQ(deep.depth, 4);
    EXPECT_EQ(ranked[5].fingerprint, "explicit:1");  // the caller's fingerprint wins
    EXPECT_EQ(ranked[7].depth, 10);
}

TEST(ArtifactCandidateRanker, ScriptsWithoutRootAndMarkerBonus) {
    std::vector<ArtifactShellCandidate> loose =
        ArtifactCandidateRanker::candidates({entry("setup.sh"), entry("b/x.sh"), entry("notes.txt")}, {}, {});
    expectRanking(loose, {{"setup.sh", 1180, {"common entry point", "project root"}},
                          {"b/x.sh", 220, {"near project root"}}});
    EXPECT_EQ(loose[0].parent, "");
    EXPECT_EQ(loose[0].path, "setup.sh");

    Lines tenMarkers(10, "m");
    auto capped = ArtifactCandidateRanker::candidates({entry("x.sh")}, tenMarkers, {});
    expectRanking(capped, {{"x.sh", 420 + 48, {"project root", "project markers detected"}}});
}

TEST(ArtifactCandidateRanker, TiesAreOrderedByRelativePathIgnoringCase) {
    auto ranked = ArtifactCandidateRanker::candidates(
        {entry("Proj/zeta.sh"), entry("Proj/B.sh"), entry("Proj/a.sh"), entry("Proj/c/d.sh")}, {}, {});
    Lines order;
    for (const auto& c : ranked) {
        order.push_back(c.relativePath);
    }
    EXPECT_EQ(order, (Lines{"a.sh", "B.sh", "zeta.sh", "c/d.sh"}));
    EXPECT_TRUE(ArtifactCandidateRanker::candidates({}, {"m"}, {}).empty());
}

ArtifactCandidateRecommendation recommendation(std::string scriptPath, std::optional<std::string> relativePath,
                                               double score, std::int64_t successes, std::int64_t failures,
                                               Lines evidence = {}) {
    ArtifactCandidateRecommendation r;
    r.scriptPath = std::move(scriptPath);
    r.relativePath = std::move(relativePath);
    r.score = score;
    r.successfulRunCount = successes;
    r.failedRunCount = failures;
    r.evidence = std::move(evidence);
    return r;
}

TEST(ArtifactCandidateRanker, MergeFoldsServerHistoryIntoTheRanking) {
    for (ArtifactSelectionKind decision :
         {ArtifactSelectionKind::autoSelect, ArtifactSelectionKind::suggest, ArtifactSelectionKind::none}) {
        SCOPED_TRACE(std::string(rawValue(decision)));
        ArtifactRecommendationResponse response;
        response.ok = true;
        response.decision = decision;
        response.recommendations = {
            // By path, ignoring case; the server's spelling of a shared reason is kept.
            recommendation("proj/SCRIPTS/deploy_ios.sh", std::nullopt, 12.5, 2, 1, {"Fast", "NEAR PROJECT ROOT"}),
            // Known under another root folder name: found by relative path.
            recommendation("Old-Name/iosbuild.sh", "IOSBUILD.sh", -0.5, 1, 0),
            // A second listing of one script path is ignored.
            recommendation("Proj/deploy_ios.sh", std::nullopt, 1e6, 9, 0),
            recommendation("Proj/SCRIPTS/DEPLOY_IOS.SH", std::nullopt, 1e6, 9, 0),
            recommendation("Proj/missing.sh", "missing.sh", 50, 3, 0),
        };
        std::vector<ArtifactShellCandidate> merged = ArtifactCandidateRanker::merge(mixedCandidates(), response);

        std::vector<Expected> expected = mixedExpected();
        Expected deployIos{"scripts/deploy_ios.sh", 356 + 13 + 2000 - 250,
                           {"succeeded here 2\u00D7", "Fast", "NEAR PROJECT ROOT", "deployment name", "specific target",
                            "scripts folder", "project markers detected", "previous failures: 1"}};
        Expected iosbuild{"iosbuild.sh", 436 - 1 + 1000,
                          {"succeeded here before", "project root", "project markers detected"}};
        expectRanking(merged, {deployIos, expected[0], iosbuild, expected[1], expected[2], expected[3], expected[6],
                               expected[7]});
        EXPECT_EQ(merged[0].fingerprint, "explicit:1");
    }
}

TEST(ArtifactCandidateRanker, MergeWithoutRecommendationsKeepsTheRanking) {
    std::vector<ArtifactShellCandidate> local = mixedCandidates();
    std::reverse(local.begin(), local.end());
    std::vector<ArtifactShellCandidate> merged = ArtifactCandidateRanker::merge(local, ArtifactRecommendationResponse{});
    EXPECT_EQ(merged, mixedCandidates());
}

TEST(ArtifactCandidateRanker, ServerNumbersNeverOverflowTheScore) {
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    struct Case {
        double score;
        std::int64_t successes;
        std::int64_t failures;
        std::int64_t expected;  // added to a local score of 420
    };
    const Case cases[] = {
        {2.5, 0, 0, 423},
        {-2.5, 0, 0, 417},
        {std::nan(""), 0, 0, 420},
        {std::numeric_limits<double>::infinity(), 0, 0, 420},
        {-std::numeric_limits<double>::infinity(), 0, 0, 420},
        {1e300, 0, 0, kMax},
        {-1e300, 0, 0, kMin + 420},
        {9223372036854775807.0, 0, 0, kMax},
        {0, kMax, 0, kMax},
        {0, 0, kMax, kMin + 420},
        {0, kMin, 0, kMin + 420},
        {0, -2, 0, 420 - 2000},
    };
    for (const auto& c : cases) {
        ArtifactRecommendationResponse response;
        response.recommendations = {recommendation("x.sh", std::nullopt, c.score, c.successes, c.failures)};
        auto merged = ArtifactCandidateRanker::merge(ArtifactCandidateRanker::candidates({entry("x.sh")}, {}, {}),
                                                     response);
        ASSERT_EQ(merged.size(), 1u);
        EXPECT_EQ(merged[0].score, c.expected) << c.score << " " << c.successes << " " << c.failures;
    }
}

TEST(ArtifactCandidateRanker, CandidateJsonRoundTrip) {
    ArtifactShellCandidate c = mixedCandidates()[0];
    EXPECT_EQ(ArtifactShellCandidate::fromJson(c.toJson()), c);
    c.fingerprint.reset();
    platform::Json json = c.toJson();
    EXPECT_FALSE(json.contains("fingerprint"));
    EXPECT_EQ(ArtifactShellCandidate::fromJson(json), c);
    json.erase("depth");
    EXPECT_THROW(ArtifactShellCandidate::fromJson(json), platform::DecodingError);
}

}  // namespace
}  // namespace tarvo
