#include "Shared/ServerProfile.h"

#include <unordered_set>
#include <utility>

#include "Shared/HashCombine.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Uuid.h"

namespace tarvo {

namespace pj = platform::json;
using platform::Json;
using platform::URL;
using platform::text::lowercased;
using platform::text::trimmed;

namespace {

// The de-duplication key of an address text: its route key when it parses as a URL at all,
// else the lower-cased text.
std::string keyOfParsableText(const std::string& text) {
    if (auto url = URL::parse(text)) return ServerProfile::routeKey(*url);
    return lowercased(text);
}

// Targets for a profile stored before connection targets existed. Ids carry the index in the
// raw list, blanks and duplicates included, so they stay stable across loads.
std::vector<ServerConnectionTarget> uniqueLegacyTargets(const std::string& serverID,
                                                        const std::vector<std::string>& rawURLs) {
    std::vector<ServerConnectionTarget> out;
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < rawURLs.size(); ++i) {
        std::string text = trimmed(rawURLs[i]);
        if (text.empty()) continue;
        if (!seen.insert(keyOfParsableText(text)).second) continue;
        out.push_back({serverID + ".connection.legacy." + std::to_string(i), "", std::move(text)});
    }
    return out;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += '\n';
        out += lines[i];
    }
    return out;
}

}  // namespace

// ---- ServerConnectionTarget

std::optional<URL> ServerConnectionTarget::urlValue() const {
    auto url = URL::parse(trimmed(urlString));
    if (!url) return std::nullopt;
    std::string scheme = lowercased(url->scheme());
    if (scheme != "http" && scheme != "https") return std::nullopt;
    if (url->host().empty()) return std::nullopt;
    return url;
}

std::string ServerConnectionTarget::displayLabel() const {
    if (std::string n = trimmed(name); !n.empty()) return n;
    if (auto url = urlValue()) {
        std::string label = url->host();
        if (auto port = url->port()) label += ":" + std::to_string(*port);
        return label;
    }
    if (std::string u = trimmed(urlString); !u.empty()) return u;
    return "Connection target";
}

ServerConnectionTarget ServerConnectionTarget::fromJson(const Json& json) {
    const Json& obj = pj::asObject(json, "connectionTargets[]");
    return {pj::requireString(obj, "id"), pj::requireString(obj, "name"),
            pj::requireString(obj, "urlString")};
}

Json ServerConnectionTarget::toJson() const {
    Json j = Json::object();
    j["id"] = id;
    j["name"] = name;
    j["urlString"] = urlString;
    return j;
}

// ---- ServerProfile

ServerProfile::ServerProfile() : id(platform::makeUUIDString()) {}

std::string ServerProfile::displayLabel() const {
    if (std::string n = trimmed(name); !n.empty()) return n;
    if (auto target = selectedConnectionTarget()) return target->displayLabel();
    return "Server";
}

std::optional<ServerConnectionTarget> ServerProfile::selectedConnectionTarget() const {
    for (const auto& target : connectionTargets) {
        if (target.id == selectedConnectionTargetID) return target;
    }
    if (connectionTargets.empty()) return std::nullopt;
    return connectionTargets.front();
}

std::vector<ServerConnectionTarget> ServerProfile::inactiveConnectionTargets() const {
    auto selected = selectedConnectionTarget();
    if (!selected) return connectionTargets;
    std::vector<ServerConnectionTarget> out;
    for (const auto& target : connectionTargets) {
        if (target.id != selected->id) out.push_back(target);
    }
    return out;
}

std::string ServerProfile::trimmedURLString() const {
    if (auto target = selectedConnectionTarget()) return trimmed(target->urlString);
    return trimmed(urlString);
}

std::optional<URL> ServerProfile::urlValue() const {
    if (auto target = selectedConnectionTarget()) {
        if (auto url = target->urlValue()) return url;
    }
    return ServerConnectionTarget{"", "", trimmedURLString()}.urlValue();
}

std::string ServerProfile::effectiveReceptionistToken() const {
    if (std::string t = trimmed(receptionistToken); !t.empty()) return t;
    return trimmed(token);
}

std::optional<URL> ServerProfile::receptionistURLValue() const {
    std::string text = trimmed(receptionistURLString);
    if (text.empty()) return std::nullopt;
    return URL::parse(text);
}

void ServerProfile::normalizeConnectionTargets() {
    name = trimmed(name);
    token = trimmed(token);

    if (connectionTargets.empty()) {
        std::vector<std::string> raw{urlString};
        for (auto& entry : parseURLList(fallbackURLStrings)) raw.push_back(std::move(entry));
        connectionTargets = uniqueLegacyTargets(id, raw);
    }

    std::vector<ServerConnectionTarget> cleaned;
    std::unordered_set<std::string> seen;
    for (const auto& target : connectionTargets) {
        ServerConnectionTarget t;
        // Ids are identities: only a blank one is replaced, a padded one is kept as it is.
        t.id = trimmed(target.id).empty() ? platform::makeUUIDString() : target.id;
        t.name = trimmed(target.name);
        t.urlString = trimmed(target.urlString);
        if (t.urlString.empty()) continue;
        auto url = t.urlValue();
        std::string key = url ? routeKey(*url) : lowercased(t.urlString);
        if (!seen.insert(std::move(key)).second) continue;
        cleaned.push_back(std::move(t));
    }
    connectionTargets = std::move(cleaned);

    bool selectionExists = false;
    for (const auto& target : connectionTargets) {
        if (target.id == selectedConnectionTargetID) {
            selectionExists = true;
            break;
        }
    }
    if (!selectionExists) {
        const std::string primary = trimmed(urlString);
        const ServerConnectionTarget* choice = nullptr;
        for (const auto& target : connectionTargets) {
            if (trimmed(target.urlString) == primary) {
                choice = &target;
                break;
            }
        }
        if (!choice && !connectionTargets.empty()) choice = &connectionTargets.front();
        selectedConnectionTargetID = choice ? choice->id : std::string();
    }

    auto selected = selectedConnectionTarget();
    urlString = selected ? trimmed(selected->urlString) : std::string();

    std::vector<std::string> others;
    for (const auto& target : inactiveConnectionTargets()) others.push_back(trimmed(target.urlString));
    fallbackURLStrings = joinLines(others);
}

std::vector<std::string> ServerProfile::parseURLList(std::string_view text) {
    std::string unified = platform::text::replacingOccurrences(text, ";", "\n");
    unified = platform::text::replacingOccurrences(unified, ",", "\n");
    std::vector<std::string> out;
    for (const auto& piece :
         platform::text::componentsSeparatedBy(unified, [](char32_t c) { return platform::text::isNewline(c); })) {
        std::string entry = trimmed(piece);
        if (!entry.empty()) out.push_back(std::move(entry));
    }
    return out;
}

std::string ServerProfile::normalizedURLListText(std::string_view text) {
    std::vector<std::string> kept;
    std::unordered_set<std::string> seen;
    for (auto& entry : parseURLList(text)) {
        if (seen.insert(keyOfParsableText(entry)).second) kept.push_back(std::move(entry));
    }
    return joinLines(kept);
}

std::string ServerProfile::routeKey(const URL& url) {
    platform::URLComponents components = platform::URLComponents::fromURL(url);
    if (components.scheme) components.scheme = lowercased(*components.scheme);
    if (components.host) components.host = lowercased(*components.host);
    std::string text;
    if (auto rebuilt = components.url()) {
        text = rebuilt->absoluteString();
    } else {
        text = url.absoluteString();
    }
    while (!text.empty() && text.back() == '/') text.pop_back();
    return text;
}

ServerProfile ServerProfile::fromJson(const Json& json) {
    const Json& obj = pj::asObject(json, "servers[]");
    ServerProfile p;
    if (auto v = pj::optionalString(obj, "id")) p.id = std::move(*v);
    p.name = pj::stringOr(obj, "name", "");
    p.urlString = pj::stringOr(obj, "urlString", "");
    p.token = pj::stringOr(obj, "token", "");
    if (const Json* targets = pj::optionalArray(obj, "connectionTargets")) {
        for (const Json& element : *targets) p.connectionTargets.push_back(ServerConnectionTarget::fromJson(element));
    }
    p.selectedConnectionTargetID = pj::stringOr(obj, "selectedConnectionTargetID", "");
    p.fallbackURLStrings = pj::stringOr(obj, "fallbackURLStrings", "");
    p.receptionistURLString = pj::stringOr(obj, "receptionistURLString", "");
    p.receptionistToken = pj::stringOr(obj, "receptionistToken", "");
    p.commandsJSON = pj::stringOr(obj, "commandsJSON", "");
    p.screenSharingEnabled = pj::boolOr(obj, "screenSharingEnabled", false);
    p.llmEndpointURLString = pj::stringOr(obj, "llmEndpointURLString", "");
    p.llmModel = pj::stringOr(obj, "llmModel", "");
    p.runCompletionPushEnabled = pj::boolOr(obj, "runCompletionPushEnabled", false);
    p.runCompletionPushFailuresOnly = pj::boolOr(obj, "runCompletionPushFailuresOnly", false);
    p.runPushRelayURLString = pj::stringOr(obj, "runPushRelayURLString", "");
    p.runPushDeviceID = pj::stringOr(obj, "runPushDeviceID", "");
    p.normalizeConnectionTargets();
    return p;
}

Json ServerProfile::toJson() const {
    Json targets = Json::array();
    for (const auto& target : connectionTargets) targets.push_back(target.toJson());
    Json j = Json::object();
    j["id"] = id;
    j["name"] = name;
    j["urlString"] = urlString;
    j["token"] = token;
    j["connectionTargets"] = std::move(targets);
    j["selectedConnectionTargetID"] = selectedConnectionTargetID;
    j["fallbackURLStrings"] = fallbackURLStrings;
    j["receptionistURLString"] = receptionistURLString;
    j["receptionistToken"] = receptionistToken;
    j["commandsJSON"] = commandsJSON;
    j["screenSharingEnabled"] = screenSharingEnabled;
    j["llmEndpointURLString"] = llmEndpointURLString;
    j["llmModel"] = llmModel;
    j["runCompletionPushEnabled"] = runCompletionPushEnabled;
    j["runCompletionPushFailuresOnly"] = runCompletionPushFailuresOnly;
    j["runPushRelayURLString"] = runPushRelayURLString;
    j["runPushDeviceID"] = runPushDeviceID;
    return j;
}

// ---- SharedServerConfig

namespace {

// The profiles of a stored list as written, before any cleaning, or why the text gives none
// (in `problem`, in words for a person). A blank text gives none and no problem.
std::vector<ServerProfile> decodeStoredProfiles(std::string_view json, std::optional<std::string>& problem) {
    const std::string text = trimmed(json);
    if (text.empty()) return {};
    if (!platform::text::isValidUTF8(text)) {
        problem = "it is not UTF-8 text";
        return {};
    }
    const auto root = platform::tryParseJson(text);
    if (!root) {
        problem = "it is not valid JSON";
        return {};
    }
    if (!root->is_array()) {
        problem = "it is not a JSON list";
        return {};
    }
    std::vector<ServerProfile> profiles;
    // One unreadable profile makes the whole list unreadable: better no servers than a list
    // that silently lacks one.
    try {
        for (const Json& element : *root) profiles.push_back(ServerProfile::fromJson(element));
    } catch (const platform::DecodingError& e) {
        problem = "server " + std::to_string(profiles.size() + 1) + " of the list: " + e.what() +
                  (e.path().empty() ? std::string() : " (" + e.path() + ")");
        return {};
    } catch (const std::exception& e) {
        problem = "server " + std::to_string(profiles.size() + 1) + " of the list: " + e.what();
        return {};
    }
    return profiles;
}

}  // namespace

std::vector<ServerProfile> SharedServerConfig::decodeServers(std::string_view json) {
    std::optional<std::string> problem;
    std::vector<ServerProfile> profiles = decodeStoredProfiles(json, problem);
    for (auto& p : profiles) {
        p.name = trimmed(p.name);
        p.urlString = trimmed(p.urlString);
        p.token = trimmed(p.token);
        p.receptionistURLString = trimmed(p.receptionistURLString);
        p.receptionistToken = trimmed(p.receptionistToken);
        p.commandsJSON = trimmed(p.commandsJSON);
        p.llmEndpointURLString = trimmed(p.llmEndpointURLString);
        p.llmModel = trimmed(p.llmModel);
        p.runPushRelayURLString = trimmed(p.runPushRelayURLString);
        p.runPushDeviceID = trimmed(p.runPushDeviceID);
        p.fallbackURLStrings = ServerProfile::normalizedURLListText(p.fallbackURLStrings);
        p.normalizeConnectionTargets();
    }
    return profiles;
}

std::optional<std::string> SharedServerConfig::decodeProblem(std::string_view json) {
    std::optional<std::string> problem;
    decodeStoredProfiles(json, problem);
    return problem;
}

std::optional<ServerProfile> SharedServerConfig::loadActiveServer(const platform::UserDefaults& defaults) {
    auto profiles = decodeServers(defaults.string("servers.json").value_or("[]"));
    if (profiles.empty()) return std::nullopt;
    const std::string activeID = trimmed(defaults.string("activeServerId").value_or(""));
    for (auto& p : profiles) {
        if (p.id == activeID) return std::move(p);
    }
    return std::move(profiles.front());
}

// ---- hashing

std::size_t hashValue(const ServerConnectionTarget& t) {
    std::size_t seed = 0;
    detail::hashCombine(seed, t.id);
    detail::hashCombine(seed, t.name);
    detail::hashCombine(seed, t.urlString);
    return seed;
}

std::size_t hashValue(const ServerProfile& p) {
    std::size_t seed = 0;
    for (const std::string* s : {&p.id, &p.name, &p.urlString, &p.token, &p.selectedConnectionTargetID,
                                 &p.fallbackURLStrings, &p.receptionistURLString, &p.receptionistToken,
                                 &p.commandsJSON, &p.llmEndpointURLString, &p.llmModel,
                                 &p.runPushRelayURLString, &p.runPushDeviceID}) {
        detail::hashCombine(seed, *s);
    }
    for (const auto& t : p.connectionTargets) detail::hashCombine(seed, hashValue(t));
    detail::hashCombine(seed, p.connectionTargets.size());
    detail::hashCombine(seed, p.screenSharingEnabled);
    detail::hashCombine(seed, p.runCompletionPushEnabled);
    detail::hashCombine(seed, p.runCompletionPushFailuresOnly);
    return seed;
}

}  // namespace tarvo
