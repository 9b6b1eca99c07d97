#include "platform/filesystem/FileManager.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/filesystem/FileHandle.h"
#include "platform/filesystem/FileSystemError.h"
#include "platform/foundation/Paths.h"
#include "platform/foundation/Uuid.h"

namespace platform {
namespace {

std::mutex& overrideMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

FileManager& FileManager::defaultManager() {
    static FileManager manager;
    return manager;
}

std::string FileManager::temporaryDirectory() const {
    {
        std::lock_guard lock(overrideMutex());
        if (temporaryOverride_) return *temporaryOverride_;
    }
    return paths::temporaryDirectory();
}

void FileManager::setTemporaryDirectoryForTesting(std::optional<std::string> dir) {
    std::lock_guard lock(overrideMutex());
    temporaryOverride_ = std::move(dir);
}

bool FileManager::fileExists(const std::string& path, bool* isDirectory) const {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        if (isDirectory) *isDirectory = false;
        return false;
    }
    if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
    return true;
}

std::optional<std::string> FileManager::unreadableReason(const std::string& path) const {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) return std::string(std::strerror(errno));
    if (S_ISFIFO(st.st_mode)) return std::string("it is a named pipe (FIFO), not a file");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return std::string("it is a device, not a file");
    if (S_ISSOCK(st.st_mode)) return std::string("it is a socket, not a file");
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return std::string("it is not a file or folder");
    if (::access(path.c_str(), S_ISDIR(st.st_mode) ? (R_OK | X_OK) : R_OK) != 0) return std::string(std::strerror(errno));
    return std::nullopt;
}

void FileManager::removeItem(const std::string& path) const {
    std::error_code ec;
    // remove_all never follows links: a link is removed, not what it points to.
    auto removed = std::filesystem::remove_all(path, ec);
    if (ec) throw fileWriteError(ec.value(), path);
    if (removed == 0) throw fileWriteError(ENOENT, path);
}

void FileManager::copyItem(const std::string& from, const std::string& to, FileAccess access) const {
    FileHandle in = FileHandle::forReading(from);
    struct stat st{};
    if (::fstat(in.fileDescriptor(), &st) != 0) throw fileReadError(errno, from);
    if (!S_ISREG(st.st_mode)) throw fileReadError(EINVAL, from);
    FileHandle out = FileHandle::creatingForWriting(to, access);
    try {
        // Let the kernel move the bytes when it can; fall back to a plain loop otherwise.
        // Synthetic files (as in /proc) report size 0 yet have contents: copy those by reading.
        bool kernelCopy = st.st_size > 0;
        for (;;) {
            if (kernelCopy) {
                ssize_t n = ::copy_file_range(in.fileDescriptor(), nullptr, out.fileDescriptor(),
                                              nullptr, std::size_t{1} << 30, 0);
                if (n > 0) continue;
                if (n == 0) break;
                if (errno == EINTR) continue;
                if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                    errno == EPERM) {
                    kernelCopy = false;
                    continue;
                }
                throw fileReadError(errno, from);
            }
            std::vector<std::uint8_t> buffer(1 << 17);
            for (;;) {
                std::size_t n = in.read(buffer.data(), buffer.size());
                if (n == 0) break;
                out.write(buffer.data(), n);
            }
            break;
        }
        out.close();
    } catch (...) {
        ::unlink(to.c_str());
        throw;
    }
}

void FileManager::writeAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                                  FileAccess access) const {
    const auto slash = path.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string staging = dir + ".tarvo-write-" + makeUUIDString();
    try {
        FileHandle out = FileHandle::creatingForWriting(staging, access);
        out.write(bytes.data(), bytes.size());
        out.close();
    } catch (const FileSystemError& e) {
        ::unlink(staging.c_str());
        // Report the failure against the file the caller asked for.
        throw fileWriteError(e.posixCode(), path);
    }
    if (::rename(staging.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(staging.c_str());
        throw fileWriteError(err, path);
    }
}

void FileManager::writeAtomically(const std::string& path, std::string_view bytes, FileAccess access) const {
    writeAtomically(path,
                    std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                    access);
}

void FileManager::createDirectory(const std::string& path, bool withIntermediateDirectories,
                                  FileAccess access) const {
    const mode_t mode = access == FileAccess::ownerOnly ? 0700 : 0755;
    if (withIntermediateDirectories) {
        std::error_code ec;
        const std::filesystem::path p(path);
        if (p.has_parent_path() && p.parent_path() != p) {
            std::filesystem::create_directories(p.parent_path(), ec);
            if (ec) throw fileWriteError(ec.value(), path);
        }
        if (::mkdir(path.c_str(), mode) != 0) {
            const int err = errno;
            bool isDirectory = false;
            if (err != EEXIST || !fileExists(path, &isDirectory) || !isDirectory) throw fileWriteError(err, path);
        }
        return;
    }
    if (::mkdir(path.c_str(), mode) != 0) throw fileWriteError(errno, path);
}

std::size_t FileManager::maximumFileNameLength(const std::string& dir) const {
    long n = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    return n > 0 ? static_cast<std::size_t>(n) : 255;
}

std::string standardizedPath(std::string_view path) {
    const bool absolute = !path.empty() && path.front() == '/';
    std::vector<std::string_view> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find('/', i);
        if (j == std::string_view::npos) j = path.size();
        std::string_view piece = path.substr(i, j - i);
        if (piece.empty() || piece == ".") {
        } else if (piece == "..") {
            if (!parts.empty() && parts.back() != "..") parts.pop_back();
            else if (!absolute) parts.push_back(piece);
        } else {
            parts.push_back(piece);
        }
        i = j + 1;
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k) out += '/';
        out += parts[k];
    }
    if (out.empty()) out = absolute ? "/" : ".";
    return out;
}

}  // namespace platform
