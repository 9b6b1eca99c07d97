#include "TarvoShareExtension/ArtifactPathPieces.h"

#include <algorithm>

#include "platform/foundation/Text.h"

namespace tarvo {

std::vector<std::string> artifactPathPieces(std::string_view path) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) {
            slash = path.size();
        }
        if (slash > start) {
            pieces.emplace_back(path.substr(start, slash - start));
        }
        start = slash + 1;
    }
    return pieces;
}

std::string artifactJoinPieces(const std::vector<std::string>& pieces) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i != 0) {
            out += '/';
        }
        out += pieces[i];
    }
    return out;
}

std::optional<std::string> artifactFirstPiece(std::string_view path) {
    std::size_t start = path.find_first_not_of('/');
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    std::size_t end = path.find('/', start);
    return std::string(path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

namespace {

bool isPlainASCII(std::string_view text) {
    for (char ch : text) {
        if (static_cast<unsigned char>(ch) >= 0x80) {
            return false;
        }
    }
    return true;
}

char asciiLower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

}  // namespace

std::string artifactLowercased(std::string_view text) {
    if (!isPlainASCII(text)) {
        return platform::text::lowercased(text);
    }
    std::string out(text);
    for (char& ch : out) {
        ch = asciiLower(ch);
    }
    return out;
}

bool artifactEqualsIgnoringCase(std::string_view a, std::string_view b) {
    // Paths of one project differ near their end, where the comparison starts.
    return platform::text::equalsIgnoringCase(a, b);
}

std::size_t artifactCharacterCount(std::string_view text) {
    // In ASCII only CR LF joins two bytes into one character.
    if (isPlainASCII(text) && text.find('\r') == std::string_view::npos) {
        return text.size();
    }
    return platform::text::graphemeCount(text);
}

std::string artifactDroppingCharacters(const std::string& path, std::size_t count) {
    // Plain ASCII (without CR, which joins a following LF into one character) is one byte per
    // character as long as the next byte does not start a combining sequence.
    bool simple = count <= path.size();
    for (std::size_t i = 0; simple && i < count; ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        simple = c < 0x80 && c != '\r';
    }
    if (simple && (count == path.size() || static_cast<unsigned char>(path[count]) < 0x80)) {
        return path.substr(count);
    }
    std::string prefix = platform::text::prefixGraphemes(path, count);
    return prefix.size() >= path.size() ? std::string() : path.substr(prefix.size());
}

}  // namespace tarvo
