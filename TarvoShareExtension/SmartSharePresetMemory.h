#pragma once
// The smart-share memory: how the user uploaded each recognised project to each server before
// (presets), which server setup the user made automatic per project, and the plan resolved from
// them for the next share. Changed on the main thread only, every change saved at once; its
// snapshots and the plans resolved from them are read on any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/RawValue.h"
#include "TarvoShareExtension/SharedImmutable.h"
#include "TarvoShareExtension/ArtifactProjectSignature.h"
#include "platform/foundation/Json.h"
#include "platform/foundation/UserDefaults.h"

namespace tarvo {

// One recorded outcome of a preset.
struct SmartSharePresetEvidence {
    enum class Outcome { accepted, edited, rejected, uploaded, failed };

    std::string id;
    Outcome outcome = Outcome::uploaded;
    std::string destinationFolder;  // the draft's folder at that moment, as the user had it
    double score = 0;               // the plan's score at that moment
    std::vector<std::string> evidence;
    double createdAtEpoch = 0;

    bool operator==(const SmartSharePresetEvidence&) const = default;

    // Throws std::invalid_argument for a number JSON cannot carry (not finite).
    platform::Json toJson() const;
    // Every key required; throws platform::DecodingError.
    static SmartSharePresetEvidence fromJson(const platform::Json& json);
};

std::string_view rawValue(SmartSharePresetEvidence::Outcome outcome);
template <>
std::optional<SmartSharePresetEvidence::Outcome> fromRawValue<SmartSharePresetEvidence::Outcome>(
    std::string_view raw);
template <>
struct EnumCases<SmartSharePresetEvidence::Outcome> {
    using E = SmartSharePresetEvidence::Outcome;
    static constexpr std::array<E, 5> allCases{E::accepted, E::edited, E::rejected, E::uploaded, E::failed};
};

// One remembered upload recipe of one project on one server.
struct SmartSharePreset {
    std::string id;
    std::string serverID;
    std::string name = "Smart Upload";
    std::string category = "unknown";  // "swift", "node", "python", "container" or "unknown"
    std::string destinationFolder = "uploads";
    std::optional<ArtifactProjectSignature> signature;  // absent: no project fingerprint yet
    std::string postUploadActionRaw = "none";
    std::string workingDirectoryRaw = "uploadFolder";
    std::string customWorkingDirectory;
    std::string deployCommand;
    std::optional<std::string> selectedScriptPath;
    std::optional<std::string> selectedScriptFingerprint;
    std::vector<std::string> selectedScriptPaths;         // always normalised
    std::vector<std::string> selectedScriptFingerprints;  // always normalised
    bool isExplicitAutomatic = false;
    std::vector<SmartSharePresetEvidence> evidence;  // newest first, at most 80
    double createdAtEpoch = 0;
    double updatedAtEpoch = 0;

    SmartSharePreset() = default;
    // Empty script lists fall back to the single script fields; both lists are normalised.
    SmartSharePreset(std::string id, std::string serverID, std::string name, std::string category,
                     std::string destinationFolder, std::optional<ArtifactProjectSignature> signature,
                     std::string postUploadActionRaw, std::string workingDirectoryRaw,
                     std::string customWorkingDirectory, std::string deployCommand,
                     std::optional<std::string> selectedScriptPath,
                     std::optional<std::string> selectedScriptFingerprint,
                     std::vector<std::string> selectedScriptPaths,
                     std::vector<std::string> selectedScriptFingerprints, bool isExplicitAutomatic,
                     std::vector<SmartSharePresetEvidence> evidence, double createdAtEpoch,
                     double updatedAtEpoch);

    bool operator==(const SmartSharePreset&) const = default;

    // Trimmed, blanks dropped, duplicates ignoring letter case dropped (first spelling kept).
    static std::vector<std::string> normalizedList(const std::vector<std::string>& items);

    // Absent optionals are left out. Throws std::invalid_argument for a non-finite number.
    platform::Json toJson() const;
    // Lenient: a missing key takes its default (a new id, the current time); a present value
    // of the wrong type, or a malformed evidence entry or signature, throws DecodingError.
    static SmartSharePreset fromJson(const platform::Json& json);
};

// The server mode and server selection the user made automatic for one project.
struct SmartShareAutomaticConfiguration {
    std::string id;
    ArtifactProjectSignature signature;
    std::string serverModeRaw;  // "single" or "multi"
    std::vector<std::string> selectedServerIDs;
    std::string activeServerID;
    std::string multiDispatchModeRaw;  // "all" or "oneByOne"
    bool preferRegularForLinkedDeployment = false;
    double createdAtEpoch = 0;
    double updatedAtEpoch = 0;

    bool operator==(const SmartShareAutomaticConfiguration&) const = default;

    platform::Json toJson() const;
    // Every key required; throws platform::DecodingError.
    static SmartShareAutomaticConfiguration fromJson(const platform::Json& json);
};

// What resolution proposes for one server; never stored. The preset is the store's own record,
// lent, so a plan copies cheaply however large the remembered project tree is.
struct SmartShareResolvedPlan {
    SharedImmutable<SmartSharePreset> preset;  // absent when no remembered preset fits
    double score = 0;                        // 0 ... 1
    std::vector<std::string> evidence;       // shown on the plan card
    std::string destinationFolder;
    bool shouldAutoApply = false;

    bool operator==(const SmartShareResolvedPlan&) const = default;
};

// A similarity score with the reasons behind it.
struct SmartShareScore {
    double score = 0;
    std::vector<std::string> evidence;

    bool operator==(const SmartShareScore&) const = default;
};

class SmartSharePresetMemoryStore {
public:
    static constexpr std::string_view presetsKey = "share.smartPresetMemory.v1";
    static constexpr std::string_view automaticConfigurationsKey = "share.smartAutomaticConfigurations.v1";
    static constexpr std::size_t maxEvidencePerPreset = 80;
    static constexpr std::size_t maxAutomaticConfigurations = 40;

    // Loads both lists; a list whose stored value does not decode, even in one record, starts
    // empty (the stored bytes stay until the next save).
    explicit SmartSharePresetMemoryStore(const platform::UserDefaults& defaults);
    SmartSharePresetMemoryStore(std::vector<SmartSharePreset> presets,
                                std::vector<SmartShareAutomaticConfiguration> automaticConfigurations);
    SmartSharePresetMemoryStore(const SmartSharePresetMemoryStore&) = delete;
    SmartSharePresetMemoryStore& operator=(const SmartSharePresetMemoryStore&) = delete;

    const std::vector<SmartSharePreset>& presets() const { return lists_->presets; }
    const std::vector<SmartShareAutomaticConfiguration>& automaticConfigurations() const {
        return lists_->automaticConfigurations;
    }

    // Writes both lists (sorted-keys compact JSON as data) or, when either cannot be encoded,
    // nothing at all.
    void save(platform::UserDefaults& defaults) const;

    // ---- reading off the main thread
    // Counts the changes made so far; a plan resolved from one revision is stale at the next.
    std::uint64_t revision() const { return revision_; }
    // An unchanging view of both lists, for resolving plans on another thread while this store
    // may change on the main one. It shares the lists: the store copies them at its next change
    // only while a view is still held (main thread only).
    std::shared_ptr<const SmartSharePresetMemoryStore> snapshot() const;

    // ---- similarity and resolution (pure reads)
    static double jaccard(const std::set<std::string>& a, const std::set<std::string>& b);
    static SmartShareScore signatureScore(const ArtifactProjectSignature& signature,
                                          const std::optional<ArtifactProjectSignature>& reference);
    static SmartShareScore score(const ArtifactProjectSignature& signature, const SmartSharePreset& preset);
    static bool hasIdentityEvidence(const std::vector<std::string>& evidence);
    static std::string category(const std::optional<ArtifactProjectSignature>& signature);

    SmartShareResolvedPlan resolve(const std::string& serverID,
                                   const std::optional<ArtifactProjectSignature>& signature,
                                   const std::string& fallbackFolder) const;
    // The plans of several servers (each as resolve gives it), the project's sets made once.
    std::map<std::string, SmartShareResolvedPlan> resolveAll(const std::vector<std::string>& serverIDs,
                                                             const std::optional<ArtifactProjectSignature>& signature,
                                                             const std::string& fallbackFolder) const;
    std::optional<SmartShareAutomaticConfiguration> resolveAutomaticConfiguration(
        const std::optional<ArtifactProjectSignature>& signature) const;

    // ---- learning (each saves both lists before returning)
    void learn(const std::string& serverID, const std::string& draftFolder,
               const std::optional<ArtifactProjectSignature>& signature, const std::string& draftPostAction,
               const std::string& workingDirectory, const std::string& customWorkingDirectory,
               const std::string& deployCommand, const std::optional<std::string>& selectedScriptPath,
               const std::optional<std::string>& selectedScriptFingerprint,
               const std::vector<std::string>& selectedScriptPaths,
               const std::vector<std::string>& selectedScriptFingerprints, double score,
               const std::vector<std::string>& evidence, platform::UserDefaults& defaults);

    void setAutomaticPreset(const std::string& serverID, const std::string& draftFolder,
                            const ArtifactProjectSignature& signature, const std::string& draftPostAction,
                            const std::string& workingDirectory, const std::string& customWorkingDirectory,
                            const std::string& deployCommand, const std::vector<std::string>& selectedScriptPaths,
                            const std::vector<std::string>& selectedScriptFingerprints,
                            platform::UserDefaults& defaults);

    void setAutomaticConfiguration(const ArtifactProjectSignature& signature, const std::string& serverModeRaw,
                                   const std::vector<std::string>& selectedServerIDs,
                                   const std::string& activeServerID, const std::string& multiDispatchModeRaw,
                                   bool preferRegularForLinkedDeployment, platform::UserDefaults& defaults);

private:
    struct Lists {
        std::vector<SmartSharePreset> presets;
        std::vector<SmartShareAutomaticConfiguration> automaticConfigurations;
    };
    explicit SmartSharePresetMemoryStore(std::shared_ptr<Lists> lists);

    // Every change calls this first: the revision moves on, the snapshot is dropped and the lists
    // become this store's own again if a view still reads them.
    void changed();

    std::uint64_t revision_ = 0;
    mutable std::shared_ptr<const SmartSharePresetMemoryStore> snapshot_;
    // Never null. Written only through a store that holds it alone (see changed()).
    std::shared_ptr<Lists> lists_;
};

}  // namespace tarvo
