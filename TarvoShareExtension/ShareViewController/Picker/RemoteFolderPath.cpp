#include "TarvoShareExtension/ShareViewController/Picker/RemoteFolderPath.h"

#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

std::string normalizeFolderInput(std::string_view input) {
    const std::string outer = text::trimmingCharacters(text::trimmed(input), "/");
    std::string out;
    for (const auto& piece : text::components(outer, "/")) {
        const std::string segment = text::trimmed(piece);
        if (segment.empty() || segment == "." || segment == "..") continue;
        if (!out.empty()) out += '/';
        out += segment;
    }
    return out;
}

std::string childPath(std::string_view base, std::string_view name) {
    std::string b = normalizeFolderInput(base);
    std::string n = normalizeFolderInput(name);
    if (n.empty()) return b;
    if (b.empty()) return n;
    return b + "/" + n;
}

std::string displayedFolderPath(std::string_view path) { return "/" + std::string(path); }

}  // namespace tarvo::share
