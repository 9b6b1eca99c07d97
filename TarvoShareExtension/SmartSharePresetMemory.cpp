// Records of the smart-share memory, their stored JSON form, and loading and saving the store.
#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "TarvoShareExtension/SmartSharePresetMemory.h"

#include <atomic>
#include <cmath>
#include <stdexcept>
#include <unordered_set>
#include <utility>

#include "platform/foundation/Clock.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Uuid.h"

namespace tarvo {

using platform::Json;
namespace pj = platform::json;
namespace text = platform::text;

namespace {

// JSON has no NaN or infinity; a record holding one cannot be written.
Json number(double value, const char* key) {
    if (!std::isfinite(value)) {
        throw std::invalid_argument(std::string("not a finite number: ") + key);
    }
    return Json(value);
}

// The script-list rule: an empty list falls back to the single value, then normalises.
std::vector<std::string> scriptList(std::vector<std::string> list, const std::optional<std::string>& single) {
    if (list.empty() && single) {
        list.push_back(*single);
    }
    return SmartSharePreset::normalizedList(list);
}

}  // namespace

// ---- SmartSharePresetEvidence

std::string_view rawValue(SmartSharePresetEvidence::Outcome outcome) {
    using O = SmartSharePresetEvidence::Outcome;
    switch (outcome) {
        case O::accepted: return "accepted";
        case O::edited: return "edited";
        case O::rejected: return "rejected";
        case O::uploaded: return "uploaded";
        case O::failed: return "failed";
    }
    return "uploaded";
}

template <>
std::optional<SmartSharePresetEvidence::Outcome> fromRawValue<SmartSharePresetEvidence::Outcome>(
    std::string_view raw) {
    using O = SmartSharePresetEvidence::Outcome;
    for (O o : allCases<O>()) {
        if (rawValue(o) == raw) {
            return o;
        }
    }
    return std::nullopt;
}

Json SmartSharePresetEvidence::toJson() const {
    Json out = Json::object();
    out["id"] = id;
    out["outcome"] = std::string(rawValue(outcome));
    out["destinationFolder"] = destinationFolder;
    out["score"] = number(score, "score");
    out["evidence"] = evidence;
    out["createdAtEpoch"] = number(createdAtEpoch, "createdAtEpoch");
    return out;
}

SmartSharePresetEvidence SmartSharePresetEvidence::fromJson(const Json& json) {
    const Json& object = pj::asObject(json);
    SmartSharePresetEvidence e;
    e.id = pj::requireString(object, "id");
    auto outcome = fromRawValue<Outcome>(pj::requireString(object, "outcome"));
    if (!outcome) {
        throw platform::DecodingError(platform::DecodingError::Kind::dataCorrupted, "outcome");
    }
    e.outcome = *outcome;
    e.destinationFolder = pj::requireString(object, "destinationFolder");
    e.score = pj::requireDouble(object, "score");
    e.evidence = pj::requireStringArray(object, "evidence");
    e.createdAtEpoch = pj::requireDouble(object, "createdAtEpoch");
    return e;
}

// ---- SmartSharePreset

SmartSharePreset::SmartSharePreset(std::string id, std::string serverID, std::string name, std::string category,
                                   std::string destinationFolder, std::optional<ArtifactProjectSignature> signature,
                                   std::string postUploadActionRaw, std::string workingDirectoryRaw,
                                   std::string customWorkingDirectory, std::string deployCommand,
                                   std::optional<std::string> selectedScriptPath,
                                   std::optional<std::string> selectedScriptFingerprint,
                                   std::vector<std::string> selectedScriptPaths,
                                   std::vector<std::string> selectedScriptFingerprints, bool isExplicitAutomatic,
                                   std::vector<SmartSharePresetEvidence> evidence, double createdAtEpoch,
                                   double updatedAtEpoch)
    : id(std::move(id)),
      serverID(std::move(serverID)),
      name(std::move(name)),
      category(std::move(category)),
      destinationFolder(std::move(destinationFolder)),
      signature(std::move(signature)),
      postUploadActionRaw(std::move(postUploadActionRaw)),
      workingDirectoryRaw(std::move(workingDirectoryRaw)),
      customWorkingDirectory(std::move(customWorkingDirectory)),
      deployCommand(std::move(deployCommand)),
      selectedScriptPath(std::move(selectedScriptPath)),
      selectedScriptFingerprint(std::move(selectedScriptFingerprint)),
      selectedScriptPaths(scriptList(std::move(selectedScriptPaths), this->selectedScriptPath)),
      selectedScriptFingerprints(scriptList(std::move(selectedScriptFingerprints), this->selectedScriptFingerprint)),
      isExplicitAutomatic(isExplicitAutomatic),
      evidence(std::move(evidence)),
      createdAtEpoch(createdAtEpoch),
      updatedAtEpoch(updatedAtEpoch) {}

std::vector<std::string> SmartSharePreset::normalizedList(const std::vector<std::string>& items) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (const auto& item : items) {
        std::string trimmed = text::trimmed(item);
        if (trimmed.empty()) {
            continue;
        }
        if (seen.insert(artifactLowercased(trimmed)).second) {
            out.push_back(std::move(trimmed));
        }
    }
    return out;
}

Json SmartSharePreset::toJson() const {
    Json out = Json::object();
    out["id"] = id;
    out["serverID"] = serverID;
    out["name"] = name;
    out["category"] = category;
    out["destinationFolder"] = destinationFolder;
    if (signature) {
        out["signature"] = signature->toJson();
    }
    out["postUploadActionRaw"] = postUploadActionRaw;
    out["workingDirectoryRaw"] = workingDirectoryRaw;
    out["customWorkingDirectory"] = customWorkingDirectory;
    out["deployCommand"] = deployCommand;
    if (selectedScriptPath) {
        out["selectedScriptPath"] = *selectedScriptPath;
    }
    if (selectedScriptFingerprint) {
        out["selectedScriptFingerprint"] = *selectedScriptFingerprint;
    }
    out["selectedScriptPaths"] = selectedScriptPaths;
    out["selectedScriptFingerprints"] = selectedScriptFingerprints;
    out["isExplicitAutomatic"] = isExplicitAutomatic;
    Json history = Json::array();
    for (const auto& entry : evidence) {
        history.push_back(entry.toJson());
    }
    out["evidence"] = std::move(history);
    out["createdAtEpoch"] = number(createdAtEpoch, "createdAtEpoch");
    out["updatedAtEpoch"] = number(updatedAtEpoch, "updatedAtEpoch");
    return out;
}

SmartSharePreset SmartSharePreset::fromJson(const Json& json) {
    const Json& object = pj::asObject(json);
    std::optional<ArtifactProjectSignature> signature;
    if (const Json* stored = pj::optionalObject(object, "signature")) {
        signature = ArtifactProjectSignature::fromJson(*stored);
    }
    std::vector<std::string> paths;
    if (const Json* stored = pj::optionalArray(object, "selectedScriptPaths")) {
        paths = pj::asStringArray(*stored, "selectedScriptPaths");
    }
    std::vector<std::string> fingerprints;
    if (const Json* stored = pj::optionalArray(object, "selectedScriptFingerprints")) {
        fingerprints = pj::asStringArray(*stored, "selectedScriptFingerprints");
    }
    std::vector<SmartSharePresetEvidence> history;
    if (const Json* stored = pj::optionalArray(object, "evidence")) {
        history.reserve(stored->size());
        for (const auto& item : *stored) {
            history.push_back(SmartSharePresetEvidence::fromJson(item));
        }
    }
    std::optional<std::string> id = pj::optionalString(object, "id");
    double created = pj::optionalDouble(object, "createdAtEpoch").value_or(platform::nowEpochSeconds());
    double updated = pj::optionalDouble(object, "updatedAtEpoch").value_or(created);
    return SmartSharePreset(id ? std::move(*id) : platform::makeUUIDString(),
                            pj::stringOr(object, "serverID", ""),
                            pj::stringOr(object, "name", "Smart Upload"),
                            pj::stringOr(object, "category", "unknown"),
                            pj::stringOr(object, "destinationFolder", "uploads"),
                            std::move(signature),
                            pj::stringOr(object, "postUploadActionRaw", "none"),
                            pj::stringOr(object, "workingDirectoryRaw", "uploadFolder"),
                            pj::stringOr(object, "customWorkingDirectory", ""),
                            pj::stringOr(object, "deployCommand", ""),
                            pj::optionalString(object, "selectedScriptPath"),
                            pj::optionalString(object, "selectedScriptFingerprint"),
                            std::move(paths), std::move(fingerprints),
                            pj::boolOr(object, "isExplicitAutomatic", false),
                            std::move(history), created, updated);
}

// ---- SmartShareAutomaticConfiguration

Json SmartShareAutomaticConfiguration::toJson() const {
    Json out = Json::object();
    out["id"] = id;
    out["signature"] = signature.toJson();
    out["serverModeRaw"] = serverModeRaw;
    out["selectedServerIDs"] = selectedServerIDs;
    out["activeServerID"] = activeServerID;
    out["multiDispatchModeRaw"] = multiDispatchModeRaw;
    out["preferRegularForLinkedDeployment"] = preferRegularForLinkedDeployment;
    out["createdAtEpoch"] = number(createdAtEpoch, "createdAtEpoch");
    out["updatedAtEpoch"] = number(updatedAtEpoch, "updatedAtEpoch");
    return out;
}

SmartShareAutomaticConfiguration SmartShareAutomaticConfiguration::fromJson(const Json& json) {
    const Json& object = pj::asObject(json);
    SmartShareAutomaticConfiguration c;
    c.id = pj::requireString(object, "id");
    c.signature = ArtifactProjectSignature::fromJson(pj::requireObject(object, "signature"));
    c.serverModeRaw = pj::requireString(object, "serverModeRaw");
    c.selectedServerIDs = pj::requireStringArray(object, "selectedServerIDs");
    c.activeServerID = pj::requireString(object, "activeServerID");
    c.multiDispatchModeRaw = pj::requireString(object, "multiDispatchModeRaw");
    c.preferRegularForLinkedDeployment = pj::requireBool(object, "preferRegularForLinkedDeployment");
    c.createdAtEpoch = pj::requireDouble(object, "createdAtEpoch");
    c.updatedAtEpoch = pj::requireDouble(object, "updatedAtEpoch");
    return c;
}

// ---- the store

namespace {

template <class Record>
std::vector<Record> loadList(const platform::UserDefaults& defaults, std::string_view key) {
    std::optional<platform::PropertyList::Data> data = defaults.data(key);
    if (!data) {
        return {};
    }
    try {
        Json stored = platform::parseJson(
            std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
        const Json& items = pj::asArray(stored);
        std::vector<Record> out;
        out.reserve(items.size());
        for (const auto& item : items) {
            out.push_back(Record::fromJson(item));
        }
        return out;
    } catch (const std::exception&) {
        // One record that does not decode makes the whole list unusable.
        return {};
    }
}

template <class Record>
platform::PropertyList::Data encodeList(const std::vector<Record>& records) {
    Json items = Json::array();
    for (const auto& record : records) {
        items.push_back(record.toJson());
    }
    std::string text = platform::encodeSorted(items);
    return platform::PropertyList::Data(text.begin(), text.end());
}

}  // namespace

SmartSharePresetMemoryStore::SmartSharePresetMemoryStore(const platform::UserDefaults& defaults)
    : lists_(std::make_shared<Lists>(Lists{loadList<SmartSharePreset>(defaults, presetsKey),
                                           loadList<SmartShareAutomaticConfiguration>(defaults, automaticConfigurationsKey)})) {}

SmartSharePresetMemoryStore::SmartSharePresetMemoryStore(
    std::vector<SmartSharePreset> presets, std::vector<SmartShareAutomaticConfiguration> automaticConfigurations)
    : lists_(std::make_shared<Lists>(Lists{std::move(presets), std::move(automaticConfigurations)})) {}

SmartSharePresetMemoryStore::SmartSharePresetMemoryStore(std::shared_ptr<Lists> lists) : lists_(std::move(lists)) {}

std::shared_ptr<const SmartSharePresetMemoryStore> SmartSharePresetMemoryStore::snapshot() const {
    // Private constructor, so no make_shared.
    if (!snapshot_) snapshot_ = std::shared_ptr<const SmartSharePresetMemoryStore>(new SmartSharePresetMemoryStore(lists_));
    return snapshot_;
}

void SmartSharePresetMemoryStore::changed() {
    ++revision_;
    snapshot_.reset();
    if (lists_.use_count() > 1) {
        // A view (or a plan lending one of its presets) still reads these lists on some thread.
        lists_ = std::make_shared<Lists>(*lists_);
    } else {
        // The last other holder let go on another thread: see its reads done before writing.
        std::atomic_thread_fence(std::memory_order_acquire);
    }
}

void SmartSharePresetMemoryStore::save(platform::UserDefaults& defaults) const {
    platform::PropertyList::Data presetData;
    platform::PropertyList::Data configurationData;
    try {
        presetData = encodeList(lists_->presets);
        configurationData = encodeList(lists_->automaticConfigurations);
    } catch (const std::exception&) {
        // Never write one list without the other.
        return;
    }
    try {
        defaults.set(presetsKey, platform::PropertyList(std::move(presetData)));
        defaults.set(automaticConfigurationsKey, platform::PropertyList(std::move(configurationData)));
        defaults.synchronize();
    } catch (const std::exception&) {
        // The memory is a convenience: a store that cannot be written keeps the change in
        // memory for this share and loses nothing the user typed.
    }
}

}  // namespace tarvo
