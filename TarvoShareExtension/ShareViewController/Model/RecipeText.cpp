#include "TarvoShareExtension/ShareViewController/Model/RecipeText.h"

#include <unordered_set>

#include "TarvoShareExtension/ArtifactPathPieces.h"
#include "platform/foundation/Text.h"

namespace tarvo::share {

namespace text = platform::text;

std::string shellQuoted(std::string_view value) {
    std::string out;
    out.reserve(value.size() + 2);
    out += '\'';
    for (char c : value) {
        if (c == '\'') {
            out += "'\"'\"'";
        } else {
            out += c;
        }
    }
    out += '\'';
    return out;
}

namespace {

std::string unifiedLineBreaks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += '\n';
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

std::string normalizedCommand(std::string_view command) {
    return text::trimmed(unifiedLineBreaks(command));
}

std::string normalizeWorkingDirectoryPath(std::string_view path) {
    std::string withoutNul;
    withoutNul.reserve(path.size());
    for (char c : path) {
        if (c != '\0') withoutNul += c;
    }
    const std::string unified = unifiedLineBreaks(withoutNul);
    const std::vector<std::string> lines = text::splitLines(unified);
    return text::trimmed(lines.empty() ? std::string() : lines.front());
}

std::vector<std::string> normalizedScriptPathList(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    std::unordered_set<std::string> seen;
    for (const std::string& raw : paths) {
        std::string slashed = raw;
        for (char& c : slashed) {
            if (c == '\\') c = '/';
        }
        std::string path = text::trimmingCharacters(text::trimmed(slashed), "/");
        if (path.empty()) continue;
        if (!seen.insert(artifactLowercased(path)).second) continue;
        out.push_back(std::move(path));
    }
    return out;
}

}  // namespace tarvo::share
