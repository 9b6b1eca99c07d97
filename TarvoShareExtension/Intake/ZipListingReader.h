#pragma once
// The file listing of a zip archive, read from its central directory only: no member data
// is touched and nothing is inflated. Any malformed archive gives a shorter or an empty
// listing, never an error; only a file that cannot be read throws.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "TarvoShareExtension/ArtifactArchiveEntry.h"
#include "platform/foundation/Url.h"

namespace tarvo {

// Up to limit file entries (directories and names that clean up to nothing are passed over
// and do not count), in central-directory order, with cleaned paths. The file is mapped,
// not read into the heap.
std::vector<ArtifactArchiveEntry> listZipEntries(const platform::URL& url, std::size_t limit);
std::vector<ArtifactArchiveEntry> listZipEntries(std::span<const std::uint8_t> archive, std::size_t limit);

// Little-endian values at offset; 0 when they would run past the end of the bytes.
std::uint16_t readUInt16LE(std::span<const std::uint8_t> bytes, std::size_t offset);
std::uint32_t readUInt32LE(std::span<const std::uint8_t> bytes, std::size_t offset);

// "\" made "/", trimmed of whitespace and then of "/", empty pieces, ".", ".." and pieces
// starting with "__MACOSX" dropped. Empty when nothing usable is left.
std::string normalizeZipEntryPath(std::string_view path);

}  // namespace tarvo
