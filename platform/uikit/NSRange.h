#pragma once
// A range of text: where it starts and how long it is, in UTF-8 bytes of the text (always on
// character boundaries when the platform makes one).
#include <algorithm>
#include <cstddef>
#include <string>

namespace platform {

struct NSRange {
    std::size_t location = 0;
    std::size_t length = 0;
    std::size_t end() const { return location + length; }
    bool operator==(const NSRange&) const = default;
};

// The range clamped into s and widened to whole UTF-8 sequences.
inline NSRange clampedRange(const std::string& s, NSRange r) {
    auto isContinuation = [&](std::size_t i) {
        return i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
    };
    std::size_t start = std::min(r.location, s.size());
    std::size_t end = start + std::min(r.length, s.size() - start);
    while (start > 0 && isContinuation(start)) --start;
    while (end < s.size() && isContinuation(end)) ++end;
    return {start, end - start};
}

}  // namespace platform
