#include "TarvoShareExtension/ArtifactRecommendationResponse.h"

namespace tarvo {

using platform::Json;
namespace pj = platform::json;

std::string_view rawValue(ArtifactSelectionKind kind) {
    switch (kind) {
        case ArtifactSelectionKind::none: return "none";
        case ArtifactSelectionKind::suggest: return "suggest";
        case ArtifactSelectionKind::autoSelect: return "auto_select";
    }
    return "none";
}

template <>
std::optional<ArtifactSelectionKind> fromRawValue<ArtifactSelectionKind>(std::string_view raw) {
    if (raw == "none") return ArtifactSelectionKind::none;
    if (raw == "suggest") return ArtifactSelectionKind::suggest;
    if (raw == "auto_select") return ArtifactSelectionKind::autoSelect;
    return std::nullopt;
}

namespace {

void putOptional(Json& object, const char* key, const std::optional<std::string>& value) {
    if (value) {
        object[key] = *value;
    }
}

}  // namespace

Json ArtifactCandidateRecommendation::toJson() const {
    Json out = Json::object();
    out["scriptPath"] = scriptPath;
    putOptional(out, "relativePath", relativePath);
    out["score"] = score;
    out["evidence"] = evidence;
    out["successfulRunCount"] = successfulRunCount;
    out["failedRunCount"] = failedRunCount;
    putOptional(out, "lastUsedAt", lastUsedAt);
    return out;
}

ArtifactCandidateRecommendation ArtifactCandidateRecommendation::fromJson(const Json& json) {
    const Json& object = pj::asObject(json);
    ArtifactCandidateRecommendation r;
    r.scriptPath = pj::requireString(object, "scriptPath");
    r.relativePath = pj::optionalString(object, "relativePath");
    r.score = pj::requireDouble(object, "score");
    r.evidence = pj::requireStringArray(object, "evidence");
    r.successfulRunCount = pj::requireInt(object, "successfulRunCount");
    r.failedRunCount = pj::requireInt(object, "failedRunCount");
    r.lastUsedAt = pj::optionalString(object, "lastUsedAt");
    return r;
}

Json ArtifactDestinationRecommendation::toJson() const {
    Json out = Json::object();
    out["path"] = path;
    out["score"] = score;
    out["evidence"] = evidence;
    out["successfulRunCount"] = successfulRunCount;
    putOptional(out, "lastUsedAt", lastUsedAt);
    return out;
}

ArtifactDestinationRecommendation ArtifactDestinationRecommendation::fromJson(const Json& json) {
    const Json& object = pj::asObject(json);
    ArtifactDestinationRecommendation d;
    d.path = pj::requireString(object, "path");
    d.score = pj::requireDouble(object, "score");
    d.evidence = pj::requireStringArray(object, "evidence");
    d.successfulRunCount = pj::requireInt(object, "successfulRunCount");
    d.lastUsedAt = pj::optionalString(object, "lastUsedAt");
    return d;
}

Json ArtifactRecommendationResponse::toJson() const {
    Json out = Json::object();
    out["ok"] = ok;
    out["decision"] = std::string(rawValue(decision));
    out["exactMatch"] = exactMatch;
    Json list = Json::array();
    for (const auto& r : recommendations) {
        list.push_back(r.toJson());
    }
    out["recommendations"] = std::move(list);
    if (destinations) {
        Json folders = Json::array();
        for (const auto& d : *destinations) {
            folders.push_back(d.toJson());
        }
        out["destinations"] = std::move(folders);
    }
    return out;
}

ArtifactRecommendationResponse ArtifactRecommendationResponse::fromJson(const Json& json) {
    const Json& object = pj::asObject(json);
    ArtifactRecommendationResponse response;
    response.ok = pj::requireBool(object, "ok");
    std::string decision = pj::requireString(object, "decision");
    auto kind = fromRawValue<ArtifactSelectionKind>(decision);
    if (!kind) {
        throw platform::DecodingError(platform::DecodingError::Kind::dataCorrupted, "decision");
    }
    response.decision = *kind;
    response.exactMatch = pj::requireBool(object, "exactMatch");
    const Json& list = pj::requireArray(object, "recommendations");
    response.recommendations.reserve(list.size());
    for (const auto& item : list) {
        response.recommendations.push_back(ArtifactCandidateRecommendation::fromJson(item));
    }
    if (const Json* folders = pj::optionalArray(object, "destinations")) {
        std::vector<ArtifactDestinationRecommendation> out;
        out.reserve(folders->size());
        for (const auto& item : *folders) {
            out.push_back(ArtifactDestinationRecommendation::fromJson(item));
        }
        response.destinations = std::move(out);
    }
    return response;
}

ArtifactRecommendationResponse ArtifactRecommendationResponse::decode(std::string_view body) {
    Json json;
    try {
        json = platform::parseJson(body);
    } catch (const platform::JsonParseError&) {
        throw;
    } catch (const nlohmann::json::exception& e) {
        // A number too large for a double is as unreadable as any other malformed reply.
        throw platform::JsonParseError(e.what());
    }
    return fromJson(json);
}

}  // namespace tarvo
