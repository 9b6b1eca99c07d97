#include "platform/filesystem/FileAttributes.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/filesystem/FileSystemError.h"

namespace platform {

namespace {

FileAttributes fromStat(const struct stat& st) {
    FileAttributes a;
    if (S_ISREG(st.st_mode)) {
        a.type = FileAttributes::Type::regular;
    } else if (S_ISDIR(st.st_mode)) {
        a.type = FileAttributes::Type::directory;
    } else if (S_ISLNK(st.st_mode)) {
        a.type = FileAttributes::Type::symbolicLink;
    }
    a.size = static_cast<std::int64_t>(st.st_size);
    a.modificationDate = static_cast<double>(st.st_mtim.tv_sec) +
                         static_cast<double>(st.st_mtim.tv_nsec) / 1e9;
    a.modificationNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return a;
}

}  // namespace

FileAttributes attributesOfItem(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) throw fileReadError(errno, path);
    return fromStat(st);
}

FileAttributes attributesOfItemFollowingLinks(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) throw fileReadError(errno, path);
    return fromStat(st);
}

std::optional<std::int64_t> fileSizeResourceValue(const URL& fileURL) {
    if (!fileURL.isFileURL()) return std::nullopt;
    struct stat st {};
    if (::stat(fileURL.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    return static_cast<std::int64_t>(st.st_size);
}

}  // namespace platform
