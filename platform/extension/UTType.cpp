#include "platform/extension/UTType.h"

#include <array>
#include <cstddef>

namespace platform {
namespace {

struct TypeRecord {
    const char* identifier;
    std::array<const char*, 3> parents;     // null-terminated early
    std::array<const char*, 4> extensions;  // first is preferred
    const char* mime;                       // preferred MIME type, or null
};

// Order matters for extension lookup: the first type with an extension wins.
constexpr TypeRecord kTypes[] = {
    {"public.item", {}, {}, nullptr},
    {"public.content", {}, {}, nullptr},
    {"public.data", {"public.item"}, {}, nullptr},
    {"public.directory", {"public.item"}, {}, nullptr},
    {"public.folder", {"public.directory"}, {}, nullptr},
    {"public.url", {"public.data"}, {}, nullptr},
    {"public.file-url", {"public.url"}, {}, nullptr},
    {"public.text", {"public.data", "public.content"}, {}, nullptr},
    {"public.plain-text", {"public.text"}, {"txt", "text"}, "text/plain"},
    {"public.utf8-plain-text", {"public.plain-text"}, {}, "text/plain"},
    {"public.json", {"public.text"}, {"json"}, "application/json"},
    {"public.xml", {"public.text"}, {"xml"}, "application/xml"},
    {"public.html", {"public.text"}, {"html", "htm"}, "text/html"},
    {"public.comma-separated-values-text", {"public.text"}, {"csv"}, "text/csv"},
    {"public.yaml", {"public.text"}, {"yaml", "yml"}, "application/x-yaml"},
    {"public.log", {"public.plain-text"}, {"log"}, nullptr},
    {"net.daringfireball.markdown", {"public.plain-text"}, {"md", "markdown"}, "text/markdown"},
    {"public.source-code", {"public.plain-text"}, {}, nullptr},
    {"public.script", {"public.source-code"}, {}, nullptr},
    {"public.shell-script", {"public.script"}, {"sh", "command"}, "application/x-sh"},
    {"public.python-script", {"public.script"}, {"py"}, "text/x-python-script"},
    {"com.netscape.javascript-source", {"public.script"}, {"js", "mjs"}, "text/javascript"},
    {"public.c-source", {"public.source-code"}, {"c"}, "text/x-c"},
    {"public.c-header", {"public.source-code"}, {"h"}, "text/x-c"},
    {"public.c-plus-plus-source", {"public.source-code"}, {"cpp", "cc", "cxx"}, "text/x-c++"},
    {"public.image", {"public.data", "public.content"}, {}, nullptr},
    {"public.jpeg", {"public.image"}, {"jpeg", "jpg", "jpe"}, "image/jpeg"},
    {"public.png", {"public.image"}, {"png"}, "image/png"},
    {"public.heif-standard", {"public.image"}, {}, nullptr},
    {"public.heic", {"public.heif-standard"}, {"heic"}, "image/heic"},
    {"public.heif", {"public.heif-standard"}, {"heif"}, "image/heif"},
    {"com.compuserve.gif", {"public.image"}, {"gif"}, "image/gif"},
    {"public.tiff", {"public.image"}, {"tiff", "tif"}, "image/tiff"},
    {"com.microsoft.bmp", {"public.image"}, {"bmp"}, "image/bmp"},
    {"public.svg-image", {"public.image"}, {"svg"}, "image/svg+xml"},
    {"org.webmproject.webp", {"public.image"}, {"webp"}, "image/webp"},
    {"public.audiovisual-content", {"public.data", "public.content"}, {}, nullptr},
    {"public.movie", {"public.audiovisual-content"}, {}, nullptr},
    {"public.video", {"public.movie"}, {}, nullptr},
    {"public.mpeg-4", {"public.movie"}, {"mp4", "mp4v", "mpeg4"}, "video/mp4"},
    {"com.apple.quicktime-movie", {"public.movie"}, {"mov", "qt"}, "video/quicktime"},
    {"public.audio", {"public.audiovisual-content"}, {}, nullptr},
    {"public.mp3", {"public.audio"}, {"mp3"}, "audio/mpeg"},
    {"public.mpeg-4-audio", {"public.audio"}, {"m4a"}, "audio/mp4"},
    {"com.microsoft.waveform-audio", {"public.audio"}, {"wav", "wave"}, "audio/wav"},
    {"com.adobe.pdf", {"public.data", "public.content"}, {"pdf"}, "application/pdf"},
    {"public.archive", {"public.data"}, {}, nullptr},
    {"public.zip-archive", {"public.archive"}, {"zip"}, "application/zip"},
    {"com.pkware.zip-archive", {"public.zip-archive"}, {}, "application/zip"},
    {"org.gnu.gnu-zip-archive", {"public.archive"}, {"gz", "gzip"}, "application/gzip"},
    {"public.tar-archive", {"public.archive"}, {"tar"}, "application/x-tar"},
};
constexpr std::size_t kTypeCount = sizeof(kTypes) / sizeof(kTypes[0]);

char lowerASCII(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsASCIIIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerASCII(a[i]) != lowerASCII(b[i])) return false;
    return true;
}

std::optional<std::size_t> indexOf(std::string_view identifier) {
    for (std::size_t i = 0; i < kTypeCount; ++i)
        if (equalsASCIIIgnoringCase(kTypes[i].identifier, identifier)) return i;
    return std::nullopt;
}

bool indexConforms(std::size_t from, std::size_t to, int depth = 0) {
    if (from == to) return true;
    if (depth > 16) return false;  // the table is acyclic; this only bounds a mistake
    for (const char* parent : kTypes[from].parents) {
        if (!parent) break;
        auto p = indexOf(parent);
        if (p && indexConforms(*p, to, depth + 1)) return true;
    }
    return false;
}

}  // namespace

UTType UTType::at(std::size_t index) {
    UTType t(index);
    t.identifier_ = kTypes[index].identifier;
    return t;
}

std::optional<UTType> UTType::fromIdentifier(std::string_view identifier) {
    auto i = indexOf(identifier);
    if (!i) return std::nullopt;
    return at(*i);
}

std::optional<UTType> UTType::fromFilenameExtension(std::string_view ext, const UTType& conformingTo) {
    if (ext.empty()) return std::nullopt;
    for (std::size_t i = 0; i < kTypeCount; ++i) {
        for (const char* e : kTypes[i].extensions) {
            if (!e) break;
            if (equalsASCIIIgnoringCase(e, ext) && indexConforms(i, conformingTo.index_)) return at(i);
        }
    }
    return std::nullopt;
}

std::optional<std::string> UTType::preferredFilenameExtension() const {
    const char* e = kTypes[index_].extensions[0];
    if (!e) return std::nullopt;
    return std::string(e);
}

std::optional<std::string> UTType::preferredMIMEType() const {
    const char* m = kTypes[index_].mime;
    if (!m) return std::nullopt;
    return std::string(m);
}

bool UTType::conforms(const UTType& other) const { return indexConforms(index_, other.index_); }

std::vector<UTType> UTType::supertypes() const {
    std::vector<UTType> out;
    for (const char* parent : kTypes[index_].parents) {
        if (!parent) break;
        if (auto p = indexOf(parent)) out.push_back(at(*p));
    }
    return out;
}

bool UTType::operator==(const UTType& o) const { return index_ == o.index_; }

bool UTType::identifierConforms(std::string_view identifier, std::string_view to) {
    if (equalsASCIIIgnoringCase(identifier, to)) return true;
    auto a = indexOf(identifier);
    auto b = indexOf(to);
    return a && b && indexConforms(*a, *b);
}

UTType UTType::item() { return *fromIdentifier("public.item"); }
UTType UTType::content() { return *fromIdentifier("public.content"); }
UTType UTType::data() { return *fromIdentifier("public.data"); }
UTType UTType::directory() { return *fromIdentifier("public.directory"); }
UTType UTType::folder() { return *fromIdentifier("public.folder"); }
UTType UTType::url() { return *fromIdentifier("public.url"); }
UTType UTType::fileURL() { return *fromIdentifier("public.file-url"); }
UTType UTType::text() { return *fromIdentifier("public.text"); }
UTType UTType::plainText() { return *fromIdentifier("public.plain-text"); }
UTType UTType::utf8PlainText() { return *fromIdentifier("public.utf8-plain-text"); }
UTType UTType::json() { return *fromIdentifier("public.json"); }
UTType UTType::image() { return *fromIdentifier("public.image"); }
UTType UTType::jpeg() { return *fromIdentifier("public.jpeg"); }
UTType UTType::png() { return *fromIdentifier("public.png"); }
UTType UTType::heic() { return *fromIdentifier("public.heic"); }
UTType UTType::heif() { return *fromIdentifier("public.heif"); }
UTType UTType::gif() { return *fromIdentifier("com.compuserve.gif"); }
UTType UTType::tiff() { return *fromIdentifier("public.tiff"); }
UTType UTType::bmp() { return *fromIdentifier("com.microsoft.bmp"); }
UTType UTType::audiovisualContent() { return *fromIdentifier("public.audiovisual-content"); }
UTType UTType::movie() { return *fromIdentifier("public.movie"); }
UTType UTType::audio() { return *fromIdentifier("public.audio"); }
UTType UTType::pdf() { return *fromIdentifier("com.adobe.pdf"); }
UTType UTType::archive() { return *fromIdentifier("public.archive"); }
UTType UTType::zip() { return *fromIdentifier("public.zip-archive"); }

}  // namespace platform
