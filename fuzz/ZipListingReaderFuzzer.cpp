// Feeds arbitrary bytes to the zip listing reader as an archive and checks what must hold for
// any input: no crash, at most `limit` entries, and every path clean (valid UTF-8, not empty,
// no leading or trailing "/", no empty, "." or ".." or "__MACOSX..." piece). Cleaning is not
// idempotent by design: blanks are trimmed before the slashes, so " / x" keeps " " in front.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "TarvoShareExtension/Intake/ZipListingReader.h"
#include "platform/foundation/Text.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

void checkPath(const std::string& path) {
    check(!path.empty());
    check(platform::text::isValidUTF8(path));
    check(path.front() != '/' && path.back() != '/');
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string_view piece(path.data() + start, end - start);
        check(!piece.empty() && piece != "." && piece != "..");
        check(piece.substr(0, 8) != "__MACOSX");
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first byte picks the limit, so the cap is exercised too.
    const std::size_t limit = size > 0 ? (data[0] % 64) + 1 : 1;
    const auto entries = tarvo::listZipEntries(std::span<const std::uint8_t>(data, size), limit);
    check(entries.size() <= limit);
    for (const auto& e : entries) checkPath(e.path);

    const std::string asName(reinterpret_cast<const char*>(data), size);
    if (platform::text::isValidUTF8(asName)) {
        const std::string cleaned = tarvo::normalizeZipEntryPath(asName);
        if (!cleaned.empty()) checkPath(cleaned);
    }
    return 0;
}
