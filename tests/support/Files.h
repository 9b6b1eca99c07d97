#pragma once
// Whole-file reads and writes for tests, and a file's permissions and modification time.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tarvo_test {

// The file's bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file with bytes, creating its folders first.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// The permission bits, set-id and sticky bits included, of the path itself: a link is not
// followed, so a link in place of a private folder does not pass for one.
inline unsigned permissionsOf(const std::filesystem::path& path) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) {
        throw std::runtime_error("cannot stat " + path.string() + ": " + std::strerror(errno));
    }
    return st.st_mode & 07777;
}

// Sets the file's modification (and access) time to whole seconds since the epoch.
inline void setModificationTime(const std::filesystem::path& path, std::int64_t epochSeconds) {
    const timespec times[2] = {{static_cast<time_t>(epochSeconds), 0}, {static_cast<time_t>(epochSeconds), 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw std::runtime_error("cannot set the time of " + path.string() + ": " + std::strerror(errno));
    }
}

}  // namespace tarvo_test
