#pragma once
// The replies of the server's read-only file API. Decoding is strict about the listed keys
// (a missing or null required key, or a value of the wrong JSON type, fails the whole reply)
// and ignores every other key.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/foundation/Json.h"

namespace tarvo {

struct Entry {
    std::string name;
    std::string type;   // the server's word for the kind ("dir" for a folder)
    std::int64_t size = 0;
    std::int64_t mtime = 0;  // seconds or milliseconds since 1970, as the server counts
    bool executable = false;

    // type + ":" + name
    std::string id() const { return type + ":" + name; }
    bool operator==(const Entry&) const = default;

    // Throws platform::DecodingError.
    static Entry fromJson(const platform::Json& json);
};

struct DirListResponse {
    std::string path;
    std::vector<Entry> entries;

    bool operator==(const DirListResponse&) const = default;
    static DirListResponse fromJson(const platform::Json& json);
};

struct FileStatResponse {
    std::optional<bool> ok;
    std::string path;
    std::string type;  // "file" for a regular file
    std::optional<std::int64_t> size;
    std::optional<std::int64_t> mtime;
    std::optional<std::string> etag;
    std::optional<std::string> mime;

    bool operator==(const FileStatResponse&) const = default;
    static FileStatResponse fromJson(const platform::Json& json);
};

}  // namespace tarvo

template <>
struct std::hash<tarvo::Entry> {
    std::size_t operator()(const tarvo::Entry& e) const noexcept;
};
