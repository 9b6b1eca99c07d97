// Similarity between projects and the plan resolved from remembered presets.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "tests/artifacts/ArtifactTestSupport.h"

namespace tarvo {
namespace {

using testing::entry;
using Lines = std::vector<std::string>;
using Store = SmartSharePresetMemoryStore;

// A signature written out by hand, so each similarity component can be switched on alone.
ArtifactProjectSignature sig(std::string exact, std::string path, std::string content, Lines paths = {},
                             Lines markers = {}, std::map<std::string, std::string> scripts = {}) {
    ArtifactProjectSignature s;
    s.exactDigest = std::move(exact);
    s.pathDigest = std::move(path);
    s.contentDigest = std::move(content);
    s.normalizedPaths = std::move(paths);
    s.markers = std::move(markers);
    s.scriptFingerprints = std::move(scripts);
    return s;
}

std::vector<SmartSharePresetEvidence> history(std::initializer_list<SmartSharePresetEvidence::Outcome> outcomes) {
    std::vector<SmartSharePresetEvidence> out;
    for (auto outcome : outcomes) {
        out.push_back({"e", outcome, "", 1.0, {}, 0});
    }
    return out;
}

SmartSharePreset preset(std::string id, std::string server, std::optional<ArtifactProjectSignature> signature,
                        bool isExplicit = false, std::size_t uploads = 0, double updated = 0) {
    SmartSharePreset p;
    p.id = std::move(id);
    p.serverID = std::move(server);
    p.destinationFolder = "apps/" + p.id;
    p.signature = std::move(signature);
    p.isExplicitAutomatic = isExplicit;
    for (std::size_t i = 0; i < uploads; ++i) {
        p.evidence.push_back({"e", SmartSharePresetEvidence::Outcome::uploaded, "", 1.0, {}, 0});
    }
    p.updatedAtEpoch = updated;
    return p;
}

std::vector<ArtifactArchiveEntry> swiftTree() {
    return {entry("Proj/Package.swift", 1, 10), entry("Proj/Sources/App/main.swift", 2, 20),
            entry("Proj/scripts/build.sh", 3, 30), entry("Proj/Dockerfile", 4, 40)};
}

TEST(SmartShareScoring, IdenticalProjectsScoreOneWithEveryReason) {
    ArtifactProjectSignature s = ArtifactProjectSignature::make(swiftTree());
    SmartShareScore score = Store::signatureScore(s, s);
    EXPECT_DOUBLE_EQ(score.score, 1.0);
    EXPECT_EQ(score.evidence, (Lines{"exact tree match", "path shape match", "script contents match", "markers 100%",
                                     "shared paths 100%", "tree landmarks 100%", "same script byteprint"}));
    EXPECT_TRUE(Store::hasIdentityEvidence(score.evidence));
    EXPECT_EQ(Store::signatureScore(s, std::nullopt), (SmartShareScore{0.36, {"preset has no DNA yet"}}));
}

TEST(SmartShareScoring, PathsAndLandmarksCountEachDistinctItemOnce) {
    // The preset's list as read back from anywhere: out of order, with a repeat, with a path of
    // its own whose landmark the project has, and one landmark the project lacks.
    const auto project = sig("p", "pp", "pc", {"a/b/c/d.sh", "x/y.txt"});
    const auto preset = sig("q", "qp", "qc", {"x/y.txt", "q/b/c/d.sh", "x/y.txt", "z.md"});
    EXPECT_EQ(Store::signatureScore(project, preset).evidence, (Lines{"shared paths 25%", "tree landmarks 67%"}));
    // And in the order signatures are made: sorted, each once.
    const auto sorted = sig("q", "qp", "qc", {"a/b/c/d.sh", "m/n.txt"});
    EXPECT_EQ(Store::signatureScore(project, sorted).evidence, (Lines{"shared paths 33%", "tree landmarks 33%"}));
}

TEST(SmartShareScoring, ProjectsWithoutScriptsDoNotMatchOnScriptContents) {
    // Two different script-less projects share the digest of an empty script list.
    std::vector<ArtifactArchiveEntry> a{entry("A/package.json")}, b{entry("B/package.json")};
    for (int i = 0; i < 10; ++i) {
        a.push_back(entry("A/src/f" + std::to_string(i) + ".js"));
        b.push_back(entry("B/src/f" + std::to_string(i) + ".js"));
    }
    a.push_back(entry("A/src/only-a.js"));
    b.push_back(entry("B/src/only-b.js"));
    ArtifactProjectSignature sa = ArtifactProjectSignature::make(a), sb = ArtifactProjectSignature::make(b);
    ASSERT_EQ(sa.contentDigest, sb.contentDigest);

    SmartShareScore score = Store::signatureScore(sa, sb);
    EXPECT_EQ(score.evidence, (Lines{"markers 100%", "shared paths 85%", "tree landmarks 85%"}));
    EXPECT_FALSE(Store::hasIdentityEvidence(score.evidence));
    EXPECT_NEAR(score.score, 0.14 + 0.28 * 11 / 13, 1e-12);

    // Identical script-less trees still match as the same tree.
    EXPECT_EQ(Store::signatureScore(sa, sa).evidence,
              (Lines{"exact tree match", "path shape match", "markers 100%", "shared paths 100%", "tree landmarks 100%"}));
}

TEST(SmartShareScoring, PercentagesRoundHalfAwayFromZero) {
    struct Case {
        Lines a, b;
        const char* evidence;
    };
    const Case cases[] = {
        {{"a"}, {"a", "b", "c", "d", "e", "f", "g", "h"}, "markers 13%"},
        {{"a", "b"}, {"b", "c"}, "markers 33%"},
        {{"a", "b"}, {"a", "b", "c"}, "markers 67%"},
    };
    for (const auto& c : cases) {
        SmartShareScore score = Store::signatureScore(sig("1", "1", "1", {}, c.a), sig("2", "2", "2", {}, c.b));
        EXPECT_EQ(score.evidence, (Lines{c.evidence}));
    }
    // No markers on either side is no evidence at all.
    EXPECT_TRUE(Store::signatureScore(sig("1", "1", "1"), sig("2", "2", "2")).evidence.empty());
    EXPECT_EQ(Store::jaccard({}, {}), 0.0);
    EXPECT_EQ(Store::jaccard({"a"}, {}), 0.0);
    EXPECT_DOUBLE_EQ(Store::jaccard({"a", "b"}, {"b", "c", "d"}), 0.25);
}

TEST(SmartShareScoring, ByteprintCountsSharedFingerprintValuesWhateverTheirPaths) {
    auto a = sig("1", "1", "c1", {}, {}, {{"x.sh", "f1"}, {"y.sh", "f2"}, {"z.sh", "f3"}, {"w.sh", "f4"}});
    auto b = sig("2", "2", "c2", {}, {}, {{"other.sh", "f1"}, {"q.sh", "f2"}, {"r.sh", "f3"}, {"s.sh", "f4"}});
    SmartShareScore score = Store::signatureScore(a, b);
    EXPECT_EQ(score.evidence, (Lines{"same script byteprint"}));
    EXPECT_DOUBLE_EQ(score.score, 0.18);  // four shared, capped at three
    EXPECT_DOUBLE_EQ(Store::signatureScore(a, sig("2", "2", "c2", {}, {}, {{"x.sh", "f4"}})).score, 0.06);
}

TEST(SmartShareScoring, HistoryBonusCountsUploadsAndAcceptances) {
    using O = SmartSharePresetEvidence::Outcome;
    auto s = sig("1", "1", "1");
    SmartSharePreset p = preset("p", "srv", sig("2", "2", "2"));
    p.evidence = history({O::uploaded, O::uploaded, O::uploaded, O::uploaded, O::uploaded, O::accepted, O::accepted,
                          O::edited, O::rejected, O::failed});
    EXPECT_EQ(Store::score(s, p), (SmartShareScore{0.12, {"history 7 accepted runs"}}));
    p.evidence = history({O::failed, O::accepted});
    EXPECT_EQ(Store::score(s, p), (SmartShareScore{0.025, {"history 1 accepted run"}}));

    // Without a fingerprint a preset can never reach a proposal.
    SmartSharePreset bare = preset("b", "srv", std::nullopt, false, 9);
    EXPECT_EQ(Store::score(s, bare), (SmartShareScore{0.36, {"preset has no DNA yet"}}));
}

TEST(SmartShareScoring, IdentityEvidenceAndCategoryTables) {
    const std::pair<Lines, bool> identity[] = {
        {{"exact tree match"}, true},
        {{"script contents match"}, true},
        {{"same script byteprint"}, true},
        {{"path shape match", "tree landmarks 40%"}, true},
        {{"path shape match"}, false},
        {{"tree landmarks 100%"}, false},
        {{"path shape match", "tree landmarks"}, false},
        {{"Exact tree match", "markers 100%"}, false},
        {{}, false},
    };
    for (const auto& [evidence, expected] : identity) {
        EXPECT_EQ(Store::hasIdentityEvidence(evidence), expected) << ::testing::PrintToString(evidence);
    }
    const std::pair<Lines, const char*> categories[] = {
        {{"Package.swift"}, "swift"},
        {{"dockerfile", "package.json"}, "node"},
        {{"podfile", "package.json"}, "swift"},
        {{"requirements.txt", "dockerfile"}, "python"},
        {{"pyproject.toml"}, "python"},
        {{"dockerfile"}, "container"},
        {{"app.xcodeproj/project.pbxproj"}, "unknown"},
        {{}, "unknown"},
    };
    for (const auto& [markers, expected] : categories) {
        EXPECT_EQ(Store::category(sig("", "", "", {}, markers)), expected);
    }
    EXPECT_EQ(Store::category(std::nullopt), "unknown");
}

// The shared item: digests "S", markers m1 and m2.
const ArtifactProjectSignature kShared = sig("S", "SP", "SC", {}, {"m1", "m2"});
// Exact tree and markers match: 0.56 before history.
const ArtifactProjectSignature kSameTree = sig("S", "other", "other", {}, {"m1", "m2"});

TEST(SmartShareScoring, ResolveWithoutSignatureOrPresets) {
    Store store({preset("p", "srv", kSameTree, false, 5)}, {});
    EXPECT_EQ(store.resolve("srv", std::nullopt, "uploads/x"),
              (SmartShareResolvedPlan{std::nullopt, 0.28, {"no structural signature available"}, "uploads/x", false}));
    auto five = sig("A", "B", "C", {}, {"a", "b", "c", "d", "e"});
    EXPECT_EQ(store.resolve("other-server", five, "fb"),
              (SmartShareResolvedPlan{std::nullopt, 0.42, {"new filetree DNA", "markers: a, b, c, d"}, "fb", false}));
    EXPECT_EQ(store.resolve("other-server", sig("A", "B", "C"), "fb").evidence, (Lines{"new filetree DNA", "markers: "}));
}

TEST(SmartShareScoring, ResolveProposesAndAutoAppliesByThreshold) {
    struct Case {
        std::size_t uploads;
        ArtifactProjectSignature reference;
        bool proposed;
        bool autoApply;
    };
    const Case cases[] = {
        {2, kSameTree, false, false},                                 // 0.61
        {3, kSameTree, true, false},                                  // 0.635
        {5, sig("S", "SP", "other", {}, {"m1", "m2"}), true, true},   // 0.90 with the exact tree
        {5, sig("x", "SP", "other", {}, {"m1", "m2"}), false, false}, // 0.48, path shape alone
    };
    for (const auto& c : cases) {
        Store store({preset("p", "srv", c.reference, false, c.uploads)}, {});
        SmartShareResolvedPlan plan = store.resolve("srv", kShared, "fallback");
        SCOPED_TRACE(::testing::PrintToString(plan.evidence));
        EXPECT_EQ(plan.preset.has_value(), c.proposed);
        EXPECT_EQ(plan.shouldAutoApply, c.autoApply);
        EXPECT_EQ(plan.destinationFolder, c.proposed ? "apps/p" : "fallback");
    }
}

TEST(SmartShareScoring, ExplicitAutomaticPresetWinsWithIdentityEvidence) {
    // Path shape with landmarks is identity: 0.22 + 0.14 + 0.18 + one acceptance = 0.565.
    auto shapeOnly = sig("x", "SP", "y", {"z/x/a/b.sh"}, {"m1", "m2"});
    auto shared = sig("S", "SP", "SC", {"q/x/a/b.sh"}, {"m1", "m2"});
    Store store({preset("loud", "srv", sig("S", "SP", "y", {"q/x/a/b.sh"}, {"m1", "m2"}), false, 5),
                 preset("auto", "srv", shapeOnly, true, 1)},
                {});
    SmartShareResolvedPlan plan = store.resolve("srv", shared, "fallback");
    ASSERT_TRUE(plan.preset.has_value());
    EXPECT_EQ(plan.preset->id, "auto");
    EXPECT_NEAR(plan.score, 0.565, 1e-12);
    EXPECT_EQ(plan.evidence, (Lines{"path shape match", "markers 100%", "tree landmarks 100%", "history 1 accepted run"}));
    EXPECT_TRUE(plan.shouldAutoApply);
}

TEST(SmartShareScoring, ResolveTieBreaksAndServerScope) {
    // Equal scores: explicit before not, then the later update.
    Store store({preset("old", "srv", kSameTree, false, 5, 10), preset("new", "srv", kSameTree, false, 5, 20),
                 preset("theirs", "other", ArtifactProjectSignature(kShared), true, 5, 30)},
                {});
    SmartShareResolvedPlan plan = store.resolve("srv", kShared, "fallback");
    ASSERT_TRUE(plan.preset.has_value());
    EXPECT_EQ(plan.preset->id, "new");
    EXPECT_NEAR(plan.score, 0.68, 1e-12);
    EXPECT_FALSE(plan.shouldAutoApply);

    // Several servers at once: each plan as its own resolution gives it.
    const auto plans = store.resolveAll({"srv", "other", "none"}, kShared, "fallback");
    ASSERT_EQ(plans.size(), 3u);
    for (const auto& [id, resolved] : plans) {
        const SmartShareResolvedPlan alone = store.resolve(id, kShared, "fallback");
        EXPECT_EQ(resolved.preset.has_value(), alone.preset.has_value()) << id;
        if (resolved.preset && alone.preset) {
            EXPECT_EQ(resolved.preset->id, alone.preset->id) << id;
        }
        EXPECT_EQ(resolved.score, alone.score) << id;
        EXPECT_EQ(resolved.evidence, alone.evidence) << id;
        EXPECT_EQ(resolved.destinationFolder, alone.destinationFolder) << id;
        EXPECT_EQ(resolved.shouldAutoApply, alone.shouldAutoApply) << id;
    }
}

SmartShareAutomaticConfiguration configuration(std::string id, ArtifactProjectSignature signature, double updated) {
    SmartShareAutomaticConfiguration c;
    c.id = std::move(id);
    c.signature = std::move(signature);
    c.serverModeRaw = "multi";
    c.updatedAtEpoch = updated;
    return c;
}

TEST(SmartShareScoring, ResolveAutomaticConfigurationPrefersTheBestThenTheLatest) {
    Store store({}, {configuration("weak", sig("x", "y", "z", {}, {"m1", "m2"}), 50),
                     configuration("older", kSameTree, 10), configuration("newer", kSameTree, 20)});
    EXPECT_FALSE(store.resolveAutomaticConfiguration(std::nullopt).has_value());
    auto found = store.resolveAutomaticConfiguration(kShared);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->id, "newer");
    EXPECT_FALSE(store.resolveAutomaticConfiguration(sig("q", "q", "q", {}, {"m1"})).has_value());
}

}  // namespace
}  // namespace tarvo
