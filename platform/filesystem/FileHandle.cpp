#include "platform/filesystem/FileHandle.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filesystem/FileSystemError.h"

namespace platform {

FileHandle FileHandle::forReading(const std::string& path, bool followSymlinks) {
    int fd;
    do {
        // O_NONBLOCK only for the open itself: a named pipe without a writer would otherwise
        // hold the caller (the main queue) for ever. Regular files ignore the flag.
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followSymlinks ? 0 : O_NOFOLLOW));
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw fileReadError(errno, path);
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        const int err = errno;
        ::close(fd);
        throw fileReadError(err, path);
    }
    // A folder opens like a file; reading it then fails with EISDIR.
    return FileHandle(fd, path, false);
}

FileHandle FileHandle::creatingForWriting(const std::string& path, FileAccess access) {
    const mode_t mode = access == FileAccess::ownerOnly ? 0600 : 0644;
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw fileWriteError(errno, path);
    return FileHandle(fd, path, true);
}

FileHandle::FileHandle(FileHandle&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), writing_(other.writing_) {
    other.fd_ = -1;
}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        writing_ = other.writing_;
        other.fd_ = -1;
    }
    return *this;
}

FileHandle::~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
}

std::size_t FileHandle::read(void* buffer, std::size_t size) {
    if (fd_ < 0) throw fileReadError(EBADF, path_);
    for (;;) {
        ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) throw fileReadError(errno, path_);
    }
}

std::vector<std::uint8_t> FileHandle::readData(std::size_t maxLength) {
    std::vector<std::uint8_t> out(maxLength);
    std::size_t n = read(out.data(), maxLength);
    out.resize(n);
    return out;
}

void FileHandle::write(const void* data, std::size_t size) {
    if (fd_ < 0) throw fileWriteError(EBADF, path_);
    auto p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw fileWriteError(errno, path_);
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

std::uint64_t FileHandle::offset() const {
    if (fd_ < 0) throw fileReadError(EBADF, path_);
    off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    if (pos < 0) throw writing_ ? fileWriteError(errno, path_) : fileReadError(errno, path_);
    return static_cast<std::uint64_t>(pos);
}

void FileHandle::close() {
    if (fd_ < 0) return;
    int fd = fd_;
    fd_ = -1;
    // Linux releases the descriptor even when close reports EINTR, so never retry.
    if (::close(fd) != 0 && errno != EINTR) {
        throw writing_ ? fileWriteError(errno, path_) : fileReadError(errno, path_);
    }
}

std::size_t posixRead(int fd, void* buffer, std::size_t size, const std::string& path) {
    for (;;) {
        ssize_t n = ::read(fd, buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) throw posixError(errno, path);
    }
}

}  // namespace platform
