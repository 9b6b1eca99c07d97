#pragma once
// The server's recommendation reply: what it remembers about a project's scripts and upload
// folders. Keys on the wire are the field names; optional values are left out when absent.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/RawValue.h"
#include "platform/foundation/Json.h"

namespace tarvo {

enum class ArtifactSelectionKind { none, suggest, autoSelect };

std::string_view rawValue(ArtifactSelectionKind kind);
// "none", "suggest", "auto_select" exactly; anything else gives nothing.
template <>
std::optional<ArtifactSelectionKind> fromRawValue<ArtifactSelectionKind>(std::string_view raw);
template <>
struct EnumCases<ArtifactSelectionKind> {
    using E = ArtifactSelectionKind;
    static constexpr std::array<E, 3> allCases{E::none, E::suggest, E::autoSelect};
};

struct ArtifactCandidateRecommendation {
    std::string scriptPath;                   // matched ignoring case against a candidate's path
    std::optional<std::string> relativePath;  // matched ignoring case against its relativePath
    double score = 0;
    std::vector<std::string> evidence;
    std::int64_t successfulRunCount = 0;
    std::int64_t failedRunCount = 0;
    std::optional<std::string> lastUsedAt;    // the server's own text, carried as is

    bool operator==(const ArtifactCandidateRecommendation&) const = default;

    platform::Json toJson() const;
    static ArtifactCandidateRecommendation fromJson(const platform::Json& json);
};

struct ArtifactDestinationRecommendation {
    std::string path;
    double score = 0;
    std::vector<std::string> evidence;
    std::int64_t successfulRunCount = 0;
    std::optional<std::string> lastUsedAt;

    bool operator==(const ArtifactDestinationRecommendation&) const = default;

    platform::Json toJson() const;
    static ArtifactDestinationRecommendation fromJson(const platform::Json& json);
};

struct ArtifactRecommendationResponse {
    bool ok = false;
    ArtifactSelectionKind decision = ArtifactSelectionKind::none;
    bool exactMatch = false;
    std::vector<ArtifactCandidateRecommendation> recommendations;  // the server's order
    // Absent and empty are different answers: no opinion versus no folder to suggest.
    std::optional<std::vector<ArtifactDestinationRecommendation>> destinations;

    bool operator==(const ArtifactRecommendationResponse&) const = default;

    platform::Json toJson() const;
    // Strict: a missing required key, a wrong type (a fraction for a count, a string for a
    // number) or an unknown decision anywhere rejects the whole reply with
    // platform::DecodingError.
    static ArtifactRecommendationResponse fromJson(const platform::Json& json);
    // Parses and decodes a reply body; throws platform::JsonParseError or DecodingError.
    static ArtifactRecommendationResponse decode(std::string_view body);
};

}  // namespace tarvo
