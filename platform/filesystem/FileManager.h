#pragma once
// The file operations the programs need, on paths. Failures throw FileSystemError
// (NSCocoaErrorDomain file codes, with the errno and the path).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/filesystem/FileHandle.h"

namespace platform {

class FileManager {
public:
    static FileManager& defaultManager();

    // The program's temporary directory (created). Tests may point it elsewhere; nullopt
    // restores the default (paths::temporaryDirectory()).
    std::string temporaryDirectory() const;
    void setTemporaryDirectoryForTesting(std::optional<std::string> dir);

    // Follows symbolic links, like asking by URL. isDirectory receives the target's kind.
    bool fileExists(const std::string& path, bool* isDirectory = nullptr) const;
    // Why the file or folder at path (a link is followed) cannot be read as a whole, in words
    // for a person ("it is a named pipe (FIFO), not a file", "Permission denied", ...); nullopt
    // when it can be read.
    std::optional<std::string> unreadableReason(const std::string& path) const;
    // Removes a file, a link (not its target) or a whole folder tree.
    void removeItem(const std::string& path) const;
    // Copies the contents of the file at from (a link is followed) into a new file at to.
    // Fails when something exists at to, or when from is not a regular file.
    void copyItem(const std::string& from, const std::string& to, FileAccess access = FileAccess::standard) const;
    // Writes bytes to a sibling temporary file and renames it over path.
    void writeAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         FileAccess access = FileAccess::standard) const;
    void writeAtomically(const std::string& path, std::string_view bytes, FileAccess access = FileAccess::standard) const;
    // The last folder of path gets the permissions of access; intermediate ones the standard.
    void createDirectory(const std::string& path, bool withIntermediateDirectories,
                         FileAccess access = FileAccess::standard) const;

    // The longest file name, in bytes, that the file system of dir accepts (255 when unknown).
    std::size_t maximumFileNameLength(const std::string& dir) const;

private:
    FileManager() = default;
    std::optional<std::string> temporaryOverride_;
};

// "/a/./b//c/../d/" -> "/a/b/d": removes ".", empty pieces and resolves ".." lexically
// (never above the root). A relative path stays relative.
std::string standardizedPath(std::string_view path);

}  // namespace platform
