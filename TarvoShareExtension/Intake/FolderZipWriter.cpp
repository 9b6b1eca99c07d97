#include "TarvoShareExtension/Intake/FolderZipWriter.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "TarvoShareExtension/Intake/Crc32.h"
#include "TarvoShareExtension/Intake/ShareIntakeError.h"
#include "TarvoShareExtension/Intake/TemporaryFileName.h"
#include "platform/filesystem/DirectoryEnumerator.h"
#include "platform/filesystem/FileHandle.h"
#include "platform/filesystem/FileManager.h"
#include "platform/filesystem/FileSystemError.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Text.h"

namespace tarvo {
namespace {

constexpr std::size_t kChunkSize = 131072;

// A member's modification time in the two 16-bit fields of the format (local time, two-second
// steps, years 1980 to 2107).
struct DosDateTime {
    std::uint16_t time = 0;
    std::uint16_t date = 0;
};

struct Entry {
    std::string sourcePath;
    std::string path;  // relative, "/"-separated, UTF-8
    std::uint32_t size = 0;
    std::uint32_t crc32 = 0;
    DosDateTime modified;
    std::uint32_t externalAttributes = 0;
    std::uint32_t localOffset = 0;  // where its local header went, once written
};

void put16(std::string& out, std::uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

constexpr std::uint16_t kVersionNeeded = 20;
constexpr std::uint16_t kVersionMadeBy = 0x0314;  // Unix, format version 2.0
constexpr std::uint16_t kFlagUTF8 = 0x0800;
// A regular file's Unix mode in the high half: 0755 when any execute bit is set, so a script
// that calls another still runs once unzipped; 0644 otherwise.
constexpr std::uint32_t kRegularFileAttributes = 0x81A40000u;     // S_IFREG | 0644
constexpr std::uint32_t kExecutableFileAttributes = 0x81ED0000u;  // S_IFREG | 0755

std::uint32_t externalAttributes(std::uint32_t permissions) {
    return (permissions & 0111) != 0 ? kExecutableFileAttributes : kRegularFileAttributes;
}

// Outside the years the fields can hold, the nearest moment they can.
DosDateTime dosDateTime(std::int64_t epochSeconds) {
    const platform::LocalDateTime t = platform::localDateTime(epochSeconds);
    if (t.year < 1980) return DosDateTime{0, static_cast<std::uint16_t>((1 << 5) | 1)};
    if (t.year > 2107) {
        return DosDateTime{static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29),
                           static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31)};
    }
    const int second = t.second > 59 ? 59 : t.second;
    return DosDateTime{static_cast<std::uint16_t>((t.hour << 11) | (t.minute << 5) | (second / 2)),
                       static_cast<std::uint16_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day)};
}

std::string localHeader(const std::string& name, std::uint32_t crc, std::uint32_t size, DosDateTime modified) {
    std::string h;
    h.reserve(30 + name.size());
    put32(h, 0x04034B50u);
    put16(h, kVersionNeeded);
    put16(h, kFlagUTF8);
    put16(h, 0);  // stored
    put16(h, modified.time);
    put16(h, modified.date);
    put32(h, crc);
    put32(h, size);
    put32(h, size);
    put16(h, static_cast<std::uint16_t>(name.size()));
    put16(h, 0);
    h += name;
    return h;
}

void appendCentralHeader(std::string& out, const Entry& e) {
    put32(out, 0x02014B50u);
    put16(out, kVersionMadeBy);
    put16(out, kVersionNeeded);
    put16(out, kFlagUTF8);
    put16(out, 0);  // stored
    put16(out, e.modified.time);
    put16(out, e.modified.date);
    put32(out, e.crc32);
    put32(out, e.size);
    put32(out, e.size);
    put16(out, static_cast<std::uint16_t>(e.path.size()));
    put16(out, 0);  // extra
    put16(out, 0);  // comment
    put16(out, 0);  // disk
    put16(out, 0);  // internal attributes
    put32(out, e.externalAttributes);
    put32(out, e.localOffset);
    out += e.path;
}

std::string endRecord(std::size_t count, std::uint32_t directorySize, std::uint32_t directoryOffset) {
    std::string r;
    put32(r, 0x06054B50u);
    put16(r, 0);
    put16(r, 0);
    put16(r, static_cast<std::uint16_t>(count));
    put16(r, static_cast<std::uint16_t>(count));
    put32(r, directorySize);
    put32(r, directoryOffset);
    put16(r, 0);
    return r;
}

// The member name for a path below the root, or nullopt when the file must be left out.
std::optional<std::string> relativeMemberPath(const std::string& path, const std::string& rootPrefix) {
    if (path.compare(0, rootPrefix.size(), rootPrefix) != 0) return std::nullopt;
    std::string rel = path.substr(rootPrefix.size());
    std::replace(rel.begin(), rel.end(), '\\', '/');
    if (rel.empty() || rel.front() == '/') return std::nullopt;
    std::size_t start = 0;
    while (start <= rel.size()) {
        std::size_t end = rel.find('/', start);
        if (end == std::string::npos) end = rel.size();
        std::string_view piece(rel.data() + start, end - start);
        if (piece.empty() || piece == "." || piece == "..") return std::nullopt;
        start = end + 1;
    }
    // Names travel flagged as UTF-8; a name that is not valid UTF-8 is repaired the way the
    // platform decodes file names (each bad sequence becomes U+FFFD).
    if (!platform::text::isValidUTF8(rel)) rel = platform::text::fromUTF32(platform::text::toUTF32(rel));
    return rel;
}

// Counts the archive's work and reports it in steps, so that a folder of many small files does
// not wake the listener once per file.
class ProgressMeter {
public:
    ProgressMeter(const FolderZipProgressCallback& report, std::uint64_t step) : report_(report), step_(step) {}

    void start(std::uint64_t total, std::uint64_t archiveBytes) {
        total_ = total;
        archiveBytes_ = archiveBytes;
        if (report_) report_(FolderZipProgress{0, total_, archiveBytes_});
    }
    void add(std::uint64_t bytes) {
        done_ += bytes;
        if (report_ && done_ - reported_ >= step_ && done_ < total_) {
            reported_ = done_;
            report_(FolderZipProgress{done_, total_, archiveBytes_});
        }
    }
    void finish() {
        if (report_) report_(FolderZipProgress{total_, total_, archiveBytes_});
    }

private:
    const FolderZipProgressCallback& report_;
    const std::uint64_t step_;
    std::uint64_t total_ = 0;
    std::uint64_t archiveBytes_ = 0;
    std::uint64_t done_ = 0;
    std::uint64_t reported_ = 0;
};

std::uint32_t crc32OfFileWithBuffer(const std::string& path, std::vector<std::uint8_t>& buffer,
                                    ProgressMeter* meter = nullptr) {
    platform::FileHandle handle = platform::FileHandle::forReading(path, false);
    Crc32 crc;
    for (;;) {
        std::size_t n = platform::posixRead(handle.fileDescriptor(), buffer.data(), buffer.size(), path);
        if (n == 0) break;
        crc.update(buffer.data(), n);
        if (meter) meter->add(n);
    }
    try {
        handle.close();
    } catch (...) {
        // Nothing was written through it; a failed close changes nothing about the bytes read.
    }
    return crc.value();
}

// Copies exactly entry.size bytes of the member into out and proves they are the bytes
// whose checksum went into the headers.
void copyMember(const Entry& entry, platform::FileHandle& out, std::vector<std::uint8_t>& buffer,
                ProgressMeter& meter) {
    platform::FileHandle in = platform::FileHandle::forReading(entry.sourcePath, false);
    Crc32 crc;
    std::uint64_t remaining = entry.size;
    while (remaining > 0) {
        std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(remaining, buffer.size()));
        std::size_t n = in.read(buffer.data(), want);
        if (n == 0) throw shareIntakeError(ShareIntakeErrorCode::memberChangedWhileArchiving);  // shrank
        crc.update(buffer.data(), n);
        out.write(buffer.data(), n);
        remaining -= n;
        meter.add(n);
    }
    std::uint8_t probe;
    if (in.read(&probe, 1) != 0) throw shareIntakeError(ShareIntakeErrorCode::memberChangedWhileArchiving);  // grew
    if (crc.value() != entry.crc32) throw shareIntakeError(ShareIntakeErrorCode::memberChangedWhileArchiving);
    in.close();
}

}  // namespace

std::string folderArchiveName(std::string_view displayName) {
    std::string name = platform::text::trimmed(displayName);
    if (name.empty()) name = "shared-folder";
    if (!platform::text::hasSuffix(platform::text::lowercased(name), ".zip")) name += ".zip";
    return name;
}

std::uint32_t crc32OfFile(const std::string& path) {
    std::vector<std::uint8_t> buffer(kChunkSize, 0);
    return crc32OfFileWithBuffer(path, buffer);
}

TempItem archiveDirectoryToTemp(const platform::URL& url, std::string_view displayName,
                                const std::string& temporaryDirectory, const FolderZipOptions& options) {
    const FolderZipOptions& limits = options;
    const std::string root = platform::standardizedPath(url.path());

    // Collect the members. Unreadable parts of the tree (no permission, vanished) are passed
    // over; running out of descriptors or memory is not a property of the tree, and passing
    // over what it hid would send an incomplete archive as if it were whole.
    bool walkFailed = false;
    auto onWalkError = [&walkFailed](const std::string&, const platform::NSError& error) {
        if (!platform::isResourceExhaustion(error)) return true;
        walkFailed = true;
        return false;
    };
    auto enumerator = platform::DirectoryEnumerator::make(root, onWalkError);
    if (!enumerator) throw shareIntakeError(ShareIntakeErrorCode::folderNotEnumerable);

    const std::string rootPrefix = root.back() == '/' ? root : root + "/";
    std::vector<std::uint8_t> buffer(kChunkSize, 0);
    std::vector<Entry> entries;
    while (auto item = enumerator->nextObject()) {
        if (!item->isRegularFile || item->isSymbolicLink) continue;
        auto rel = relativeMemberPath(item->path, rootPrefix);
        if (!rel) continue;
        if (item->fileSize > limits.maxMemberSize) throw shareIntakeError(ShareIntakeErrorCode::memberTooLarge);
        // Stop at the first member over the count: a huge tree is refused without reading
        // every file in it or holding all of its entries.
        if (entries.size() >= limits.maxMemberCount) throw shareIntakeError(ShareIntakeErrorCode::tooManyMembers);
        Entry entry;
        entry.sourcePath = item->path;
        entry.path = std::move(*rel);
        entry.size = static_cast<std::uint32_t>(item->fileSize);
        entry.modified = dosDateTime(item->modificationSeconds);
        entry.externalAttributes = externalAttributes(item->permissions);
        entries.push_back(std::move(entry));
    }
    if (walkFailed) throw shareIntakeError(ShareIntakeErrorCode::folderNotEnumerable);

    // The listing gives the whole work: each member read once for its checksum, then the
    // archive (headers, names and members) written.
    std::uint64_t checksumBytes = 0;
    std::uint64_t archiveBytes = 22;
    for (const Entry& entry : entries) {
        checksumBytes += entry.size;
        archiveBytes += 30 + 46 + 2 * std::uint64_t(entry.path.size()) + entry.size;
    }
    ProgressMeter meter(options.progress, options.progressStepBytes);
    meter.start(checksumBytes + archiveBytes, archiveBytes);
    for (Entry& entry : entries) entry.crc32 = crc32OfFileWithBuffer(entry.sourcePath, buffer, &meter);
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return platform::text::localizedStandardCompare(a.path, b.path) < 0;
    });

    if (limits.beforeCopying) limits.beforeCopying();

    // Write the archive.
    const std::string archiveName = folderArchiveName(displayName);
    const std::string archivePath = makeTemporaryFilePath(temporaryDirectory, "_", archiveName);
    platform::FileHandle out = platform::FileHandle::creatingForWriting(archivePath, platform::FileAccess::ownerOnly);
    try {
        std::uint64_t offset = 0;
        for (Entry& entry : entries) {
            if (entry.path.size() > limits.maxNameLength || offset > limits.maxOffset)
                throw shareIntakeError(ShareIntakeErrorCode::archiveTooLargeAtMember);
            const std::string header = localHeader(entry.path, entry.crc32, entry.size, entry.modified);
            entry.localOffset = static_cast<std::uint32_t>(offset);
            out.write(header.data(), header.size());
            meter.add(header.size());
            copyMember(entry, out, buffer, meter);
            offset += header.size() + entry.size;
        }
        const std::uint64_t directoryStart = offset;
        if (directoryStart > limits.maxOffset) throw shareIntakeError(ShareIntakeErrorCode::archiveTooLargeAtDirectory);
        std::string directory;
        for (const Entry& entry : entries) appendCentralHeader(directory, entry);
        out.write(directory.data(), directory.size());
        meter.add(directory.size());
        const std::uint64_t endOffset = directoryStart + directory.size();
        if (endOffset > limits.maxOffset) throw shareIntakeError(ShareIntakeErrorCode::archiveTooLargeAtEnd);
        const std::string end = endRecord(entries.size(), static_cast<std::uint32_t>(endOffset - directoryStart),
                                          static_cast<std::uint32_t>(directoryStart));
        out.write(end.data(), end.size());
        out.close();
        meter.finish();
    } catch (...) {
        // An archive that is not whole must not be mistaken for one.
        try {
            out.close();
        } catch (...) {
        }
        try {
            platform::FileManager::defaultManager().removeItem(archivePath);
        } catch (...) {
        }
        throw;
    }
    return TempItem{platform::URL::fileURL(archivePath), archiveName, "application/zip"};
}

}  // namespace tarvo
