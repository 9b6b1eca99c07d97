#include "TarvoShareExtension/Intake/TemporaryFileName.h"

#include "platform/filesystem/FileManager.h"
#include "platform/foundation/Uuid.h"

namespace tarvo {
namespace {

// The longest prefix of s, at most n bytes, that does not split a UTF-8 sequence.
std::string_view utf8Prefix(std::string_view s, std::size_t n) {
    if (s.size() <= n) return s;
    std::size_t cut = n;
    // Step back over continuation bytes so the cut lands before a lead byte.
    while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
    return s.substr(0, cut);
}

}  // namespace

std::string fitFileNameComponent(std::string_view component, std::size_t maxBytes) {
    std::string safe;
    safe.reserve(component.size());
    for (char c : component) {
        if (c == '\0') continue;
        safe += (c == '/') ? '-' : c;
    }
    if (safe.size() <= maxBytes) return safe;
    // Keep a short extension so the file still says what it is.
    constexpr std::size_t kKeptExtension = 16;
    auto dot = safe.rfind('.');
    if (dot != std::string::npos && dot > 0 && safe.size() - dot <= kKeptExtension && safe.size() - dot < maxBytes) {
        const std::string ext = safe.substr(dot);
        return std::string(utf8Prefix(std::string_view(safe).substr(0, dot), maxBytes - ext.size())) + ext;
    }
    return std::string(utf8Prefix(safe, maxBytes));
}

std::string makeTemporaryFilePath(std::string_view directory, std::string_view separator, std::string_view component) {
    auto& fm = platform::FileManager::defaultManager();
    const std::string dir(directory);
    std::string name = platform::makeUUIDString();
    if (!component.empty()) {
        const std::size_t limit = fm.maximumFileNameLength(dir);
        const std::size_t used = name.size() + separator.size();
        name += separator;
        name += fitFileNameComponent(component, limit > used ? limit - used : 0);
    }
    return dir + "/" + name;
}

}  // namespace tarvo
