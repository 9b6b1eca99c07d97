#include "platform/foundation/Regex.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <cstdint>
#include <cstdio>

namespace platform {

namespace {

// ICU counts its work limit in ticks of 10,000 engine steps; 5,000 ticks is far beyond any
// linear search over megabytes, yet stops a catastrophic backtrack in about half a second.
constexpr std::int32_t kDefaultWorkLimit = 5000;
// Backtracking state lives on the heap; this bounds it (ICU's own default is 8 MB, which a
// repeated group over a few hundred kilobytes already exceeds).
constexpr std::int32_t kBacktrackMemoryLimit = 64 * 1024 * 1024;

std::string describeStatus(UErrorCode status) { return u_errorName(status); }

// A failed search (time-out, backtracking memory, allocation) is an error, never a silent
// "no match".
void checkSearch(UErrorCode status) {
    if (U_FAILURE(status)) throw RegexError(RegexError::Kind::limitExceeded, describeStatus(status));
}

icu::UnicodeString toUnicode(std::string_view s) {
    // ICU indexes with 32-bit integers.
    if (s.size() > static_cast<std::size_t>(INT32_MAX / 2)) {
        throw RegexError(RegexError::Kind::limitExceeded, "text too long");
    }
    return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
}

std::string toUTF8(const icu::UnicodeString& s) {
    std::string out;
    s.toUTF8String(out);
    return out;
}

// UTF-8 byte offset of every UTF-16 index of s (size length+1), so match ranges can be given
// in the caller's units.
std::vector<std::size_t> utf8Offsets(const icu::UnicodeString& s) {
    std::vector<std::size_t> offsets(static_cast<std::size_t>(s.length()) + 1, 0);
    std::size_t bytes = 0;
    int32_t i = 0;
    const int32_t n = s.length();
    while (i < n) {
        UChar32 c = s.char32At(i);
        int32_t units = U16_LENGTH(c);
        if (units == 2 && (i + 1 >= n || !U16_IS_TRAIL(s.charAt(i + 1)))) units = 1;  // lone surrogate
        std::size_t width = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        offsets[static_cast<std::size_t>(i)] = bytes;
        if (units == 2) offsets[static_cast<std::size_t>(i) + 1] = bytes;
        bytes += width;
        i += units;
    }
    offsets[static_cast<std::size_t>(n)] = bytes;
    return offsets;
}

}  // namespace

RegexError::RegexError(Kind kind, std::string detail)
    : NSError(kCocoaErrorDomain, kind == Kind::limitExceeded ? 2049 : 2048,
              kind == Kind::invalidPattern    ? "The value \"" + detail + "\" is invalid."
              : kind == Kind::invalidTemplate ? "The replacement template \"" + detail + "\" is invalid."
                                              : "The regular expression search ran past its limits (" + detail + ")."),
      kind_(kind) {}

std::optional<std::string> RegexMatch::group(std::size_t index) const {
    if (index >= groups_.size() || !groups_[index]) return std::nullopt;
    return groups_[index]->text;
}

std::optional<RegexMatch::Range> RegexMatch::range(std::size_t index) const {
    if (index >= groups_.size() || !groups_[index]) return std::nullopt;
    return groups_[index]->range;
}

struct RegularExpression::Impl {
    std::unique_ptr<icu::RegexPattern> pattern;
    std::int32_t workLimit = kDefaultWorkLimit;

    // A matcher over input (which must outlive it) with the work limit applied.
    std::unique_ptr<icu::RegexMatcher> matcher(const icu::UnicodeString& input) const {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::RegexMatcher> m(pattern->matcher(input, status));
        if (U_FAILURE(status) || !m) throw RegexError(RegexError::Kind::invalidPattern, describeStatus(status));
        m->setTimeLimit(workLimit, status);
        m->setStackLimit(kBacktrackMemoryLimit, status);
        if (U_FAILURE(status)) throw RegexError(RegexError::Kind::invalidPattern, describeStatus(status));
        return m;
    }

    // Every match (or only the first), with groups converted to UTF-8.
    std::vector<RegexMatch> collect(std::string_view text, bool firstOnly) const {
        std::vector<RegexMatch> out;
        const icu::UnicodeString input = toUnicode(text);
        auto m = matcher(input);
        std::vector<std::size_t> offsets;
        for (;;) {
            UErrorCode status = U_ZERO_ERROR;
            bool found = m->find(status);
            checkSearch(status);
            if (!found) break;
            if (offsets.empty()) offsets = utf8Offsets(input);
            RegexMatch match;
            const int32_t groups = m->groupCount();
            for (int32_t g = 0; g <= groups; ++g) {
                UErrorCode gs = U_ZERO_ERROR;
                int32_t start = m->start(g, gs);
                int32_t end = m->end(g, gs);
                if (U_FAILURE(gs) || start < 0 || end < start) {
                    match.groups_.emplace_back(std::nullopt);
                    continue;
                }
                RegexMatch::Group group;
                std::size_t b0 = offsets[static_cast<std::size_t>(start)];
                std::size_t b1 = offsets[static_cast<std::size_t>(end)];
                group.range = {b0, b1 - b0};
                group.text = toUTF8(input.tempSubStringBetween(start, end));
                match.groups_.emplace_back(std::move(group));
            }
            out.push_back(std::move(match));
            if (firstOnly) break;
        }
        return out;
    }
};

RegularExpression::RegularExpression(std::string_view pattern, std::uint32_t options)
    : pattern_(pattern), impl_(std::make_unique<Impl>()) {
    uint32_t flags = 0;
    if (options & caseInsensitive) flags |= UREGEX_CASE_INSENSITIVE;
    if (options & dotMatchesLineSeparators) flags |= UREGEX_DOTALL;
    if (options & anchorsMatchLines) flags |= UREGEX_MULTILINE;
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    impl_->pattern.reset(icu::RegexPattern::compile(toUnicode(pattern), flags, parseError, status));
    if (U_FAILURE(status) || !impl_->pattern) {
        throw RegexError(RegexError::Kind::invalidPattern, std::string(pattern));
    }
}

RegularExpression::~RegularExpression() = default;
RegularExpression::RegularExpression(RegularExpression&&) noexcept = default;
RegularExpression& RegularExpression::operator=(RegularExpression&&) noexcept = default;

std::size_t RegularExpression::numberOfCaptureGroups() const {
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString empty;
    std::unique_ptr<icu::RegexMatcher> m(impl_->pattern->matcher(empty, status));
    if (U_FAILURE(status) || !m) return 0;
    return static_cast<std::size_t>(m->groupCount());
}

std::optional<RegexMatch> RegularExpression::firstMatch(std::string_view text) const {
    auto all = impl_->collect(text, true);
    if (all.empty()) return std::nullopt;
    return std::move(all.front());
}

std::vector<RegexMatch> RegularExpression::matches(std::string_view text) const {
    return impl_->collect(text, false);
}

std::string RegularExpression::replacingMatches(std::string_view text,
                                                std::string_view replacementTemplate) const {
    const icu::UnicodeString input = toUnicode(text);
    const icu::UnicodeString replacement = toUnicode(replacementTemplate);
    auto m = impl_->matcher(input);
    // ICU's replaceAll drops a failed search's status, so the loop is spelled out.
    icu::UnicodeString result;
    for (;;) {
        UErrorCode status = U_ZERO_ERROR;
        bool found = m->find(status);
        checkSearch(status);
        if (!found) break;
        m->appendReplacement(result, replacement, status);
        if (U_FAILURE(status)) {
            throw RegexError(RegexError::Kind::invalidTemplate, std::string(replacementTemplate));
        }
    }
    m->appendTail(result);
    return toUTF8(result);
}

std::string RegularExpression::escapedPattern(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        bool plain = c >= 0x80 || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (plain) {
            out.push_back(ch);
        } else if (c < 0x20 || c == 0x7f) {
            // Control characters as hexadecimal escapes, so nothing invisible carries meaning.
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\x{%02X}", c);
            out += buf;
        } else {
            // ICU reads a backslash before any other ASCII symbol or blank as that character.
            out.push_back('\\');
            out.push_back(ch);
        }
    }
    return out;
}

std::string RegularExpression::escapedTemplate(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        if (ch == '\\' || ch == '$') out.push_back('\\');
        out.push_back(ch);
    }
    return out;
}

void RegularExpression::setWorkLimit(std::int32_t ticks) { impl_->workLimit = ticks < 0 ? 0 : ticks; }

}  // namespace platform
