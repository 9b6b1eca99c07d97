#include "platform/collation/Collation.h"

#include <cstddef>
#include <memory>

#include <unicode/ucol.h>
#include <unicode/uiter.h>

namespace platform::text {
namespace {

struct CollatorCloser {
    void operator()(UCollator* c) const { ucol_close(c); }
};

// One collator for the process; ucol_strcollIter is safe to call concurrently on it.
const UCollator* caseInsensitiveCollator() {
    static std::unique_ptr<UCollator, CollatorCloser> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* c = ucol_open("", &status);
        if (U_FAILURE(status)) {
            return std::unique_ptr<UCollator, CollatorCloser>();
        }
        ucol_setStrength(c, UCOL_SECONDARY);
        return std::unique_ptr<UCollator, CollatorCloser>(c);
    }();
    return collator.get();
}

int byteCompare(std::string_view a, std::string_view b) {
    int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace

int localizedCaseInsensitiveCompare(std::string_view a, std::string_view b) {
    const UCollator* collator = caseInsensitiveCollator();
    constexpr std::size_t kMaxLength = 0x7fffffff;
    if (collator == nullptr || a.size() > kMaxLength || b.size() > kMaxLength) {
        return byteCompare(a, b);
    }
    // The UTF-8 iterator turns ill-formed sequences into U+FFFD instead of reading past them.
    UCharIterator ia;
    UCharIterator ib;
    uiter_setUTF8(&ia, a.data(), static_cast<int32_t>(a.size()));
    uiter_setUTF8(&ib, b.data(), static_cast<int32_t>(b.size()));
    UErrorCode status = U_ZERO_ERROR;
    UCollationResult r = ucol_strcollIter(collator, &ia, &ib, &status);
    if (U_FAILURE(status)) {
        return byteCompare(a, b);
    }
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

}  // namespace platform::text
