#include "TarvoShareExtension/ArtifactProjectSignature.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <unordered_map>
#include <utility>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "platform/crypto/Sha256.h"
#include "platform/foundation/Text.h"

namespace tarvo {

namespace text = platform::text;
using platform::Json;

std::string artifactEntryFingerprint(std::uint32_t crc32, std::uint64_t uncompressedSize) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%08" PRIx32 ":%" PRIu64, crc32, uncompressedSize);
    return buffer;
}

std::string artifactEntryFingerprint(const ArtifactArchiveEntry& entry) {
    return artifactEntryFingerprint(entry.crc32, entry.uncompressedSize);
}

std::string artifactSHA256Hex(std::string_view text) {
    return platform::SHA256::hexDigest(text);
}

const std::set<std::string>& ArtifactProjectSignature::ignoredComponents() {
    static const std::set<std::string> names{".git",        ".build",       "__macosx", "deriveddata",
                                             "node_modules", "pods",        "vendor",   ".swiftpm"};
    return names;
}

const std::set<std::string>& ArtifactProjectSignature::knownMarkers() {
    static const std::set<std::string> names{
        "package.swift", "package.json", "cargo.toml",  "pyproject.toml", "dockerfile",
        "docker-compose.yml", "compose.yml", "makefile", "podfile",        "requirements.txt"};
    return names;
}

std::optional<std::string> ArtifactProjectSignature::normalizeStablePath(std::string_view rawPath) {
    std::string path(rawPath);
    std::replace(path.begin(), path.end(), '\\', '/');
    path = text::trimmingCharacters(text::trimmed(path), "/");

    std::vector<std::string> kept;
    for (auto& piece : artifactPathPieces(path)) {
        if (piece != "." && piece != "..") {
            kept.push_back(std::move(piece));
        }
    }
    if (kept.empty()) {
        return std::nullopt;
    }
    const auto& ignored = ignoredComponents();
    for (const auto& piece : kept) {
        if (ignored.count(artifactLowercased(piece)) != 0) {
            return std::nullopt;
        }
    }
    // Only a literal trailing "/" of the stored name marks a directory entry.
    if (!rawPath.empty() && rawPath.back() == '/') {
        return std::nullopt;
    }
    return artifactJoinPieces(kept);
}

std::optional<std::string> ArtifactProjectSignature::commonArchiveRoot(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> root;
    bool anyNested = false;
    for (const auto& path : paths) {
        std::optional<std::string> first = artifactFirstPiece(path);
        if (!first) {
            return std::nullopt;
        }
        if (!root) {
            root = std::move(first);
        } else if (!artifactEqualsIgnoringCase(*first, *root)) {
            return std::nullopt;
        }
        if (path.find('/') != std::string::npos) {
            anyNested = true;
        }
    }
    if (!anyNested) {
        return std::nullopt;
    }
    return root;
}

std::string artifactPathStrippingRoot(const std::string& path, const std::optional<std::string>& root) {
    if (!root || root->empty()) {
        return path;
    }
    std::string prefix = artifactLowercased(*root) + "/";
    if (!text::hasPrefix(artifactLowercased(path), prefix)) {
        return path;
    }
    return artifactDroppingCharacters(path, artifactCharacterCount(*root) + 1);
}

std::vector<std::string> ArtifactProjectSignature::stripSingleArchiveRoot(const std::vector<std::string>& paths) {
    std::optional<std::string> root = commonArchiveRoot(paths);
    std::vector<std::string> out;
    out.reserve(paths.size());
    for (const auto& path : paths) {
        out.push_back(artifactPathStrippingRoot(path, root));
    }
    std::sort(out.begin(), out.end());
    return out;
}

namespace {

std::optional<std::string> markerOf(const std::string& path) {
    std::string lower = artifactLowercased(path);
    std::vector<std::string> pieces = artifactPathPieces(lower);
    if (pieces.empty()) {
        return std::nullopt;
    }
    const std::string& last = pieces.back();
    if (ArtifactProjectSignature::knownMarkers().count(last) != 0) {
        return last;
    }
    if (text::hasSuffix(lower, ".xcodeproj/project.pbxproj") && pieces.size() >= 2) {
        return pieces[pieces.size() - 2] + "/project.pbxproj";
    }
    if (text::hasSuffix(lower, "/scripts/deploy.sh") || lower == "scripts/deploy.sh") {
        return std::string("scripts/deploy.sh");
    }
    if (lower == "tarvoserver" || lower.find("/tarvoserver/") != std::string::npos) {
        return std::string("tarvoserver");
    }
    return std::nullopt;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) {
            out += '\n';
        }
        out += lines[i];
    }
    return out;
}

}  // namespace

std::string artifactPathShape(const std::string& path) {
    std::vector<std::string> pieces = artifactPathPieces(artifactLowercased(path));
    std::size_t start = pieces.size() > 3 ? pieces.size() - 3 : 0;
    return artifactJoinPieces(std::vector<std::string>(pieces.begin() + static_cast<std::ptrdiff_t>(start), pieces.end()));
}

ArtifactProjectSignature ArtifactProjectSignature::make(const std::vector<ArtifactArchiveEntry>& entries) {
    // Stable path and fingerprint of every entry that counts, in archive order; the first
    // entry wins when two spell the same stable path.
    std::unordered_map<std::string, std::string> fingerprintByPath;
    std::set<std::string> distinct;
    for (const auto& entry : entries) {
        std::optional<std::string> stable = normalizeStablePath(entry.path);
        if (!stable) {
            continue;
        }
        fingerprintByPath.try_emplace(*stable, artifactEntryFingerprint(entry));
        distinct.insert(std::move(*stable));
    }
    std::vector<std::string> sorted(distinct.begin(), distinct.end());

    ArtifactProjectSignature signature;
    signature.normalizedPaths = stripSingleArchiveRoot(sorted);

    std::set<std::string> markers;
    std::vector<std::string> lowered;
    std::vector<std::string> shapes;
    lowered.reserve(signature.normalizedPaths.size());
    shapes.reserve(signature.normalizedPaths.size());
    for (const auto& path : signature.normalizedPaths) {
        if (auto marker = markerOf(path)) {
            markers.insert(std::move(*marker));
        }
        lowered.push_back(artifactLowercased(path));
        shapes.push_back(artifactPathShape(path));
    }
    signature.markers.assign(markers.begin(), markers.end());
    std::sort(shapes.begin(), shapes.end());

    std::optional<std::string> root = commonArchiveRoot(sorted);
    for (const auto& path : sorted) {
        if (!text::hasSuffix(artifactLowercased(path), ".sh")) {
            continue;
        }
        auto found = fingerprintByPath.find(path);
        if (found == fingerprintByPath.end()) {
            continue;
        }
        signature.scriptFingerprints[artifactPathStrippingRoot(path, root)] = found->second;
    }
    std::vector<std::string> contentLines;
    contentLines.reserve(signature.scriptFingerprints.size());
    for (const auto& [path, fingerprint] : signature.scriptFingerprints) {
        contentLines.push_back(artifactLowercased(path) + "|" + fingerprint);
    }
    std::sort(contentLines.begin(), contentLines.end());

    signature.exactDigest = artifactSHA256Hex(joinLines(lowered));
    signature.pathDigest = artifactSHA256Hex(joinLines(shapes));
    signature.contentDigest = artifactSHA256Hex(joinLines(contentLines));
    return signature;
}

Json ArtifactProjectSignature::toJson() const {
    Json fingerprints = Json::object();
    for (const auto& [path, fingerprint] : scriptFingerprints) {
        fingerprints[path] = fingerprint;
    }
    Json out = Json::object();
    out["exactDigest"] = exactDigest;
    out["pathDigest"] = pathDigest;
    out["contentDigest"] = contentDigest;
    out["normalizedPaths"] = normalizedPaths;
    out["markers"] = markers;
    out["scriptFingerprints"] = std::move(fingerprints);
    return out;
}

ArtifactProjectSignature ArtifactProjectSignature::fromJson(const Json& json) {
    namespace pj = platform::json;
    const Json& object = pj::asObject(json);
    ArtifactProjectSignature signature;
    signature.exactDigest = pj::requireString(object, "exactDigest");
    signature.pathDigest = pj::requireString(object, "pathDigest");
    signature.contentDigest = pj::requireString(object, "contentDigest");
    signature.normalizedPaths = pj::requireStringArray(object, "normalizedPaths");
    signature.markers = pj::requireStringArray(object, "markers");
    const Json& fingerprints = pj::requireObject(object, "scriptFingerprints");
    for (auto it = fingerprints.begin(); it != fingerprints.end(); ++it) {
        signature.scriptFingerprints[it.key()] =
            pj::asString(it.value(), "scriptFingerprints." + it.key());
    }
    return signature;
}

}  // namespace tarvo
