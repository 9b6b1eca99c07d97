#include "platform/filesystem/MappedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/filesystem/FileHandle.h"
#include "platform/filesystem/FileSystemError.h"

namespace platform {

MappedFile MappedFile::open(const std::string& path) {
    FileHandle handle = FileHandle::forReading(path);
    struct stat st{};
    if (::fstat(handle.fileDescriptor(), &st) != 0) throw fileReadError(errno, path);

    MappedFile file;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        void* p = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE,
                         handle.fileDescriptor(), 0);
        if (p != MAP_FAILED) {
            file.map_ = p;
            file.mapLength_ = static_cast<std::size_t>(st.st_size);
            return file;
        }
    }
    // Not mappable (empty, special or synthetic files): read until the end.
    std::vector<std::uint8_t> buffer;
    std::size_t used = 0;
    for (;;) {
        if (buffer.size() - used < 65536) buffer.resize(used + 65536);
        std::size_t n = handle.read(buffer.data() + used, buffer.size() - used);
        if (n == 0) break;
        used += n;
    }
    buffer.resize(used);
    file.heap_ = std::move(buffer);
    return file;
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : map_(other.map_), mapLength_(other.mapLength_), heap_(std::move(other.heap_)) {
    other.map_ = nullptr;
    other.mapLength_ = 0;
}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        release();
        map_ = other.map_;
        mapLength_ = other.mapLength_;
        heap_ = std::move(other.heap_);
        other.map_ = nullptr;
        other.mapLength_ = 0;
    }
    return *this;
}

MappedFile::~MappedFile() { release(); }

void MappedFile::release() noexcept {
    if (map_) ::munmap(map_, mapLength_);
    map_ = nullptr;
    mapLength_ = 0;
}

std::span<const std::uint8_t> MappedFile::bytes() const noexcept {
    if (map_) return {static_cast<const std::uint8_t*>(map_), mapLength_};
    return {heap_.data(), heap_.size()};
}

}  // namespace platform
