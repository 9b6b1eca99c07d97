#pragma once
// What the platform tells about one item on disk without opening it: its kind, size and
// modification time.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/foundation/Url.h"

namespace platform {

struct FileAttributes {
    enum class Type { regular, directory, symbolicLink, other };
    Type type = Type::other;
    std::int64_t size = 0;
    double modificationDate = 0;  // seconds since 1970
    std::int64_t modificationNanoseconds = 0;  // the same moment, exactly: nanoseconds since 1970
};

// The attributes of the item at path itself (a final symbolic link is not followed, like the
// platform's attributesOfItem(atPath:)). Throws FileSystemError.
FileAttributes attributesOfItem(const std::string& path);
// The same for what path names, a final symbolic link followed (like opening it).
FileAttributes attributesOfItemFollowingLinks(const std::string& path);

// The "fileSize" resource value of a file URL: the size of the regular file it names (links
// followed); nothing when the URL is not a file URL, cannot be examined, or is not a file.
std::optional<std::int64_t> fileSizeResourceValue(const URL& fileURL);

}  // namespace platform
