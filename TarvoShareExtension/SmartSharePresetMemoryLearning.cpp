// Learning from what the user does: refreshing or creating presets after an upload, and the
// make-automatic action for presets and server configurations.
#include <algorithm>
#include <cctype>

#include "TarvoShareExtension/SmartSharePresetMemory.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Uuid.h"

namespace tarvo {

namespace {

constexpr double kLearnMatchMinimum = 0.74;
constexpr double kAutomaticMatchMinimum = 0.56;

std::string capitalized(std::string word) {
    if (!word.empty()) {
        word[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    }
    return word;
}

template <class T>
void insertAtFront(std::vector<T>& list, T item, std::size_t cap) {
    list.insert(list.begin(), std::move(item));
    if (list.size() > cap) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(cap), list.end());
    }
}

template <class T>
void moveToFront(std::vector<T>& list, std::size_t index) {
    std::rotate(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(index),
                list.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

std::optional<std::string> firstOf(const std::vector<std::string>& list) {
    return list.empty() ? std::nullopt : std::optional<std::string>(list.front());
}

}  // namespace

void SmartSharePresetMemoryStore::learn(
    const std::string& serverID, const std::string& draftFolder, const std::optional<ArtifactProjectSignature>& signature,
    const std::string& draftPostAction, const std::string& workingDirectory, const std::string& customWorkingDirectory,
    const std::string& deployCommand, const std::optional<std::string>& selectedScriptPath,
    const std::optional<std::string>& selectedScriptFingerprint, const std::vector<std::string>& selectedScriptPaths,
    const std::vector<std::string>& selectedScriptFingerprints, double score, const std::vector<std::string>& evidence,
    platform::UserDefaults& defaults) {
    changed();
    const std::string kind = category(signature);

    SmartSharePreset* match = nullptr;
    if (signature) {
        for (auto& preset : lists_->presets) {
            if (preset.serverID == serverID && this->score(*signature, preset).score >= kLearnMatchMinimum) {
                match = &preset;
                break;
            }
        }
    }

    SmartSharePresetEvidence entry;
    entry.id = platform::makeUUIDString();
    entry.outcome = SmartSharePresetEvidence::Outcome::uploaded;
    entry.destinationFolder = draftFolder;
    entry.score = score;
    entry.evidence = evidence;
    entry.createdAtEpoch = platform::nowEpochSeconds();

    if (match != nullptr) {
        match->destinationFolder = draftFolder;
        match->postUploadActionRaw = draftPostAction;
        match->workingDirectoryRaw = workingDirectory;
        match->customWorkingDirectory = customWorkingDirectory;
        match->deployCommand = deployCommand;
        std::vector<std::string> paths = selectedScriptPaths;
        if (paths.empty() && selectedScriptPath) {
            paths.push_back(*selectedScriptPath);
        }
        paths = SmartSharePreset::normalizedList(paths);
        std::vector<std::string> fingerprints = selectedScriptFingerprints;
        if (fingerprints.empty() && selectedScriptFingerprint) {
            fingerprints.push_back(*selectedScriptFingerprint);
        }
        fingerprints = SmartSharePreset::normalizedList(fingerprints);
        // A share that chose no script keeps the scripts remembered from earlier shares.
        if (selectedScriptPath && !selectedScriptPath->empty()) {
            match->selectedScriptPath = selectedScriptPath;
        }
        if (selectedScriptFingerprint && !selectedScriptFingerprint->empty()) {
            match->selectedScriptFingerprint = selectedScriptFingerprint;
        }
        if (!paths.empty()) {
            match->selectedScriptPaths = std::move(paths);
        }
        if (!fingerprints.empty()) {
            match->selectedScriptFingerprints = std::move(fingerprints);
        }
        insertAtFront(match->evidence, std::move(entry), maxEvidencePerPreset);
        match->updatedAtEpoch = platform::nowEpochSeconds();
    } else {
        double created = platform::nowEpochSeconds();
        double updated = platform::nowEpochSeconds();
        std::vector<SmartSharePresetEvidence> history;
        history.push_back(std::move(entry));
        SmartSharePreset preset(platform::makeUUIDString(), serverID,
                                kind == "unknown" ? "Smart Upload" : capitalized(kind) + " Upload", kind,
                                draftFolder, signature, draftPostAction,
                                workingDirectory, customWorkingDirectory, deployCommand, selectedScriptPath,
                                selectedScriptFingerprint, selectedScriptPaths, selectedScriptFingerprints, false,
                                std::move(history), created, updated);
        lists_->presets.insert(lists_->presets.begin(), std::move(preset));
    }
    save(defaults);
}

void SmartSharePresetMemoryStore::setAutomaticPreset(
    const std::string& serverID, const std::string& draftFolder, const ArtifactProjectSignature& signature,
    const std::string& draftPostAction, const std::string& workingDirectory, const std::string& customWorkingDirectory,
    const std::string& deployCommand, const std::vector<std::string>& selectedScriptPaths,
    const std::vector<std::string>& selectedScriptFingerprints, platform::UserDefaults& defaults) {
    changed();
    const std::vector<std::string> paths = SmartSharePreset::normalizedList(selectedScriptPaths);
    const std::vector<std::string> fingerprints = SmartSharePreset::normalizedList(selectedScriptFingerprints);
    const double now = platform::nowEpochSeconds();
    const std::string evidenceID = platform::makeUUIDString();

    struct Kept {
        std::size_t index;
        double score;
    };
    std::vector<Kept> kept;
    for (std::size_t i = 0; i < lists_->presets.size(); ++i) {
        if (lists_->presets[i].serverID != serverID) {
            continue;
        }
        SmartShareScore s = signatureScore(signature, lists_->presets[i].signature);
        if (s.score >= kAutomaticMatchMinimum && hasIdentityEvidence(s.evidence)) {
            kept.push_back({i, s.score});
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [this](const Kept& a, const Kept& b) {
        bool aExplicit = lists_->presets[a.index].isExplicitAutomatic;
        bool bExplicit = lists_->presets[b.index].isExplicitAutomatic;
        if (aExplicit != bExplicit) {
            return aExplicit;
        }
        return a.score > b.score;
    });

    SmartSharePresetEvidence entry;
    entry.id = evidenceID;
    entry.outcome = SmartSharePresetEvidence::Outcome::accepted;
    entry.destinationFolder = draftFolder;
    entry.score = 1.0;
    entry.evidence = {"set as automatic by user"};
    entry.createdAtEpoch = now;

    if (!kept.empty()) {
        std::size_t index = kept.front().index;
        SmartSharePreset& preset = lists_->presets[index];
        preset.destinationFolder = draftFolder;
        preset.signature = signature;
        preset.postUploadActionRaw = draftPostAction;
        preset.workingDirectoryRaw = workingDirectory;
        preset.customWorkingDirectory = customWorkingDirectory;
        preset.deployCommand = deployCommand;
        preset.selectedScriptPath = firstOf(paths);
        preset.selectedScriptFingerprint = firstOf(fingerprints);
        preset.selectedScriptPaths = paths;
        preset.selectedScriptFingerprints = fingerprints;
        preset.isExplicitAutomatic = true;
        insertAtFront(preset.evidence, std::move(entry), maxEvidencePerPreset);
        preset.updatedAtEpoch = now;
        moveToFront(lists_->presets, index);
    } else {
        const std::string kind = category(signature);
        double created = platform::nowEpochSeconds();
        double updated = platform::nowEpochSeconds();
        std::vector<SmartSharePresetEvidence> history;
        history.push_back(std::move(entry));
        SmartSharePreset preset(platform::makeUUIDString(), serverID,
                                kind == "unknown" ? "Automatic Upload" : "Automatic " + capitalized(kind) + " Upload",
                                kind, draftFolder.empty() ? "uploads" : draftFolder, signature, draftPostAction,
                                workingDirectory, customWorkingDirectory, deployCommand, firstOf(paths),
                                firstOf(fingerprints), paths, fingerprints, true, std::move(history), created, updated);
        lists_->presets.insert(lists_->presets.begin(), std::move(preset));
    }
    save(defaults);
}

void SmartSharePresetMemoryStore::setAutomaticConfiguration(const ArtifactProjectSignature& signature,
                                                            const std::string& serverModeRaw,
                                                            const std::vector<std::string>& selectedServerIDs,
                                                            const std::string& activeServerID,
                                                            const std::string& multiDispatchModeRaw,
                                                            bool preferRegularForLinkedDeployment,
                                                            platform::UserDefaults& defaults) {
    changed();
    const double now = platform::nowEpochSeconds();
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i < lists_->automaticConfigurations.size(); ++i) {
        SmartShareScore s = signatureScore(signature, lists_->automaticConfigurations[i].signature);
        if (s.score >= kAutomaticMatchMinimum && hasIdentityEvidence(s.evidence)) {
            found = i;
            break;
        }
    }
    if (found) {
        SmartShareAutomaticConfiguration& configuration = lists_->automaticConfigurations[*found];
        configuration.signature = signature;
        configuration.serverModeRaw = serverModeRaw;
        configuration.selectedServerIDs = SmartSharePreset::normalizedList(selectedServerIDs);
        configuration.activeServerID = activeServerID;
        configuration.multiDispatchModeRaw = multiDispatchModeRaw;
        configuration.preferRegularForLinkedDeployment = preferRegularForLinkedDeployment;
        configuration.updatedAtEpoch = now;
        moveToFront(lists_->automaticConfigurations, *found);
    } else {
        SmartShareAutomaticConfiguration configuration;
        configuration.id = platform::makeUUIDString();
        configuration.signature = signature;
        configuration.serverModeRaw = serverModeRaw;
        configuration.selectedServerIDs = SmartSharePreset::normalizedList(selectedServerIDs);
        configuration.activeServerID = activeServerID;
        configuration.multiDispatchModeRaw = multiDispatchModeRaw;
        configuration.preferRegularForLinkedDeployment = preferRegularForLinkedDeployment;
        configuration.createdAtEpoch = platform::nowEpochSeconds();
        configuration.updatedAtEpoch = platform::nowEpochSeconds();
        lists_->automaticConfigurations.insert(lists_->automaticConfigurations.begin(), std::move(configuration));
    }
    if (lists_->automaticConfigurations.size() > maxAutomaticConfigurations) {
        lists_->automaticConfigurations.erase(
            lists_->automaticConfigurations.begin() + static_cast<std::ptrdiff_t>(maxAutomaticConfigurations),
            lists_->automaticConfigurations.end());
    }
    save(defaults);
}

}  // namespace tarvo
