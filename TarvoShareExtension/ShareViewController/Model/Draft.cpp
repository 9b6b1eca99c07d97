#include "TarvoShareExtension/ShareViewController/Model/Draft.h"

#include <exception>
#include <optional>
#include <utility>

#include "Shared/HashCombine.h"
#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace pj = platform::json;
using platform::DecodingError;
using platform::Json;

namespace {

template <class E>
std::optional<E> optionalChoice(const Json& obj, std::string_view key) {
    std::optional<std::string> raw = pj::optionalString(obj, key);
    if (!raw) return std::nullopt;
    if (auto choice = fromRawValue<E>(*raw)) return choice;
    throw DecodingError(DecodingError::Kind::dataCorrupted, std::string(key));
}

std::string withoutNul(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c != '\0') out += c;
    }
    return out;
}

}  // namespace

ShareRunNotificationPolicy Draft::defaultNotificationPolicy(ShareExpectedLifetime lifetime) {
    return ShareRunNotificationPolicy::defaults(lifetime);
}

ShareReadinessRule Draft::defaultReadinessRule(ShareExpectedLifetime lifetime) {
    if (lifetime == ShareExpectedLifetime::persistent) return persistentReadinessDefault();
    ShareReadinessRule rule;
    rule.kind = ShareReadinessRule::Kind::none;
    rule.seconds = 0;
    rule.expectedStatus = 200;
    return rule;
}

ShareReadinessRule Draft::persistentReadinessDefault() {
    ShareReadinessRule rule;
    rule.kind = ShareReadinessRule::Kind::survived;
    rule.seconds = 3;
    rule.expectedStatus = 200;
    return rule;
}

Draft Draft::normalized(Draft d) {
    if (d.deployWorkingDirectory == PostUploadWorkingDirectory::extractedFolder && !needsUnzip(d.postUploadAction)) {
        d.deployWorkingDirectory = PostUploadWorkingDirectory::uploadFolder;
    }
    d.selectedScriptPaths = normalizedScriptPathList(d.selectedScriptPaths);
    if (d.expectedLifetime == ShareExpectedLifetime::persistent &&
        d.readinessRule.kind == ShareReadinessRule::Kind::none) {
        d.readinessRule = persistentReadinessDefault();
    }
    return d;
}

Json Draft::toJson() const {
    Json scripts = Json::array();
    for (const auto& path : selectedScriptPaths) scripts.push_back(path);
    Json j = Json::object();
    j["serverId"] = serverId;
    j["action"] = std::string(rawValue(action));
    j["kind"] = kind;
    j["replyTo"] = replyTo;
    j["onlyAgents"] = onlyAgents;
    j["destFolder"] = destFolder;
    j["openOnNextLaunch"] = openOnNextLaunch;
    j["postUploadAction"] = std::string(rawValue(postUploadAction));
    j["deployWorkingDirectory"] = std::string(rawValue(deployWorkingDirectory));
    j["deployCustomWorkingDirectory"] = deployCustomWorkingDirectory;
    j["deployCommand"] = deployCommand;
    j["selectedScriptPaths"] = std::move(scripts);
    j["expectedLifetime"] = std::string(rawValue(expectedLifetime));
    j["notificationPolicy"] = notificationPolicy.toJson();
    j["notificationPolicyCustomized"] = notificationPolicyCustomized;
    j["readinessRule"] = readinessRule.toJson();
    return j;
}

Draft Draft::fromJson(const Json& json) {
    const Json& obj = pj::asObject(json, "draft");
    Draft d;
    d.serverId = pj::stringOr(obj, "serverId", "");
    d.action = optionalChoice<ShareAction>(obj, "action").value_or(ShareAction::emit);
    d.kind = pj::stringOr(obj, "kind", "clipboard");
    d.replyTo = pj::stringOr(obj, "replyTo", "");
    d.onlyAgents = pj::stringOr(obj, "onlyAgents", "");
    d.destFolder = pj::stringOr(obj, "destFolder", "");
    d.openOnNextLaunch = pj::boolOr(obj, "openOnNextLaunch", false);
    d.postUploadAction = optionalChoice<PostUploadAction>(obj, "postUploadAction").value_or(PostUploadAction::none);

    const bool unzips = needsUnzip(d.postUploadAction);
    auto directory = optionalChoice<PostUploadWorkingDirectory>(obj, "deployWorkingDirectory");
    if (!directory) {
        d.deployWorkingDirectory =
            unzips ? PostUploadWorkingDirectory::extractedFolder : PostUploadWorkingDirectory::uploadFolder;
    } else if (*directory == PostUploadWorkingDirectory::extractedFolder && !unzips) {
        d.deployWorkingDirectory = PostUploadWorkingDirectory::uploadFolder;
    } else {
        d.deployWorkingDirectory = *directory;
    }

    d.deployCustomWorkingDirectory =
        platform::text::trimmed(withoutNul(pj::stringOr(obj, "deployCustomWorkingDirectory", "")));
    d.deployCommand = pj::stringOr(obj, "deployCommand", "");
    if (const Json* scripts = pj::optionalArray(obj, "selectedScriptPaths")) {
        d.selectedScriptPaths = normalizedScriptPathList(pj::asStringArray(*scripts, "selectedScriptPaths"));
    }
    d.expectedLifetime =
        optionalChoice<ShareExpectedLifetime>(obj, "expectedLifetime").value_or(ShareExpectedLifetime::finite);

    if (const Json* policy = pj::optionalObject(obj, "notificationPolicy")) {
        d.notificationPolicy = ShareRunNotificationPolicy::fromJson(*policy);
    } else {
        d.notificationPolicy = defaultNotificationPolicy(d.expectedLifetime);
    }
    d.notificationPolicyCustomized = pj::boolOr(obj, "notificationPolicyCustomized", false);
    if (const Json* rule = pj::optionalObject(obj, "readinessRule")) {
        d.readinessRule = ShareReadinessRule::fromJson(*rule);
    } else {
        d.readinessRule = defaultReadinessRule(d.expectedLifetime);
    }
    return d;
}

// ---- ServerDraftStore

Json ServerDraftStore::toJson() const {
    Json drafts = Json::object();
    for (const auto& [id, draft] : byServer) drafts[id] = draft.toJson();
    Json j = Json::object();
    j["schema"] = schema;
    j["byServer"] = std::move(drafts);
    return j;
}

ServerDraftStore ServerDraftStore::fromJson(const Json& json) {
    const Json& obj = pj::asObject(json, "store");
    ServerDraftStore store;
    store.schema = pj::requireInt(obj, "schema");
    for (const auto& [id, draft] : pj::requireObject(obj, "byServer").items()) {
        store.byServer[id] = Draft::fromJson(draft);
    }
    return store;
}

ServerDraftStore ServerDraftStore::load(const platform::UserDefaults& defaults) {
    const std::optional<platform::PropertyList> stored = defaults.object(defaultsKey);
    const std::string* text = stored ? stored->asString() : nullptr;
    if (text == nullptr) return {};
    try {
        return fromJson(platform::parseJson(*text));
    } catch (const std::exception&) {
        return {};
    }
}

void ServerDraftStore::save(platform::UserDefaults& defaults) const {
    std::string text;
    try {
        text = platform::encodeCompact(toJson());
    } catch (const std::exception&) {
        return;
    }
    defaults.set(defaultsKey, platform::PropertyList(std::move(text)));
}

std::string ServerDraftStoreWriter::encode(const ServerDraftStore& store) {
    // Drafts no longer in the store are forgotten, the others encoded again only when changed.
    for (auto it = byServer_.begin(); it != byServer_.end();) {
        it = store.byServer.count(it->first) != 0 ? std::next(it) : byServer_.erase(it);
    }
    std::size_t size = 32;
    for (const auto& [id, draft] : store.byServer) {
        auto known = byServer_.find(id);
        if (known == byServer_.end() || !(known->second.draft == draft)) {
            std::string text = platform::encodeCompact(Json(id)) + ":" + platform::encodeCompact(draft.toJson());
            known = byServer_.insert_or_assign(id, Encoded{draft, std::move(text)}).first;
        }
        size += known->second.text.size() + 1;
    }
    // The members in the order toJson gives them, so the text is the one save writes.
    std::string out;
    out.reserve(size);
    out += "{\"schema\":";
    out += platform::encodeCompact(Json(store.schema));
    out += ",\"byServer\":{";
    bool first = true;
    for (const auto& [id, encoded] : byServer_) {
        if (!first) out += ',';
        first = false;
        out += encoded.text;
    }
    out += "}}";
    return out;
}

void ServerDraftStoreWriter::save(const ServerDraftStore& store, platform::UserDefaults& defaults) {
    std::string text;
    try {
        text = encode(store);
    } catch (const std::exception&) {
        byServer_.clear();
        return;
    }
    defaults.set(ServerDraftStore::defaultsKey, platform::PropertyList(std::move(text)));
}

std::size_t hashValue(const Draft& d) {
    std::size_t seed = 0;
    detail::hashCombine(seed, d.serverId);
    detail::hashCombine(seed, d.action);
    detail::hashCombine(seed, d.kind);
    detail::hashCombine(seed, d.replyTo);
    detail::hashCombine(seed, d.onlyAgents);
    detail::hashCombine(seed, d.destFolder);
    detail::hashCombine(seed, d.openOnNextLaunch);
    detail::hashCombine(seed, d.postUploadAction);
    detail::hashCombine(seed, d.deployWorkingDirectory);
    detail::hashCombine(seed, d.deployCustomWorkingDirectory);
    detail::hashCombine(seed, d.deployCommand);
    for (const auto& path : d.selectedScriptPaths) detail::hashCombine(seed, path);
    detail::hashCombine(seed, d.selectedScriptPaths.size());
    detail::hashCombine(seed, d.expectedLifetime);
    detail::hashCombine(seed, d.notificationPolicy);
    detail::hashCombine(seed, d.notificationPolicyCustomized);
    detail::hashCombine(seed, d.readinessRule);
    return seed;
}

}  // namespace tarvo::share
