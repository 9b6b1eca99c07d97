#include "platform/uikit/UIFont.h"

#include <cmath>

namespace platform {

double UIFont::lineHeight() const { return std::ceil(pointSize * 1.2); }

double UIFont::characterWidth() const {
    return pointSize * (design == Design::monospaced ? 0.6 : 0.52);
}

std::string weightName(UIFont::Weight w) {
    switch (w) {
        case UIFont::Weight::regular: return "regular";
        case UIFont::Weight::medium: return "medium";
        case UIFont::Weight::semibold: return "semibold";
        case UIFont::Weight::bold: return "bold";
    }
    return "regular";
}

}  // namespace platform
