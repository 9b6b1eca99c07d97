#pragma once
// Keys and names derived from what is shared: the payload's type key ("zip", "image",
// "video", "audio", "pdf", "url", "text", "file" or "mixed"), the bias key (type key plus the
// sharing app), a safe path component, an archive's stem and the hex SHA-256 of a text.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/extension/NSItemProvider.h"

namespace tarvo {

using ProviderList = std::vector<std::shared_ptr<platform::NSItemProvider>>;

// The category of one item: "zip" by name or registered type, else the first of image,
// video, audio, pdf, url, text that it conforms to, else "file".
std::string fileTypeCategory(const platform::NSItemProvider& provider);
// The categories of all items, in order.
std::vector<std::string> fileTypeCategories(const ProviderList& providers);
// One category for the whole payload; "file" for none, "mixed" for several.
std::string fileTypeKey(const ProviderList& providers);

// typeKey, or typeKey "@" sourceBundleID when the trimmed identifier is not empty.
std::string makeBiasKey(std::string_view typeKey, const std::optional<std::string>& sourceBundleID);

// NULs removed, "/" made "-", trimmed; "", "." and ".." become "artifact".
std::string sanitizePathComponent(std::string_view name);
// The last path component without its last extension, trimmed and sanitised ("artifact"
// when nothing is left).
std::string archiveStem(std::string_view fileNameOrPath);

// Lowercase hexadecimal SHA-256 of the text's UTF-8 bytes.
std::string shareSHA256Hex(std::string_view text);

// Path helpers with the platform's rules: a trailing "/" is ignored, "/" alone is its own
// last component; a name that starts with its only dot, or ends in a dot, has no extension.
std::string lastPathComponent(std::string_view path);
std::string pathExtension(std::string_view name);
std::string deletingPathExtension(std::string_view name);

}  // namespace tarvo
