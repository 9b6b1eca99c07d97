// Records of the smart-share memory and the store's stored form.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Uuid.h"
#include "tests/artifacts/ArtifactTestSupport.h"

namespace tarvo {
namespace {

using testing::entry;
using Lines = std::vector<std::string>;

class SmartShareStore : public testing::TempDefaults {
protected:
    void putText(std::string_view key, const std::string& text) {
        defaults().set(key, platform::PropertyList(platform::PropertyList::Data(text.begin(), text.end())));
    }
    std::string storedText(std::string_view key) {
        auto data = defaults().data(key);
        return data ? std::string(data->begin(), data->end()) : std::string("<absent>");
    }
    static ArtifactProjectSignature project() {
        return ArtifactProjectSignature::make({entry("Proj/Package.swift", 1, 10), entry("Proj/build.sh", 2, 20)});
    }
    static std::string configurationJson(const std::string& id, bool withPreference = true) {
        platform::Json c = platform::Json::object();
        c["id"] = id;
        c["signature"] = project().toJson();
        c["serverModeRaw"] = "multi";
        c["selectedServerIDs"] = Lines{"a", "b"};
        c["activeServerID"] = "a";
        c["multiDispatchModeRaw"] = "all";
        if (withPreference) {
            c["preferRegularForLinkedDeployment"] = true;
        }
        c["createdAtEpoch"] = 1.5;
        c["updatedAtEpoch"] = 2.5;
        return platform::encodeCompact(platform::Json::array({c}));
    }
};

TEST(SmartSharePreset, NormalizedListTrimsAndDropsBlanksAndCaseDuplicates) {
    EXPECT_EQ(SmartSharePreset::normalizedList({"a.sh", " A.sh ", "", "b.sh", "  "}), (Lines{"a.sh", "b.sh"}));
    EXPECT_EQ(SmartSharePreset::normalizedList({"\u00A0Deploy.sh\n", "deploy.SH", "x"}), (Lines{"Deploy.sh", "x"}));
    EXPECT_TRUE(SmartSharePreset::normalizedList({}).empty());
}

TEST(SmartSharePreset, ConstructionAppliesTheScriptListRule) {
    SmartSharePreset p("id", "s", "n", "unknown", "uploads", std::nullopt, "run", "uploadFolder", "", "",
                       std::string(" build.sh "), std::string("0000abcd:1"), {}, {}, false, {}, 1, 2);
    EXPECT_EQ(p.selectedScriptPath, " build.sh ");
    EXPECT_EQ(p.selectedScriptPaths, (Lines{"build.sh"}));
    EXPECT_EQ(p.selectedScriptFingerprints, (Lines{"0000abcd:1"}));

    // Only an empty list falls back; a list of blanks normalises to nothing.
    SmartSharePreset blanks("id", "s", "n", "unknown", "uploads", std::nullopt, "run", "uploadFolder", "", "",
                            std::nullopt, std::string("f"), {}, {" ", ""}, false, {}, 1, 2);
    EXPECT_TRUE(blanks.selectedScriptPaths.empty());
    EXPECT_TRUE(blanks.selectedScriptFingerprints.empty());

    SmartSharePreset listed("id", "s", "n", "unknown", "uploads", std::nullopt, "run", "uploadFolder", "", "",
                            std::string("ignored.sh"), std::nullopt, {"b.sh", "B.SH", "c.sh"}, {}, false, {}, 1, 2);
    EXPECT_EQ(listed.selectedScriptPaths, (Lines{"b.sh", "c.sh"}));
    EXPECT_TRUE(listed.selectedScriptFingerprints.empty());
}

TEST_F(SmartShareStore, PresetWithOnlyServerIdReadsWithDefaults) {
    const auto clock = platform::Clock::fixedAt(1700000000.25);
    putText(SmartSharePresetMemoryStore::presetsKey,
            R"([{"serverID": "srv"}, {"serverID": "srv2", "selectedScriptPath": " build.sh ", "createdAtEpoch": 5}])");
    SmartSharePresetMemoryStore store(defaults());
    ASSERT_EQ(store.presets().size(), 2u);
    const SmartSharePreset& p = store.presets()[0];
    EXPECT_EQ(p.serverID, "srv");
    EXPECT_EQ(p.name, "Smart Upload");
    EXPECT_EQ(p.category, "unknown");
    EXPECT_EQ(p.destinationFolder, "uploads");
    EXPECT_FALSE(p.signature.has_value());
    EXPECT_EQ(p.postUploadActionRaw, "none");
    EXPECT_EQ(p.workingDirectoryRaw, "uploadFolder");
    EXPECT_EQ(p.customWorkingDirectory, "");
    EXPECT_EQ(p.deployCommand, "");
    EXPECT_FALSE(p.selectedScriptPath.has_value());
    EXPECT_TRUE(p.selectedScriptPaths.empty());
    EXPECT_TRUE(p.selectedScriptFingerprints.empty());
    EXPECT_FALSE(p.isExplicitAutomatic);
    EXPECT_TRUE(p.evidence.empty());
    EXPECT_TRUE(platform::isUUIDString(p.id));
    EXPECT_EQ(p.createdAtEpoch, 1700000000.25);
    EXPECT_EQ(p.updatedAtEpoch, 1700000000.25);

    const SmartSharePreset& q = store.presets()[1];
    EXPECT_EQ(q.selectedScriptPath, " build.sh ");
    EXPECT_EQ(q.selectedScriptPaths, (Lines{"build.sh"}));
    EXPECT_EQ(q.createdAtEpoch, 5);
    EXPECT_EQ(q.updatedAtEpoch, 5);  // a missing update time is the creation time

    // An id-less record gets a new id at every load until it is saved.
    EXPECT_NE(SmartSharePresetMemoryStore(defaults()).presets()[0].id, p.id);
}

TEST_F(SmartShareStore, RoundTripThroughDefaults) {
    const auto clock = platform::Clock::fixedAt(1000.5);
    SmartSharePresetMemoryStore store(defaults());
    EXPECT_TRUE(store.presets().empty());
    store.learn("srv", "apps", project(), "unzipThenRun", "extractedFolder", "", "bash './build.sh'",
                std::string("build.sh"), std::string("00000002:20"), {"build.sh"}, {"00000002:20"}, 0.42,
                {"new filetree DNA", "markers: package.swift"}, defaults());
    store.learn("srv", "", std::nullopt, "none", "uploadFolder", "", "", std::nullopt, std::nullopt, {}, {}, 0.28,
                {"no structural signature available"}, defaults());
    store.setAutomaticConfiguration(project(), "multi", {"srv", " other "}, "srv", "oneByOne", true, defaults());

    SmartSharePresetMemoryStore reloaded(defaults());
    EXPECT_EQ(reloaded.presets(), store.presets());
    EXPECT_EQ(reloaded.automaticConfigurations(), store.automaticConfigurations());
    ASSERT_EQ(reloaded.presets().size(), 2u);
    EXPECT_EQ(reloaded.automaticConfigurations()[0].selectedServerIDs, (Lines{"srv", "other"}));

    // Stored as data holding compact JSON with sorted keys; an absent signature is left out.
    auto stored = defaults().object(SmartSharePresetMemoryStore::presetsKey);
    ASSERT_TRUE(stored.has_value());
    EXPECT_NE(stored->asData(), nullptr);
    platform::Json presets = platform::parseJson(storedText(SmartSharePresetMemoryStore::presetsKey));
    EXPECT_FALSE(presets[0].contains("signature"));
    EXPECT_FALSE(presets[0].contains("selectedScriptPath"));
    EXPECT_TRUE(presets[1].contains("signature"));
    std::string text = storedText(SmartSharePresetMemoryStore::presetsKey);
    EXPECT_EQ(text, platform::encodeSorted(presets));
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_LT(text.find("\"category\""), text.find("\"createdAtEpoch\""));
    EXPECT_LT(text.find("\"contentDigest\""), text.find("\"exactDigest\""));
}

TEST_F(SmartShareStore, OneUndecodableRecordEmptiesOnlyItsOwnList) {
    const std::string goodPreset = R"({"serverID": "srv"})";
    const std::string badOutcome =
        R"({"serverID": "srv", "evidence": [{"id": "e", "outcome": "maybe", "destinationFolder": "",
            "score": 1, "evidence": [], "createdAtEpoch": 1}]})";
    const std::string badPresets[] = {
        "[" + goodPreset + "," + badOutcome + "]",
        "[" + goodPreset + R"(, {"isExplicitAutomatic": "yes"}])",
        "[" + goodPreset + R"(, {"signature": {"exactDigest": "x"}}])",
        "[" + goodPreset + R"(, {"evidence": [{"id": "e"}]}])",
        "[" + goodPreset + R"(, 7])",
        R"({"serverID": "srv"})",
        "not json",
    };
    for (const auto& stored : badPresets) {
        putText(SmartSharePresetMemoryStore::presetsKey, stored);
        putText(SmartSharePresetMemoryStore::automaticConfigurationsKey, configurationJson("c1"));
        SmartSharePresetMemoryStore store(defaults());
        EXPECT_TRUE(store.presets().empty()) << stored;
        EXPECT_EQ(store.automaticConfigurations().size(), 1u) << stored;
        // Nothing is rewritten by loading.
        EXPECT_EQ(storedText(SmartSharePresetMemoryStore::presetsKey), stored);
    }

    putText(SmartSharePresetMemoryStore::presetsKey, "[" + goodPreset + "]");
    putText(SmartSharePresetMemoryStore::automaticConfigurationsKey, configurationJson("c1", false));
    SmartSharePresetMemoryStore store(defaults());
    EXPECT_EQ(store.presets().size(), 1u);
    EXPECT_TRUE(store.automaticConfigurations().empty());

    // A value of another type under the key reads as nothing stored.
    defaults().set(SmartSharePresetMemoryStore::presetsKey, platform::PropertyList("[]"));
    EXPECT_TRUE(SmartSharePresetMemoryStore(defaults()).presets().empty());
}

TEST_F(SmartShareStore, AListThatCannotBeEncodedWritesNothing) {
    putText(SmartSharePresetMemoryStore::presetsKey, "[]");
    putText(SmartSharePresetMemoryStore::automaticConfigurationsKey, "[]");
    SmartSharePreset broken;
    broken.serverID = "srv";
    broken.createdAtEpoch = std::numeric_limits<double>::infinity();
    SmartSharePresetMemoryStore store({broken}, {});
    store.setAutomaticConfiguration(project(), "single", {"srv"}, "srv", "all", false, defaults());
    EXPECT_EQ(store.automaticConfigurations().size(), 1u);  // kept in memory
    EXPECT_EQ(storedText(SmartSharePresetMemoryStore::presetsKey), "[]");
    EXPECT_EQ(storedText(SmartSharePresetMemoryStore::automaticConfigurationsKey), "[]");
}

TEST(SmartSharePresetEvidence, OutcomeRawValuesAndStrictRecord) {
    using O = SmartSharePresetEvidence::Outcome;
    for (O o : allCases<O>()) {
        EXPECT_EQ(fromRawValue<O>(rawValue(o)), o);
    }
    EXPECT_FALSE(fromRawValue<O>("Uploaded").has_value());

    SmartSharePresetEvidence e{"id", O::accepted, "", 1.0, {"set as automatic by user"}, 12.5};
    platform::Json json = e.toJson();
    EXPECT_EQ(json["outcome"], "accepted");
    EXPECT_EQ(SmartSharePresetEvidence::fromJson(json), e);
    for (const char* key : {"id", "outcome", "destinationFolder", "score", "evidence", "createdAtEpoch"}) {
        platform::Json missing = json;
        missing.erase(key);
        EXPECT_THROW(SmartSharePresetEvidence::fromJson(missing), platform::DecodingError) << key;
    }
}

}  // namespace
}  // namespace tarvo
