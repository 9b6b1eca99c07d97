#include "TarvoShareExtension/ShareViewController/NVKSidecarDecoder.h"

#include <cmath>
#include <exception>
#include <limits>
#include <string>
#include <vector>

#include "TarvoShareExtension/ShareViewController/ShareStartup.h"
#include "platform/filesystem/FileAttributes.h"
#include "platform/filesystem/FileHandle.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace tarvo::share {

namespace json = platform::json;
using platform::Json;

namespace {

const Json& requireTopObject(const Json& value) { return json::asObject(value, ""); }

}  // namespace

NVKLinkedExecution decodeNVKLinkedExecution(const Json& value) {
    const Json& o = requireTopObject(value);
    NVKLinkedExecution e;
    e.destination = json::requireString(o, "destination");
    e.action = json::requireString(o, "action");
    e.command = json::requireString(o, "command");
    e.expectedLifetime = json::requireString(o, "expectedLifetime");
    return e;
}

NVKLinkedTarget decodeNVKLinkedTarget(const Json& value) {
    const Json& o = requireTopObject(value);
    NVKLinkedTarget t;
    t.id = json::requireString(o, "id");
    t.label = json::requireString(o, "label");
    t.serverId = json::requireString(o, "serverId");
    t.serverName = json::requireString(o, "serverName");
    t.serverURL = json::requireString(o, "serverURL");
    t.required = json::requireBool(o, "required");
    t.state = json::requireString(o, "state");
    t.canApprove = json::requireBool(o, "canApprove");
    t.execution = decodeNVKLinkedExecution(json::requireObject(o, "execution"));
    return t;
}

NVKLinkedDeployment decodeNVKLinkedDeployment(const Json& value) {
    const Json& o = requireTopObject(value);
    NVKLinkedDeployment d;
    d.schema = json::requireString(o, "schema");
    d.changeId = json::requireString(o, "changeId");
    d.projectId = json::requireString(o, "projectId");
    d.projectName = json::requireString(o, "projectName");
    d.batchId = json::requireString(o, "batchId");
    d.profileDigest = json::requireString(o, "profileDigest");
    d.strategy = json::requireString(o, "strategy");
    d.submissionMode = json::requireString(o, "submissionMode");
    for (const Json& target : json::requireArray(o, "targets")) d.targets.push_back(decodeNVKLinkedTarget(target));
    d.issuedAtMs = json::requireInt(o, "issuedAtMs");
    d.expiresAtMs = json::requireInt(o, "expiresAtMs");
    d.capabilityURL = json::requireString(o, "capabilityURL");
    return d;
}

NVKInteractionReplyTicket decodeNVKInteractionReplyTicket(const Json& value) {
    const Json& o = requireTopObject(value);
    NVKInteractionReplyTicket r;
    r.schema = json::requireString(o, "schema");
    r.targetId = json::requireString(o, "targetId");
    r.targetLabel = json::requireString(o, "targetLabel");
    r.artifactName = json::requireString(o, "artifactName");
    const Json& projection = json::requireObject(o, "projection");
    for (auto it = projection.begin(); it != projection.end(); ++it) {
        r.projection[it.key()] = json::asString(it.value(), "projection." + it.key());
    }
    r.issuedAtMs = json::requireInt(o, "issuedAtMs");
    r.expiresAtMs = json::requireInt(o, "expiresAtMs");
    r.capabilityURL = json::requireString(o, "capabilityURL");
    return r;
}

Json encodeJson(const NVKLinkedExecution& e) {
    Json o = Json::object();
    o["destination"] = e.destination;
    o["action"] = e.action;
    o["command"] = e.command;
    o["expectedLifetime"] = e.expectedLifetime;
    return o;
}

Json encodeJson(const NVKLinkedTarget& t) {
    Json o = Json::object();
    o["id"] = t.id;
    o["label"] = t.label;
    o["serverId"] = t.serverId;
    o["serverName"] = t.serverName;
    o["serverURL"] = t.serverURL;
    o["required"] = t.required;
    o["state"] = t.state;
    o["canApprove"] = t.canApprove;
    o["execution"] = encodeJson(t.execution);
    return o;
}

Json encodeJson(const NVKLinkedDeployment& d) {
    Json o = Json::object();
    o["schema"] = d.schema;
    o["changeId"] = d.changeId;
    o["projectId"] = d.projectId;
    o["projectName"] = d.projectName;
    o["batchId"] = d.batchId;
    o["profileDigest"] = d.profileDigest;
    o["strategy"] = d.strategy;
    o["submissionMode"] = d.submissionMode;
    Json targets = Json::array();
    for (const auto& t : d.targets) targets.push_back(encodeJson(t));
    o["targets"] = std::move(targets);
    o["issuedAtMs"] = d.issuedAtMs;
    o["expiresAtMs"] = d.expiresAtMs;
    o["capabilityURL"] = d.capabilityURL;
    return o;
}

Json encodeJson(const NVKInteractionReplyTicket& r) {
    Json o = Json::object();
    o["schema"] = r.schema;
    o["targetId"] = r.targetId;
    o["targetLabel"] = r.targetLabel;
    o["artifactName"] = r.artifactName;
    Json projection = Json::object();
    for (const auto& [key, value] : r.projection) projection[key] = value;
    o["projection"] = std::move(projection);
    o["issuedAtMs"] = r.issuedAtMs;
    o["expiresAtMs"] = r.expiresAtMs;
    o["capabilityURL"] = r.capabilityURL;
    return o;
}

bool isValidNVKCapabilityURL(std::string_view text) {
    const auto components = platform::URLComponents::parse(text);
    if (!components || !components->scheme) return false;
    const std::string scheme = platform::text::lowercased(*components->scheme);
    if (scheme != "http" && scheme != "https") return false;
    return !components->user && !components->password;
}

std::int64_t epochMilliseconds(double epochSeconds) {
    const double ms = std::trunc(epochSeconds * 1000.0);
    if (std::isnan(ms)) return 0;
    // 2^63 is exactly representable; anything at or beyond it saturates.
    constexpr double kLimit = 9223372036854775808.0;
    if (ms >= kLimit) return std::numeric_limits<std::int64_t>::max();
    if (ms < -kLimit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(ms);
}

namespace {

enum class TicketKind { none, deployment, reply };

TicketKind kindOfName(std::string_view filename) {
    const std::string lower = platform::text::lowercased(filename);
    if (platform::text::hasSuffix(lower, kDeploymentSidecarSuffix)) return TicketKind::deployment;
    if (platform::text::hasSuffix(lower, kReturnSidecarSuffix)) return TicketKind::reply;
    return TicketKind::none;
}

std::optional<DecodedNVKSidecar> validDeployment(const Json& value, std::int64_t nowMs) {
    NVKLinkedDeployment d = decodeNVKLinkedDeployment(value);
    if (d.schema != kNVKDeploymentSchema) return std::nullopt;
    if (!(d.expiresAtMs > nowMs)) return std::nullopt;
    if (d.changeId.empty() || d.batchId.empty() || d.targets.empty()) return std::nullopt;
    if (!isValidNVKCapabilityURL(d.capabilityURL)) return std::nullopt;
    return DecodedNVKSidecar(std::move(d));
}

std::optional<DecodedNVKSidecar> validReply(const Json& value, std::int64_t nowMs) {
    NVKInteractionReplyTicket r = decodeNVKInteractionReplyTicket(value);
    if (r.schema != kNVKReplySchema) return std::nullopt;
    if (!(r.expiresAtMs > nowMs)) return std::nullopt;
    if (r.targetId.empty()) return std::nullopt;
    if (!isValidNVKCapabilityURL(r.capabilityURL)) return std::nullopt;
    return DecodedNVKSidecar(std::move(r));
}

std::optional<DecodedNVKSidecar> decodeKind(TicketKind kind, std::string_view contents, std::int64_t nowMs) {
    if (kind == TicketKind::none) return std::nullopt;
    if (contents.size() > static_cast<std::size_t>(kNVKSidecarByteLimit)) return std::nullopt;
    try {
        const Json value = platform::parseJson(contents);
        // A deployment ticket that fails a rule is not tried as a reply ticket: the name decides.
        return kind == TicketKind::deployment ? validDeployment(value, nowMs) : validReply(value, nowMs);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// At most limit + 1 bytes of the file, or nothing when it cannot be opened or read.
std::optional<std::string> readAtMostOnePastLimit(const std::string& path) {
    try {
        platform::FileHandle handle = platform::FileHandle::forReading(path);
        const std::size_t cap = static_cast<std::size_t>(kNVKSidecarByteLimit) + 1;
        std::string bytes;
        std::vector<char> buffer(64 * 1024);
        while (bytes.size() < cap) {
            const std::size_t want = std::min(buffer.size(), cap - bytes.size());
            const std::size_t got = handle.read(buffer.data(), want);
            if (got == 0) break;
            bytes.append(buffer.data(), got);
        }
        return bytes;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace

std::optional<DecodedNVKSidecar> decodeNVKSidecarContents(std::string_view filename, std::string_view contents,
                                                          std::int64_t nowMs) {
    return decodeKind(kindOfName(filename), contents, nowMs);
}

std::optional<DecodedNVKSidecar> decodeNVKSidecar(const TempItem& item, std::int64_t nowMs) {
    const TicketKind kind = kindOfName(item.filename);
    if (kind == TicketKind::none) return std::nullopt;
    if (!item.url.isFileURL()) return std::nullopt;
    const std::string path = item.url.path();
    // A reported size over the limit is refused without reading; an unreported one (not a
    // regular file) is read, but never past one byte over the limit.
    if (const auto size = platform::fileSizeResourceValue(item.url); size && *size > kNVKSidecarByteLimit) {
        return std::nullopt;
    }
    const std::optional<std::string> contents = readAtMostOnePastLimit(path);
    if (!contents) return std::nullopt;
    return decodeKind(kind, *contents, nowMs);
}

}  // namespace tarvo::share
