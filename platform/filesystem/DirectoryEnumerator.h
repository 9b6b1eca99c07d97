#pragma once
// Walks a folder tree depth-first, every subfolder included (hidden ones too), and never
// follows a symbolic link: a link is reported as a link and a linked folder is not entered.
// Each entry's kind and size come from lstat, taken while walking. Within one folder,
// entries come in byte order of their names, so a walk of the same tree is repeatable.
// What cannot be read (an entry that vanished, a folder without permission) goes to the
// error handler, which decides whether the walk continues; the unreadable part is skipped.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/ErrorInfo.h"

namespace platform {

struct DirectoryEntry {
    std::string path;  // root path + "/" + the relative path
    bool isRegularFile = false;
    bool isDirectory = false;
    bool isSymbolicLink = false;
    std::uint64_t fileSize = 0;
    std::uint32_t permissions = 0;             // the mode's permission bits (07777)
    std::int64_t modificationSeconds = 0;      // since 1970
    std::uint32_t modificationNanoseconds = 0;  // within that second
};

class DirectoryEnumerator {
public:
    // Return true to continue the walk past the failure, false to end it.
    using ErrorHandler = std::function<bool(const std::string& path, const NSError& error)>;

    // nullptr when root cannot be opened as a folder. root is used as given (a link as the
    // root itself is followed, like opening a folder by its URL).
    static std::unique_ptr<DirectoryEnumerator> make(const std::string& root,
                                                     ErrorHandler errorHandler = nullptr);
    ~DirectoryEnumerator();
    DirectoryEnumerator(const DirectoryEnumerator&) = delete;
    DirectoryEnumerator& operator=(const DirectoryEnumerator&) = delete;

    // The next entry, or nullopt when the walk is over.
    std::optional<DirectoryEntry> nextObject();

private:
    struct Level {
        int fd = -1;
        std::string path;
        std::vector<std::string> names;
        std::size_t next = 0;
    };
    DirectoryEnumerator(ErrorHandler handler) : errorHandler_(std::move(handler)) {}
    bool pushLevel(int fd, std::string path);  // false when the walk should end
    bool report(const std::string& path, int err);
    void popLevel();

    ErrorHandler errorHandler_;
    std::vector<Level> stack_;
    bool stopped_ = false;
};

}  // namespace platform
