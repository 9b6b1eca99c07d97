#pragma once
// Whole-file reads, the way the platform's data-from-contents-of-file call works: all or
// nothing.
#include <optional>
#include <string>

namespace platform {

// The bytes of the regular file at path, or nullopt when it is missing, is not a regular
// file (a directory, a FIFO, a device) or cannot be read completely.
std::optional<std::string> readFileContents(const std::string& path);

}  // namespace platform
