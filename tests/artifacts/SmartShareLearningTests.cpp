// Learning presets from uploads and the make-automatic action.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "platform/foundation/Clock.h"
#include "tests/artifacts/ArtifactTestSupport.h"

namespace tarvo {
namespace {

using testing::entry;
using Lines = std::vector<std::string>;
using Outcome = SmartSharePresetEvidence::Outcome;

ArtifactProjectSignature project(const std::string& name, const std::string& marker = "Package.swift") {
    return ArtifactProjectSignature::make({entry(name + "/" + marker, 1, 10), entry(name + "/" + name + ".c", 2, 20),
                                           entry(name + "/scripts/build-" + name + ".sh", 3, 30)});
}

class SmartShareLearning : public testing::TempDefaults {
protected:
    const platform::Clock clock = platform::Clock::fixedAt(1000);

    // An upload of a project with the given recipe.
    void upload(SmartSharePresetMemoryStore& store, const std::string& server,
                const std::optional<ArtifactProjectSignature>& signature, const std::string& folder,
                const std::string& command = "bash './build.sh'", Lines scripts = {"scripts/build.sh"},
                std::optional<std::string> single = std::string("scripts/build.sh")) {
        store.learn(server, folder, signature, "unzipThenRun", "extractedFolder", "", command, single,
                    std::string("00000003:30"), scripts, {"00000003:30"}, 0.9, {"exact tree match"}, defaults());
    }
};

TEST_F(SmartShareLearning, SecondUploadOfOneProjectRefreshesItsPreset) {
    SmartSharePresetMemoryStore store(defaults());
    upload(store, "srv", project("app"), "apps/app");
    ASSERT_EQ(store.presets().size(), 1u);
    const SmartSharePreset first = store.presets()[0];
    EXPECT_EQ(first.name, "Swift Upload");
    EXPECT_EQ(first.category, "swift");
    EXPECT_EQ(first.destinationFolder, "apps/app");
    EXPECT_EQ(first.selectedScriptPaths, (Lines{"scripts/build.sh"}));
    EXPECT_FALSE(first.isExplicitAutomatic);
    ASSERT_EQ(first.evidence.size(), 1u);
    EXPECT_EQ(first.evidence[0].outcome, Outcome::uploaded);
    EXPECT_EQ(first.evidence[0].evidence, (Lines{"exact tree match"}));

    clock.set(2000);
    upload(store, "srv", project("app"), "apps/app2", "make");
    ASSERT_EQ(store.presets().size(), 1u);
    const SmartSharePreset& second = store.presets()[0];
    EXPECT_EQ(second.id, first.id);
    EXPECT_EQ(second.createdAtEpoch, 1000);
    EXPECT_EQ(second.updatedAtEpoch, 2000);
    EXPECT_EQ(second.destinationFolder, "apps/app2");
    EXPECT_EQ(second.deployCommand, "make");
    ASSERT_EQ(second.evidence.size(), 2u);
    EXPECT_EQ(second.evidence[0].destinationFolder, "apps/app2");

    // What was learnt is what the next share resolves to.
    SmartSharePresetMemoryStore reloaded(defaults());
    SmartShareResolvedPlan plan = reloaded.resolve("srv", project("app"), "uploads");
    ASSERT_TRUE(plan.preset.has_value());
    EXPECT_EQ(plan.preset->id, first.id);
    EXPECT_DOUBLE_EQ(plan.score, 1.0);
    EXPECT_EQ(plan.evidence, (Lines{"exact tree match", "path shape match", "script contents match", "markers 100%",
                                    "shared paths 100%", "tree landmarks 100%", "same script byteprint",
                                    "history 2 accepted runs"}));
    EXPECT_EQ(plan.destinationFolder, "apps/app2");
    EXPECT_TRUE(plan.shouldAutoApply);
    EXPECT_FALSE(reloaded.resolve("other", project("app"), "uploads").preset.has_value());
}

// Plans resolve off the main thread from a snapshot while the store may learn on the main one:
// the snapshot and the plans made from it share the store's lists until a change, which then
// writes to a copy of its own and leaves what was lent untouched.
TEST_F(SmartShareLearning, SnapshotsAndPlansKeepWhatTheyLentWhileTheStoreLearns) {
    SmartSharePresetMemoryStore store(defaults());
    upload(store, "srv", project("app"), "apps/app");
    const std::uint64_t revision = store.revision();
    const auto view = store.snapshot();
    EXPECT_EQ(store.snapshot(), view) << "one snapshot per revision";
    EXPECT_EQ(&view->presets()[0], &store.presets()[0]) << "the snapshot shares the lists instead of copying them";
    const SmartShareResolvedPlan plan = view->resolve("srv", project("app"), "uploads");
    ASSERT_TRUE(plan.preset.has_value());
    EXPECT_EQ(&*plan.preset, &view->presets()[0]) << "the plan lends the stored preset";
    const SmartShareResolvedPlan copied = plan;
    EXPECT_EQ(&*copied.preset, &*plan.preset);
    const SmartSharePreset before = *plan.preset;

    clock.set(2000);
    upload(store, "srv", project("app"), "apps/moved", "make");
    upload(store, "srv", project("lib", "package.json"), "libs");
    EXPECT_EQ(store.revision(), revision + 2);
    EXPECT_NE(store.snapshot(), view);
    ASSERT_EQ(store.presets().size(), 2u);
    EXPECT_EQ(store.snapshot()->presets(), store.presets());
    EXPECT_EQ(store.presets()[1].destinationFolder, "apps/moved");

    ASSERT_EQ(view->presets().size(), 1u) << "what was lent does not see the change";
    EXPECT_EQ(view->presets()[0], before);
    EXPECT_EQ(*plan.preset, before);
    EXPECT_EQ(plan.destinationFolder, "apps/app");

    // Once nothing else holds them, the store changes its lists in place again.
    SmartSharePresetMemoryStore alone(defaults());
    const SmartSharePreset* first = &alone.presets()[0];
    { const auto lentAndReturned = alone.snapshot(); }
    upload(alone, "srv", project("app"), "apps/again");
    EXPECT_EQ(&alone.presets()[0], first);
}

TEST_F(SmartShareLearning, UploadsWithoutSignatureOrOnAnotherServerCreatePresets) {
    SmartSharePresetMemoryStore store(defaults());
    upload(store, "srv", std::nullopt, "x");
    upload(store, "srv", std::nullopt, "x");
    ASSERT_EQ(store.presets().size(), 2u);
    EXPECT_EQ(store.presets()[0].name, "Smart Upload");
    EXPECT_EQ(store.presets()[0].category, "unknown");
    EXPECT_FALSE(store.presets()[0].signature.has_value());

    upload(store, "A", project("app"), "a");
    upload(store, "B", project("app"), "b");
    ASSERT_EQ(store.presets().size(), 4u);
    EXPECT_EQ(store.presets()[0].serverID, "B");
    EXPECT_EQ(store.presets()[1].destinationFolder, "a");
    EXPECT_EQ(store.presets()[1].evidence.size(), 1u);
}

TEST_F(SmartShareLearning, EmptyFolderAndEmptyScriptChoice) {
    SmartSharePresetMemoryStore store(defaults());
    // An empty folder is the server root, for a new preset as for its evidence.
    upload(store, "srv", project("app"), "");
    EXPECT_EQ(store.presets()[0].destinationFolder, "");
    EXPECT_EQ(store.presets()[0].evidence[0].destinationFolder, "");

    // A matched preset takes the empty folder as given and keeps its remembered scripts.
    upload(store, "srv", project("app"), "", "echo", {}, std::nullopt);
    const SmartSharePreset& p = store.presets()[0];
    EXPECT_EQ(p.destinationFolder, "");
    EXPECT_EQ(p.deployCommand, "echo");
    EXPECT_EQ(p.selectedScriptPath, "scripts/build.sh");
    EXPECT_EQ(p.selectedScriptPaths, (Lines{"scripts/build.sh"}));
    EXPECT_EQ(p.selectedScriptFingerprints, (Lines{"00000003:30"}));
}

TEST_F(SmartShareLearning, EvidenceIsCappedAtEighty) {
    SmartSharePresetMemoryStore store(defaults());
    for (int i = 0; i < 81; ++i) {
        clock.set(1000 + i);
        upload(store, "srv", project("app"), "f" + std::to_string(i));
    }
    ASSERT_EQ(store.presets().size(), 1u);
    const auto& evidence = store.presets()[0].evidence;
    ASSERT_EQ(evidence.size(), 80u);
    EXPECT_EQ(evidence.front().destinationFolder, "f80");
    EXPECT_EQ(evidence.back().destinationFolder, "f1");
    EXPECT_EQ(SmartSharePresetMemoryStore(defaults()).presets()[0].evidence.size(), 80u);
}

TEST_F(SmartShareLearning, MatchNeedsAScoreOfAtLeastPointSevenFour) {
    // Same tree as the upload below (0.42), same path shape (0.22), nothing else: 0.64 plus history.
    ArtifactProjectSignature shared = project("app");
    ArtifactProjectSignature reference;
    reference.exactDigest = shared.exactDigest;
    reference.pathDigest = shared.pathDigest;
    reference.contentDigest = "different";
    for (std::size_t uploads : {3u, 5u}) {
        SmartSharePreset existing;
        existing.id = "old";
        existing.serverID = "srv";
        existing.signature = reference;
        existing.evidence.assign(uploads, SmartSharePresetEvidence{"e", Outcome::uploaded, "", 1, {}, 0});
        SmartSharePresetMemoryStore store({existing}, {});
        upload(store, "srv", shared, "apps");
        if (uploads == 3) {  // 0.715
            ASSERT_EQ(store.presets().size(), 2u);
            EXPECT_NE(store.presets()[0].id, "old");
        } else {  // 0.76
            ASSERT_EQ(store.presets().size(), 1u);
            EXPECT_EQ(store.presets()[0].evidence.size(), uploads + 1);
            EXPECT_EQ(store.presets()[0].signature, reference);  // learning never replaces the fingerprint
        }
    }
}

TEST_F(SmartShareLearning, SetAutomaticPresetCreatesANamedExplicitPreset) {
    SmartSharePresetMemoryStore store(defaults());
    store.setAutomaticPreset("srv", "", project("tool", "requirements.txt"), "run", "uploadFolder", "", "",
                             {" run.sh", "RUN.sh", "b.sh"}, {"f1"}, defaults());
    ASSERT_EQ(store.presets().size(), 1u);
    const SmartSharePreset& p = store.presets()[0];
    EXPECT_EQ(p.name, "Automatic Python Upload");
    EXPECT_EQ(p.category, "python");
    EXPECT_EQ(p.destinationFolder, "uploads");
    EXPECT_TRUE(p.isExplicitAutomatic);
    EXPECT_EQ(p.selectedScriptPath, "run.sh");
    EXPECT_EQ(p.selectedScriptPaths, (Lines{"run.sh", "b.sh"}));
    EXPECT_EQ(p.selectedScriptFingerprint, "f1");
    ASSERT_EQ(p.evidence.size(), 1u);
    EXPECT_EQ(p.evidence[0].outcome, Outcome::accepted);
    EXPECT_EQ(p.evidence[0].score, 1.0);
    EXPECT_EQ(p.evidence[0].evidence, (Lines{"set as automatic by user"}));
    EXPECT_EQ(p.evidence[0].destinationFolder, "");

    store.setAutomaticPreset("srv", "x", ArtifactProjectSignature::make({entry("readme")}), "none", "uploadFolder",
                             "", "", {}, {}, defaults());
    EXPECT_EQ(store.presets()[0].name, "Automatic Upload");
}

TEST_F(SmartShareLearning, SetAutomaticPresetPrefersTheExplicitMatchAndMovesItFirst) {
    ArtifactProjectSignature current = project("app");
    // Not explicit, scoring 0.88; explicit, scoring 0.57 with path shape and landmarks.
    ArtifactProjectSignature close = current;
    close.exactDigest = "other";
    ArtifactProjectSignature loose = close;
    loose.contentDigest = "other";
    loose.scriptFingerprints.clear();
    loose.normalizedPaths.push_back("more/x.c");
    SmartSharePreset plain, chosen, unrelated;
    plain.id = "plain";
    plain.serverID = "srv";
    plain.signature = close;
    chosen.id = "chosen";
    chosen.serverID = "srv";
    chosen.signature = loose;
    chosen.isExplicitAutomatic = true;
    chosen.selectedScriptPath = "old.sh";
    chosen.selectedScriptPaths = {"old.sh"};
    chosen.createdAtEpoch = 5;
    unrelated.id = "unrelated";
    unrelated.serverID = "other";
    unrelated.signature = current;
    ASSERT_GT(SmartSharePresetMemoryStore::signatureScore(current, close).score, 0.8);
    ASSERT_LT(SmartSharePresetMemoryStore::signatureScore(current, loose).score, 0.7);

    SmartSharePresetMemoryStore store({plain, unrelated, chosen}, {});
    clock.set(3000);
    store.setAutomaticPreset("srv", "dest", current, "unzip", "extractedFolder", "", "", {}, {}, defaults());
    ASSERT_EQ(store.presets().size(), 3u);
    const SmartSharePreset& p = store.presets()[0];
    EXPECT_EQ(p.id, "chosen");
    EXPECT_EQ(p.signature, current);
    EXPECT_EQ(p.destinationFolder, "dest");
    EXPECT_FALSE(p.selectedScriptPath.has_value());  // cleared by an empty choice
    EXPECT_TRUE(p.selectedScriptPaths.empty());
    EXPECT_EQ(p.createdAtEpoch, 5);
    EXPECT_EQ(p.updatedAtEpoch, 3000);
    EXPECT_EQ(store.presets()[1].id, "plain");
    EXPECT_FALSE(store.presets()[1].isExplicitAutomatic);
    EXPECT_EQ(store.presets()[2].id, "unrelated");
}

TEST_F(SmartShareLearning, AutomaticPresetOfOneProjectIsNotAppliedToAnotherWithoutScripts) {
    auto tree = [](const std::string& root, const std::string& extra) {
        std::vector<ArtifactArchiveEntry> entries{entry(root + "/package.json")};
        for (int i = 0; i < 10; ++i) {
            entries.push_back(entry(root + "/src/f" + std::to_string(i) + ".js"));
        }
        entries.push_back(entry(root + "/src/" + extra));
        return ArtifactProjectSignature::make(entries);
    };
    SmartSharePresetMemoryStore store(defaults());
    store.setAutomaticPreset("srv", "apps/a", tree("A", "a.js"), "none", "uploadFolder", "", "", {}, {}, defaults());
    SmartShareResolvedPlan plan = store.resolve("srv", tree("B", "b.js"), "uploads");
    EXPECT_FALSE(plan.preset.has_value());
    EXPECT_FALSE(plan.shouldAutoApply);
    EXPECT_EQ(plan.destinationFolder, "uploads");
    // The same project is still recognised.
    EXPECT_TRUE(store.resolve("srv", tree("A2", "a.js"), "uploads").shouldAutoApply);
}

TEST_F(SmartShareLearning, AutomaticConfigurationsRefreshInPlaceAndKeepForty) {
    SmartSharePresetMemoryStore store(defaults());
    for (int i = 0; i < 41; ++i) {
        clock.set(1000 + i);
        store.setAutomaticConfiguration(project("p" + std::to_string(i)), "multi", {"a", " A ", "b"}, "a", "all",
                                        false, defaults());
    }
    ASSERT_EQ(store.automaticConfigurations().size(), 40u);
    EXPECT_EQ(store.automaticConfigurations().front().signature, project("p40"));
    EXPECT_EQ(store.automaticConfigurations().back().signature, project("p1"));
    EXPECT_EQ(store.automaticConfigurations().front().selectedServerIDs, (Lines{"a", "b"}));

    const SmartShareAutomaticConfiguration before = store.automaticConfigurations()[20];
    clock.set(5000);
    store.setAutomaticConfiguration(before.signature, "single", {"b"}, "b", "oneByOne", true, defaults());
    ASSERT_EQ(store.automaticConfigurations().size(), 40u);
    const SmartShareAutomaticConfiguration& after = store.automaticConfigurations().front();
    EXPECT_EQ(after.id, before.id);
    EXPECT_EQ(after.createdAtEpoch, before.createdAtEpoch);
    EXPECT_EQ(after.updatedAtEpoch, 5000);
    EXPECT_EQ(after.serverModeRaw, "single");
    EXPECT_TRUE(after.preferRegularForLinkedDeployment);

    SmartSharePresetMemoryStore reloaded(defaults());
    EXPECT_EQ(reloaded.automaticConfigurations(), store.automaticConfigurations());
    auto resolved = reloaded.resolveAutomaticConfiguration(before.signature);
    ASSERT_TRUE(resolved.has_value());
    EXPECT_EQ(resolved->id, before.id);
}

}  // namespace
}  // namespace tarvo
