#include "TarvoShareExtension/ShareViewController/Linked/NVKSidecarDecoder.h"

#include <cmath>
#include <exception>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "TarvoShareExtension/ShareViewController/Screen/ShareStartup.h"
#include "platform/filesystem/FileAttributes.h"
#include "platform/filesystem/FileHandle.h"
#include "platform/foundation/Text.h"
#include "platform/foundation/Url.h"

namespace tarvo::share {

namespace json = platform::json;
using platform::Json;

namespace {

// A key whose value a function of its own reads and writes (a nested record or a list).
template <class T>
struct NestedKey {
    void (*decode)(const Json& object, std::string_view key, T& into);
    Json (*encode)(const T& from);
};

// One required key of a record's JSON form and the field it fills.
template <class T>
struct Key {
    const char* name;
    std::variant<std::string T::*, bool T::*, std::int64_t T::*, NestedKey<T>> field;
};

// A record from its keys, read in the table's order so the first defect is the one reported.
template <class T, std::size_t N>
T decodeKeys(const Json& value, const Key<T> (&keys)[N]) {
    const Json& o = json::asObject(value, "");
    T record;
    for (const Key<T>& key : keys) {
        std::visit(
            [&](const auto& field) {
                using Field = std::decay_t<decltype(field)>;
                if constexpr (std::is_same_v<Field, NestedKey<T>>) {
                    field.decode(o, key.name, record);
                } else if constexpr (std::is_same_v<Field, std::string T::*>) {
                    record.*field = json::requireString(o, key.name);
                } else if constexpr (std::is_same_v<Field, bool T::*>) {
                    record.*field = json::requireBool(o, key.name);
                } else {
                    record.*field = json::requireInt(o, key.name);
                }
            },
            key.field);
    }
    return record;
}

// The record's JSON form, its keys in the table's order.
template <class T, std::size_t N>
Json encodeKeys(const T& record, const Key<T> (&keys)[N]) {
    Json o = Json::object();
    for (const Key<T>& key : keys) {
        std::visit(
            [&](const auto& field) {
                if constexpr (std::is_same_v<std::decay_t<decltype(field)>, NestedKey<T>>) {
                    o[key.name] = field.encode(record);
                } else {
                    o[key.name] = record.*field;
                }
            },
            key.field);
    }
    return o;
}

using Execution = NVKLinkedExecution;
using Target = NVKLinkedTarget;
using Deployment = NVKLinkedDeployment;
using Reply = NVKInteractionReplyTicket;

constexpr Key<Execution> kExecutionKeys[] = {
    {"destination", &Execution::destination},
    {"action", &Execution::action},
    {"command", &Execution::command},
    {"expectedLifetime", &Execution::expectedLifetime},
};

constexpr Key<Target> kTargetKeys[] = {
    {"id", &Target::id},
    {"label", &Target::label},
    {"serverId", &Target::serverId},
    {"serverName", &Target::serverName},
    {"serverURL", &Target::serverURL},
    {"required", &Target::required},
    {"state", &Target::state},
    {"canApprove", &Target::canApprove},
    {"execution",
     NestedKey<Target>{[](const Json& o, std::string_view key, Target& t) {
                           t.execution = decodeNVKLinkedExecution(json::requireObject(o, key));
                       },
                       [](const Target& t) { return encodeJson(t.execution); }}},
};

constexpr Key<Deployment> kDeploymentKeys[] = {
    {"schema", &Deployment::schema},
    {"changeId", &Deployment::changeId},
    {"projectId", &Deployment::projectId},
    {"projectName", &Deployment::projectName},
    {"batchId", &Deployment::batchId},
    {"profileDigest", &Deployment::profileDigest},
    {"strategy", &Deployment::strategy},
    {"submissionMode", &Deployment::submissionMode},
    {"targets",
     NestedKey<Deployment>{[](const Json& o, std::string_view key, Deployment& d) {
                               for (const Json& target : json::requireArray(o, key)) {
                                   d.targets.push_back(decodeNVKLinkedTarget(target));
                               }
                           },
                           [](const Deployment& d) {
                               Json targets = Json::array();
                               for (const auto& t : d.targets) targets.push_back(encodeJson(t));
                               return targets;
                           }}},
    {"issuedAtMs", &Deployment::issuedAtMs},
    {"expiresAtMs", &Deployment::expiresAtMs},
    {"capabilityURL", &Deployment::capabilityURL},
};

constexpr Key<Reply> kReplyKeys[] = {
    {"schema", &Reply::schema},
    {"targetId", &Reply::targetId},
    {"targetLabel", &Reply::targetLabel},
    {"artifactName", &Reply::artifactName},
    {"projection",
     NestedKey<Reply>{[](const Json& o, std::string_view key, Reply& r) {
                          const Json& projection = json::requireObject(o, key);
                          for (auto it = projection.begin(); it != projection.end(); ++it) {
                              r.projection[it.key()] = json::asString(it.value(), std::string(key) + "." + it.key());
                          }
                      },
                      [](const Reply& r) {
                          Json projection = Json::object();
                          for (const auto& [name, value] : r.projection) projection[name] = value;
                          return projection;
                      }}},
    {"issuedAtMs", &Reply::issuedAtMs},
    {"expiresAtMs", &Reply::expiresAtMs},
    {"capabilityURL", &Reply::capabilityURL},
};

}  // namespace

NVKLinkedExecution decodeNVKLinkedExecution(const Json& value) { return decodeKeys(value, kExecutionKeys); }
NVKLinkedTarget decodeNVKLinkedTarget(const Json& value) { return decodeKeys(value, kTargetKeys); }
NVKLinkedDeployment decodeNVKLinkedDeployment(const Json& value) { return decodeKeys(value, kDeploymentKeys); }
NVKInteractionReplyTicket decodeNVKInteractionReplyTicket(const Json& value) { return decodeKeys(value, kReplyKeys); }

Json encodeJson(const NVKLinkedExecution& e) { return encodeKeys(e, kExecutionKeys); }
Json encodeJson(const NVKLinkedTarget& t) { return encodeKeys(t, kTargetKeys); }
Json encodeJson(const NVKLinkedDeployment& d) { return encodeKeys(d, kDeploymentKeys); }
Json encodeJson(const NVKInteractionReplyTicket& r) { return encodeKeys(r, kReplyKeys); }

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

// The rules every ticket obeys: its own schema, not yet expired, a capability URL to answer.
template <class Ticket>
bool passesTicketRules(const Ticket& ticket, std::string_view schema, std::int64_t nowMs) {
    return ticket.schema == schema && ticket.expiresAtMs > nowMs && isValidNVKCapabilityURL(ticket.capabilityURL);
}

std::optional<DecodedNVKSidecar> validDeployment(const Json& value, std::int64_t nowMs) {
    NVKLinkedDeployment d = decodeNVKLinkedDeployment(value);
    if (!passesTicketRules(d, kNVKDeploymentSchema, nowMs)) return std::nullopt;
    if (d.changeId.empty() || d.batchId.empty() || d.targets.empty()) return std::nullopt;
    return DecodedNVKSidecar(std::move(d));
}

std::optional<DecodedNVKSidecar> validReply(const Json& value, std::int64_t nowMs) {
    NVKInteractionReplyTicket r = decodeNVKInteractionReplyTicket(value);
    if (!passesTicketRules(r, kNVKReplySchema, nowMs)) return std::nullopt;
    if (r.targetId.empty()) return std::nullopt;
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
