#include "platform/foundation/Text.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include <unicode/brkiter.h>
#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uiter.h>
#include <unicode/utext.h>

namespace platform::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point starting at s[i]; advances i. A malformed sequence (overlong,
// surrogate, out of range, truncated) yields U+FFFD and consumes one byte.
char32_t decodeAt(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len;
    char32_t cp;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    if (s.size() - i < static_cast<std::size_t>(len)) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += static_cast<std::size_t>(len);
    return cp;
}

bool isASCII(std::string_view s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// For text known to be ASCII, where each byte is a whole character.
std::string mappedASCII(std::string_view s, char (*map)(char)) {
    std::string out(s);
    for (char& c : out) c = map(c);
    return out;
}

// Case-folded comparison decided on an ASCII prefix, without ICU: most texts compared here
// (paths, ids, command words) are ASCII. Folding maps an ASCII letter to its lowercase and
// every other code point to one or more code points, so once both texts agree on an ASCII
// prefix, the first differing ASCII pair decides the order, and a text that ends there sorts
// first. Empty when a non-ASCII byte comes before the decision; ICU then compares the whole.
std::optional<int> asciiFoldedCompare(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = a[i];
        const char y = b[i];
        if (((static_cast<unsigned char>(x) | static_cast<unsigned char>(y)) & 0x80) != 0) return std::nullopt;
        const char lx = asciiLower(x);
        const char ly = asciiLower(y);
        if (lx != ly) return lx < ly ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

icu::UnicodeString toIcu(std::string_view s) {
    // ICU strings are limited to 2^31 units; no text of ours comes near, but never wrap.
    if (s.size() > static_cast<std::size_t>(INT32_MAX / 2)) s = s.substr(0, INT32_MAX / 2);
    return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
}

std::string fromIcu(const icu::UnicodeString& u) {
    std::string out;
    u.toUTF8String(out);
    return out;
}

template <class Pred>
std::string trimWhere(std::string_view s, Pred pred) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    // Leading characters.
    while (begin < s.size()) {
        std::size_t next = begin;
        char32_t c = decodeAt(s, next);
        if (!pred(c)) break;
        begin = next;
    }
    // Trailing characters. An ASCII byte is always a character of its own, whatever comes
    // before it, so those are read from the end; past the first other byte the text is walked
    // forward, remembering where the last kept character ends.
    while (end > begin && static_cast<unsigned char>(s[end - 1]) < 0x80) {
        if (!pred(static_cast<char32_t>(s[end - 1]))) return std::string(s.substr(begin, end - begin));
        --end;
    }
    std::size_t i = begin;
    std::size_t lastKeptEnd = begin;
    while (i < end) {
        char32_t c = decodeAt(s.substr(0, end), i);
        if (!pred(c)) lastKeptEnd = i;
    }
    return std::string(s.substr(begin, lastKeptEnd - begin));
}

// The process's collators, all of the language-neutral root collation, made once and then only
// read. Collating is a const operation of an ICU collator, which ICU makes safe to run from any
// number of threads at once on one object, so they are shared. (A break iterator, by contrast,
// keeps a position: each thread has its own, below.) A member that could not be made is null and
// its callers fall back to comparing bytes.
struct Collators {
    std::unique_ptr<icu::Collator> caseInsensitive;  // secondary strength: case ignored
    std::unique_ptr<icu::Collator> natural;          // the same, digits compared by value
    std::unique_ptr<icu::Collator> naturalWithCase;  // tertiary: orders what differs only by case
};

const Collators& collators() {
    static const Collators shared = [] {
        Collators c;
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> base(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !base) return c;
        base->setStrength(icu::Collator::SECONDARY);
        std::unique_ptr<icu::Collator> natural(base->clone());
        std::unique_ptr<icu::Collator> naturalWithCase(base->clone());
        if (natural && naturalWithCase) {
            natural->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
            naturalWithCase->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
            naturalWithCase->setStrength(icu::Collator::TERTIARY);
            if (U_SUCCESS(status)) {
                c.natural = std::move(natural);
                c.naturalWithCase = std::move(naturalWithCase);
            }
        }
        c.caseInsensitive = std::move(base);
        return c;
    }();
    return shared;
}

icu::BreakIterator* characterBreaks() {
    thread_local std::unique_ptr<icu::BreakIterator> it;
    thread_local bool failed = false;
    if (failed) return nullptr;
    if (!it) {
        UErrorCode status = U_ZERO_ERROR;
        it.reset(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
        if (U_FAILURE(status) || !it) {
            it.reset();
            failed = true;
            return nullptr;
        }
    }
    return it.get();
}

int sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int byteCompare(std::string_view a, std::string_view b) { return sign(a.compare(b)); }

}  // namespace

bool isNewline(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isWhitespaceOrNewline(char32_t c) {
    if (c < 0x80) return c == 0x20 || (c >= 0x09 && c <= 0x0D);
    if (c > 0x10FFFF) return false;
    return isNewline(c) || u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_WHITE_SPACE);
}

bool isWhitespace(char32_t c) { return isWhitespaceOrNewline(c) && !isNewline(c); }

std::string trimmed(std::string_view s) { return trimWhere(s, isWhitespaceOrNewline); }

std::string trimmingCharacters(std::string_view s, std::string_view characters) {
    std::u32string set = toUTF32(characters);
    return trimWhere(s, [&](char32_t c) { return set.find(c) != std::u32string::npos; });
}

std::vector<std::string> splitLines(std::string_view s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t at = i;
        char32_t c = decodeAt(s, i);
        if (!isNewline(c)) continue;
        out.emplace_back(s.substr(start, at - start));
        if (c == '\r' && i < s.size() && s[i] == '\n') ++i;
        start = i;
    }
    out.emplace_back(s.substr(start));
    return out;
}

std::vector<std::string> components(std::string_view s, std::string_view separator) {
    std::vector<std::string> out;
    if (separator.empty()) {
        out.emplace_back(s);
        return out;
    }
    std::size_t start = 0;
    while (true) {
        std::size_t pos = s.find(separator, start);
        if (pos == std::string_view::npos) break;
        out.emplace_back(s.substr(start, pos - start));
        start = pos + separator.size();
    }
    out.emplace_back(s.substr(start));
    return out;
}

std::string lowercased(std::string_view s) {
    if (isASCII(s)) return mappedASCII(s, asciiLower);
    icu::UnicodeString u = toIcu(s);
    u.toLower(icu::Locale::getRoot());
    return fromIcu(u);
}

std::string uppercased(std::string_view s) {
    if (isASCII(s)) return mappedASCII(s, asciiUpper);
    icu::UnicodeString u = toIcu(s);
    u.toUpper(icu::Locale::getRoot());
    return fromIcu(u);
}

int caseInsensitiveCompare(std::string_view a, std::string_view b) {
    if (const std::optional<int> decided = asciiFoldedCompare(a, b)) return *decided;
    icu::UnicodeString ua = toIcu(a);
    icu::UnicodeString ub = toIcu(b);
    return sign(ua.caseCompare(ub, U_FOLD_CASE_DEFAULT | U_COMPARE_CODE_POINT_ORDER));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    // From the end first: texts compared for equality (paths, names) mostly differ near their
    // end. An ASCII byte is a whole character that folds to one, so two ASCII ends that differ
    // make the foldings differ, and a text that is all ASCII equals another only if its folding
    // uses up the other's (no character folds to nothing).
    std::size_t i = a.size();
    std::size_t j = b.size();
    while (i > 0 && j > 0) {
        const char x = a[i - 1];
        const char y = b[j - 1];
        if (((static_cast<unsigned char>(x) | static_cast<unsigned char>(y)) & 0x80) != 0) break;
        if (asciiLower(x) != asciiLower(y)) return false;
        --i;
        --j;
    }
    if (i == 0 || j == 0) return i == j;
    return caseInsensitiveCompare(a.substr(0, i), b.substr(0, j)) == 0;
}

std::string caseFolded(std::string_view s) {
    if (isASCII(s)) return mappedASCII(s, asciiLower);
    icu::UnicodeString u = toIcu(s);
    u.foldCase(U_FOLD_CASE_DEFAULT);
    return fromIcu(u);
}

int localizedStandardCompare(std::string_view a, std::string_view b) {
    const icu::Collator* primary = collators().natural.get();
    if (!primary) return caseInsensitiveCompare(a, b) != 0 ? caseInsensitiveCompare(a, b) : byteCompare(a, b);
    icu::UnicodeString ua = toIcu(a);
    icu::UnicodeString ub = toIcu(b);
    UErrorCode status = U_ZERO_ERROR;
    int r = primary->compare(ua, ub, status);
    if (U_SUCCESS(status) && r != 0) return sign(r);
    // Equal apart from case: order them anyway, so that sorting is total and stable.
    const icu::Collator* tertiary = collators().naturalWithCase.get();
    status = U_ZERO_ERROR;
    r = tertiary ? tertiary->compare(ua, ub, status) : 0;
    if (U_SUCCESS(status) && r != 0) return sign(r);
    return byteCompare(a, b);
}

int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b) {
    const icu::Collator* collator = collators().caseInsensitive.get();
    constexpr std::size_t kMaxLength = 0x7fffffff;
    if (collator == nullptr || a.size() > kMaxLength || b.size() > kMaxLength) return byteCompare(a, b);
    // The UTF-8 iterator turns ill-formed sequences into U+FFFD instead of reading past them.
    UCharIterator ia;
    UCharIterator ib;
    uiter_setUTF8(&ia, a.data(), static_cast<int32_t>(a.size()));
    uiter_setUTF8(&ib, b.data(), static_cast<int32_t>(b.size()));
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r = collator->compare(ia, ib, status);
    if (U_FAILURE(status)) return byteCompare(a, b);
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

bool containsIgnoringCase(std::string_view haystack, std::string_view needle) {
    if (needle.empty()) return false;
    if (isASCII(haystack) && isASCII(needle)) {
        return mappedASCII(haystack, asciiLower).find(mappedASCII(needle, asciiLower)) != std::string::npos;
    }
    icu::UnicodeString h = toIcu(haystack);
    icu::UnicodeString n = toIcu(needle);
    h.foldCase(U_FOLD_CASE_DEFAULT);
    n.foldCase(U_FOLD_CASE_DEFAULT);
    return h.indexOf(n) >= 0;
}

bool hasPrefix(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

bool hasSuffix(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string replacingOccurrences(std::string_view s, std::string_view of, std::string_view with) {
    if (of.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t start = 0;
    while (true) {
        std::size_t pos = s.find(of, start);
        if (pos == std::string_view::npos) break;
        out.append(s.substr(start, pos - start));
        out.append(with);
        start = pos + of.size();
    }
    out.append(s.substr(start));
    return out;
}

bool isValidUTF8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            // ASCII runs a word at a time: stored texts of a hundred kilobytes are checked at
            // every save.
            std::uint64_t word;
            while (s.size() - i >= sizeof word) {
                std::memcpy(&word, s.data() + i, sizeof word);
                if ((word & 0x8080808080808080ULL) != 0) break;
                i += sizeof word;
            }
            continue;
        }
        std::size_t before = i;
        char32_t c = decodeAt(s, i);
        if (c == kReplacement) {
            // A real U+FFFD is three bytes; a decoding failure consumes one.
            if (i - before != 3) return false;
        }
    }
    return true;
}

std::u32string toUTF32(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) out.push_back(decodeAt(s, i));
    return out;
}

void appendUTF8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string fromUTF32(std::u32string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s) appendUTF8(out, c);
    return out;
}

namespace {

// Byte offset in s after the first n grapheme clusters (s.size() when it has fewer), and the
// number of clusters counted on the way.
std::pair<std::size_t, std::size_t> walkGraphemes(std::string_view s, std::size_t n) {
    if (s.empty() || n == 0) return {0, 0};
    {
        // In ASCII every byte is a character of its own, except CR LF, which is one. Only the
        // characters asked for are looked at (a driver types a text by taking its first character
        // again and again); they are whole when the byte after them is ASCII too, since a
        // combining mark would join the last of them.
        std::size_t i = 0, count = 0;
        while (i < s.size() && count < n && static_cast<unsigned char>(s[i]) < 0x80) {
            i += (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
            ++count;
        }
        if (i == s.size() || (count == n && static_cast<unsigned char>(s[i]) < 0x80)) return {i, count};
    }
    icu::BreakIterator* it = characterBreaks();
    if (!it) {
        // Without ICU's break rules, fall back to code points.
        std::size_t i = 0, count = 0;
        while (i < s.size() && count < n) {
            decodeAt(s, i);
            ++count;
        }
        return {i, count};
    }
    UErrorCode status = U_ZERO_ERROR;
    UText* ut = utext_openUTF8(nullptr, s.data(), static_cast<int64_t>(s.size()), &status);
    if (U_FAILURE(status)) return {s.size(), 0};
    it->setText(ut, status);
    std::size_t count = 0;
    std::size_t end = 0;
    if (U_SUCCESS(status)) {
        it->first();
        for (int32_t b = it->next(); b != icu::BreakIterator::DONE && count < n; b = it->next()) {
            ++count;
            end = static_cast<std::size_t>(b);
        }
    }
    // Detach the iterator from the text before the text goes away.
    UErrorCode ignored = U_ZERO_ERROR;
    UText* empty = utext_openUTF8(nullptr, "", 0, &ignored);
    if (U_SUCCESS(ignored)) it->setText(empty, ignored);
    utext_close(ut);
    if (empty) utext_close(empty);
    return {std::min(end, s.size()), count};
}

}  // namespace

std::size_t graphemeCount(std::string_view s) { return walkGraphemes(s, static_cast<std::size_t>(-1)).second; }

std::string prefixGraphemes(std::string_view s, std::size_t n) {
    return std::string(s.substr(0, walkGraphemes(s, n).first));
}

// Bytes looked at for each character kept: a character can be a base followed by any number of
// combining marks, and a text from a server must not stay as large as it likes by being one.
constexpr std::size_t kBytesPerCharacter = 32;

std::string shortened(std::string_view s, std::size_t maxCharacters) {
    std::string_view window = s;
    if (maxCharacters < s.size() / kBytesPerCharacter) {
        std::size_t end = maxCharacters * kBytesPerCharacter;
        // End on a code point, never inside one.
        while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
        window = s.substr(0, end);
    }
    const std::size_t end = walkGraphemes(window, maxCharacters).first;
    if (end >= s.size()) return std::string(s);
    return std::string(s.substr(0, end)) + "\u2026";
}

std::string shortenedKeepingEnd(std::string_view s, std::size_t maxCharacters) {
    std::string_view window = s;
    if (maxCharacters < s.size() / kBytesPerCharacter) {
        std::size_t start = s.size() - maxCharacters * kBytesPerCharacter;
        // Start on a code point, never inside one.
        while (start < s.size() && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80) ++start;
        window = s.substr(start);
    }
    const std::size_t count = graphemeCount(window);
    if (count <= maxCharacters) {
        if (window.size() == s.size()) return std::string(s);
        return "\u2026" + std::string(window);
    }
    return "\u2026" + std::string(window.substr(walkGraphemes(window, count - maxCharacters).first));
}

}  // namespace platform::text
