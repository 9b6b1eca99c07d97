#pragma once
// A shared folder as one zip archive in the temporary directory: every regular file under
// it (hidden ones included, symbolic links never followed, empty folders leaving no trace),
// stored uncompressed with no timestamps, no directory entries, no data descriptors and no
// ZIP64, ordered the way a file browser orders names. Each member is read twice: once for
// its checksum once the folder is listed, once for the copy, which must see exactly the
// same bytes or the archive is abandoned.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "TarvoShareExtension/Intake/TempItem.h"
#include "platform/foundation/Url.h"

namespace tarvo {

// How far an archive has come. Its work is known once the folder is listed: every member read
// for its checksum, then every byte of the archive written. doneBytes grows to totalBytes, which
// is about twice the archive's size; archiveBytes is the size the archive will have.
struct FolderZipProgress {
    std::uint64_t doneBytes = 0;
    std::uint64_t totalBytes = 0;
    std::uint64_t archiveBytes = 0;
};
using FolderZipProgressCallback = std::function<void(const FolderZipProgress&)>;

// What the classic zip fields can hold. Tests shrink the limits to reach each guard cheaply.
struct FolderZipOptions {
    std::uint64_t maxMemberSize = 0xFFFFFFFFull;  // bytes of one member
    std::size_t maxMemberCount = 65535;
    std::size_t maxNameLength = 65535;            // UTF-8 bytes of one member name
    std::uint64_t maxOffset = 0xFFFFFFFFull;      // any header offset and the archive's end
    // Runs between the checksum pass and the copy pass (tests change files here).
    std::function<void()> beforeCopying;
    // Called on the writer's thread once the folder is listed (0 done), then after each further
    // progressStepBytes of work and once more at the end (all done), never for a failed archive.
    FolderZipProgressCallback progress;
    std::uint64_t progressStepBytes = std::uint64_t(1) << 20;
};

// The name the archive travels under: displayName trimmed ("shared-folder" when blank),
// with ".zip" appended unless it already ends in ".zip" in any letter case.
std::string folderArchiveName(std::string_view displayName);

// Writes the archive of the folder at url into temporaryDirectory and returns it
// ("application/zip", travelling as folderArchiveName(displayName)). Fails with the "ShareExtension" errors 21 to 27 or the
// file system's own errors; a failure leaves no archive file behind.
TempItem archiveDirectoryToTemp(const platform::URL& url, std::string_view displayName,
                                const std::string& temporaryDirectory, const FolderZipOptions& options = {});

// CRC-32 of a whole file, read with POSIX reads; a read failure throws the NSPOSIXErrorDomain
// error of its errno.
std::uint32_t crc32OfFile(const std::string& path);

}  // namespace tarvo
