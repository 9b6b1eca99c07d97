#pragma once
// Read and write handles on one open file descriptor. Every failure throws a
// FileSystemError; interrupted calls are retried. The destructor closes quietly; close()
// reports a failure.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Who may read a file or folder the program makes: standard is 0644 (a folder 0755) before
// the umask; ownerOnly is 0600 (0700), for copies of a person's files in temporary folders.
enum class FileAccess { standard, ownerOnly };

class FileHandle {
public:
    // Opens an existing file for reading. Symbolic links are followed, like opening by URL,
    // unless followSymlinks is false: then a link at path fails to open (ELOOP). A named pipe
    // opens without waiting for a writer (reading it then ends at once when none is there).
    static FileHandle forReading(const std::string& path, bool followSymlinks = true);
    // Creates a new file for writing, with the permissions of access. Fails when something
    // already exists at the path.
    static FileHandle creatingForWriting(const std::string& path, FileAccess access = FileAccess::standard);

    FileHandle(FileHandle&& other) noexcept;
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    int fileDescriptor() const noexcept { return fd_; }
    const std::string& path() const noexcept { return path_; }
    bool isOpen() const noexcept { return fd_ >= 0; }

    // Reads up to size bytes; 0 only at the end of the file.
    std::size_t read(void* buffer, std::size_t size);
    // Up to maxLength bytes; empty at the end of the file.
    std::vector<std::uint8_t> readData(std::size_t maxLength);
    // Writes every byte or throws.
    void write(const void* data, std::size_t size);
    // The position of the next read or write.
    std::uint64_t offset() const;
    void close();

private:
    FileHandle(int fd, std::string path, bool writing) : fd_(fd), path_(std::move(path)), writing_(writing) {}
    int fd_ = -1;
    std::string path_;
    bool writing_ = false;
};

// read(2) that retries EINTR; any other failure throws the NSPOSIXErrorDomain error of that
// errno with path attached. Returns 0 at the end of the file.
std::size_t posixRead(int fd, void* buffer, std::size_t size, const std::string& path);

}  // namespace platform
