#pragma once
// Regular expressions on ICU: Unicode-aware (\s is Unicode White_Space, case-insensitive
// matching uses full Unicode case folding, so Greek or Cyrillic fold too and symbols such as
// "×" stay themselves), capture groups, replace-all with "$n" templates, and pattern escaping. Texts are UTF-8; invalid sequences are read as U+FFFD.
// Matching runs on ICU's heap-based engine, so long inputs cannot overflow the stack; each
// search has a work limit and a backtracking-memory limit, so a pathological pattern and input
// end with RegexError instead of running for minutes or exhausting memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/foundation/ErrorInfo.h"

namespace platform {

// A pattern or replacement template that does not compile (NSCocoaErrorDomain 2048), or a
// search that ran past its work or memory limit (NSCocoaErrorDomain 2049).
class RegexError : public NSError {
public:
    enum class Kind { invalidPattern, invalidTemplate, limitExceeded };
    RegexError(Kind kind, std::string detail);
    Kind kind() const noexcept { return kind_; }

private:
    Kind kind_;
};

// One match: group 0 is the whole match, groups 1..n the capture groups. A group that did not
// take part in the match has no text and no range. Ranges are UTF-8 byte offsets into the
// searched text (into its U+FFFD-repaired form when the text was not valid UTF-8).
class RegexMatch {
public:
    struct Range {
        std::size_t location = 0;
        std::size_t length = 0;
        bool operator==(const Range&) const = default;
    };

    std::size_t numberOfRanges() const { return groups_.size(); }
    std::optional<std::string> group(std::size_t index) const;
    std::optional<Range> range(std::size_t index) const;

private:
    friend class RegularExpression;
    struct Group {
        Range range;
        std::string text;
    };
    std::vector<std::optional<Group>> groups_;
};

class RegularExpression {
public:
    enum Options : std::uint32_t {
        none = 0,
        caseInsensitive = 1u << 0,
        // "." also matches line terminators.
        dotMatchesLineSeparators = 1u << 1,
        // "^" and "$" match at every line start and end.
        anchorsMatchLines = 1u << 2,
    };

    // Throws RegexError(invalidPattern) when the pattern does not compile.
    explicit RegularExpression(std::string_view pattern, std::uint32_t options = none);
    ~RegularExpression();
    RegularExpression(RegularExpression&&) noexcept;
    RegularExpression& operator=(RegularExpression&&) noexcept;

    const std::string& pattern() const noexcept { return pattern_; }
    std::size_t numberOfCaptureGroups() const;

    // The first match anywhere in text, or nullopt. Searches throw RegexError(limitExceeded)
    // when they run past their limits; they never report such a search as "no match".
    std::optional<RegexMatch> firstMatch(std::string_view text) const;
    // Every non-overlapping match, in order.
    std::vector<RegexMatch> matches(std::string_view text) const;
    std::size_t numberOfMatches(std::string_view text) const { return matches(text).size(); }
    // text with every match replaced by the template, in which "$n" stands for group n and
    // "\" quotes the next character (escapedTemplate() quotes a literal replacement). Throws
    // RegexError(invalidTemplate) for a "$" that names no group.
    std::string replacingMatches(std::string_view text, std::string_view replacementTemplate) const;

    // The text as a pattern that matches exactly that text.
    static std::string escapedPattern(std::string_view text);
    // The text as a replacement template that inserts exactly that text.
    static std::string escapedTemplate(std::string_view text);

    // Work limit per search, in ticks of 10,000 engine steps (0 = unlimited). The default,
    // well under a second, allows any linear search over megabytes of text.
    void setWorkLimit(std::int32_t ticks);

private:
    struct Impl;
    std::string pattern_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
