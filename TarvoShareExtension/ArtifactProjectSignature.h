#pragma once
// A project's fingerprint, computed from a zip listing alone: the same files give the same
// signature whatever the archive's top-level folder is called, the order of its entries or the
// separators it uses.
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ArtifactArchiveEntry.h"
#include "platform/foundation/Json.h"

namespace tarvo {

// "%08x:%llu" of an entry's CRC-32 and uncompressed size, e.g. "0000abcd:42".
std::string artifactEntryFingerprint(std::uint32_t crc32, std::uint64_t uncompressedSize);
std::string artifactEntryFingerprint(const ArtifactArchiveEntry& entry);

// SHA-256 of the UTF-8 bytes of text as 64 lowercase hex digits. The share controller hashes
// its own files with the same hex rendering (platform::hexEncode).
std::string artifactSHA256Hex(std::string_view text);

struct ArtifactProjectSignature {
    std::string exactDigest;    // SHA-256 of the lowercased stable paths, one a line
    std::string pathDigest;     // SHA-256 of the sorted last-three-components of every path
    std::string contentDigest;  // SHA-256 of "path|fingerprint" of every shell script
    std::vector<std::string> normalizedPaths;  // root stripped, ascending, case as listed
    std::vector<std::string> markers;          // distinct, ascending, lowercase
    std::map<std::string, std::string> scriptFingerprints;  // root-relative path -> fingerprint

    bool operator==(const ArtifactProjectSignature&) const = default;

    // Folder names whose whole subtree says nothing about the project (compared lowercased).
    static const std::set<std::string>& ignoredComponents();
    // File names that tell what kind of project this is (compared lowercased).
    static const std::set<std::string>& knownMarkers();

    // Never fails: an empty or fully ignored listing gives the digests of empty texts.
    static ArtifactProjectSignature make(const std::vector<ArtifactArchiveEntry>& entries);

    // The comparable form of one archive path, or nothing for a directory entry, an empty
    // path or anything under an ignored folder.
    static std::optional<std::string> normalizeStablePath(std::string_view rawPath);
    // The single top-level folder every path lives in (case-insensitively), spelled as in the
    // first path; nothing for loose top-level files or differing first components.
    static std::optional<std::string> commonArchiveRoot(const std::vector<std::string>& paths);
    // The paths without that folder, sorted ascending (byte order); duplicates stay.
    static std::vector<std::string> stripSingleArchiveRoot(const std::vector<std::string>& paths);

    // The record kept by the smart-share stores: keys are the field names.
    platform::Json toJson() const;
    // Strict: all six keys present with their types; throws platform::DecodingError.
    static ArtifactProjectSignature fromJson(const platform::Json& json);
};

// Removes root + "/" from the front of path when path starts with it ignoring letter case
// (the root's length in characters is what is cut); otherwise path unchanged.
std::string artifactPathStrippingRoot(const std::string& path, const std::optional<std::string>& root);

}  // namespace tarvo
