#include "platform/filesystem/DirectoryEnumerator.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filesystem/FileSystemError.h"

namespace platform {

std::unique_ptr<DirectoryEnumerator> DirectoryEnumerator::make(const std::string& root,
                                                               ErrorHandler errorHandler) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    std::unique_ptr<DirectoryEnumerator> e(new DirectoryEnumerator(std::move(errorHandler)));
    std::string path = root;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (!e->pushLevel(fd, path)) e->stopped_ = true;
    return e;
}

DirectoryEnumerator::~DirectoryEnumerator() {
    while (!stack_.empty()) popLevel();
}

bool DirectoryEnumerator::report(const std::string& path, int err) {
    if (!errorHandler_) return true;
    return errorHandler_(path, fileReadError(err, path));
}

void DirectoryEnumerator::popLevel() {
    if (stack_.back().fd >= 0) ::close(stack_.back().fd);
    stack_.pop_back();
}

bool DirectoryEnumerator::pushLevel(int fd, std::string path) {
    // fdopendir takes the descriptor; keep our own duplicate for the *at() calls below.
    int listFd = ::dup(fd);
    DIR* dir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!dir) {
        int err = errno;
        if (listFd >= 0) ::close(listFd);
        ::close(fd);
        return report(path, err);
    }
    Level level;
    level.fd = fd;
    level.path = std::move(path);
    for (;;) {
        errno = 0;
        struct dirent* ent = ::readdir(dir);
        if (!ent) {
            if (errno != 0) {
                int err = errno;
                ::closedir(dir);
                ::close(fd);
                return report(level.path, err);
            }
            break;
        }
        if (std::strcmp(ent->d_name, ".") == 0 || std::strcmp(ent->d_name, "..") == 0) continue;
        level.names.emplace_back(ent->d_name);
    }
    ::closedir(dir);
    std::sort(level.names.begin(), level.names.end());
    stack_.push_back(std::move(level));
    return true;
}

std::optional<DirectoryEntry> DirectoryEnumerator::nextObject() {
    while (!stopped_ && !stack_.empty()) {
        Level& level = stack_.back();
        if (level.next >= level.names.size()) {
            popLevel();
            continue;
        }
        const std::string name = level.names[level.next++];
        const std::string path = level.path == "/" ? "/" + name : level.path + "/" + name;
        struct stat st{};
        if (::fstatat(level.fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (!report(path, errno)) stopped_ = true;
            continue;
        }
        DirectoryEntry entry;
        entry.path = path;
        entry.isRegularFile = S_ISREG(st.st_mode);
        entry.isDirectory = S_ISDIR(st.st_mode);
        entry.isSymbolicLink = S_ISLNK(st.st_mode);
        entry.fileSize = st.st_size > 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
        entry.permissions = static_cast<std::uint32_t>(st.st_mode & 07777);
        entry.modificationSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
        entry.modificationNanoseconds = static_cast<std::uint32_t>(st.st_mtim.tv_nsec);
        if (entry.isDirectory) {
            // O_NOFOLLOW: if the folder was swapped for a link since lstat, do not enter it.
            int fd = ::openat(level.fd, name.c_str(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0) {
                if (!report(path, errno)) stopped_ = true;
            } else if (!pushLevel(fd, path)) {
                stopped_ = true;
            }
        }
        return entry;
    }
    return std::nullopt;
}

}  // namespace platform
