#pragma once
// Unicode-aware text helpers on ICU. All strings are UTF-8; invalid UTF-8 is treated as
// U+FFFD where a code point is needed and never causes undefined behaviour.
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// True for the platform's "whitespaces and newlines" set: Unicode White_Space plus the line
// and paragraph separators (U+000A..U+000D, U+0085, U+2028, U+2029).
bool isWhitespaceOrNewline(char32_t c);
// Unicode White_Space without the newline characters above ("whitespaces" set).
bool isWhitespace(char32_t c);
bool isNewline(char32_t c);

// Trimmed of whitespace and newlines at both ends.
std::string trimmed(std::string_view s);
// Trimmed of the given characters (a set of code points, given as UTF-8) at both ends.
std::string trimmingCharacters(std::string_view s, std::string_view characters);

// Splits at every newline character (\n, \r\n as one, \r, U+0085, U+2028, U+2029).
std::vector<std::string> splitLines(std::string_view s);
// Splits at every occurrence of separator (non-empty); keeps empty pieces.
std::vector<std::string> components(std::string_view s, std::string_view separator);
// Splits at every character for which pred is true; keeps empty pieces.
template <class Pred>
std::vector<std::string> componentsSeparatedBy(std::string_view s, Pred pred);

std::string lowercased(std::string_view s);  // full Unicode case mapping, root locale
std::string uppercased(std::string_view s);
// Case-folded comparison: <0, 0, >0.
int caseInsensitiveCompare(std::string_view a, std::string_view b);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
// The full case folding (what caseInsensitiveCompare compares): two texts are equal ignoring
// case exactly when their foldings are equal, so a folding can key a lookup.
std::string caseFolded(std::string_view s);
// Finder-style "natural" order (digits compared by value, case-insensitive).
int localizedStandardCompare(std::string_view a, std::string_view b);
// Collation order with letter case ignored (accents still count): <0, 0, >0.
// The programs carry no locale of their own, so the language-neutral root collation is used;
// the POSIX locale's tailoring would sort "B" before "a", which no person expects.
// Invalid UTF-8 compares as U+FFFD.
int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b);
bool containsIgnoringCase(std::string_view haystack, std::string_view needle);

bool hasPrefix(std::string_view s, std::string_view prefix);
bool hasSuffix(std::string_view s, std::string_view suffix);
std::string replacingOccurrences(std::string_view s, std::string_view of, std::string_view with);

bool isValidUTF8(std::string_view s);
std::u32string toUTF32(std::string_view s);     // invalid sequences become U+FFFD
std::string fromUTF32(std::u32string_view s);   // invalid code points become U+FFFD
void appendUTF8(std::string& out, char32_t c);
// Number of user-perceived characters (extended grapheme clusters).
std::size_t graphemeCount(std::string_view s);
// The first n grapheme clusters.
std::string prefixGraphemes(std::string_view s, std::size_t n);
// s when it has at most maxCharacters grapheme clusters; else its first maxCharacters followed by
// "…" (U+2026), fewer when those clusters are unusually long: at most 32 bytes a character are
// kept, so the result and the work done are bounded by maxCharacters, not by the length of s.
std::string shortened(std::string_view s, std::size_t maxCharacters);
// The same from the other end: "…" followed by the last maxCharacters grapheme clusters (fewer
// when those clusters are unusually long: at most 32 bytes a character are looked at).
std::string shortenedKeepingEnd(std::string_view s, std::size_t maxCharacters);

// ---- template implementation
template <class Pred>
std::vector<std::string> componentsSeparatedBy(std::string_view s, Pred pred) {
    std::vector<std::string> out;
    std::u32string cur;
    for (char32_t c : toUTF32(s)) {
        if (pred(c)) {
            out.push_back(fromUTF32(cur));
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    out.push_back(fromUTF32(cur));
    return out;
}

}  // namespace platform::text
