#include "TarvoShareExtension/Intake/PayloadKeys.h"

#include <array>

#include "platform/crypto/Sha256.h"
#include "platform/extension/UTType.h"
#include "platform/foundation/Text.h"

namespace tarvo {

std::string fileTypeCategory(const platform::NSItemProvider& provider) {
    using platform::UTType;
    const std::string name = platform::text::lowercased(platform::text::trimmed(provider.suggestedName().value_or("")));
    if (platform::text::hasSuffix(name, ".zip")) return "zip";
    for (const auto& id : provider.registeredTypeIdentifiers()) {
        const std::string lower = platform::text::lowercased(id);
        if (lower == "public.zip-archive" || lower == "com.pkware.zip-archive") return "zip";
    }
    const std::array<std::pair<UTType, const char*>, 6> tests = {{
        {UTType::image(), "image"},
        {UTType::movie(), "video"},
        {UTType::audio(), "audio"},
        {UTType::pdf(), "pdf"},
        {UTType::url(), "url"},
        {UTType::plainText(), "text"},
    }};
    for (const auto& [type, category] : tests)
        if (provider.hasItemConformingToTypeIdentifier(type.identifier())) return category;
    return "file";
}

std::vector<std::string> fileTypeCategories(const ProviderList& providers) {
    std::vector<std::string> out;
    out.reserve(providers.size());
    for (const auto& p : providers) out.push_back(p ? fileTypeCategory(*p) : std::string("file"));
    return out;
}

std::string fileTypeKey(const ProviderList& providers) {
    const auto categories = fileTypeCategories(providers);
    if (categories.empty()) return "file";
    for (const auto& c : categories)
        if (c != categories.front()) return "mixed";
    return categories.front();
}

std::string makeBiasKey(std::string_view typeKey, const std::optional<std::string>& sourceBundleID) {
    std::string key = platform::text::trimmed(typeKey);
    std::string source = platform::text::trimmed(sourceBundleID.value_or(""));
    if (source.empty()) return key;
    return key + "@" + source;
}

std::string sanitizePathComponent(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char c : name) {
        if (c == '\0') continue;
        out += (c == '/') ? '-' : c;
    }
    out = platform::text::trimmed(out);
    if (out.empty() || out == "." || out == "..") return "artifact";
    return out;
}

std::string lastPathComponent(std::string_view path) {
    if (path.empty()) return "";
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    if (path == "/") return "/";
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string pathExtension(std::string_view name) {
    auto dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return "";
    if (name.find('/', dot) != std::string_view::npos) return "";
    return std::string(name.substr(dot + 1));
}

std::string deletingPathExtension(std::string_view name) {
    const std::string ext = pathExtension(name);
    if (ext.empty()) return std::string(name);
    return std::string(name.substr(0, name.size() - ext.size() - 1));
}

std::string archiveStem(std::string_view fileNameOrPath) {
    std::string stem = platform::text::trimmed(deletingPathExtension(lastPathComponent(fileNameOrPath)));
    if (stem.empty()) stem = "artifact";
    return sanitizePathComponent(stem);
}

std::string shareSHA256Hex(std::string_view text) { return platform::SHA256::hexDigest(text); }

}  // namespace tarvo
