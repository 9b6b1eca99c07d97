#pragma once
// One entry of a zip archive's central directory, as the project fingerprint needs it.
#include <cstdint>
#include <string>

namespace tarvo {

struct ArtifactArchiveEntry {
    std::string path;  // as stored (any separators; a trailing "/" marks a directory entry)
    std::uint32_t crc32 = 0;
    std::uint64_t uncompressedSize = 0;
    bool operator==(const ArtifactArchiveEntry&) const = default;
};

}  // namespace tarvo
