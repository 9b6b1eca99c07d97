#include "platform/render/RenderText.h"

#include <cmath>
#include <cstdio>

#include "platform/foundation/Json.h"

namespace platform::render {

std::string formatNumber(double v) {
    char buf[32];
    if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(v));
    } else {
        std::snprintf(buf, sizeof buf, "%.10g", v);
    }
    return buf;
}

std::string quoted(std::string_view s) {
    return Json(std::string(s)).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string escapeHtml(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace platform::render
