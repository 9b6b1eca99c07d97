#include "platform/foundation/TextNormalization.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace platform::text {

std::string canonicallyComposed(std::string_view s) {
    bool ascii = true;
    for (unsigned char c : s) {
        if (c >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) return std::string(s);
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
    if (U_FAILURE(status) || !nfc) return std::string(s);
    icu::UnicodeString composed = nfc->normalize(u, status);
    if (U_FAILURE(status)) return std::string(s);
    std::string out;
    composed.toUTF8String(out);
    return out;
}

}  // namespace platform::text
