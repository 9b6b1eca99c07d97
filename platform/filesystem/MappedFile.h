#pragma once
// A whole file's bytes, read-only. A regular file is memory-mapped, so a large file costs
// address space rather than heap; anything else (a pipe, a file in /proc) is read into
// memory. The bytes stay valid for the object's lifetime.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform {

class MappedFile {
public:
    // Throws FileSystemError when the file cannot be opened or read (a directory included).
    static MappedFile open(const std::string& path);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    std::span<const std::uint8_t> bytes() const noexcept;
    std::size_t size() const noexcept { return bytes().size(); }
    bool isMapped() const noexcept { return map_ != nullptr; }

private:
    MappedFile() = default;
    void release() noexcept;
    void* map_ = nullptr;
    std::size_t mapLength_ = 0;
    std::vector<std::uint8_t> heap_;
};

}  // namespace platform
