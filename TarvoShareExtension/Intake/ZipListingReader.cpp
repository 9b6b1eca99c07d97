#include "TarvoShareExtension/Intake/ZipListingReader.h"

#include <algorithm>

#include "platform/filesystem/MappedFile.h"
#include "platform/foundation/Text.h"

namespace tarvo {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054B50u;
constexpr std::uint32_t kCentralSignature = 0x02014B50u;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kSearchWindow = 66000;

std::string latin1ToUTF8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

std::uint16_t readUInt16LE(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < 2) return 0;
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::uint32_t readUInt32LE(std::span<const std::uint8_t> bytes, std::size_t offset) {
    if (offset > bytes.size() || bytes.size() - offset < 4) return 0;
    return static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

std::string normalizeZipEntryPath(std::string_view path) {
    std::string s(path);
    std::replace(s.begin(), s.end(), '\\', '/');
    s = platform::text::trimmed(s);
    std::string out;
    std::size_t start = 0;
    while (start <= s.size()) {
        std::size_t end = s.find('/', start);
        if (end == std::string::npos) end = s.size();
        std::string_view piece(s.data() + start, end - start);
        start = end + 1;
        if (piece.empty() || piece == "." || piece == ".." || piece.substr(0, 8) == "__MACOSX") continue;
        if (!out.empty()) out += '/';
        out += piece;
    }
    return out;
}

std::vector<ArtifactArchiveEntry> listZipEntries(std::span<const std::uint8_t> data, std::size_t limit) {
    std::vector<ArtifactArchiveEntry> entries;
    const std::size_t length = data.size();
    if (length < kEndRecordSize) return entries;

    // The end record nearest the end of the file, within the window a maximal comment allows.
    const std::size_t window = std::min<std::size_t>(length, kSearchWindow);
    std::size_t end = length;  // "not found"
    for (std::size_t candidate = length - 4;; --candidate) {
        if (readUInt32LE(data, candidate) == kEndSignature) {
            end = candidate;
            break;
        }
        if (candidate == length - window) break;
    }
    if (end == length || length - end < kEndRecordSize) return entries;

    const std::uint16_t total = readUInt16LE(data, end + 10);
    const std::uint32_t directoryOffset = readUInt32LE(data, end + 16);
    if (directoryOffset >= length) return entries;
    const std::size_t cap = total == 0 ? limit : std::min<std::size_t>(total, limit);

    std::size_t offset = directoryOffset;
    while (length - offset >= kCentralHeaderSize && entries.size() < cap &&
           readUInt32LE(data, offset) == kCentralSignature) {
        const std::size_t crc = readUInt32LE(data, offset + 16);
        const std::size_t size = readUInt32LE(data, offset + 24);
        const std::size_t nameLength = readUInt16LE(data, offset + 28);
        const std::size_t extraLength = readUInt16LE(data, offset + 30);
        const std::size_t commentLength = readUInt16LE(data, offset + 32);
        const std::size_t nameStart = offset + kCentralHeaderSize;
        if (nameLength > length - nameStart) break;

        std::string_view raw(reinterpret_cast<const char*>(data.data() + nameStart), nameLength);
        std::string name = platform::text::isValidUTF8(raw) ? std::string(raw) : latin1ToUTF8(raw);
        if (name.empty() || name.back() != '/') {
            std::string path = normalizeZipEntryPath(name);
            if (!path.empty())
                entries.push_back({std::move(path), static_cast<std::uint32_t>(crc), static_cast<std::uint64_t>(size)});
        }
        const std::size_t next = nameStart + nameLength + extraLength + commentLength;
        if (next > length) break;  // the walk would leave the file: nothing more to read
        offset = next;
    }
    return entries;
}

std::vector<ArtifactArchiveEntry> listZipEntries(const platform::URL& url, std::size_t limit) {
    const platform::MappedFile file = platform::MappedFile::open(url.path());
    return listZipEntries(file.bytes(), limit);
}

}  // namespace tarvo
